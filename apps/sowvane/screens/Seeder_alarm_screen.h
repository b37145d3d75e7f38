// The pop-up of one implement alarm: an alarm screen that also knows the
// alarm's record in the live data store, which any soft key acknowledges,
// and how many times in a row the alarm cycle may pick it. It shows the
// alarm's trouble code (SPN, FMI and occurrence count) as DM1 and DM2
// report it.
#pragma once

#include "apps/sowvane/data_store/data_store_records.h"
#include "apps/sowvane/diagnostics/Alarm_trouble_codes.h"
#include "vtui/screen/Alarm_screen.h"

class Trouble_code_counts;

class Seeder_alarm_screen : public Alarm_screen {
public:
    // Registers under the mask's own name with the mask's priority. record
    // may be null (nothing is acknowledged then, and no trouble code is
    // shown); repeat_limit 0 is without limit. counts, when given, tell the
    // occurrences of the record's trouble code and must outlive the screen.
    Seeder_alarm_screen(VT::Alarm_mask_obj* mask, Screen_man* man, unsigned short repeat_limit, ds_alarm* record,
                        const Trouble_code_counts* counts = nullptr);

    // The mask's priority (0 high, 1 medium, 2 low); anything above 2 is low.
    unsigned get_priority() const;
    unsigned short get_repeat_limit() const { return repeat_limit; }
    unsigned get_shown_count() const { return shown_count; }
    void set_shown_count(unsigned count) { shown_count = count; }
    bool is_queued() const { return queued; }
    void set_queued(bool q) { queued = q; }
    ds_alarm* get_record() const { return ds_alarm_record; }
    // Reads the occurrence count again; shown at once while the pop-up is up.
    void refresh_occurrence_count();

    bool init(VT::Object_pool* pool, NV_kelsu::parameters_t* params) override;
    bool activate() override;
    void send_soft_key_event(Soft_key_activation_event& ev, unsigned hold_ms) override;
    bool deactivate() override { return Screen::deactivate(); }
    bool handle_stat_update(Stat*) override { return false; }

private:
    ds_alarm* ds_alarm_record;
    const Trouble_code_counts* counts;
    Alarm_trouble_code trouble_code;
    unsigned short repeat_limit;
    unsigned shown_count = 0;
    bool queued = false;
};
