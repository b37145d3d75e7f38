#include "apps/sowvane/control_logic/Seeder_logic.h"

#include "apps/sowvane/control_logic/Metering.h"
#include "apps/sowvane/control_logic/Speed_messages.h"
#include "apps/sowvane/data_store/data_store.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float STEP_S = Seeder_logic::STEP_MS / 1000.0f;
constexpr unsigned RATE_CHANGED_STEPS = 4;

enum Speed_source : unsigned {
    SPEED_SENSOR = 2,  // the I/O processor's ground-speed sensor
    SPEED_MANUAL = 3,
    SPEED_WHEEL = 4,   // speed messages: written into the store as they come
    SPEED_GROUND = 5,
    SPEED_NMEA = 6,
};

// A rate, flow or period that is not a finite positive number is none.
double finite_or_zero(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

} // namespace

bool Seeder_logic::Delay_timer::step(bool requested, float dt)
{
    if (requested == state) {
        elapsed = 0;
        return state;
    }
    elapsed += dt;
    if (elapsed + 1e-6f >= (requested ? on_delay : off_delay)) {
        state = requested;
        elapsed = 0;
    }
    return state;
}

Seeder_logic::Seeder_logic(NV_kelsu::parameters_t* root, Data_store& store)
    : root_(root), store_(store)
{
    initialise();
}

void Seeder_logic::initialise()
{
    refresh_settings();
    gains_ = Gains{};
    for (Tank_tuning& t : tuning_)
        t = Tank_tuning{{5, 160, 80, 20, 10}, {127.0f, 63.0f, 15.0f, 7.0f, 0.01f, 0.02f, 0.05f, 0.1f}};
    std::fill(std::begin(boom_enabled_), std::end(boom_enabled_), true);
    std::fill(std::begin(table_), std::end(table_), 0u);
    seconds_ = 60;
    minute_flag_ = false;

    // The configured totals and tank contents go to the store once.
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    for (unsigned t = 0; t < TANKS; ++t) {
        for (unsigned s = 0; s < 10; ++s) {
            float area = settings_.areas.channel.at(int(t)).sub_area.at(int(s)).total._get();
            float volume = settings_.volumes.channel.at(int(t)).sub_area.at(int(s)).total._get();
            cds_set(head, &b.areas.sub_areas[t][s], area);
            cds_set(head, &b.volumes.sub_volumes[t][s], volume);
        }
        const NV_kelsu::channel_t& channel = settings_.channels.at(int(t));
        double capacity = channel.capacity._get();
        double remaining = channel.remaining._get();
        if (capacity > 0)
            cds_set(head, &b.channels.channels[t].bin_capacity, capacity);
        cds_set(head, &b.channels.channels[t].remaining_volume, remaining);
        float output = settings_.history.output.at(int(t)).total._get();
        float shaft_max = settings_.history.shaft_max_speed.at(int(t)).value._get();
        cds_set(head, &b.history.output[t], output);
        cds_set(head, &b.history.shaft_max_speed[t], shaft_max);
    }
    unsigned sub_area = settings_.areas.sub_area_number._get();
    cds_set(head, &b.areas.sub_area_number, sub_area);
    float v;
    v = settings_.job_operating_time._get();
    cds_set(head, &b.history.job_operating_time, v);
    v = settings_.history.machine_operating_time._get();
    cds_set(head, &b.history.machine_operating_time, v);
    v = settings_.history.machine_operating_area._get();
    cds_set(head, &b.history.machine_operating_area, v);
    v = settings_.history.machine_operating_distance._get();
    cds_set(head, &b.history.machine_operating_distance, v);
    v = settings_.history.max_speed._get();
    cds_set(head, &b.history.max_speed, v);
    v = settings_.areas.area.at(0).total._get();
    cds_set(head, &b.areas.area.total, v);
    v = settings_.volumes.volume.at(0).total._get();
    cds_set(head, &b.volumes.volume.total, v);
}

