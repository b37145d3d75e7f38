// The rows the settings masks are made of. A mask names its soft keys and
// buttons once, as rows of (object-ID field, screen to switch to), and its
// numeric settings once, as rows of (input field, setting, formats, range);
// binding, loading, storing and key handling are expanded from the rows.
#pragma once

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "vtui/screen/Data_screen.h"
#include "vtui/screen/Screen_man.h"
#include "vtui/stat/Stat_list.h"
#include "vtui/stat/Stat_num.h"

#include <limits>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <type_traits>

// The object-ID table the pool generator filled; the masks find every object
// through it.
const Screen_object_ids& mask_ids();

// The data store the masks read and write.
CDS::Head* ds_head();
data_store_body& ds();

// A pool object by id, narrowed to the class the caller expects; null when
// the id is the null id, unknown, or names an object of another class.
template <class T>
T* mask_object(VT::Object_pool* pool, uint32_t id)
{
    if (pool == nullptr || id >= VT::Object_pool::NULL_ID)
        return nullptr;
    return pool->find<T>((unsigned short)id);
}

// The mask's own data mask bound through Data_screen::init; false when the
// pool does not hold it.
bool bind_data_mask(Data_screen& screen, VT::Object_pool* pool, NV_kelsu::parameters_t* params, uint32_t id);

// Writes a text into an output string of the pool (and to the VT when the
// pool runs).
void show_text(VT::Object_pool* pool, VT::Output_string_obj* out, const char* text);

// Shows or hides a container (Hide/Show Object only when it changes);
// nothing for a null container.
void show_container(VT::Container_obj* c, bool shown);

// Unregisters and deletes the settings listeners a mask made, and clears
// their slots.
template <class Listener, size_t N>
void drop_listeners(Listener* (&listeners)[N], waiter_descriptor* waiter)
{
    for (Listener*& l : listeners) {
        if (l != nullptr && waiter != nullptr)
            l->autounreg(waiter);
        delete l;
        l = nullptr;
    }
}

// Whether an activator event is the release that masks act on.
inline bool is_release(const Window::Activator_event& ev)
{
    return ev.event == List_interface::Event::RELEASED;
}

// --- Keys and buttons --------------------------------------------------------

template <class Group>
struct Key_row {
    enum kind_t { KEY, BUTTON };
    uint32_t Group::*id;
    kind_t kind;
    // Registered screen shown on release; null when the mask acts itself.
    const char* screen;
};

// One activator per row, bound to the row's soft key or button.
template <class Group, size_t N>
class Key_rows {
public:
    using Row = Key_row<Group>;
    explicit Key_rows(const Row (&rows)[N]) : rows_(rows) {}

    void bind(Window* window, const Group& ids)
    {
        for (size_t i = 0; i < N; ++i) {
            const unsigned short id = (unsigned short)(ids.*rows_[i].id);
            if (rows_[i].kind == Row::KEY)
                activators_[i].init(window, id, VT::Object_pool::NULL_ID);
            else
                activators_[i].init(window, VT::Object_pool::NULL_ID, id);
        }
    }

    // The row of the activator, -1 when it is none of these.
    int find(const Window::Activator& a) const
    {
        for (size_t i = 0; i < N; ++i)
            if (&a == &activators_[i])
                return int(i);
        return -1;
    }

    // Switches to the screen of the activator's row; false when the
    // activator is not one of these or its row names no screen.
    bool switch_for(Screen_man* man, const Window::Activator& a) const
    {
        const int i = find(a);
        if (i < 0 || rows_[i].screen == nullptr || man == nullptr)
            return false;
        man->switch_to_screen(rows_[i].screen);
        return true;
    }

    Window::Activator& operator[](size_t i) { return activators_[i]; }

private:
    const Row (&rows_)[N];
    Window::Activator activators_[N];
};

// The three keys of the seeder settings pages: to the run screen, the
// settings menu and the seeder settings menu.
#define SEEDER_SETTINGS_KEYS(Ids)                                                                                \
    {&Ids::key_main, Key_row<Ids>::KEY, "main"}, {&Ids::key_settings_menu, Key_row<Ids>::KEY, "settings_menu"},  \
    {                                                                                                            \
        &Ids::key_seeder_settings_menu, Key_row<Ids>::KEY, "seeder_settings_menu"                                \
    }

// --- Numeric settings --------------------------------------------------------

// Settings values go to the VT at most once a second.
constexpr int SETTING_UPDATE_MS = 1000;

// A stored setting seen as a double. The index selects the record of arrays
// (tank, fan); settings outside arrays ignore it.
struct Setting_ref {
    double (*get)(NV_kelsu::parameters_t& ps, unsigned index);
    bool (*set)(NV_kelsu::parameters_t& ps, unsigned index, double value);
};

// The value a double stands for in a setting of type T: integers are rounded
// and kept inside the type's range, bools are "not zero".
template <class T>
T setting_value(double v)
{
    if constexpr (std::is_same<T, bool>::value) {
        return v != 0.0;
    } else if constexpr (std::is_integral<T>::value) {
        if (!(v == v))
            return T(0);
        const double lo = double(std::numeric_limits<T>::min());
        const double hi = double(std::numeric_limits<T>::max());
        const double r = std::round(v);
        return T(r < lo ? lo : r > hi ? hi : r);
    } else {
        return T(v);
    }
}

// A Setting_ref over a path below the parameter root; the path may use the
// index `i` (for example app.channels[i].motor_gear_ratio).
#define SETTING_REF(path)                                                                                        \
    Setting_ref                                                                                                  \
    {                                                                                                            \
        [](NV_kelsu::parameters_t& ps, unsigned i) -> double {                                                   \
            (void)i;                                                                                             \
            return double(ps.path.get());                                                                        \
        },                                                                                                       \
            [](NV_kelsu::parameters_t& ps, unsigned i, double v) -> bool {                                       \
                (void)i;                                                                                         \
                auto& leaf = ps.path;                                                                            \
                return leaf.set(setting_value<std::decay_t<decltype(leaf.get())>>(v));                           \
            }                                                                                                    \
    }

