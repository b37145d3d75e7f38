#include "vtui/screen/Global_stat_manager.h"

#include "util/Debug_base.h"

#include <cstdlib>

using JDB = Debug_base<_JDB, _JDB::jdb_enum>;

Global_stat_manager::Global_stat_manager(const char* name, Screen_man* m) : Data_screen(name, m)
{
    enabled = true;
}

Global_stat_manager::~Global_stat_manager() = default;

bool Global_stat_manager::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    VT::Data_mask_obj* first = nullptr;
    if (p) {
        p->lock(-1);
        for (const auto& entry : p->objects()) {
            if ((first = VT::obj_cast<VT::Data_mask_obj>(entry.second)))
                break;
        }
        p->unlock();
    }
    if (!first)
        return false;
    return Data_screen::init(p, first, params, nullptr, 0);
}

Stat_num* Global_stat_manager::get_num(Stat_ids::num_ids id)
{
    if (int(id) < 0 || int(id) >= Stat_ids::NUM_COUNT)
        get_other("num", int(id));
    return &nums[id];
}

void Global_stat_manager::get_other(const char* kind, int id)
{
    Debug_print::bprint("No global %s stat %d\n", kind, id);
    std::exit(EXIT_NO_SUCH_STAT);
}

bool Global_stat_manager::is_available(Stat* s) const
{
    for (Stat* a = available.first(); a; a = available.next(a))
        if (a == s)
            return true;
    return false;
}

void Global_stat_manager::add_stats(Window* w)
{
    int added = 0;
    for (unsigned i = 0; i < w->get_num_count(); ++i) {
        Stat_num* s = get_num(w->get_num_ids()[i]);
        // One already active (listed twice, or by a screen not yet cleared)
        // stays where it is.
        if (available.remove(s)) {
            stats.push(s);
            ++added;
        }
    }
    if (w->uses_other_global_kinds())
        get_other("bool/string/list/indicator/pointer", 0);
    JDB::print(_JDB::VTUI_37, "Added %d/%d stats avail=%d \n", added, int(w->get_num_count() + w->get_bool_count()),
               available.count());
}

void Global_stat_manager::clear_active_stats()
{
    int moved = 0;
    while (Stat* s = stats.pop()) {
        available.push(s);
        ++moved;
    }
    JDB::print(_JDB::VTUI_37, "Removed %d stats\n", moved);
}

bool Global_stat_manager::set_units(Units_man& u)
{
    adopt_units(available, u);
    return Screen::set_units(u);
}