void Seeder_logic::refresh_settings()
{
    if (root_)
        settings_.set(root_->app); // a snapshot copies under the live tree's lock
    for (unsigned c = 0; c < CHANNELS; ++c) {
        Channel_state& state = channels_[c];
        const float saved = settings_.channels.at(int(c)).rate_filter_factor._get();
        if (!(saved == state.saved_rate_filter)) {
            state.saved_rate_filter = saved;
            state.rate_filter = saved;
        }
    }
    int source = settings_.speed_source._get();
    if (source != previous_speed_source_) {
        previous_speed_source_ = source;
        bool manual = source == SPEED_MANUAL;
        cds_set(&store_.head, &store_.body.operation.use_manual_speed, manual);
        speed_filter_.clear();
        step_speed();
    }
}

void Seeder_logic::control_step()
{
    step_speed();          // 1  ground speed from the selected source
    step_channel_states(); // 2  which channels meter
    step_widths();         // 3  worked width per boom and channel
    step_set_periods();    // 4  requested rate to drive period
    step_measured_rate();  // 5  measured period to applied rate and flow
    step_rate_limits();    // 6  min / max rate and rate variation
    step_areas();          // 7  worked area
    step_volumes();        // 8  product applied and left in the tanks
    step_fans();           // 9  fan speeds
    step_preload();        // 10 preload countdowns
    step_delay_timers();   // 11 section and tank on/off delays from the settings
    step_sections();       // 12 section states through their delays
    step_alarms();         // 13 alarm records
    step_history();        // 14 maxima and distance
    step_runtime();        // 15 operating time
}

unsigned Seeder_logic::one_second_tick()
{
    ++seconds_;
    minute_flag_ = seconds_ % 60 == 0;
    return seconds_ / 60;
}

// --- 1: speed ------------------------------------------------------------------

void Seeder_logic::step_speed()
{
    CDS::Head* head = &store_.head;
    ds_vehicle& vehicle = store_.body.vehicle;
    unsigned source = settings_.speed_source._get();
    float raw;
    if (source == SPEED_SENSOR) {
        // wheel_cal_factor: metres per sensor pulse, as the wheel
        // calibration measures it; the period in µs.
        double period = cds_get(head, &vehicle.ground_speed_sensor.period);
        double m_per_pulse = settings_.wheel_cal_factor._get();
        raw = float(finite_or_zero(m_per_pulse * 1e6 / period));
    } else if (source == SPEED_MANUAL) {
        raw = float(finite_or_zero(Speed_messages::kmh_to_mps(settings_.manual_speed._get())));
    } else {
        // Speed messages (and any other source) write the store themselves.
        ground_speed_kmh_ = cds_get(head, &vehicle.speed) * gains_.kmh_per_mps;
        return;
    }
    Atime now = Atime::now();
    speed_filter_.add(raw, now);
    float speed = settings_.filter_speed._get() ? speed_filter_.average(now) : raw;
    cds_set(head, &vehicle.source_speed, raw);
    cds_set(head, &vehicle.speed, speed);
    ground_speed_kmh_ = speed * gains_.kmh_per_mps;
}

// A preloading tank meters standing still, as if driven at the manual
// speed (the preload refuses to start without one).
float Seeder_logic::speed_for_rate_kmh(unsigned channel) const
{
    bool manual = cds_get_byte(&store_.head, &store_.body.operation.use_manual_speed);
    if (manual || (channel < TANKS && preload_state_[channel]))
        return float(finite_or_zero(settings_.manual_speed._get()));
    return ground_speed_kmh_;
}

// --- 2: channel states ---------------------------------------------------------

// A channel meters when it is enabled and either its tank switch and the
// master switch are on, or it is preloading.
bool Seeder_logic::channel_running(unsigned channel) const
{
    if (channel >= CHANNELS || !settings_.channels.at(int(channel)).enabled._get())
        return false;
    if (preload_state_[channel])
        return true;
    const data_store_body& b = store_.body;
    return cds_get_byte(&store_.head, &b.channels.channels[channel].active)
           && cds_get_byte(&store_.head, &b.operation.master_switch_active);
}

