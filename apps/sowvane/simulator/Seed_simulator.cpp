#include "apps/sowvane/simulator/Seed_simulator.h"

#include "apps/sowvane/control_logic/Metering.h"
#include "apps/sowvane/control_logic/Seeder_logic.h"
#include "apps/sowvane/control_logic/Speed_messages.h"
#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/params/parameters.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SQUARE_M_PER_HA = 10000.0;

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
    return pulses_per_s > 1e-6 ? static_cast<ds_ulong>(1e6 / pulses_per_s + 0.5) : 0;
}

// Adds to a float total of the store.
void add_to(CDS::Head* head, float* field, double amount)
{
    cds_set(head, field, static_cast<float>(cds_get(head, field) + amount));
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

void Seed_simulator::count_pulses(unsigned* field, double pulses, double& carry)
{
    carry += pulses;
    const double whole = std::floor(carry);
    carry -= whole;
    if (whole >= 1)
        cds_set(&store_.head, field, cds_get(&store_.head, field) + static_cast<unsigned>(whole));
}

void Seed_simulator::step(double seconds)
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::application_t& app = ps_.app;

    // Ground speed (m/s) and the wheel sensor.
    double speed_mps = cds_get(head, &b.vehicle.source_speed);
    if (!(speed_mps > 0))
        speed_mps = std::max(0.0, double(Speed_messages::kmh_to_mps(app.manual_speed.get())));
    cds_set(head, &b.vehicle.speed, static_cast<float>(speed_mps));
    const double wheel_pulses_per_s =
        speed_mps / or_default(app.wheel_cal_factor.get(), DEMO_WHEEL_M_PER_PULSE);
    const ds_ulong wheel_period = period_us(wheel_pulses_per_s);
    cds_set(head, &b.vehicle.ground_speed_sensor.period, wheel_period);
    cds_set(head, &b.diagnostics.ground_speed.period, wheel_period);
    count_pulses(&b.vehicle.ground_speed_sensor.pulse_count, wheel_pulses_per_s * seconds, wheel_carry_);
    count_pulses(&b.diagnostics.ground_speed.pulse_count, wheel_pulses_per_s * seconds, diag_wheel_carry_);

    double full[MAX_BOOMS] = {};
    double worked[MAX_BOOMS] = {};
    step_sections(full, worked);
    step_tanks(seconds, speed_mps, full, worked);
    step_fans(seconds);
}

double Seed_simulator::tank_width(int tank, const double full[], const double worked[]) const
{
    NV_kelsu::application_t& app = ps_.app;
    NV_kelsu::channel_t& setting = app.channels[tank];
    const unsigned boom = setting.assigned_to_boom.get();
    const unsigned booms = std::min<unsigned>(app.booms.num_booms.get(), MAX_BOOMS);
    if (boom < booms && full[boom] > 0)
        return setting.full_width.get() ? full[boom] : worked[boom];
    return or_default(app.machine_width.get(), DEMO_WIDTH_M);
}

