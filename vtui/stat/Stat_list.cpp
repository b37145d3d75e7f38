#include "vtui/stat/Stat_list.h"

#include "util/Debug_print.h"
#include "vtui/stat/Stat_dyn.h"
#include "vtui/stat/Stat_user.h"

#include <algorithm>

namespace {
const char* const SOURCE = "vtui/stat/Stat_list";
} // namespace

bool Stat_list::init(Stat_collector* col, VT::Input_list_obj* l, VT::Object_pointer_obj* ptr, VT::Object_pool* pool,
                     bool w)
{
    pointer = ptr;
    wrap = w;
    list = l;
    if (list) {
        item_count = uint16_t(list->num_items());
        unsigned short var_ref = list->get_variable_reference();
        if (var_ref == NULL_ID) {
            current = list->get_value();
        } else {
            variable_id = var_ref;
            variable = pool ? pool->find<VT::Number_variable_obj>(var_ref) : nullptr;
            if (!variable) {
                Debug_print::dprint("Stat_list: number variable %u of list %u missing\n", unsigned(var_ref),
                                    unsigned(list->get_id()));
                return false;
            }
            current = uint16_t(variable->get_value());
        }
    }
    setup(col);
    return true;
}

void Stat_list::write_index(unsigned index)
{
    if (variable)
        variable->set_value(index);
    else if (list)
        list->set_value(uint8_t(index));
}

unsigned short Stat_list::child_of(unsigned index) const
{
    if (!list || index >= unsigned(list->num_items()))
        return NULL_ID;
    unsigned short child = list->get_child_objects_val(index);
    return child == 0 ? NULL_ID : child;
}

bool Stat_list::set_item(unsigned short index)
{
    if (index >= item_count)
        return false;
    current = index;
    if (!list)
        return false;
    write_index(index);
    if (pointer && !editable_)
        pointer->set_value(child_of(index));
    return true;
}

unsigned short Stat_list::step_done(unsigned short target)
{
    set_item(target);
    if (list)
        list->set_value(uint8_t(current));
    return current;
}

unsigned short Stat_list::increment(unsigned short n)
{
    if (item_count == 0) {
        current = 0;
        return 0;
    }
    unsigned t = unsigned(current) + n;
    if (t >= item_count) {
        if (wrap)
            t = t - item_count < item_count ? t - item_count : 0;
        else
            t = item_count - 1u;
    }
    return step_done(uint16_t(t));
}

unsigned short Stat_list::decrement(unsigned short n)
{
    if (item_count == 0) {
        current = 0;
        return 0;
    }
    int t = int(current) - int(n);
    if (t < 0)
        t = wrap && t + item_count >= 0 ? t + item_count : 0;
    return step_done(uint16_t(t));
}

bool Stat_list::update_from_input(unsigned int index, Stat_user* user)
{
    if (!list)
        return false;
    // An index beyond the items is held at the count: it names no item and
    // leaves the choice as it was.
    unsigned v = std::min(index, unsigned(item_count));
    write_index(v);
    set_item(uint16_t(v));
    if (user)
        user->handle_stat_list_update(this);
    return true;
}

bool Stat_list::_set_editable(bool e)
{
    if (!pointer)
        return e;
    if (list)
        pointer->set_value(e ? list->get_id() : child_of(list->get_value()));
    return e;
}

void Stat_list::set_live_edit(bool on)
{
    if (!list)
        return;
    // Real-time editing asks the VT to report every step while the operator
    // scrolls.
    const unsigned char o = list->get_input_options();
    const unsigned char live = VT::Input_obj::INPUT_REAL_TIME;
    list->set_input_options(on ? uint8_t(o | live) : uint8_t(o & ~live));
}

bool Stat_list::dyn_create_objects(VT::Object_pool* pool, int n, bool ptr, bool var)
{
    wrap = true;
    current = 0;
    item_count = uint16_t(std::max(n, 0));
    if (n > 0) {
        list = Stat_dyn::create<VT::Input_list_obj>(pool, SOURCE, "SlL", "input_list", 10, 10, NULL_ID, 0, true);
        // The VT list carries at most 255 items; the stat still counts all.
        int vt_items = std::min(n, MAX_VT_ITEMS);
        if (vt_items < n)
            Debug_print::dprint("Stat_list: %d items, the VT list shows the first %d\n", n, vt_items);
        for (int i = 0; i < vt_items; ++i)
            list->add_item(NULL_ID);
    }
    if (var)
        variable = Stat_dyn::create<VT::Number_variable_obj>(pool, SOURCE, "SlV", "number_var", 0u);
    if (ptr)
        pointer = Stat_dyn::create<VT::Object_pointer_obj>(pool, SOURCE, "SlP", "object_pointer", NULL_ID);
    return true;
}

bool Stat_list::dyn_init(VT::Object_pool* pool, Stat_collector* col)
{
    Stat_dyn::check(pool != nullptr, SOURCE, "pool");
    if (variable)
        pool->upload(variable);
    if (list) {
        if (variable) {
            list->set_variable_reference(variable->get_id());
            variable_id = variable->get_id();
        }
        pool->upload(list);
    }
    if (pointer)
        pool->upload(pointer);
    setup(col);
    return true;
}
