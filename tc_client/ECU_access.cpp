#include "tc_client/ECU_access.h"

#include "can/JIN_header.h"
#include "can/JIN_smart_stack.h"
#include "tc_client/TC_interface_base.h"

namespace TaskController_interface {

namespace {
using Jdb = Debug_base<_JDB, _JDB::jdb_enum>;
}

void TCi_stack_access::register_stack(JIN_smart_stack* stack, TC_interface_base* parent,
                                      JIN_name::RAWNAME& name)
{
    if (!parent || !stack)
        return;
    parent_ = parent;
    stack_ = stack;
    waiter_descriptor* w = &parent->get_waiter();
    listen_node_ = stack->name_manager().listeners().Add(JIN_name::NAME(name), w);
    own_address_ = stack->name_manager().gethostbyname(name, false);
    stack->register_pgn(Pd_message::PGN, w, &registration_id_);
    Jdb::print(_JDB::TC_CLIENT, "Register stack %d, from parent %d\n", 0, 0);
    Jdb::print(_JDB::TC_CLIENT, "TC interface stack access registered start address: %d\n",
               own_address_);
}

int TCi_stack_access::deregister_stack()
{
    if (!stack_ || !parent_)
        return 0;
    waiter_descriptor* w = &parent_->get_waiter();
    if (listen_node_)
        stack_->name_manager().listeners().Remove(listen_node_);
    listen_node_ = nullptr;
    int r = stack_->deregister_pgn(Pd_message::PGN, w);
    stack_ = nullptr;
    return r;
}

bool TCi_stack_access::handle_event(waiter_event& event)
{
    if (!stack_)
        return false;
    if (event.module_id == registration_id_ && event.code == intptr_t(Pd_message::PGN)) {
        handle_pd_request();
        return true;
    }
    if (event.module_id == stack_->name_manager().module_id()) {
        recv_name_event(reinterpret_cast<const JIN_name::Listen_node*>(event.code));
        return true;
    }
    return false;
}

void TCi_stack_access::handle_pd_request()
{
    if (!parent_)
        return;
    Jdb::print(_JDB::TC_CLIENT, "Handle stack access to Process Data Request\n");
    Pd_message msg;
    JIN_header header;
    // A message of another length than 8 is not a Process Data message.
    if (stack_->read(Pd_message::PGN, header, msg.bytes, 8, 8, &parent_->get_waiter()) != 0 ||
        header.length != 8 || own_address_ == NO_ADDRESS)
        return;
    int cmd = msg.command();
    if (cmd != Pd_message::REQUEST_VALUE && cmd != Pd_message::VALUE) {
        Jdb::print(_JDB::TC_CLIENT, "CMD Not supported\n");
        return;
    }
    TC_interface_process_data_api* pd = parent_->get_processdata(msg.element(), msg.ddi());
    if (!pd)
        return;
    Jdb::print(_JDB::TC_CLIENT, "TC Interface stack access found process data for ecu event\n");
    if (cmd == Pd_message::REQUEST_VALUE)
        send_response(msg, header.src, pd);
    else
        set_value(msg, pd);
}

void TCi_stack_access::send_response(Pd_message& msg, unsigned char requester,
                                     TC_interface_process_data_api* pd)
{
    if (!stack_)
        return;
    int value = pd->request_value();
    msg.set_command(Pd_message::VALUE);
    msg.set_value(value);
    stack_->write(own_address_, requester, Pd_message::PGN, 3, 8, msg.bytes, -1, nullptr, 1);
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface utils read value %d for element %d, ddi 0x%x, and send to ECU\n", value,
               msg.element(), msg.ddi());
}

void TCi_stack_access::set_value(const Pd_message& msg, TC_interface_process_data_api* pd)
{
    pd->change_value(unsigned(msg.value()));
    Jdb::print(_JDB::TC_CLIENT, "TC Interface utils set value %d for element %d, ddi 0x%x\n",
               msg.value(), msg.element(), msg.ddi());
}

void TCi_stack_access::recv_name_event(const JIN_name::Listen_node* node)
{
    if (!stack_ || !node || node != listen_node_)
        return;
    Jdb::print(_JDB::TC_CLIENT, "Handle stack access receive name event\n");
    unsigned char addresses[10];
    JIN_name::NAME pattern = JIN_name::Name_manager::get_event_name(node);
    int n = stack_->name_manager().gethostsbyname(pattern, addresses, 10, false);
    for (int i = n - 1; i >= 0; --i) {
        own_address_ = addresses[i];
        Jdb::print(_JDB::TC_CLIENT, "TC Interface stack access, got our address %d\n",
                   own_address_);
    }
    Jdb::print(_JDB::TC_CLIENT, "TC Interface Utils, stack %d, got addresses tmc=%d\n", 0, n);
}

bool ECU_access::add_stack(JIN_smart_stack* stack, JIN_name::RAWNAME& name)
{
    if (!stack || in_use_ >= MAX_STACKS)
        return false;
    slots_[in_use_].register_stack(stack, parent_, name);
    Jdb::print(_JDB::TC_CLIENT, "Register Process Data PGN on Stack %d, parent is %d\n", in_use_,
               0);
    ++in_use_;
    return true;
}

bool ECU_access::handle_event(waiter_event& event)
{
    for (int i = 0; i < in_use_; ++i) {
        if (slots_[i].handle_event(event)) {
            Jdb::print(_JDB::TC_CLIENT, "ECU access event on stack %d\n", i);
            return true;
        }
    }
    return false;
}

void ECU_access::remove_stacks()
{
    for (int i = 0; i < in_use_; ++i) {
        Jdb::print(_JDB::TC_CLIENT, "De-register Process Data PGN on Stack %d\n", i);
        slots_[i].deregister_stack();
    }
    in_use_ = 0;
}

} // namespace TaskController_interface