void Seed_simulator::step_tanks(double seconds, double speed_mps, const double full[],
                                const double worked[])
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::application_t& app = ps_.app;
    const int tanks = std::min<int>(app.num_channels.get(), MAX_TANKS);
    const unsigned sub = std::min(cds_get(head, &b.areas.sub_area_number), 9u);
    const bool master = cds_get(head, &b.operation.master_switch_active);
    double applied_total = 0;
    double machine_width = 0;

    for (int i = 0; i < tanks; i++) {
        // Only the fields the hardware and the control core report are
        // written, one by one, so that a setting written meanwhile by
        // another module stays.
        ds_channel& field = b.channels.channels[i];
        ds_channel ch;
        cds_get_channel(&ch, head, &field);
        NV_kelsu::channel_t& setting = app.channels[i];
        double remaining = ch.remaining_volume;
        if (!tanks_filled_ && remaining <= 0)
            remaining = or_default(ch.bin_capacity, 1000.0);

        double requested = ch.requested_rate;
        if (!rate_given_[i] && requested <= 0) {
            requested = or_default(setting.current_rate.get(), DEMO_RATE);
            cds_set(head, &field.requested_rate, requested);
        }
        rate_given_[i] = true;
        requested = std::max(requested, 0.0);
        // The drive turns while its tank switch and the master switch are
        // on, the machine moves and there is product left; the switches are
        // the operator's (run screen, switch box, task controller).
        const bool running = ch.active && master && speed_mps > 0 && remaining > 0;
        double actual = follow(ch.actual_rate, running ? requested : 0.0, seconds, RATE_LAG_S);
        if (actual < 1e-3)
            actual = 0;

        // Hectares a second worked and the units a second the control
        // measures (the actual rate over that area).
        const double width = tank_width(i, full, worked);
        const double ha_per_s = running ? speed_mps * width / SQUARE_M_PER_HA : 0.0;
        const double units_per_s = actual * ha_per_s;

        // The drive turns as the control's conversion of the tank's factor
        // asks: pulses per unit and per shaft turn.
        const int mode = setting.mode.get();
        const bool granular = mode == metering::GRANULAR;
        const double pulses_per_rev = or_default(metering::encoder_ratio(setting), DEMO_PULSES_PER_REV);
        const double factor =
            or_default(setting.cal_setting.get(), granular ? METER_MASS_PER_REV : DEMO_PULSES_PER_UNIT);
        const double pulses_per_unit = metering::pulses_per_unit(mode, factor, pulses_per_rev);
        const double pulses_per_s = units_per_s * pulses_per_unit;
        // The product that leaves the tank: a granular meter delivers its own
        // mass each shaft turn, whatever the factor says.
        const double taken_per_s = granular ? pulses_per_s / pulses_per_rev * METER_MASS_PER_REV : units_per_s;
        const double applied = std::min(remaining, taken_per_s * seconds);
        remaining -= applied;
        applied_total += applied;

        const double rpm = pulses_per_s * 60.0 / pulses_per_rev;
        const double flow = units_per_s * 60.0 * Seeder_logic::FLOW_FACTOR;
        const double max_rpm = or_default(setting.motor_max_rpm.get(), DEMO_MAX_SHAFT_RPM);
        const float load = static_cast<float>(std::min(100.0, rpm / max_rpm * 100.0));
        const ds_ulong actual_period = period_us(pulses_per_s);

        cds_set(head, &field.active_width, width);
        cds_set(head, &field.actual_rate, actual);
        cds_set(head, &field.flow_rate, flow);
        cds_set(head, &field.raw_flow_rate, flow);
        cds_set(head, &field.shaft_rpm, rpm);
        cds_set(head, &field.raw_shaft_rpm, rpm);
        cds_set(head, &field.set_period, period_us(requested * ha_per_s * pulses_per_unit));
        cds_set(head, &field.actual_period, actual_period);
        cds_set(head, &field.encoder_ratio, static_cast<float>(pulses_per_rev));
        count_pulses(&field.motor_pulse_count, pulses_per_s * seconds, motor_carry_[i]);
        cds_set(head, &field.motor_load, load);
        cds_set(head, &field.motor_current, static_cast<float>(0.5 + load * 0.08));
        cds_set(head, &field.remaining_volume, remaining);
        if (running) {
            cds_set(head, &field.min_rate, std::min(ch.min_rate, actual));
            cds_set(head, &field.max_rate, std::max(ch.max_rate, actual));
        }
        cds_set(head, &b.diagnostics.shaft[i].period, actual_period);
        count_pulses(&b.diagnostics.shaft[i].pulse_count, pulses_per_s * seconds, shaft_carry_[i]);

        if (ha_per_s > 0) {
            machine_width = std::max(machine_width, width);
            add_to(head, &b.areas.sub_areas[i][sub], ha_per_s * seconds);
        }
        if (applied > 0) {
            add_to(head, &b.volumes.sub_volumes[i][sub], applied);
            add_to(head, &b.history.output[i], applied);
        }
    }
    tanks_filled_ = true;

    // The machine works the widest of its metering tanks' widths.
    const double ha_per_h = speed_mps * machine_width / SQUARE_M_PER_HA * 3600.0;
    cds_set(head, &b.areas.area_rate, static_cast<float>(ha_per_h));
    if (ha_per_h > 0)
        add_to(head, &b.areas.area.total, ha_per_h * seconds / 3600.0);
    if (applied_total > 0)
        add_to(head, &b.volumes.volume.total, applied_total);
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
        const double pulses_per_s = rpm * or_default(setting.encoder.get(), 1.0) / 60.0;
        fan.raw_rpm = static_cast<float>(rpm);
        fan.rpm = fan.raw_rpm;
        fan.pressure = static_cast<float>(DEMO_FAN_PRESSURE * share * share);
        fan.period = period_us(pulses_per_s);
        fan.stopped_count = rpm > 0 ? 0 : fan.stopped_count + 1;
        cds_set(head, &b.fans[f], fan);
        cds_set(head, &b.diagnostics.fans[f].shaft.period, ds_ulong(fan.period));
        count_pulses(&b.diagnostics.fans[f].shaft.pulse_count, pulses_per_s * seconds, fan_carry_[f]);
    }
}

void Seed_simulator::step_sections(double full[], double worked[])
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    NV_kelsu::booms_t& booms = ps_.app.booms;
    const int num_booms = std::min<int>(booms.num_booms.get(), MAX_BOOMS);
    const bool master = cds_get(head, &b.operation.master_switch_active);
    for (int n = 0; n < num_booms; n++) {
        NV_kelsu::boom_t& setting = booms.booms[n];
        ds_boom& field = b.booms.boom[n];
        ds_boom boom;
        cds_get_boom(&boom, head, &field);
        const int sections = std::min<int>(setting.num_sections.get(), MAX_SECTIONS);
        unsigned sensed = 0;
        for (int s = 0; s < sections; s++) {
            // A section is on when requested with the master switch on.
            const unsigned state = master && boom.sections[s].requested_state == 1 ? 1 : 0;
            const double width = std::max(0.0, setting.sections[s].width.get());
            cds_set(head, &field.sections[s].actual_state, state);
            full[n] += width;
            if (state == 1) {
                sensed |= 1u << s;
                worked[n] += width;
            }
        }
        cds_set(head, &field.active_width, worked[n]);
        cds_set(head, &field.section_sense_state, sensed);
    }
}
