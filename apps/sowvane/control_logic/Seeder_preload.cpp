// Tank preload: metering runs for the preload time before the implement
// moves, so that product stands ready at the outlets.
#include "apps/sowvane/control_logic/Seeder_logic.h"

#include "apps/sowvane/data_store/data_store.h"

#include <cmath>
#include <cstdio>

namespace {

void refuse(unsigned tank, const char* reason)
{
    std::printf("Preload not started for tank %d: %s\n", int(tank), reason);
}

} // namespace

// Each refusal prints one line and changes nothing; the checks run in this
// order and the first that fails ends the request.
void Seeder_logic::start_preload(unsigned tank)
{
    if (tank >= TANKS)
        return;
    CDS::Head* head = &store_.head;
    const data_store_body& b = store_.body;
    const ds_channel& live = b.channels.channels[tank];
    const NV_kelsu::channel_t& set = settings_.channels.at(int(tank));

    if (!cds_get_byte(head, &b.operation.master_switch_active))
        return refuse(tank, "Master switch not active");
    if (cds_get_byte(head, &live.remote_preload))
        return; // preloading already
    if (!cds_get_byte(head, &live.sequence_time_expired))
        return; // its on-sequence still runs
    if (set.mode._get() != 0)
        return; // only granular tanks preload
    if (ground_speed_kmh_ >= PRELOAD_MAX_SPEED_KMH)
        return refuse(tank, "Actual speed too high");
    if (!(width_factor(tank) > 0))
        return refuse(tank, "Invalid working width");
    if (!set.enabled._get())
        return refuse(tank, "Channel Disabled");
    if (!(settings_.manual_speed._get() > 0))
        return refuse(tank, "Manual speed not set");
    if (!cds_get_byte(head, &live.product_assigned))
        return refuse(tank, "No product assigned");
    if (!fans_ready_for_preload())
        return refuse(tank, "No fan speed");
    if (!(settings_.preload_time._get() > 0))
        return refuse(tank, "Invalid Preload Time");
    if (!(cds_get_double(head, &live.requested_rate) > 0))
        return refuse(tank, "Invalid Set Rate");
    if (cds_get(head, &b.operation.calibration_state) == 1)
        return refuse(tank, "Calibraiton is in progress"); // the text peers match on
    preload_state_[tank] = false;
    set_preload_timer(tank, true, false);
}

void Seeder_logic::set_preload_timer(unsigned tank, bool start, bool forced)
{
    if (tank >= TANKS)
        return;
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    bool any_before = false;
    for (unsigned t = 0; t < TANKS; ++t)
        any_before = any_before || cds_get_byte(head, &b.channels.channels[t].remote_preload);

    float seconds = settings_.preload_time._get();
    bool set = false;
    if (start && (seconds > 0 || forced)) {
        // 500 ms steps in the preload time, taken upwards.
        double steps = std::ceil(2.0 * std::max(0.0f, seconds));
        preload_countdown_[tank] = std::isfinite(steps) && steps < 1e9 ? uint32_t(steps) : 0;
        std::printf("Tank Index=%i: SetPreloadTimer = %i\n", int(tank), int(preload_countdown_[tank]));
        set = true;
    }
    preload_state_[tank] = set;
    cds_set(head, &b.channels.channels[tank].remote_preload, set);
    if (!any_before && set)
        start_booms();
}

// Sections start from their on delays when a preload begins.
void Seeder_logic::start_booms()
{
    for (unsigned boom = 0; boom < BOOMS; ++boom)
        boom_state_changed(boom);
}

// Both fans' enables; the preload form takes the first fan's low-speed
// threshold as the minimum of both.
bool Seeder_logic::fans_ready_for_preload() const
{
    CDS::Head* head = &store_.head;
    float minimum = settings_.alarms.fan_speed_low.at(0).threshold._get();
    bool fan1 = settings_.fans.at(0).enabled._get();
    bool fan2 = settings_.fans.at(1).enabled._get();
    bool fan1_ok = cds_get(head, &store_.body.fans[0].rpm) >= minimum;
    bool fan2_ok = cds_get(head, &store_.body.fans[1].rpm) >= minimum;
    if (!fan1)
        return !fan2 || fan2_ok;
    return fan1_ok && (!fan2 || fan2_ok);
}

// Counts the preloads down; a finished preload stops its tank.
void Seeder_logic::step_preload()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    bool any = false;
    uint32_t longest = 0;
    for (unsigned t = 0; t < TANKS; ++t) {
        if (!preload_state_[t])
            continue;
        if (preload_countdown_[t] > 0)
            --preload_countdown_[t];
        if (preload_countdown_[t] == 0) {
            preload_state_[t] = false;
            cds_set(head, &b.channels.channels[t].remote_preload, false);
            continue;
        }
        any = true;
        longest = std::max(longest, preload_countdown_[t]);
    }
    int remaining = int((longest + 1) / 2);
    cds_set(head, &b.operation.preload_active, any);
    cds_set(head, &b.operation.priming, any);
    cds_set(head, &b.operation.preload_time_remaining, remaining);
}
