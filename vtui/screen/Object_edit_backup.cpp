#include "vtui/screen/Object_edit_backup.h"

#include "util/Debug_print.h"

void Object_edit_backup::select(VT::Object_pool* pool, unsigned short object_id, bool selected)
{
    number_ = nullptr;
    list_ = nullptr;
    variable_ = nullptr;
    if (!selected || !pool) {
        id_ = VT::Object_pool::NULL_ID;
        return;
    }
    VT::VT_obj* o = pool->find<VT::VT_obj>(object_id);
    if (!o)
        return;
    auto from_variable = [&](unsigned short ref, int which, VT::Number_variable_obj** keep) {
        if (ref == VT::Object_pool::NULL_ID)
            return true;
        VT::Number_variable_obj* v = pool->find<VT::Number_variable_obj>(ref);
        if (!v) {
            Debug_print::dprint("Error when backing up for live edit (%d)\n", which);
            return false;
        }
        value_ = v->get_value();
        if (keep) {
            *keep = v;
            Debug_print::dprint("Backing up var object val %d\n", int(value_));
        }
        return true;
    };
    if (auto* n = VT::obj_cast<VT::Input_number_obj>(o)) {
        value_ = n->get_value();
        if (!from_variable(n->get_variable_reference(), 1, nullptr))
            return;
        number_ = n;
    } else if (auto* l = VT::obj_cast<VT::Input_list_obj>(o)) {
        value_ = l->get_value();
        if (!from_variable(l->get_variable_reference(), 2, &variable_))
            return;
        list_ = l;
    } else {
        return;
    }
    id_ = object_id;
}

bool Object_edit_backup::esc(VT_change_numeric_value_event& ev)
{
    if (id_ == VT::Object_pool::NULL_ID)
        return false;
    ev.set(id_, value_);
    if (number_)
        number_->set_value(value_);
    if (list_)
        list_->set_value(uint8_t(value_));
    if (variable_)
        variable_->set_value(value_);
    id_ = VT::Object_pool::NULL_ID;
    return true;
}
