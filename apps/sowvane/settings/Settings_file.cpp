#include "apps/sowvane/settings/Settings_file.h"

#include "apps/sowvane/params/parameters.h"
#include "apps/sowvane/settings/Held_setting.h"

#include <cstdio>

namespace {

using NV_kelsu::alarm_t;
using NV_store::NOTIFY_ALL;

// The writes below are made with the tree's lock held by the caller.
void set_alarm_default(alarm_t& alarm, float threshold, unsigned char delay, unsigned char limit)
{
    alarm.enabled._set(true, NOTIFY_ALL);
    alarm.threshold._set(threshold, NOTIFY_ALL);
    alarm.delay_count._set(delay, NOTIFY_ALL);
    alarm.limit_count._set(limit, NOTIFY_ALL);
}

template <int N>
void set_alarm_default(NV_store::NV_item_array<N, alarm_t>& group, float threshold,
                       unsigned char delay, unsigned char limit)
{
    for (int i = 0; i < N; i++)
        set_alarm_default(group[i], threshold, delay, limit);
}

void write_startup_defaults(NV_kelsu::parameters_t& ps)
{
    NV_kelsu::application_t& app = ps.app;
    for (int i = 0; i < 8; i++) {
        char name[6];
        std::snprintf(name, sizeof name, "Tank%d", i + 1);
        app.channels[i].name._set(name, int(sizeof name), NOTIFY_ALL);
    }
    // The first fan runs with its speed and pressure sensed, as the fan
    // settings page sets up an enabled fan.
    app.fans[0].enabled._set(true, NOTIFY_ALL);
    app.fans[0].sense_rpm._set(true, NOTIFY_ALL);
    app.fans[0].sense_pressure._set(true, NOTIFY_ALL);
    app.products[0].tank._set(0, NOTIFY_ALL);
    ps.temporary.num_downforces._set(0, NOTIFY_ALL);

#define ALARM_DEFAULT(member, threshold, delay, limit) \
    set_alarm_default(app.alarms.member, threshold, delay, limit);
#include "apps/sowvane/settings/alarm_defaults.def"
#undef ALARM_DEFAULT
}

}  // namespace

void apply_startup_defaults(NV_kelsu::parameters_t& ps)
{
    Mutex::Protection whole(&ps.get_mutex());
    write_startup_defaults(ps);
}

bool write_settings(NV_kelsu::parameters_t& ps, NV_store::NV_iterator* it)
{
    Held_setting::Saving one_state(ps);
    return ps.serialise(it);
}

Settings_file::Settings_file(const char* path, NV_kelsu::parameters_t& ps) : file_(path), ps_(ps)
{
}

bool Settings_file::load()
{
    bool whole = false;
    if (file_.set_mode(NV_store::NV_iterator::MODE_READ) < 0) {
        std::printf("Settings file %s not readable, starting from defaults\n", path());
    } else {
        whole = ps_.deserialise(&file_);
        if (!whole)
            std::printf("Settings file %s not read whole, the rest starts from defaults\n", path());
    }
    if (ps_.system.non_vtt_connected.get())
        ps_.system.tc_enabled.set(false);
    return whole;
}

bool Settings_file::save()
{
    bool ok = file_.set_mode(NV_store::NV_iterator::MODE_WRITE) >= 0;
    if (ok)
        ok = write_settings(ps_, &file_);
    // Closing the written file puts it in place of the settings file.
    if (file_.set_mode(NV_store::NV_iterator::MODE_READ) < 0)
        ok = false;
    if (!ok)
        std::printf("Settings could not be saved to %s\n", path());
    return ok;
}

void Settings_file::restore_defaults()
{
    NV_kelsu::application_t& app = ps_.app;
    // The totals kept, in records outside the tree.
    NV_kelsu::history_t history;
    NV_kelsu::areas_t areas;
    NV_kelsu::volumes_t volumes;
    {
        // Under the tree's lock, as a save: whoever reads the settings
        // meanwhile (the screens, the console, a remote peer) sees each of
        // them before the reset or after it, never a write half made.
        Mutex::Protection whole(&ps_.get_mutex());
        history._set(app.history, NV_store::NOTIFY_NONE);
        areas._set(app.areas, NV_store::NOTIFY_NONE);
        volumes._set(app.volumes, NV_store::NOTIFY_NONE);
        const float job_time = app.job_operating_time._get();

        ps_.set_default(true);
        write_startup_defaults(ps_);

        app.history._set(history, NOTIFY_ALL);
        app.areas._set(areas, NOTIFY_ALL);
        app.volumes._set(volumes, NOTIFY_ALL);
        app.job_operating_time._set(job_time, NOTIFY_ALL);
    }
    std::printf("Settings reset to their defaults, operating totals kept\n");
}
