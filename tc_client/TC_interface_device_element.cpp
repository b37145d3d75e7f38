#include "tc_client/TC_interface_device_element.h"

#include "tc_client/TC_interface_base.h"

namespace TaskController_interface {

using Jdb = Debug_base<_JDB, _JDB::jdb_enum>;

TC_interface_device_element::TC_interface_device_element(TC_interface_base* parent)
    : parent_(parent)
{
    if (parent_)
        parent_->add_to_elem_list(this);
}

TC_interface_device_element::~TC_interface_device_element()
{
    if (parent_)
        parent_->remove_from_elem_list(this);
}

bool TC_interface_device_element::send(TC::ddi_t ddi, int value)
{
    if (!element_obj_)
        return false;
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface Device Element, Now sending to element object DDI:%x, value:%d\n", ddi,
               value);
    return element_obj_->send_process_data(ddi, value);
}

unsigned short TC_interface_device_element::get_element_number() const
{
    return element_obj_ ? element_obj_->get_number() : 0;
}

bool TC_interface_device_element::is_described() const
{
    TC::Object_pool* pool = element_obj_ ? element_obj_->get_pool() : nullptr;
    return pool && pool->is_element_described(element_obj_->get_number());
}

bool TC_interface_device_element::is_described(TC::ddi_t ddi) const
{
    TC::Object_pool* pool = element_obj_ ? element_obj_->get_pool() : nullptr;
    return pool && pool->is_described(element_obj_->get_number(), ddi);
}

bool TC_interface_device_element::is_in_default_set(TC::ddi_t ddi) const
{
    TC::Object_pool* pool = element_obj_ ? element_obj_->get_pool() : nullptr;
    return pool && pool->is_in_default_set(element_obj_->get_number(), ddi);
}

waiter_descriptor* TC_interface_device_element::get_waiter() const
{
    return parent_ ? &parent_->get_waiter() : nullptr;
}

bool TC_interface_device_element::submit_timer(Timeout& t, int ms)
{
    return parent_ && parent_->submit_timer(t, ms);
}

bool TC_interface_device_element::submit_timer(Timeout& t)
{
    return parent_ && parent_->submit_timer(t);
}

void TC_interface_device_element::remove_timeout(Timeout& t)
{
    if (parent_)
        parent_->remove_timer(t);
}

} // namespace TaskController_interface
