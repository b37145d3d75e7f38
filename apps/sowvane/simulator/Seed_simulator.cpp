#include "apps/sowvane/simulator/Seed_simulator.h"

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/params/parameters.h"

#include <algorithm>

namespace {

// A setting when it is above 0, else the fallback.
double or_default(double setting, double fallback)
{
    return setting > 0 ? setting : fallback;
}

// One first-order step of value towards target.
double follow(double value, double target, double seconds, double lag_s)
{
    return value + (target - value) * std::min(1.0, seconds / lag_s);
}

// The period in microseconds of a pulse train, 0 when it stands still.
ds_ulong period_us(double pulses_per_s)
{
    return pulses_per_s > 1e-6 ? static_cast<ds_ulong>(1e6 / pulses_per_s) : 0;
}

}  // namespace

Seed_simulator::Seed_simulator(Data_store& store, NV_kelsu::parameters_t& ps)
    : store_(store), ps_(ps)
{
}

Seed_simulator::~Seed_simulator()
{
    if (get_state() != Diner::UNINIT && !terminated())
        terminate(true);
}

int Seed_simulator::init(module_man& mm)
{
    Diner::init(mm, nullptr, Diner::Descriptor("SIM", 0), 50, 10240, true, false);
    const bool on = true;
    cds_set_bool(&store_.head, &store_.body.simulation.enabled, &on);
    last_ = Atime::now();
    tick_.set_period(STEP_MS);
    submit_timeout(tick_, STEP_MS);
    return start();
}

void Seed_simulator::handle_timeout(Timeout& t)
{
    if (&t != &tick_)
        return;
    const Atime now = Atime::now();
    const int ms = now - last_;
    last_ = now;
    if (ms > 0)
        step(ms / 1000.0);
}

void Seed_simulator::step(double seconds)
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::application_t& app = ps_.app;

    // Ground speed and the wheel sensor.
    double speed_kmh = cds_get(head, &b.vehicle.source_speed);
    if (speed_kmh <= 0)
        speed_kmh = std::max(0.0f, app.manual_speed.get());
    const float speed = static_cast<float>(speed_kmh);
    cds_set_float(head, &b.vehicle.speed, &speed);
    const double wheel_pulses_per_s =
        speed_kmh / 3.6 * or_default(app.wheel_cal_factor.get(), DEMO_WHEEL_PULSES_PER_M);
    wheel_pulses_ += wheel_pulses_per_s * seconds;
    ds_ground_speed_sensor sensor{};
    sensor.period = period_us(wheel_pulses_per_s);
    sensor.pulse_count = static_cast<unsigned>(wheel_pulses_);
    cds_set(head, &b.vehicle.ground_speed_sensor, sensor);
    cds_set(head, &b.diagnostics.ground_speed, sensor);

    // Hectares an hour.
    const double width_m = or_default(app.machine_width.get(), DEMO_WIDTH_M);
    const double area_rate = speed_kmh * width_m / 10.0;
    bool applying = false;
    step_tanks(seconds, speed_kmh, area_rate, applying);
    step_fans(seconds);
    step_sections();

    const float shown_rate = applying ? static_cast<float>(area_rate) : 0.0f;
    cds_set_float(head, &b.areas.area_rate, &shown_rate);
    if (applying) {
        float total = cds_get(head, &b.areas.area.total);
        total += static_cast<float>(area_rate * seconds / 3600.0);
        cds_set_float(head, &b.areas.area.total, &total);
    }
}

