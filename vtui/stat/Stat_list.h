// A choice among numbered items bound to an input list, optionally through a
// number variable; a read-only list can show the chosen item's object through
// an object pointer. Every change goes to the VT at once.
#pragma once

#include "vtui/stat/Stat.h"

class Stat_list : public Stat {
public:
    // The input list holds its number of items in 8 bits.
    static constexpr int MAX_VT_ITEMS = 255;

    // False, and the stat left out of the collector, when the list names a
    // number variable the pool does not hold.
    bool init(Stat_collector* col, VT::Input_list_obj* list, VT::Object_pointer_obj* ptr, VT::Object_pool* pool,
              bool wrap);
    // Objects made at run time ("SlL" list, "SlV" variable, "SlP" pointer).
    bool dyn_create_objects(VT::Object_pool* pool, int item_count, bool pointer, bool variable);
    bool dyn_init(VT::Object_pool* pool, Stat_collector* col);

    bool set_item(unsigned short index);
    unsigned short increment(unsigned short n);
    unsigned short decrement(unsigned short n);
    unsigned short get_item() const { return current; }
    unsigned short get_item_count() const { return item_count; }

    int get_type() const override { return TYPE_LIST; }
    unsigned short get_object_id() const override { return id_of(list); }
    unsigned short get_var_id() const override { return id_of(variable); }
    unsigned short get_ptr_id() const override { return id_of(pointer); }
    int get_width() const override { return width_of(list); }
    int get_height() const override { return height_of(list); }
    VT::VT_obj* get_input_obj() const override { return list; }
    int update_val(update_modes) override { return 0; }
    bool update_scale() override { return true; }
    bool set_units(Units_man&) override { return true; }
    bool update_from_input(unsigned int index, Stat_user* user) override;
    void set_live_edit(bool on) override;
    bool _set_editable(bool editable) override;

    VT::Input_list_obj* get_list() const { return list; }
    VT::Number_variable_obj* get_variable() const { return variable; }
    VT::Object_pointer_obj* get_pointer() const { return pointer; }

private:
    static unsigned short id_of(const VT::VT_obj* o) { return o ? o->get_id() : NULL_ID; }
    // Writes the index to the variable, else to the list's own value.
    void write_index(unsigned index);
    // The list's child object of an item, NULL_ID for none (0 included).
    unsigned short child_of(unsigned index) const;
    unsigned short step_done(unsigned short target);

    VT::Object_pointer_obj* pointer = nullptr;
    bool wrap = false;
    unsigned short item_count = 0;
    unsigned short current = 0;
    unsigned short variable_id = NULL_ID;
    VT::Input_list_obj* list = nullptr;
    VT::Number_variable_obj* variable = nullptr;
};
