#include "vtui/stat/Stat_bool.h"

#include "vtui/stat/Stat_dyn.h"
#include "vtui/stat/Stat_user.h"

#include <algorithm>

namespace {
const char* const SOURCE = "vtui/stat/Stat_bool";
} // namespace

bool Stat_bool::init(Stat_collector* col, VT::Object_pointer_obj* ptr, VT::Input_boolean_obj* in, VT::VT_obj* t,
                     VT::VT_obj* f, VT::VT_obj* t_ro, VT::VT_obj* f_ro)
{
    setup(col);
    pointer = ptr;
    input = in;
    dyn_set_format(t, f, t_ro, f_ro);
    set(value);
    set_editable(true);
    return true;
}

bool Stat_bool::init(Stat_collector* col, VT::Object_pointer_obj* ptr, VT::VT_obj* t, VT::VT_obj* f)
{
    setup(col);
    pointer = ptr;
    true_look = t;
    false_look = f;
    set(value);
    return true;
}

bool Stat_bool::dyn_create_objects(VT::Object_pool* pool, bool in, bool ptr)
{
    if (in)
        input = Stat_dyn::create<VT::Input_boolean_obj>(pool, SOURCE, "SbB", "input_boolean", 1, 3, 0, NULL_ID, 0,
                                                        true);
    if (ptr)
        pointer = Stat_dyn::create<VT::Object_pointer_obj>(pool, SOURCE, "SbP", "object_pointer", NULL_ID);
    return true;
}

bool Stat_bool::dyn_init(VT::Object_pool* pool, Stat_collector* col, VT::Font_attributes_obj* font)
{
    Stat_dyn::check(pool != nullptr, SOURCE, "pool");
    // The objects joined the pool when they were made; they go up with the
    // next partial upload.
    if (input) {
        if (font)
            input->set_foreground_colour(font->get_id());
        pool->upload(input);
    }
    if (pointer)
        pool->upload(pointer);
    set_editable(true);
    setup(col);
    return true;
}

bool Stat_bool::dyn_set_format(VT::VT_obj* t, VT::VT_obj* f, VT::VT_obj* t_ro, VT::VT_obj* f_ro)
{
    true_look = t;
    false_look = f;
    true_read_only = t_ro;
    false_read_only = f_ro;
    return true;
}

bool Stat_bool::set(bool v)
{
    value = v;
    if (!pointer)
        return false;
    VT::VT_obj* look = v ? true_look : false_look;
    if (!editable_ && true_read_only && false_read_only)
        look = v ? true_read_only : false_read_only;
    if (!look)
        return false;
    if (pointer->get_value() != look->get_id())
        pointer->set_value(look->get_id());
    if (input)
        input->set_value(v ? 1 : 0);
    return true;
}

bool Stat_bool::update_from_input(unsigned int v, Stat_user* user)
{
    if (!input || !pointer || !true_look || !false_look)
        return false;
    value = v != 0;
    VT::VT_obj* look = value ? true_look : false_look;
    if (pointer->get_value() != look->get_id())
        pointer->set_value(look->get_id());
    if (user)
        user->handle_stat_bool_update(this);
    return true;
}

bool Stat_bool::_set_editable(bool e)
{
    if (input)
        input->set_enabled(e);
    // The look follows the state asked for, not the stored flag: a suspended
    // stat shows its read-only look.
    bool stored = editable_;
    editable_ = e;
    set(value);
    editable_ = stored;
    return e;
}

int Stat_bool::get_width() const
{
    return std::max(width_of(true_look), width_of(false_look));
}

int Stat_bool::get_height() const
{
    return std::max(height_of(true_look), height_of(false_look));
}
