#include "apps/sowvane/screens/ShaftsHistoryMask.h"

ShaftsHistoryMask::ShaftsHistoryMask(const char* name, Screen_man* man)
    : History_page(name, man, &Screen_object_ids::shafts_history_mask)
{
}

bool ShaftsHistoryMask::init(VT::Object_pool* p, NV_kelsu::parameters_t* params)
{
    if (!bind(p, params))
        return false;
    const Stat_num_format tenths(Units_man::UNITS_NONE, 0.1, 1);
    for (unsigned i = 0; i < TANKS; ++i)
        bind_output(shafts[i], &stats, p, ids_of().shaft_max_speed[i], tenths, tenths);
    return true;
}

void ShaftsHistoryMask::refresh()
{
    for (unsigned i = 0; i < TANKS; ++i)
        shafts[i].set_val(history_value(&ds().history.shaft_max_speed[i]));
}

void ShaftsHistoryMask::post_snapshot_init()
{
    listen();
    refresh();
    send_val_updates(false);
}
