// Process Data messages (PGN 0xCB00) from other ECUs than the task
// controller: up to two CAN stacks on which the client answers value
// requests and takes set values for its process data. Nothing attaches a
// stack in this system, so the path stays idle and refuses every event.
#pragma once

#include "can/JIN_name.h"

#include <cstdint>

class JIN_smart_stack;
class TC_interface_base;
struct waiter_event;

namespace JIN_name {
struct Listen_node;
}

namespace TaskController_interface {

class TC_interface_process_data_api;

// The 8 bytes of a Process Data message.
struct Pd_message {
    static constexpr unsigned PGN = 0xCB00;
    enum command_t { REQUEST_VALUE = 2, VALUE = 3 };

    unsigned char bytes[8] = {0, 0, 0, 0, 0, 0, 0, 0};

    int command() const { return bytes[0] & 0x0F; }
    unsigned short element() const { return (unsigned short)((bytes[0] >> 4) | (bytes[1] << 4)); }
    unsigned short ddi() const { return (unsigned short)(bytes[2] | bytes[3] << 8); }
    int32_t value() const
    {
        uint32_t v = uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 |
                     uint32_t(bytes[7]) << 24;
        return int32_t(v);
    }
    void set_command(int c) { bytes[0] = (unsigned char)((bytes[0] & 0xF0) | (c & 0x0F)); }
    void set_element(unsigned short e)
    {
        bytes[0] = (unsigned char)((bytes[0] & 0x0F) | ((e & 0x0F) << 4));
        bytes[1] = (unsigned char)(e >> 4);
    }
    void set_ddi(unsigned short d)
    {
        bytes[2] = (unsigned char)d;
        bytes[3] = (unsigned char)(d >> 8);
    }
    void set_value(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = (unsigned char)(uint32_t(v) >> (8 * i));
    }
};

class TCi_stack_access {
public:
    static constexpr unsigned char NO_ADDRESS = 254;

    TCi_stack_access() = default;
    ~TCi_stack_access() { deregister_stack(); }
    TCi_stack_access(const TCi_stack_access&) = delete;
    TCi_stack_access& operator=(const TCi_stack_access&) = delete;

    void register_stack(JIN_smart_stack* stack, TC_interface_base* parent,
                        JIN_name::RAWNAME& name);
    int deregister_stack();
    bool handle_event(waiter_event& event);

    JIN_smart_stack* get_stack() const { return stack_; }
    unsigned char get_own_address() const { return own_address_; }

private:
    void handle_pd_request();
    void send_response(Pd_message& msg, unsigned char requester, TC_interface_process_data_api* pd);
    void set_value(const Pd_message& msg, TC_interface_process_data_api* pd);
    void recv_name_event(const JIN_name::Listen_node* node);

    JIN_smart_stack* stack_ = nullptr;
    short registration_id_ = 0;
    unsigned char own_address_ = NO_ADDRESS;
    const JIN_name::Listen_node* listen_node_ = nullptr;
    TC_interface_base* parent_ = nullptr;
};

class ECU_access {
public:
    static constexpr int MAX_STACKS = 2;

    explicit ECU_access(TC_interface_base* parent) : parent_(parent) {}

    bool add_stack(JIN_smart_stack* stack, JIN_name::RAWNAME& name);
    bool handle_event(waiter_event& event);
    void remove_stacks();
    int stacks_in_use() const { return in_use_; }

private:
    TCi_stack_access slots_[MAX_STACKS];
    int in_use_ = 0;
    TC_interface_base* parent_;
};

} // namespace TaskController_interface