template <class Group>
struct Number_row {
    uint32_t Group::*input;
    Setting_ref setting;
    Stat_num_format metric;
    Stat_num_format imperial;
    double min, max;
    // Shown value = stored value x factor (1 for most settings).
    double factor;
};

// One input-number stat per row, loaded from and stored to its setting.
template <class Group, size_t N>
class Number_rows {
public:
    using Row = Number_row<Group>;
    // rows: N rows (null when N is 0).
    explicit Number_rows(const Row* rows) : rows_(rows) {}

    // Binds every row's input; a missing input leaves that stat unbound.
    void bind(Screen& screen, VT::Object_pool* pool, const Group& ids)
    {
        for (size_t i = 0; i < N; ++i) {
            auto* in = find_pool_object<VT::Input_number_obj>(pool, ids.*rows_[i].input);
            if (in == nullptr)
                continue;
            stats_[i].init(&screen.get_stats(), in, SETTING_UPDATE_MS, rows_[i].metric, rows_[i].imperial,
                           nullptr, Stat_num::RAW_MAX, 0, pool, nullptr);
            stats_[i].set_range(rows_[i].min, rows_[i].max);
            stats_[i].set_editable(true);
        }
    }

    // Shows the stored settings (of record `index`), kept inside the ranges.
    void load(NV_kelsu::parameters_t& ps, unsigned index)
    {
        for (size_t i = 0; i < N; ++i)
            stats_[i].set_val(clamp(i, rows_[i].setting.get(ps, index) * rows_[i].factor));
    }

    // The row of the stat, -1 when it is none of these.
    int find(const Stat* s) const
    {
        for (size_t i = 0; i < N; ++i)
            if (s == &stats_[i])
                return int(i);
        return -1;
    }

    // Stores the operator's value of the stat's row (kept inside the row's
    // range); false when the stat is none of these.
    bool store(const Stat* s, NV_kelsu::parameters_t& ps, unsigned index)
    {
        const int i = find(s);
        if (i < 0)
            return false;
        const double shown = clamp(size_t(i), stats_[i].get_stat_val());
        rows_[i].setting.set(ps, index, shown / rows_[i].factor);
        return true;
    }

    Stat_num& operator[](size_t i) { return stats_[i]; }

private:
    double clamp(size_t i, double v) const
    {
        if (!(v == v))
            return rows_[i].min;
        return v < rows_[i].min ? rows_[i].min : v > rows_[i].max ? rows_[i].max : v;
    }

    const Row* rows_;
    Stat_num stats_[N > 0 ? N : 1];
};

// --- List settings -----------------------------------------------------------

// A setting stored as the index of the chosen list item.
template <class Group>
struct List_row {
    uint32_t Group::*list;
    Setting_ref setting;
};

// One list stat per row, loaded from and stored to its setting.
template <class Group, size_t N>
class List_rows {
public:
    using Row = List_row<Group>;
    // rows: N rows (null when N is 0).
    explicit List_rows(const Row* rows) : rows_(rows) {}

    void bind(Screen& screen, VT::Object_pool* pool, const Group& ids)
    {
        for (size_t i = 0; i < N; ++i) {
            auto* list = find_pool_object<VT::Input_list_obj>(pool, ids.*rows_[i].list);
            if (list != nullptr)
                stats_[i].init(&screen.get_stats(), list, nullptr, pool, false);
        }
    }

    // Selects the stored item of every list; a stored index beyond the
    // list's items leaves the list as it is.
    void load(NV_kelsu::parameters_t& ps, unsigned index)
    {
        for (size_t i = 0; i < N; ++i) {
            const double item = rows_[i].setting.get(ps, index);
            if (item >= 0 && item < stats_[i].get_item_count())
                stats_[i].set_item((unsigned short)item);
        }
    }

    int find(const Stat* s) const
    {
        for (size_t i = 0; i < N; ++i)
            if (s == &stats_[i])
                return int(i);
        return -1;
    }

    // Stores the chosen item of the stat's row; false when the stat is none
    // of these.
    bool store(const Stat* s, NV_kelsu::parameters_t& ps, unsigned index)
    {
        const int i = find(s);
        if (i < 0)
            return false;
        rows_[i].setting.set(ps, index, double(stats_[i].get_item()));
        return true;
    }

    Stat_list& operator[](size_t i) { return stats_[i]; }

private:
    const Row* rows_;
    Stat_list stats_[N > 0 ? N : 1];
};

// --- Menus -------------------------------------------------------------------

// A mask whose whole work is to switch to another screen when one of its
// keys or buttons is released.
template <class Group, size_t N>
class Menu_mask : public Data_screen {
public:
    Menu_mask(const char* name, Screen_man* man, Group Screen_object_ids::*group, const Key_row<Group> (&rows)[N])
        : Data_screen(name, man), group_(group), keys_(rows)
    {
    }

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override
    {
        const Group& ids = mask_ids().*group_;
        if (!bind_data_mask(*this, pool, params, ids.data_mask))
            return false;
        keys_.bind(this, ids);
        return true;
    }
    bool handle_stat_update(Stat*) override { return false; }
    bool handle_activator_event(Activator& a, Activator_event& ev) override
    {
        if (is_release(ev))
            keys_.switch_for(get_man(), a);
        return true;
    }
    void send_soft_key_event(Soft_key_activation_event&, unsigned) override {}

private:
    Group Screen_object_ids::*group_;
    Key_rows<Group, N> keys_;
};
