// The client side of one device element of the implement's description: it
// knows its element object in the TC object pool (its element number and the
// way to send a value) and lends its process data the client core's waiter
// and timers.
#pragma once

#include "platform/tc/TC_device_objects.h"
#include "util/sl_list.h"

class TC_interface_base;
class Timeout;
class waiter_descriptor;

namespace TaskController_interface {

class TC_interface_device_element : public sll_node {
public:
    // With a parent, the element joins the parent's element list.
    explicit TC_interface_device_element(TC_interface_base* parent);
    // Leaves the parent's element list, so that no default-data request
    // reaches an element that is gone.
    virtual ~TC_interface_device_element();

    TC_interface_device_element(const TC_interface_device_element&) = delete;
    TC_interface_device_element& operator=(const TC_interface_device_element&) = delete;

    // Sends an encoded value of this element; false without an element
    // object or when the pool has no session to carry it.
    virtual bool send(TC::ddi_t ddi, int value);
    // The task controller asked for every default value.
    virtual void handle_default() {}

    // The element object's number, 0 without one.
    unsigned short get_element_number() const;
    // Whether the description active on the task controller holds this
    // element, or this element's datum of that DDI; false without an
    // element object.
    bool is_described() const;
    bool is_described(TC::ddi_t ddi) const;
    // Whether that description holds this element's datum of that DDI as a
    // member of the default set.
    bool is_in_default_set(TC::ddi_t ddi) const;
    // The client core's waiter, null without parent.
    waiter_descriptor* get_waiter() const;
    bool submit_timer(Timeout& t, int ms);
    bool submit_timer(Timeout& t);
    void remove_timeout(Timeout& t);

    TC_interface_base* get_parent() const { return parent_; }
    TC::Device_element_obj* get_element_object() const { return element_obj_; }
    void set_element_object(TC::Device_element_obj* obj) { element_obj_ = obj; }

protected:
    TC_interface_base* parent_;
    TC::Device_element_obj* element_obj_ = nullptr;
};

} // namespace TaskController_interface
