// The measured-rate step (drive period to applied rate and flow, with the
// adaptive rate filter) and the delay-timer and section steps of the
// control core.
#include "apps/sowvane/control_logic/Seeder_logic.h"

#include "apps/sowvane/control_logic/Metering.h"
#include "apps/sowvane/data_store/data_store.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float STEP_S = Seeder_logic::STEP_MS / 1000.0f;
constexpr float NON_VTT_DELAY_S = 0.1f;
constexpr uint32_t HOLD_STEPS = 4;

double finite_or_zero(double v) { return std::isfinite(v) && v > 0 ? v : 0; }

// (1 - f) x raw + f x previous; a factor outside 0 .. 1 filters nothing.
double blend(double raw, double previous, float f)
{
    if (!(f >= 0 && f < 1))
        return raw;
    return (1 - f) * raw + f * previous;
}

} // namespace

double Seeder_logic::deviation(double x, double requested)
{
    if (requested == 0)
        return 0;
    if (x == 0)
        return 100.0;
    return std::fabs((requested - x) / requested * 100.0);
}

// rate = pulses/s x K / (km/h x pulses per unit x width); none for a
// stopped or unconfigured channel.
double Seeder_logic::applied_rate(unsigned channel, uint32_t period, double pulses_per_unit) const
{
    if (!channel_running(channel) || period == 0 || !(pulses_per_unit > 0))
        return 0;
    double q = speed_for_rate_kmh(channel) * pulses_per_unit * width_factor(channel);
    if (!(q > 0.000001))
        return 0;
    return finite_or_zero(1e6 / period * gains_.rate_constant / q);
}

// The adapted factor is the core's own: it flips with every rate deviation
// while driving, so it stays out of the settings, which would be saved (and
// copied into both cores) at every flip and lose the operator's value.
void Seeder_logic::set_rate_filter(unsigned channel, float factor)
{
    channels_[channel].rate_filter = factor;
}

void Seeder_logic::step_measured_rate()
{
    CDS::Head* head = &store_.head;
    Atime now = Atime::now();
    bool reset = false; // once set, holds for the later channels of this step
    for (unsigned i = 0; i < CHANNELS; ++i) {
        Channel_state& state = channels_[i];
        ds_channel& live = store_.body.channels.channels[i];
        const NV_kelsu::channel_t& set = settings_.channels.at(int(i));
        uint32_t period = cds_get(head, &live.actual_period);
        state.last_period = period;
        state.period_filter.add(float(period), now);

        bool granular = set.mode._get() == 0;
        double raw = granular ? granular_rate(i, period) : nozzle_rate(i, period);
        state.raw_rate = raw;
        float f = state.rate_filter;
        double filtered = (!set.filter_rate._get() || state.rate_changed || raw == 0.0)
                              ? raw
                              : blend(raw, state.filtered_rate, f);

        if (cds_get(head, &live.rate_control_mode) == 1) {
            double r = cds_get_double(head, &live.requested_rate);
            float d_raw = float(deviation(raw, r));
            float d_filtered = float(deviation(filtered, r));
            if (d_raw > DEVIATION_LIMIT && d_filtered > DEVIATION_LIMIT) {
                set_rate_filter(i, FAST_RATE_FILTER);
                if (state.hold_count)
                    --state.hold_count;
            } else if (d_raw > DEVIATION_LIMIT) {
                state.hold_count = HOLD_STEPS;
                set_rate_filter(i, SLOW_RATE_FILTER);
            } else {
                set_rate_filter(i, SLOW_RATE_FILTER);
                if (d_filtered > DEVIATION_LIMIT) {
                    filtered = r;
                    reset = true;
                }
                state.hold_count = HOLD_STEPS;
            }
        }
        state.filtered_rate = filtered;

        if (reset) {
            cds_set(head, &live.flow_rate, cds_get_double(head, &live.raw_flow_rate));
            if (granular)
                cds_set(head, &live.shaft_rpm, cds_get_double(head, &live.raw_shaft_rpm));
            else
                cds_set(head, &live.nozzle_flow_rate, cds_get_double(head, &live.raw_nozzle_flow_rate));
        }
    }
}

