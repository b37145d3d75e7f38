#include "vtui/stat/Input_manager.h"

#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_bool.h"
#include "vtui/stat/Stat_cycle_box.h"
#include "vtui/stat/Stat_decorations.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"
#include "vtui/stat/Stat_string.h"

#include <cstring>

namespace {
unsigned short id_of(VT::Object_pool* pool, const char* name)
{
    VT::VT_obj* o = pool ? pool->find<VT::VT_obj>(name) : nullptr;
    return o ? o->get_id() : VT::Object_pool::NULL_ID;
}

enum activation { RELEASED = 0, PRESSED = 1, HELD = 2, ABORTED = 3 };
} // namespace

// ---- base ----

bool Input_manager::init(VT::Object_pool* pool)
{
    tick_id = id_of(pool, "key_tick");
    cross_id = id_of(pool, "key_cross");
    pencil = pool ? pool->find<VT::Container_obj>("pencil") : nullptr;
    further_init(pool);
    return true;
}

void Input_manager::handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms)
{
    if (ev.activation_code() == PRESSED && ev.object_id() != NULL_ID) {
        if (ev.object_id() == tick_id) {
            commit();
            de_edit();
            return;
        }
        if (ev.object_id() == cross_id) {
            cancel();
            de_edit();
            return;
        }
    }
    further_handle_soft_key_event(ev, hold_ms);
}

void Input_manager::de_edit()
{
    if (screen)
        screen->de_edit();
}

void Input_manager::get_pencil_size(int& width, int& height) const
{
    width = pencil ? pencil->get_width() : 0;
    height = pencil ? pencil->get_height() : 0;
}

void Input_manager::begin_edit(Data_screen* s)
{
    screen = s;
    // The pencil on the mask marks the edit: the screen's soft keys belong
    // to it until de_edit hides the pencil.
    if (Screen_man* m = s ? s->get_man() : nullptr)
        m->get_pencil_man().show(true);
}

void Input_manager::place(VT::Container_obj* container, int index, int x, int y)
{
    if (!container || index < 0 || index >= container->num_children())
        return;
    container->set_child_position(container->get_child_id(index), short(x), short(y));
}

// ---- stepping managers ----

void Input_manager_stepping::further_init(VT::Object_pool* pool)
{
    key_mask_id = id_of(pool, "key_mask_edit_number");
    increment_id = id_of(pool, "key_increment");
    decrement_id = id_of(pool, "key_decrement");
}

void Input_manager_stepping::invoke(Data_screen* s, VT::Data_mask_obj* mask, VT::Container_obj* container, Stat* st,
                                    int x, int y, Stat_decorations* decorations, int pencil_index)
{
    if (!st || st->get_type() != kind())
        return;
    if (mask)
        mask->set_soft_key_mask(key_mask_id);
    begin_edit(s);
    stat = st;
    take_backup();
    if (decorations)
        decorations->edit(st);
    int w, h;
    get_pencil_size(w, h);
    place(container, pencil_index, x + st->get_width(), y - h);
}

void Input_manager_stepping::further_handle_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms)
{
    if (!stat || !acts_on(ev.activation_code(), hold_ms))
        return;
    if (ev.object_id() == increment_id)
        step(true, hold_ms);
    else if (ev.object_id() == decrement_id)
        step(false, hold_ms);
    else
        return;
    if (!screen || !reports_steps())
        return;
    screen->input_unclean();
    screen->send_val_updates(false);
    report();
}

void Input_manager_stepping::commit()
{
    if (screen && stat)
        report();
}

void Input_manager_stepping::cancel()
{
    if (!screen || !stat)
        return;
    restore_backup();
    screen->send_val_updates(false);
    report();
}

// number

double Input_manager_number::acceleration(unsigned hold_ms)
{
    double t = hold_ms / 1000.0;
    double steps = t * t - 0.105 * t + 0.1 * t * t * t + 0.005 * t * t * t * t;
    return steps <= 2 ? 1 : steps;
}

Stat_num& Input_manager_number::num() const
{
    return static_cast<Stat_num&>(*stat);
}

bool Input_manager_number::acts_on(unsigned code, unsigned hold_ms) const
{
    return code == PRESSED || code == ABORTED || (code == HELD && hold_ms >= 1000);
}

void Input_manager_number::take_backup()
{
    backup = num().get_val();
}

void Input_manager_number::restore_backup()
{
    num().set_val(backup);
}

void Input_manager_number::step(bool up, unsigned hold_ms)
{
    double steps = acceleration(hold_ms);
    if (up)
        num().increment(steps);
    else
        num().decrement(steps);
}

void Input_manager_number::report()
{
    screen->handle_stat_num_update(&num());
}

// list

Stat_list& Input_manager_list::list() const
{
    return static_cast<Stat_list&>(*stat);
}

void Input_manager_list::take_backup()
{
    backup = list().get_item();
}

void Input_manager_list::restore_backup()
{
    list().set_item(backup);
}

