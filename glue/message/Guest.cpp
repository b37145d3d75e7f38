#include "glue/message/Guest.h"

namespace JIN {

Guest::~Guest() = default;

bool Guest::handle_data_store_event(unsigned long) { return false; }
bool Guest::handle_pved_store_event(unsigned long) { return false; }
bool Guest::handle_guest_event(unsigned long, unsigned) { return true; }
bool Guest::handle_param_store_event(unsigned long) { return false; }
bool Guest::handle_stack1_read_event(unsigned) { return false; }
bool Guest::handle_stack1_11bit_read_event(unsigned short) { return false; }
bool Guest::handle_stack1_request_event(unsigned) { return false; }
bool Guest::handle_stack1_name_event(const JIN_name::Listen_node*) { return false; }
bool Guest::handle_stack1_notify_event(int) { return false; }
bool Guest::handle_stack2_read_event(unsigned) { return false; }
bool Guest::handle_stack2_11bit_read_event(unsigned short) { return false; }
bool Guest::handle_stack2_request_event(unsigned) { return false; }
bool Guest::handle_stack2_name_event(const JIN_name::Listen_node*) { return false; }
bool Guest::handle_stack2_notify_event(int) { return false; }
bool Guest::handle_timeout_event(const Timeout&) { return false; }
bool Guest::handle_radio_man_event(unsigned long, unsigned) { return false; }

} // namespace JIN
