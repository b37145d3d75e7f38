// A yes/no value shown through an object pointer that points at one of two
// looks (a second pair for the read-only state), optionally edited through
// an input boolean.
#pragma once

#include "vtui/stat/Stat.h"

class Stat_bool : public Stat {
public:
    // Editable form: shows the value and marks the stat editable.
    bool init(Stat_collector* col, VT::Object_pointer_obj* ptr, VT::Input_boolean_obj* input, VT::VT_obj* true_look,
              VT::VT_obj* false_look, VT::VT_obj* true_read_only, VT::VT_obj* false_read_only);
    // Display-only form.
    bool init(Stat_collector* col, VT::Object_pointer_obj* ptr, VT::VT_obj* true_look, VT::VT_obj* false_look);

    // Objects made at run time ("SbB" input boolean, "SbP" pointer).
    bool dyn_create_objects(VT::Object_pool* pool, bool input, bool pointer);
    bool dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font);
    bool dyn_set_format(VT::VT_obj* true_look, VT::VT_obj* false_look, VT::VT_obj* true_read_only,
                        VT::VT_obj* false_read_only);

    bool set(bool v);
    bool get() const { return value; }

    int get_type() const override { return TYPE_BOOL; }
    unsigned short get_object_id() const override { return id_of(pointer); }
    unsigned short get_var_id() const override { return id_of(input); }
    int get_width() const override;
    int get_height() const override;
    VT::VT_obj* get_input_obj() const override { return input; }
    int update_val(update_modes) override { return 0; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int value, Stat_user* user) override;
    bool _set_editable(bool editable) override;

private:
    static unsigned short id_of(const VT::VT_obj* o) { return o ? o->get_id() : NULL_ID; }

    bool value = false;
    VT::Object_pointer_obj* pointer = nullptr;
    VT::Input_boolean_obj* input = nullptr;
    VT::VT_obj* true_look = nullptr;
    VT::VT_obj* false_look = nullptr;
    VT::VT_obj* true_read_only = nullptr;
    VT::VT_obj* false_read_only = nullptr;
};
