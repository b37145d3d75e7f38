// The run screen's alarm cycle: which alarm pop-ups are queued, and which one
// the VT shows next.
#include "apps/sowvane/screens/Alarm_table.h"
#include "apps/sowvane/screens/Main_screen.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/Seeder_alarm_screen.h"
#include "util/Debug_print.h"
#include "vtui/screen/Screen_man.h"

namespace {

Seeder_alarm_screen* as_seeder_alarm(Screen* s)
{
    return s ? dynamic_cast<Seeder_alarm_screen*>(s) : nullptr;
}

} // namespace

void Main_screen::process_alarms(bool active, bool acknowledged, const char* name)
{
    Seeder_alarm_screen* alarm = as_seeder_alarm(get_man()->find_screen(name));
    if (!alarm) {
        // Every name comes from the table the pop-ups were made from.
        Debug_print::dprint("No alarm screen %s\n", name);
        return;
    }
    if (active && !acknowledged) {
        alarm_manager->add(alarm);
        return;
    }
    bool removed = false;
    alarm_manager->remove(alarm, removed);
    if (removed)
        close_alarm_screen(alarm);
}

void Main_screen::scan_alarms()
{
    if (!alarm_manager)
        return;
    for_each_alarm(ps().app.alarms, ds().alarms, [&](const char* name, NV_kelsu::alarm_t&, ds_alarm& record) {
        process_alarms(cds_get_byte(ds_head(), &record.active), cds_get_byte(ds_head(), &record.acknowledged),
                       name);
    });
}

void Main_screen::close_alarm_screen(Seeder_alarm_screen* s)
{
    if (!s)
        return;
    if (get_man()->get_current_screen() == s)
        get_man()->back_screen(1);
    else
        get_man()->remove_screen(s);
}

void Main_screen::cycle_alarms()
{
    if (!alarm_manager || cds_get_byte(ds_head(), &ds().internal.inhibit_vt_alarms))
        return;
    Seeder_alarm_screen* shown = alarm_manager->current();
    scan_alarms();
    Seeder_alarm_screen* next = alarm_manager->next();
    if (next) {
        // Already up (the only alarm): it stays.
        if (next != get_man()->get_current_screen()) {
            get_man()->switch_to_screen(next);
            // The stack puts the more urgent pop-up on top: one that reached
            // its repeat limit would come straight back over the next one.
            // The one picked again after it was closed (gone and back within
            // a cycle) is the pop-up to show, not one to take away.
            if (shown && shown != next && get_man()->get_current_screen() == shown)
                get_man()->back_screen(1);
        }
        // The one shown before leaves the stack (none was shown: nothing).
        if (shown && shown != next)
            get_man()->remove_screen(shown);
    } else {
        close_alarm_screen(shown);
    }
}

void Main_screen::start_alarm_cycle()
{
    if (!alarm_manager || !cds_get_byte(ds_head(), &ds().system.vt_uploaded))
        return;
    Seeder_alarm_screen* shown = alarm_manager->current();
    scan_alarms();
    if (!shown) {
        submit_timeout(alarm_cycle);
        cycle_alarms();
    }
}