void Seeder_logic::step_channel_states()
{
    for (Channel_state& c : channels_)
        if (c.rate_changed)
            --c.rate_changed;
}

// --- 3: widths -------------------------------------------------------------------

// A boom's worked width is the width of its sections that are on; a channel
// works its boom's width, the full boom (or machine) width when it is set to
// full width, the machine width when it has no boom.
void Seeder_logic::step_widths()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    const NV_kelsu::booms_t& booms = settings_.booms;
    unsigned boom_count = std::min<unsigned>(booms.num_booms._get(), BOOMS);
    double full[BOOMS] = {};
    double worked[BOOMS] = {};
    for (unsigned i = 0; i < boom_count; ++i) {
        const NV_kelsu::boom_t& boom = booms.booms.at(int(i));
        unsigned sections = std::min<unsigned>(boom.num_sections._get(), SECTIONS);
        for (unsigned j = 0; j < sections; ++j) {
            double w = finite_or_zero(boom.sections.at(int(j)).width._get());
            full[i] += w;
            if (cds_get(head, &b.booms.boom[i].sections[j].actual_state) == 1)
                worked[i] += w;
        }
        cds_set(head, &b.booms.boom[i].active_width, worked[i]);
    }
    double machine = finite_or_zero(settings_.machine_width._get());
    for (unsigned c = 0; c < CHANNELS; ++c) {
        const NV_kelsu::channel_t& channel = settings_.channels.at(int(c));
        unsigned boom = channel.assigned_to_boom._get();
        double width;
        if (boom < boom_count && full[boom] > 0)
            width = channel.full_width._get() ? full[boom] : worked[boom];
        else
            width = machine;
        cds_set(head, &b.channels.channels[c].active_width, width);
    }
}

double Seeder_logic::width_factor(unsigned channel) const
{
    return cds_get_double(&store_.head, &store_.body.channels.channels[channel].active_width);
}

// --- 4: set periods ------------------------------------------------------------

// The drive period (µs per pulse) that gives the requested rate:
// pulses/s = rate x km/h x pulses per unit x width / K. The encoder ratio
// the period is worked out with goes to the store, for the pages that turn
// counted pulses into shaft revolutions.
void Seeder_logic::step_set_periods()
{
    CDS::Head* head = &store_.head;
    for (unsigned c = 0; c < CHANNELS; ++c) {
        ds_channel& live = store_.body.channels.channels[c];
        float encoder = float(metering::encoder_ratio(settings_.channels.at(int(c))));
        cds_set(head, &live.encoder_ratio, encoder);
        double period = 0;
        if (channel_running(c)) {
            double rate = cds_get_double(head, &live.requested_rate);
            double pulses = finite_or_zero(rate * speed_for_rate_kmh(c) * pulses_per_unit(c) * width_factor(c)
                                           / gains_.rate_constant);
            if (pulses > 0)
                period = std::min(finite_or_zero(1e6 / pulses), double(gains_.period_limit));
        }
        ds_ulong set_period = ds_ulong(period + 0.5);
        cds_set(head, &live.set_period, set_period);
    }
}

double Seeder_logic::pulses_per_unit(unsigned channel) const
{
    return metering::pulses_per_unit(settings_.channels.at(int(channel)));
}

// --- 6: rate limits ------------------------------------------------------------

void Seeder_logic::step_rate_limits()
{
    CDS::Head* head = &store_.head;
    for (unsigned c = 0; c < CHANNELS; ++c) {
        ds_channel& live = store_.body.channels.channels[c];
        double actual = channels_[c].filtered_rate;
        cds_set(head, &live.actual_rate, actual);
        if (!channel_running(c) || actual <= 0)
            continue;
        double requested = cds_get_double(head, &live.requested_rate);
        float error = float(deviation(actual, requested));
        if (actual < cds_get_double(head, &live.min_rate))
            cds_set(head, &live.min_rate, actual);
        if (actual > cds_get_double(head, &live.max_rate))
            cds_set(head, &live.max_rate, actual);
        if (error < cds_get(head, &live.min_rate_error) || cds_get(head, &live.min_rate_error) == 0)
            cds_set(head, &live.min_rate_error, error);
        if (error > cds_get(head, &live.max_rate_error))
            cds_set(head, &live.max_rate_error, error);
        bool variation = error > DEVIATION_LIMIT;
        cds_set(head, &live.rate_variation, variation);
    }
}