void Input_manager_list::step(bool up, unsigned)
{
    if (up)
        list().increment(1);
    else
        list().decrement(1);
}

void Input_manager_list::report()
{
    screen->handle_stat_list_update(&list());
}

// bool

Stat_bool& Input_manager_bool::boolean() const
{
    return static_cast<Stat_bool&>(*stat);
}

void Input_manager_bool::take_backup()
{
    backup = boolean().get();
}

void Input_manager_bool::restore_backup()
{
    boolean().set(backup);
}

void Input_manager_bool::step(bool up, unsigned)
{
    boolean().set(up);
}

void Input_manager_bool::report()
{
    screen->handle_stat_bool_update(&boolean());
}

// cycle box

Stat_cycle_box& Input_manager_cycle_box::box() const
{
    return static_cast<Stat_cycle_box&>(*stat);
}

void Input_manager_cycle_box::take_backup()
{
    box().backup();
}

void Input_manager_cycle_box::restore_backup()
{
    box().restore();
}

void Input_manager_cycle_box::step(bool up, unsigned)
{
    if (up)
        box().increment();
    else
        box().decrement();
}

void Input_manager_cycle_box::report()
{
    screen->handle_stat_update(stat);
}

// ---- string editor ----

namespace {
struct Set_spec {
    const char* chars;
    const char* key_prefix;
};
const Set_spec set_specs[Input_manager_string::NUM_SETS] = {
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "key_edit_letter"},
    {"0123456789", "key_edit_number"},
    {"&$%@/.,_-+*", "key_edit_symbol"},
};
const char* const page_mask_names[Input_manager_string::NUM_PAGES] = {
    "key_mask_edit_string_control", "key_mask_edit_string_letter", "key_mask_edit_string_number",
    "key_mask_edit_string_symbol"};
// The containers are ordered control, letter, symbol, number; the masks
// control, letter, number, symbol.
const char* const page_container_names[Input_manager_string::NUM_PAGES] = {
    "skcontainer_controlcycle", "skcontainer_lettercycle", "skcontainer_symbolcycle", "skcontainer_numbercycle"};
constexpr int KEYS_PER_SET = 7;
} // namespace

Input_manager_string::Input_manager_string()
{
    for (int s = 0; s < NUM_SETS; ++s)
        sets[s].chars = set_specs[s].chars;
}

void Input_manager_string::further_init(VT::Object_pool* pool)
{
    for (int s = 0; s < NUM_SETS; ++s) {
        Char_set& set = sets[s];
        set.num_keys = 0;
        for (int k = 1; k <= KEYS_PER_SET; ++k) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%d", set_specs[s].key_prefix, k);
            unsigned short id = id_of(pool, name);
            if (id != NULL_ID && set.num_keys < MAX_KEYS)
                set.keys[set.num_keys++] = id;
        }
    }
    for (int p = 0; p < NUM_PAGES; ++p) {
        page_masks[p] = id_of(pool, page_mask_names[p]);
        page_containers[p] = pool ? pool->find<VT::Container_obj>(page_container_names[p]) : nullptr;
    }
    space_id = id_of(pool, "key_edit_space");
    backspace_id = id_of(pool, "key_edit_backspace");
    cycle_id = id_of(pool, "key_stringcycle");
    spread_sets();
}

void Input_manager_string::spread_sets()
{
    for (Char_set& set : sets) {
        int n = int(std::strlen(set.chars));
        int k = set.num_keys;
        if (k == 0)
            continue;
        int at = 0;
        for (int key = 0; key < k; ++key) {
            int count = n / k + (key >= k - n % k ? 1 : 0);
            count = std::min(count, MAX_KEY_CHARS);
            std::memcpy(set.key_chars[key], set.chars + at, size_t(count));
            set.key_chars[key][count] = 0;
            at += count;
        }
    }
}

void Input_manager_string::invoke(Data_screen* s, VT::Data_mask_obj* m, VT::Container_obj* cont, Stat* st, int x,
                                  int y, Stat_decorations* decorations, int pencil_idx)
{
    if (!st || st->get_type() != Stat::TYPE_STRING)
        return;
    container = cont;
    mask = m;
    begin_edit(s);
    page = 0;
    if (mask)
        mask->set_soft_key_mask(page_masks[0]);
    cancel_timer();
    stat = static_cast<Stat_string*>(st);
    std::snprintf(backup, sizeof backup, "%s", stat->c_str());
    spread_sets();
    for (Char_set& set : sets)
        set.tap_index = -1;
    cursor = stat->get_text().length();
    // The last position the stat and its objects can hold.
    max_index = std::min(stat->get_len(), int(Stat_string::MAX_CHARS)) - 1;
    if (max_index < 0)
        max_index = 0;
    cursor = std::min(cursor, max_index);
    x0 = x;
    char_width = stat->get_character_width();
    pencil_index = pencil_idx;
    int w, h;
    get_pencil_size(w, h);
    place(container, pencil_index, x0 + 2 + char_width * (cursor + 1), y + stat->get_character_height() - h - 2);
    if (decorations)
        decorations->edit(st);
    update_at_current_index();
}

