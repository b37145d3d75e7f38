// The metering control core: one record, created once by the control logic
// module and driven from its timers on its thread. It keeps a working copy of
// the application settings (refreshed from the parameter root "PS"), the
// per-tank, per-channel and per-section working state and the time-window
// filters, reads the live data store and writes its results into it.
//
// Speeds: the data store holds m/s; the manual speed setting and the rate
// formulas use km/h (rate = pulses/s x K / (km/h x pulses per unit x width),
// K = 36000: kg/ha from pulses per kg and metres of width). The pulses per
// unit come from the tank's calibration factor as Metering.h says.
#pragma once

#include "apps/sowvane/control_logic/Time_window_filter.h"
#include "apps/sowvane/params/parameters.h"

#include <cstdint>
#include <limits>
#include <vector>

struct Data_store;
struct ds_alarm;

class Seeder_logic {
public:
    static constexpr unsigned TANKS = 10;
    static constexpr unsigned CHANNELS = 10;
    static constexpr unsigned BOOMS = 6;
    static constexpr unsigned SECTIONS = 10;
    static constexpr unsigned FANS = 5;
    static constexpr unsigned STEP_MS = 500;
    static constexpr double FLOW_FACTOR = 16.67;      // per-minute flow to the store's unit
    static constexpr double DEVIATION_LIMIT = 5.0;    // % for the adaptive rate filter
    static constexpr float FAST_RATE_FILTER = 0.4f;
    static constexpr float SLOW_RATE_FILTER = 0.9f;
    static constexpr float PRELOAD_MAX_SPEED_KMH = 0.5f;
    static constexpr unsigned SPEED_SILENCE_STEPS = 5;

    // Per-tank tuning values (their defaults are fixed; the steps that use
    // them are the drive-specific controllers, which run on the ECUs here).
    struct Tank_tuning {
        int counts[5];
        float gains[8];
    };
    // The scalar gains and limits; rate_constant is K.
    struct Gains {
        float max_rpm = 600.0f;
        float rate_constant = 36000.0f;
        float kmh_per_mps = 3.6f;
        float period_scale = 36000000.0f;
        float max_rate = 10000.0f;
        float min_speed_kmh = 0.1f;
        float period_limit = 36000000.0f;
        float width_scale = 1.0f;
    };
    // Section on/off delay: follows the requested state after its delay.
    struct Delay_timer {
        float on_delay = 0;
        float off_delay = 0;
        float elapsed = 0;
        bool state = false;
        // Moves toward requested by dt seconds; the state it is in.
        bool step(bool requested, float dt);
        void restart() { elapsed = 0; }
    };
    struct Channel_state {
        uint32_t last_period = 0;
        double raw_rate = 0;
        double filtered_rate = 0;
        uint32_t rate_changed = 0;  // non-zero for a few steps after a new requested rate
        uint32_t hold_count = 0;
        // The rate filter factor the measured-rate step adapts: working
        // state, started from the operator's setting and never written back.
        float rate_filter = SLOW_RATE_FILTER;
        // The operator's setting it was last started from (none yet: NaN).
        float saved_rate_filter = std::numeric_limits<float>::quiet_NaN();
        Delay_timer tank_timer;
        float settle_time = 0;
        float settle_elapsed = 0;
        Time_window_filter period_filter{2000};
    };
    struct Alarm_state {
        unsigned count = 0;   // steps the condition has held
        unsigned raised = 0;  // times raised (against the limit count)
        bool on = false;
    };

    Seeder_logic(NV_kelsu::parameters_t* root, Data_store& store);

    // Settings copy, defaults, and the configured values published to the store.
    void initialise();
    // Copies the settings from the root (under its lock); a new speed source
    // reruns the speed step, a new rate filter factor restarts the adapted
    // one of its channel.
    void refresh_settings();