// --- 7, 8: area and volume -----------------------------------------------------

void Seeder_logic::step_areas()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    double speed = cds_get(head, &b.vehicle.speed);
    unsigned sub = std::min<unsigned>(cds_get(head, &b.areas.sub_area_number), 9);
    double machine_width = 0;
    for (unsigned c = 0; c < CHANNELS; ++c) {
        channel_area_ha_[c] = 0;
        if (!channel_running(c) || preload_state_[c] || !(speed > 0))
            continue;
        double w = width_factor(c);
        channel_area_ha_[c] = speed * w * STEP_S / 10000.0;
        machine_width = std::max(machine_width, w);
        float sub_area = cds_get(head, &b.areas.sub_areas[c][sub]) + float(channel_area_ha_[c]);
        cds_set(head, &b.areas.sub_areas[c][sub], sub_area);
    }
    double worked = std::isfinite(speed) && speed > 0 ? speed * machine_width * STEP_S / 10000.0 : 0;
    worked_ha_ = worked;
    float total = cds_get(head, &b.areas.area.total) + float(worked);
    float area_rate = float(worked / STEP_S * 3600.0); // ha/h
    cds_set(head, &b.areas.area.total, total);
    cds_set(head, &b.areas.area_rate, area_rate);
}

void Seeder_logic::step_volumes()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    unsigned sub = std::min<unsigned>(cds_get(head, &b.areas.sub_area_number), 9);
    double applied_total = 0;
    for (unsigned c = 0; c < CHANNELS; ++c) {
        double applied = finite_or_zero(channels_[c].filtered_rate * channel_area_ha_[c]);
        if (applied <= 0)
            continue;
        applied_total += applied;
        float sub_volume = cds_get(head, &b.volumes.sub_volumes[c][sub]) + float(applied);
        cds_set(head, &b.volumes.sub_volumes[c][sub], sub_volume);
        double remaining = std::max(0.0, cds_get_double(head, &b.channels.channels[c].remaining_volume) - applied);
        cds_set(head, &b.channels.channels[c].remaining_volume, remaining);
        float output = cds_get(head, &b.history.output[c]) + float(applied);
        cds_set(head, &b.history.output[c], output);
    }
    float total = cds_get(head, &b.volumes.volume.total) + float(applied_total);
    cds_set(head, &b.volumes.volume.total, total);
}

// --- 9: fans -----------------------------------------------------------------------

// Fan rpm of the fans that sense it, from the encoder period (µs per pulse)
// and the encoder's pulses per revolution, filtered when the fan's filter
// is on.
void Seeder_logic::step_fans()
{
    CDS::Head* head = &store_.head;
    for (unsigned f = 0; f < FANS; ++f) {
        const NV_kelsu::fan_t& fan = settings_.fans.at(int(f));
        if (!fan.sense_rpm._get())
            continue;
        ds_fan& live = store_.body.fans[f];
        double period = cds_get(head, &live.period);
        double pulses = fan.encoder._get();
        float raw = float(finite_or_zero(60e6 / (period * pulses)));
        float rpm = raw;
        float factor = fan.filter_factor_rpm._get();
        if (fan.filter_rpm._get() && raw > 0 && factor >= 0 && factor < 1)
            rpm = (1 - factor) * raw + factor * cds_get(head, &live.rpm);
        cds_set(head, &live.raw_rpm, raw);
        cds_set(head, &live.rpm, rpm);
    }
}

// --- 14, 15: history and runtime ------------------------------------------------------

