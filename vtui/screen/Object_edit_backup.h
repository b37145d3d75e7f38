// The value an input had when the operator selected it, so that an aborted
// live edit can be put back.
#pragma once

#include "platform/vt/Object_pool.h"
#include "vtui/screen/Vt_events.h"

class Object_edit_backup {
public:
    void select(VT::Object_pool* pool, unsigned short object_id, bool selected);
    // Puts the backed-up value back into the objects and the event; false
    // when nothing was backed up.
    bool esc(VT_change_numeric_value_event& ev);
    unsigned short get_id() const { return id_; }

private:
    unsigned short id_ = VT::Object_pool::NULL_ID;
    uint32_t value_ = 0;
    VT::Input_number_obj* number_ = nullptr;
    VT::Input_list_obj* list_ = nullptr;
    VT::Number_variable_obj* variable_ = nullptr;
};
