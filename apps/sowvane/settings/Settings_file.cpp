#include "apps/sowvane/settings/Settings_file.h"

#include "apps/sowvane/params/parameters.h"
#include "apps/sowvane/settings/Held_setting.h"

#include <cstdio>

namespace {

using NV_kelsu::alarm_t;

void set_alarm_default(alarm_t& alarm, float threshold, unsigned char delay, unsigned char limit)
{
    alarm.enabled.set(true);
    alarm.threshold.set(threshold);
    alarm.delay_count.set(delay);
    alarm.limit_count.set(limit);
}

template <int N>
void set_alarm_default(NV_store::NV_item_array<N, alarm_t>& group, float threshold,
                       unsigned char delay, unsigned char limit)
{
    for (int i = 0; i < N; i++)
        set_alarm_default(group[i], threshold, delay, limit);
}

}  // namespace

void apply_startup_defaults(NV_kelsu::parameters_t& ps)
{
    NV_kelsu::application_t& app = ps.app;
    for (int i = 0; i < 8; i++) {
        char name[6];
        std::snprintf(name, sizeof name, "Tank%d", i + 1);
        app.channels[i].name.set(name, int(sizeof name));
    }
    // The first fan runs with its speed and pressure sensed, as the fan
    // settings page sets up an enabled fan.
    app.fans[0].enabled.set(true);
    app.fans[0].sense_rpm.set(true);
    app.fans[0].sense_pressure.set(true);
    app.products[0].tank.set(0);
    ps.temporary.num_downforces.set(0);

#define ALARM_DEFAULT(member, threshold, delay, limit) \
    set_alarm_default(app.alarms.member, threshold, delay, limit);
#include "apps/sowvane/settings/alarm_defaults.def"
#undef ALARM_DEFAULT
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
    const NV_kelsu::history_t history(app.history);
    const NV_kelsu::areas_t areas(app.areas);
    const NV_kelsu::volumes_t volumes(app.volumes);
    const float job_time = app.job_operating_time.get();

    ps_.set_default(true);
    apply_startup_defaults(ps_);

    app.history.set(history);
    app.areas.set(areas);
    app.volumes.set(volumes);
    app.job_operating_time.set(job_time);
    std::printf("Settings reset to their defaults, operating totals kept\n");
}