void Seeder_logic::step_history()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    // In the store's speed unit (m/s), like the speed it is the maximum of.
    float speed_mps = ground_speed_kmh_ / gains_.kmh_per_mps;
    if (std::isfinite(speed_mps) && speed_mps > cds_get(head, &b.history.max_speed))
        cds_set(head, &b.history.max_speed, speed_mps);
    for (unsigned c = 0; c < CHANNELS; ++c) {
        float rpm = float(cds_get_double(head, &b.channels.channels[c].shaft_rpm));
        if (rpm > cds_get(head, &b.history.shaft_max_speed[c]))
            cds_set(head, &b.history.shaft_max_speed[c], rpm);
    }
    bool working = cds_get_byte(head, &b.operation.master_switch_active);
    double speed = cds_get(head, &b.vehicle.speed);
    if (working && std::isfinite(speed) && speed > 0) {
        float distance = cds_get(head, &b.history.machine_operating_distance) + float(speed * STEP_S);
        cds_set(head, &b.history.machine_operating_distance, distance);
    }
}

// Operating time (hours) runs while the master switch is on and the
// implement moves.
void Seeder_logic::step_runtime()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    double speed = cds_get(head, &b.vehicle.speed);
    if (!cds_get_byte(head, &b.operation.master_switch_active) || !(speed > 0))
        return;
    const float hours = STEP_S / 3600.0f;
    float job = cds_get(head, &b.history.job_operating_time) + hours;
    float machine = cds_get(head, &b.history.machine_operating_time) + hours;
    float area = cds_get(head, &b.history.machine_operating_area) + float(worked_ha_);
    cds_set(head, &b.history.job_operating_time, job);
    cds_set(head, &b.history.machine_operating_time, machine);
    cds_set(head, &b.history.machine_operating_area, area);
}

void Seeder_logic::save_runtime()
{
    if (!root_)
        return;
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::application_t& live = root_->app;
    live.job_operating_time.set(cds_get(head, &b.history.job_operating_time));
    live.history.machine_operating_time.set(cds_get(head, &b.history.machine_operating_time));
    live.history.machine_operating_area.set(cds_get(head, &b.history.machine_operating_area));
    live.history.machine_operating_distance.set(cds_get(head, &b.history.machine_operating_distance));
    live.history.max_speed.set(cds_get(head, &b.history.max_speed));
    live.areas.area[0].total.set(cds_get(head, &b.areas.area.total));
    live.volumes.volume[0].total.set(cds_get(head, &b.volumes.volume.total));
    for (unsigned c = 0; c < CHANNELS; ++c) {
        live.channels[int(c)].remaining.set(
            float(cds_get_double(head, &b.channels.channels[c].remaining_volume)));
        live.history.output[int(c)].total.set(cds_get(head, &b.history.output[c]));
        for (unsigned s = 0; s < 10; ++s) {
            live.areas.channel[int(c)].sub_area[int(s)].total.set(cds_get(head, &b.areas.sub_areas[c][s]));
            live.volumes.channel[int(c)].sub_area[int(s)].total.set(
                cds_get(head, &b.volumes.sub_volumes[c][s]));
        }
    }
}

void Seeder_logic::poll_failure_reset()
{
    // The next measured rate is taken unfiltered.
    for (Channel_state& c : channels_)
        c.rate_changed = std::max(c.rate_changed, 1u);
}

// --- events ------------------------------------------------------------------

void Seeder_logic::setpoint_changed(unsigned channel)
{
    if (channel < CHANNELS)
        channels_[channel].rate_changed = RATE_CHANGED_STEPS;
}

void Seeder_logic::tank_switch_changed(unsigned channel)
{
    if (channel >= CHANNELS)
        return;
    channels_[channel].tank_timer.restart();
    channels_[channel].settle_elapsed = 0;
}

void Seeder_logic::boom_state_changed(unsigned boom)
{
    if (boom >= BOOMS)
        return;
    for (Delay_timer& t : boom_timers_[boom])
        t.restart();
}