void Seed_simulator::step_tanks(double seconds, double speed_kmh, double area_rate,
                                bool& applying)
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::application_t& app = ps_.app;
    const int tanks = std::min<int>(app.num_channels.get(), MAX_TANKS);
    double applied_total = 0;

    for (int i = 0; i < tanks; i++) {
        // Only the fields the hardware reports are written, one by one, so
        // that a setting written meanwhile by another module stays.
        ds_channel& field = b.channels.channels[i];
        ds_channel ch;
        cds_get_channel(&ch, head, &field);
        NV_kelsu::channel_t& setting = app.channels[i];
        if (!tanks_filled_)
            remaining_[i] = ch.remaining_volume > 0 ? ch.remaining_volume
                                                    : or_default(ch.bin_capacity, 1000.0);

        double requested = ch.requested_rate;
        if (requested <= 0) {
            requested = or_default(setting.current_rate.get(), DEMO_RATE);
            cds_set(head, &field.requested_rate, requested);
        }
        const bool running = speed_kmh > 0 && remaining_[i] > 0;
        double actual = follow(ch.actual_rate, running ? requested : 0.0, seconds, RATE_LAG_S);
        if (actual < 1e-3)
            actual = 0;

        // Product an hour, and what left the tank in this step.
        const double flow = actual * area_rate;
        const double applied = std::min(remaining_[i], flow * seconds / 3600.0);
        remaining_[i] -= applied;
        applied_total += applied;
        applying = applying || applied > 0;

        const double per_rev = or_default(setting.cal_setting.get(), DEMO_UNITS_PER_REV);
        const double pulses_per_rev =
            or_default(setting.motor_encoder_ratio.get(), DEMO_PULSES_PER_REV);
        const double rpm = flow / 60.0 / per_rev;
        const double set_rpm = running ? requested * area_rate / 60.0 / per_rev : 0.0;
        motor_pulses_[i] += rpm * pulses_per_rev / 60.0 * seconds;
        const float load = static_cast<float>(std::min(100.0, rpm / DEMO_MAX_SHAFT_RPM * 100.0));

        cds_set(head, &field.active, running);
        cds_set(head, &field.actual_rate, actual);
        cds_set(head, &field.flow_rate, flow / 60.0);
        cds_set(head, &field.raw_flow_rate, flow / 60.0);
        cds_set(head, &field.shaft_rpm, rpm);
        cds_set(head, &field.raw_shaft_rpm, rpm);
        cds_set(head, &field.set_period, period_us(set_rpm * pulses_per_rev / 60.0));
        const ds_ulong actual_period = period_us(rpm * pulses_per_rev / 60.0);
        cds_set(head, &field.actual_period, actual_period);
        const unsigned pulses = static_cast<unsigned>(motor_pulses_[i]);
        cds_set(head, &field.motor_pulse_count, pulses);
        cds_set(head, &field.motor_load, load);
        cds_set(head, &field.motor_current, static_cast<float>(0.5 + load * 0.08));
        cds_set(head, &field.remaining_volume, remaining_[i]);
        if (running) {
            cds_set(head, &field.min_rate, std::min(ch.min_rate, actual));
            cds_set(head, &field.max_rate, std::max(ch.max_rate, actual));
        }

        ds_shaft shaft{};
        shaft.period = actual_period;
        shaft.pulse_count = pulses;
        cds_set(head, &b.diagnostics.shaft[i], shaft);
    }
    tanks_filled_ = true;

    if (applied_total > 0) {
        float volume = cds_get(head, &b.volumes.volume.total);
        volume += static_cast<float>(applied_total);
        cds_set_float(head, &b.volumes.volume.total, &volume);
    }
}

void Seed_simulator::step_fans(double seconds)
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    for (int f = 0; f < MAX_FANS; f++) {
        NV_kelsu::fan_t& setting = ps_.app.fans[f];
        ds_fan fan = cds_get(head, &b.fans[f]);
        const double full = or_default(setting.max_rpm.get(), DEMO_FAN_RPM);
        const double target = setting.enabled.get() ? full : 0.0;
        double rpm = follow(fan.raw_rpm, target, seconds, FAN_LAG_S);
        if (rpm < 1.0)
            rpm = 0;
        const double share = rpm / full;
        const double pulses_per_rev = or_default(setting.encoder.get(), 1.0);
        fan.raw_rpm = static_cast<float>(rpm);
        fan.rpm = fan.raw_rpm;
        fan.pressure = static_cast<float>(DEMO_FAN_PRESSURE * share * share);
        fan.period = period_us(rpm * pulses_per_rev / 60.0);
        fan.stopped_count = rpm > 0 ? 0 : fan.stopped_count + 1;
        cds_set(head, &b.fans[f], fan);
    }
}

void Seed_simulator::step_sections()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::booms_t& booms = ps_.app.booms;
    const int num_booms = std::min<int>(booms.num_booms.get(), 6);
    for (int n = 0; n < num_booms; n++) {
        NV_kelsu::boom_t& setting = booms.booms[n];
        ds_boom& field = b.booms.boom[n];
        ds_boom boom;
        cds_get_boom(&boom, head, &field);
        const int sections = std::min<int>(setting.num_sections.get(), 10);
        double width = 0;
        unsigned sensed = 0;
        for (int s = 0; s < sections; s++) {
            const unsigned state = boom.sections[s].requested_state;
            cds_set(head, &field.sections[s].actual_state, state);
            if (state == 1) {
                sensed |= 1u << s;
                width += setting.sections[s].width.get();
            }
        }
        cds_set(head, &field.active_width, width);
        cds_set(head, &field.section_sense_state, sensed);
    }
}
