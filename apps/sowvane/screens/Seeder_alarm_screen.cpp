#include "apps/sowvane/screens/Seeder_alarm_screen.h"

#include "apps/sowvane/diagnostics/Trouble_code_counts.h"
#include "apps/sowvane/screens/Mask_helpers.h"
#include "vtui/screen/Screen_man.h"

Seeder_alarm_screen::Seeder_alarm_screen(VT::Alarm_mask_obj* mask, Screen_man* man, unsigned short repeat_limit,
                                         ds_alarm* record, const Trouble_code_counts* counts)
    : Alarm_screen(mask, man, nullptr), ds_alarm_record(record), counts(counts), repeat_limit(repeat_limit)
{
    // The record is one of the live store's alarms: its place there names
    // its trouble code.
    if (record && find_alarm_trouble_code(ds().alarms, record, trouble_code))
        set_values(0, trouble_code.spn, trouble_code.fmi, text_id);
}

void Seeder_alarm_screen::refresh_occurrence_count()
{
    if (counts && trouble_code.err_code)
        set_occurrence_count(counts->count(trouble_code.err_code));
}

bool Seeder_alarm_screen::activate()
{
    refresh_occurrence_count();
    return Alarm_screen::activate();
}

unsigned Seeder_alarm_screen::get_priority() const
{
    unsigned p = alarm_mask ? alarm_mask->get_priority() : 2;
    return p > 2 ? 2 : p;
}

bool Seeder_alarm_screen::init(VT::Object_pool* pool, NV_kelsu::parameters_t* params)
{
    return Alarm_screen::init(pool, params);
}

void Seeder_alarm_screen::send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms)
{
    // Any soft key of the pop-up acknowledges the alarm.
    if (ds_alarm_record) {
        bool yes = true;
        cds_set_bool(ds_head(), &ds_alarm_record->acknowledged, &yes);
    }
    if (ev.activation_code() == Activation_event::RELEASED)
        get_man()->back_screen(1);
    else
        Alarm_screen::send_soft_key_event(ev, hold_ms);
}
