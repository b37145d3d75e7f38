// A handler interface for the events a module may be sent: data-store and
// settings changes, messages and requests of two CAN stacks, NAME listener
// notices, timeouts. Guests are indexed by name and by id. Every default
// handler declines (false), except handle_guest_event, which accepts.
#pragma once

#include "util/Named_list.h"

class Timeout;
namespace JIN_name {
class Listen_node;
}

namespace JIN {

class Guest : public Named_list<Guest>::Searcher {
public:
    explicit Guest(const char* name = "") : Named_list<Guest>::Searcher(name) {}
    ~Guest() override;

    virtual bool handle_data_store_event(unsigned long code);
    virtual bool handle_pved_store_event(unsigned long code);
    virtual bool handle_guest_event(unsigned long code, unsigned data);
    virtual bool handle_param_store_event(unsigned long code);
    virtual bool handle_stack1_read_event(unsigned pgn);
    virtual bool handle_stack1_11bit_read_event(unsigned short id);
    virtual bool handle_stack1_request_event(unsigned pgn);
    virtual bool handle_stack1_name_event(const JIN_name::Listen_node* node);
    virtual bool handle_stack1_notify_event(int code);
    virtual bool handle_stack2_read_event(unsigned pgn);
    virtual bool handle_stack2_11bit_read_event(unsigned short id);
    virtual bool handle_stack2_request_event(unsigned pgn);
    virtual bool handle_stack2_name_event(const JIN_name::Listen_node* node);
    virtual bool handle_stack2_notify_event(int code);
    virtual bool handle_timeout_event(const Timeout& timeout);
    virtual bool handle_radio_man_event(unsigned long code, unsigned data);
};

} // namespace JIN
