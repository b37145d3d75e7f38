// A Stat binds one application value to the VT objects that show or edit it
// (output, input, variable, object pointer); a Stat_collector is the ordered
// list of the stats of one screen, subscreen or widget.
#pragma once

#include "platform/vt/Object_pool.h"
#include "util/sl_list.h"

class Stat_user;
class Units_man;

class Stat : public sll_node {
public:
    // Why values are pushed; every caller asks for NORMAL.
    enum update_modes : unsigned char { UPDATE_NONE = 0, UPDATE_NORMAL = 1 };
    // Type codes of the kinds (6 is not used).
    enum stat_type {
        TYPE_NUM = 0,
        TYPE_STRING = 1,
        TYPE_LIST = 2,
        TYPE_BOOL = 3,
        TYPE_INDICATOR = 4,
        TYPE_CYCLE_BOX = 5,
        TYPE_POPUP_LIST = 7,
        TYPE_PUI_ROW = 8,
    };
    static constexpr unsigned short NULL_ID = VT::Object_pool::NULL_ID;

    Stat() = default;
    virtual ~Stat() = default;
    Stat(const Stat&) = default;
    Stat& operator=(const Stat&) = default;

    virtual int get_type() const = 0;
    // The object that represents the stat on the mask.
    virtual unsigned short get_object_id() const = 0;
    virtual unsigned short get_in_object_id() const { return NULL_ID; }
    virtual unsigned short get_var_id() const { return NULL_ID; }
    virtual unsigned short get_ptr_id() const { return NULL_ID; }
    virtual int get_width() const = 0;
    virtual int get_height() const = 0;
    virtual VT::VT_obj* get_input_obj() const = 0;
    // Pushes the value to the VT: 0 done or nothing to do, 1 still pending.
    virtual int update_val(update_modes modes) = 0;
    virtual bool val_up_to_date() const { return true; }
    // Pushes a changed scale: true when something is still pending.
    virtual bool update_scale() = 0;
    // Adopts the units in force; true when the stat's scale changed.
    virtual bool set_units(Units_man& units) = 0;
    virtual void setup_objs() {}
    virtual bool handle_select_input(unsigned short id, bool selected) { return false; }
    // Whether a VT value change of object `id` is this stat's: variable,
    // input or output object, in that order. An unbound stat answers no
    // object, not even the null id.
    virtual bool can_update_from_id(unsigned short id) const;
    // The VT changed the value; false when the stat has no object that could
    // have produced it.
    virtual bool update_from_input(unsigned int value, Stat_user* user) = 0;
    // The VT changed a string: `length` bytes of `text` as the VT sent them.
    // Kinds without text take the length as their value.
    virtual bool update_from_string(const char* text, unsigned int length, Stat_user* user)
    {
        return update_from_input(length, user);
    }
    virtual void set_live_edit(bool on) {}
    // Shows the editable or read-only state on the VT.
    virtual bool _set_editable(bool editable) { return editable; }
    virtual bool get_editable() const { return editable_ && get_input_obj() != nullptr; }

    // Appends the stat to the collector (null: the stat stays unlisted).
    void setup(class Stat_collector* collector);
    void set_editable(bool editable);
    void suspend_editable() { _set_editable(false); }
    void resume_editable() { _set_editable(editable_); }
    bool editable_flag() const { return editable_; }

protected:
    // Width and height of a VT object that has a size (0 for none).
    static int width_of(const VT::VT_obj* o)
    {
        unsigned short w = 0, h = 0;
        if (o)
            o->get_size(w, h);
        return w;
    }
    static int height_of(const VT::VT_obj* o)
    {
        unsigned short w = 0, h = 0;
        if (o)
            o->get_size(w, h);
        return h;
    }

    bool editable_ = false;
};

class Stat_collector : public c_sl_list<Stat> {
public:
    void suspend_editable();
    void resume_editable();
    // Runs f on every stat, head to tail.
    template <class F>
    void for_each(F f) const
    {
        for (Stat* s = first(); s; s = next(s))
            f(*s);
    }
};