void Input_manager_string::update_at_current_index()
{
    if (!stat)
        return;
    (*stat)[cursor] = 0;
    (*stat)[cursor + 1] = 0;
    if (container && pencil_index >= 0 && pencil_index < container->num_children())
        container->set_child_position(container->get_child_id(pencil_index),
                                      short(x0 + 2 + char_width * (cursor + 1)),
                                      container->get_child_y(pencil_index));
}

void Input_manager_string::advance()
{
    if (cursor < max_index)
        ++cursor;
    update_at_current_index();
}

void Input_manager_string::submit_timeout(Timeout& t, int ms)
{
    if (screen)
        screen->submit_timeout(t, ms);
    timer_pending = true;
}

void Input_manager_string::remove_timeout(Timeout& t)
{
    if (screen && timer_pending)
        screen->remove_timeout(t);
    timer_pending = false;
}

void Input_manager_string::cancel_timer()
{
    remove_timeout(timer);
}

int Input_manager_string::tap(unsigned short key, char& c)
{
    for (Char_set& set : sets) {
        for (int k = 0; k < set.num_keys; ++k) {
            if (set.keys[k] != key)
                continue;
            bool new_position = false;
            if (set.tap_index != -1 && key != set.last_key) {
                set.tap_index = -1;
                new_position = true;
            }
            set.last_key = key;
            int count = int(std::strlen(set.key_chars[k]));
            if (count == 0)
                return 0;
            set.tap_index = (set.tap_index + 1) % count;
            c = set.key_chars[k][set.tap_index];
            if (count > 1)
                return new_position ? 2 : 1;
            return new_position ? 4 : 3;
        }
    }
    return 0;
}

void Input_manager_string::further_handle_soft_key_event(Soft_key_activation_event& ev, unsigned)
{
    if (!stat || ev.activation_code() != PRESSED) {
        if (screen)
            screen->send_val_updates(false);
        return;
    }
    unsigned short key = ev.object_id();
    if (key == space_id) {
        (*stat)[cursor] = ' ';
        if (cursor < max_index)
            ++cursor;
        update_at_current_index();
        screen->input_unclean();
        cancel_timer();
    } else if (key == backspace_id) {
        if (cursor > 0)
            --cursor;
        update_at_current_index();
        screen->input_unclean();
        cancel_timer();
    } else if (key == cycle_id) {
        if (timer_pending) {
            cancel_timer();
            advance();
        }
        page = (page + 1) % NUM_PAGES;
        for (int p = 0; p < NUM_PAGES; ++p)
            if (page_containers[p])
                page_containers[p]->set_hidden(p == page ? 0 : 1);
        if (mask)
            mask->set_soft_key_mask(page_masks[page]);
        cancel_timer();
    } else {
        char c = 0;
        int answer = tap(key, c);
        if (answer != 0) {
            if (answer == 2 || answer == 4)
                advance();
            (*stat)[cursor] = c;
            cancel_timer();
            submit_timeout(timer, answer <= 2 ? TAP_MS : 0);
            screen->input_unclean();
        }
    }
    screen->send_val_updates(false);
}

bool Input_manager_string::handle_timeout(Timeout& t)
{
    if (&t != &timer)
        return false;
    for (Char_set& set : sets)
        set.tap_index = -1;
    timer_pending = false;
    advance();
    return true;
}

void Input_manager_string::commit()
{
    if (screen && stat)
        screen->handle_stat_string_update(stat);
}

void Input_manager_string::cancel()
{
    if (!stat)
        return;
    cancel_timer();
    *stat = backup;
    if (screen)
        screen->send_val_updates(false);
}

// ---- broker ----

bool Input_manager_broker::init(VT::Object_pool* pool)
{
    number.init(pool);
    cycle_box.init(pool);
    string.init(pool);
    list.init(pool);
    boolean.init(pool);
    return true;
}

Input_manager* Input_manager_broker::get_input_manager(Data_screen* screen, VT::Data_mask_obj* mask,
                                                       VT::Container_obj* container, Stat* stat, int x, int y,
                                                       Stat_decorations* decorations, int pencil_index)
{
    if (!stat)
        return nullptr;
    Input_manager* m = nullptr;
    switch (stat->get_type()) {
    case Stat::TYPE_NUM: m = &number; break;
    case Stat::TYPE_STRING: m = &string; break;
    case Stat::TYPE_LIST: m = &list; break;
    case Stat::TYPE_BOOL: m = &boolean; break;
    case Stat::TYPE_CYCLE_BOX: m = &cycle_box; break;
    default: return nullptr;
    }
    m->invoke(screen, mask, container, stat, x, y, decorations, pencil_index);
    return m;
}

Input_manager_broker& Input_manager_broker::instance()
{
    static Input_manager_broker broker;
    return broker;
}