// Granular: the shaft turns once for the encoder ratio's pulses and meters
// the calibration factor's mass each turn; the rate, the shaft speed and
// the flow per minute follow.
double Seeder_logic::granular_rate(unsigned i, uint32_t period)
{
    CDS::Head* head = &store_.head;
    ds_channel& live = store_.body.channels.channels[i];
    const NV_kelsu::channel_t& set = settings_.channels.at(int(i));
    double per_unit = pulses_per_unit(i);
    double rate = applied_rate(i, period, per_unit);
    double flow = 0;
    double rpm = 0;
    if (rate > 0) {
        double pulses = 1e6 / period;
        flow = finite_or_zero(pulses * 60 / per_unit);
        double encoder = metering::encoder_ratio(set);
        rpm = encoder > 0 ? finite_or_zero(pulses * 60 / encoder) : 0;
        cds_set(head, &live.raw_flow_rate, flow * FLOW_FACTOR);
        cds_set(head, &live.raw_shaft_rpm, rpm);
    }
    bool unfiltered = !set.filter_rate._get() || channels_[i].rate_changed || flow == 0;
    float f = channels_[i].rate_filter;
    double flow_out = unfiltered ? flow : blend(flow, cds_get_double(head, &live.flow_rate) / FLOW_FACTOR, f);
    double rpm_out = unfiltered ? rpm : blend(rpm, cds_get_double(head, &live.shaft_rpm), f);
    cds_set(head, &live.flow_rate, flow_out * FLOW_FACTOR);
    cds_set(head, &live.shaft_rpm, rpm_out);
    return rate;
}

double Seeder_logic::nozzle_rate(unsigned i, uint32_t period)
{
    CDS::Head* head = &store_.head;
    ds_channel& live = store_.body.channels.channels[i];
    const NV_kelsu::channel_t& set = settings_.channels.at(int(i));

    // Nozzles of the sections of the channel's boom that are on.
    unsigned nozzles = 0;
    unsigned boom = set.assigned_to_boom._get();
    if (boom < BOOMS && boom < settings_.booms.num_booms._get()) {
        const NV_kelsu::boom_t& b = settings_.booms.booms.at(int(boom));
        unsigned sections = std::min<unsigned>(b.num_sections._get(), SECTIONS);
        for (unsigned j = 0; j < sections; ++j)
            if (cds_get(head, &store_.body.booms.boom[boom].sections[j].actual_state) == 1)
                nozzles += b.sections.at(int(j)).num_nozzles._get();
    }
    cds_set(head, &live.active_nozzles, nozzles);

    double per_unit = pulses_per_unit(i);
    double rate = applied_rate(i, period, per_unit);
    double flow = 0;
    double per_nozzle = 0;
    if (channel_running(i) && period > 0 && per_unit > 0) {
        flow = finite_or_zero(1e6 / period * 60 / per_unit);
        per_nozzle = nozzles ? flow / nozzles : 0;
        cds_set(head, &live.raw_flow_rate, flow * FLOW_FACTOR);
        cds_set(head, &live.raw_nozzle_flow_rate, per_nozzle * FLOW_FACTOR);
    }
    bool unfiltered = !set.filter_rate._get() || channels_[i].rate_changed || flow == 0;
    float f = channels_[i].rate_filter;
    double flow_out = unfiltered ? flow : blend(flow, cds_get_double(head, &live.flow_rate) / FLOW_FACTOR, f);
    double nozzle_out =
        unfiltered ? per_nozzle : blend(per_nozzle, cds_get_double(head, &live.nozzle_flow_rate) / FLOW_FACTOR, f);
    cds_set(head, &live.flow_rate, flow_out * FLOW_FACTOR);
    cds_set(head, &live.nozzle_flow_rate, nozzle_out * FLOW_FACTOR);
    return rate;
}

