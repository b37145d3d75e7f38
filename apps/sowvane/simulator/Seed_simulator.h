#pragma once
// Stands in for the metering hardware when the program runs without a serial
// port: every 100 ms it moves the simulated machine on and writes what the
// hardware would report, and what the control core makes of it, into the
// live data store, so that the screens and the task controller see a
// plausible running seeder. Everything is written in the store's own units,
// the ones the control core writes: speeds in m/s, periods in µs per pulse,
// flows per minute times the core's flow factor, widths in metres, areas in
// hectares. The settings mean what they mean to the control core:
// wheel_cal_factor is metres per wheel-sensor pulse, a granular tank's
// cal_setting the mass per shaft revolution and its drive's encoder ratio
// the pulses per shaft revolution (a liquid tank's cal_setting meter pulses
// per litre), a fan's encoder pulses per fan revolution. A granular tank's
// meter delivers METER_MASS_PER_REV each shaft turn: a tank whose factor
// says otherwise takes another amount from the tank than the rate shown,
// until it is calibrated.
// - ground speed from the store's source speed, else the manual speed
//   setting, with the wheel sensor's period and pulse count;
// - per tank in use: the requested rate (from the store; when the store
//   holds none as the tank is first simulated, the tank's current-rate
//   setting, else a demonstration rate; a rate of 0 the task controller or
//   the operator sets later stays in force), an actual rate that
//   follows it within seconds, the tank's worked width, shaft speed, set and
//   actual drive periods, flow, motor pulses, load and current, and the
//   product left, falling with what is applied. A tank meters only while
//   its tank switch (the channel's active flag) and the master switch are
//   on, as the hardware does; the simulator never sets a switch. An empty
//   tank stops;
// - enabled fans running up to speed with their pressure and period;
// - the sections of the configured booms following the states requested of
//   them while the master switch is on, with the booms' active width; area
//   and volume totals, per tank and sub-area as well.
// Pulse counts are added to what the store holds, so that a screen that
// zeroes one (wheel or tank calibration) counts from there; a tank level
// written meanwhile (a fill) is the level the simulation goes on from.
// step() takes the elapsed time, so tests drive it without the thread.

#include "glue/diner/Diner.h"
#include "glue/diner/Diner_protection.h"
#include "glue/diner/Timeout.h"
#include "util/Atime.h"

struct Data_store;
namespace NV_kelsu {
class parameters_t;
}

class Seed_simulator : public Diner_protection<Diner> {
public:
    static constexpr int STEP_MS = 100;
    static constexpr int MAX_TANKS = 10;
    static constexpr int MAX_FANS = 5;
    static constexpr int MAX_BOOMS = 6;
    static constexpr int MAX_SECTIONS = 10;

    // What the simulation assumes where the settings say nothing.
    static constexpr double DEMO_RATE = 100.0;           // units per hectare
    static constexpr double DEMO_WIDTH_M = 12.0;
    static constexpr double DEMO_PULSES_PER_UNIT = 720.0; // liquid meter pulses per litre
    static constexpr double DEMO_PULSES_PER_REV = 360.0;  // drive pulses per shaft turn
    static constexpr double METER_MASS_PER_REV = 0.5;     // kg a granular meter delivers a turn
    static constexpr double DEMO_WHEEL_M_PER_PULSE = 0.1;
    static constexpr double DEMO_FAN_RPM = 4000.0;
    static constexpr double DEMO_FAN_PRESSURE = 3.5;     // kPa at full speed
    static constexpr double DEMO_MAX_SHAFT_RPM = 120.0;
    static constexpr double RATE_LAG_S = 2.0;             // time constant of rates
    static constexpr double FAN_LAG_S = 3.0;

    Seed_simulator(Data_store& store, NV_kelsu::parameters_t& ps);
    ~Seed_simulator() override;

    // Marks the store as simulated and starts the module's thread "SIM".
    int init(module_man& mm);

    // Moves the simulated machine on by seconds and writes the store.
    void step(double seconds);

    void handle_event(waiter_event& event) override {}
    void handle_timeout(Timeout& t) override;
    using Diner::handle_timeout;

private:
    // A pulse counter of the store moved on by pulses; the fraction of a
    // pulse is kept in carry for the next step.
    void count_pulses(unsigned* field, double pulses, double& carry);
    // The width a tank works: its boom's (whole or the sections that are
    // on), else the machine's.
    double tank_width(int tank, const double full[], const double worked[]) const;
    void step_sections(double full[], double worked[]);
    void step_tanks(double seconds, double speed_mps, const double full[], const double worked[]);
    void step_fans(double seconds);

    Data_store& store_;
    NV_kelsu::parameters_t& ps_;
    Timeout tick_;
    Atime last_;
    bool tanks_filled_ = false;
    bool rate_given_[MAX_TANKS] = {};  // the tank's requested rate was looked at
    double motor_carry_[MAX_TANKS] = {};
    double shaft_carry_[MAX_TANKS] = {};
    double fan_carry_[MAX_FANS] = {};
    double wheel_carry_ = 0;
    double diag_wheel_carry_ = 0;
};
