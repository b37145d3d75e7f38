#include "vtui/screen/Data_screen.h"

#include "vtui/screen/Element_group.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"

namespace {
unsigned short id_of(VT::Object_pool* pool, const char* name)
{
    VT::VT_obj* o = pool->find<VT::VT_obj>(name);
    return o ? o->get_id() : VT::Object_pool::NULL_ID;
}
} // namespace

Data_screen::Data_screen(const char* name, Screen_man* m) : Screen(name, m, DATA_SCREEN_PRIORITY) {}

Data_screen::~Data_screen()
{
    title_id = NULL_ID;
    pool = nullptr;
}

bool Data_screen::init(VT::Object_pool* p, VT::Data_mask_obj* m, NV_kelsu::parameters_t* params, unsigned short*,
                       int)
{
    Screen::init(p, m, params);
    data_mask = m;
    if (p) {
        common_items = p->find<VT::Container_obj>("common_data_mask_items");
        key_cross_id = id_of(p, "key_cross");
        key_cross_alt_id = id_of(p, "key_cross_alt");
        key_tick_id = id_of(p, "key_tick");
        edit_colour_id = id_of(p, "skcol_rec_orange");
        edit_cross_picture = p->find<VT::Picture_graphic_obj>("skpic_cross_red");
        edit_picture = p->find<VT::Picture_graphic_obj>("skpic_edit");
        title_string = p->find<VT::Output_string_obj>("standard_main_area_title");
        unused_cover = p->find<VT::Linear_bar_graph_obj>("bar_graph_cover_quad");
        if (m)
            set_soft_key_mask(m->get_soft_key_mask());
        edit_picture_pointer = p->find<VT::Object_pointer_obj>("skptr_edit_pic");
    }
    return is_ok();
}

bool Data_screen::is_ok() const
{
    return man && pool && data_mask && parameters;
}

waiter_descriptor* Data_screen::get_waiter()
{
    return get_man()->get_waiter();
}

void Data_screen::set_soft_key_mask(unsigned short id)
{
    soft_key_mask = pool ? pool->find<VT::Soft_key_mask_obj>(id) : nullptr;
}

void Data_screen::input_unclean()
{
    edit_clean = false;
    if (edit_picture_pointer && edit_cross_picture)
        edit_picture_pointer->set_value(edit_cross_picture->get_id());
}

void Data_screen::de_edit()
{
    if (data_mask && soft_key_mask)
        data_mask->set_soft_key_mask(soft_key_mask->get_id());
    get_man()->get_pencil_man().show(false);
    edit_clean = true;
    if (edit_picture_pointer && edit_picture)
        edit_picture_pointer->set_value(edit_picture->get_id());
}

bool Data_screen::activate()
{
    window_activate();
    if (pool && data_mask)
        pool->activate_data_mask(data_mask);
    if (title_string && title_id != NULL_ID)
        title_string->set_variable_reference(title_id);
    active = true;
    Screen_man* m = get_man();
    m->get_global_stats().add_stats(this);
    m->send_val_updates();
    update_stat_objs(false);
    update_stat_decorations();
    return true;
}

bool Data_screen::deactivate()
{
    if (unused_cover)
        unused_cover->set_value(0);
    get_man()->get_global_stats().clear_active_stats();
    window_deactivate();
    return Screen::deactivate();
}

unsigned short Data_screen::get_mask_id()
{
    return data_mask ? data_mask->get_id() : NULL_ID;
}

bool Data_screen::reshow_mask()
{
    if (!pool || !data_mask)
        return false;
    pool->activate_data_mask(data_mask);
    return true;
}

void Data_screen::send_vt_esc_event(VT_ESC_event&)
{
    Debug_print::dprint("VT_ESC_event here in Data_screen\r\n");
}

void Data_screen::update_stats_for_numeric_value_event(VT_change_numeric_value_event& ev, Stat_collector& col)
{
    for (Stat* s = col.first(); s;) {
        Stat* next = col.next(s);
        if (s->can_update_from_id(ev.object_id()) && !s->update_from_input(ev.value(), this))
            Debug_print::dprint("input num update failed\r\n");
        s = next;
    }
}

void Data_screen::update_stats_for_string_value_event(Input_string_value_event& ev, Stat_collector& col)
{
    // The string kinds take their text from the event; the number is unused.
    for (Stat* s = col.first(); s;) {
        Stat* next = col.next(s);
        if (s->get_type() == Stat::TYPE_STRING && s->can_update_from_id(ev.object_id()))
            s->update_from_string(ev.text, ev.length, this);
        s = next;
    }
}

void Data_screen::send_change_numeric_value_event(VT_change_numeric_value_event& ev)
{
    update_stats_for_numeric_value_event(ev, stats);
    update_stats_for_numeric_value_event(ev, get_global_stat_col());
}

void Data_screen::send_input_string_value_event(Input_string_value_event& ev)
{
    update_stats_for_string_value_event(ev, stats);
    update_stats_for_string_value_event(ev, get_global_stat_col());
}

void Data_screen::update_stat_decorations()
{
    Screen_man* m = get_man();
    if (!m || !data_mask)
        return;
    Stat_decorations& d = m->get_decorations();
    d.show_page(data_mask, &stats, false, false);
    d.show_page(data_mask, &get_global_stat_col(), true, false);
    for (UI::Element_group_node* n = groups.first(); n; n = groups.next(n))
        d.show_page(data_mask, &n->get_group().get_stats(), true, false);
}