// (on, off) delay per section of the boom; without a VT of our own on the
// bus the sections switch after 0.1 s.
std::vector<std::pair<float, float>> Seeder_logic::section_delays(unsigned boom) const
{
    std::vector<std::pair<float, float>> delays;
    if (boom >= BOOMS || boom >= settings_.booms.num_booms._get())
        return delays;
    bool non_vtt = cds_get_byte(&store_.head, &store_.body.system.non_vtt_connected);
    const NV_kelsu::boom_t& b = settings_.booms.booms.at(int(boom));
    unsigned sections = std::min<unsigned>(b.num_sections._get(), SECTIONS);
    for (unsigned j = 0; j < sections; ++j) {
        if (!non_vtt) {
            delays.emplace_back(NON_VTT_DELAY_S, NON_VTT_DELAY_S);
            continue;
        }
        const NV_kelsu::section_t& s = b.sections.at(int(j));
        delays.emplace_back(float(s.on_time._get()), float(s.off_time._get()));
    }
    return delays;
}

// Rebuilds the delays from the settings; timers keep their running state so
// that a delay in progress is not started over every step.
void Seeder_logic::step_delay_timers()
{
    bool non_vtt = cds_get_byte(&store_.head, &store_.body.system.non_vtt_connected);
    for (unsigned boom = 0; boom < BOOMS; ++boom) {
        auto delays = section_delays(boom);
        boom_timers_[boom].resize(delays.size());
        for (size_t k = 0; k < delays.size(); ++k) {
            boom_timers_[boom][k].on_delay = std::max(0.0f, delays[k].first);
            boom_timers_[boom][k].off_delay = std::max(0.0f, delays[k].second);
        }
    }
    for (unsigned i = 0; i < CHANNELS; ++i) {
        const NV_kelsu::channel_t& set = settings_.channels.at(int(i));
        float longest = 0;
        for (const auto& d : section_delays(set.assigned_to_boom._get()))
            longest = std::max({longest, d.first, d.second});
        float on = set.tank_on_time._get();
        float off = set.tank_off_time._get();
        if (!non_vtt)
            on = off = NON_VTT_DELAY_S;
        Channel_state& state = channels_[i];
        state.tank_timer.on_delay = std::max(on, 0.0f);
        state.tank_timer.off_delay = std::max(off, 0.0f);
        state.settle_time = std::max(on, off) + longest + 0.1f;
    }
}

// Sections follow the requested states through their delays; a channel has
// settled once its tank and longest section delay have passed.
void Seeder_logic::step_sections()
{
    CDS::Head* head = &store_.head;
    data_store_body& b = store_.body;
    bool master = cds_get_byte(head, &b.operation.master_switch_active);
    for (unsigned boom = 0; boom < BOOMS; ++boom) {
        for (size_t j = 0; j < boom_timers_[boom].size(); ++j) {
            ds_section& section = b.booms.boom[boom].sections[j];
            bool requested = master && cds_get(head, &section.requested_state) == 1;
            unsigned actual = boom_timers_[boom][j].step(requested, STEP_S) ? 1 : 0;
            cds_set(head, &section.actual_state, actual);
        }
    }
    bool settled = true;
    for (unsigned i = 0; i < CHANNELS; ++i) {
        Channel_state& state = channels_[i];
        bool running = channel_running(i);
        state.tank_timer.step(running, STEP_S);
        if (running && state.settle_elapsed < state.settle_time)
            state.settle_elapsed += STEP_S;
        if (!running)
            state.settle_elapsed = 0;
        if (running && state.settle_elapsed < state.settle_time)
            settled = false;
    }
    cds_set(head, &b.section_monitors.sections_settled, settled);
}