    // The 500 ms control step: the fifteen steps in their fixed order.
    void control_step();
    // The per-second step; returns the seconds counter divided by 60.
    unsigned one_second_tick();
    // 100 ms: nothing needs the fast loop while the ECUs run the drives.
    void fast_loop() {}
    // Writes the runtime totals into the live settings (saved with them).
    void save_runtime();
    // The comms core lost a reply: the measured values of the channels can
    // no longer be trusted until the next reply.
    void poll_failure_reset();

    // Events of the control logic module.
    void setpoint_changed(unsigned channel);
    void tank_switch_changed(unsigned channel);
    void boom_state_changed(unsigned boom);

    // Preload.
    void start_preload(unsigned tank);
    void set_preload_timer(unsigned tank, bool start, bool forced);
    uint32_t preload_countdown(unsigned tank) const { return tank < TANKS ? preload_countdown_[tank] : 0; }
    bool preloading(unsigned tank) const { return tank < TANKS && preload_state_[tank]; }

    // Percent deviation of x from requested (0 for requested 0, 100 for x 0).
    static double deviation(double x, double requested);

    float ground_speed_kmh() const { return ground_speed_kmh_; }
    uint32_t seconds() const { return seconds_; }
    bool once_a_minute() const { return minute_flag_; }
    const NV_kelsu::application_t& settings() const { return settings_; }
    const Gains& gains() const { return gains_; }
    const Tank_tuning& tuning(unsigned tank) const { return tuning_[tank % TANKS]; }
    const Channel_state& channel_state(unsigned channel) const { return channels_[channel % CHANNELS]; }

private:
    // The fifteen steps of control_step(), in order.
    void step_speed();
    void step_channel_states();
    void step_widths();
    void step_set_periods();
    void step_measured_rate();
    void step_rate_limits();
    void step_areas();
    void step_volumes();
    void step_fans();
    void step_preload();
    void step_delay_timers();
    void step_sections();
    void step_alarms();
    void step_history();
    void step_runtime();

    // Measured rate parts.
    double granular_rate(unsigned channel, uint32_t period);
    double nozzle_rate(unsigned channel, uint32_t period);
    double applied_rate(unsigned channel, uint32_t period, double pulses_per_unit) const;
    // Drive pulses per unit of product of the channel (see Metering.h).
    double pulses_per_unit(unsigned channel) const;
    double width_factor(unsigned channel) const;
    bool channel_running(unsigned channel) const;
    void set_rate_filter(unsigned channel, float factor);
    std::vector<std::pair<float, float>> section_delays(unsigned boom) const;
    bool fans_ready_for_preload() const;
    void start_booms();
    // The speed a channel's rate is metered for (km/h).
    float speed_for_rate_kmh(unsigned channel) const;
    void raise(ds_alarm* alarm, Alarm_state& state, const NV_kelsu::alarm_t& setting,
               bool condition);

    NV_kelsu::application_t settings_;
    NV_kelsu::parameters_t* root_;
    Data_store& store_;
    Tank_tuning tuning_[TANKS];
    Channel_state channels_[CHANNELS];
    bool boom_enabled_[5] = {};
    std::vector<Delay_timer> boom_timers_[BOOMS]; // one per section of each boom
    Gains gains_;
    uint32_t table_[32] = {};
    int previous_speed_source_ = -1;
    uint32_t preload_countdown_[TANKS] = {};
    bool preload_state_[TANKS] = {};
    float ground_speed_kmh_ = 0;
    Time_window_filter speed_filter_{1000};
    unsigned seconds_ = 60;
    bool minute_flag_ = false;
    double channel_area_ha_[CHANNELS] = {}; // worked this step, per channel
    double worked_ha_ = 0;                  // worked this step by the machine
    Alarm_state fan_low_, fan_high_, no_comms_, master_off_, no_flow_no_speed_;
    Alarm_state tank_low_[TANKS], tank_empty_[TANKS], active_no_rate_[TANKS];
    Alarm_state incorrect_rate_[TANKS], shaft_moving_off_[TANKS];
};
