#pragma once
// Stands in for the metering hardware when the program runs without a serial
// port: every 100 ms it moves the simulated machine on and writes what the
// hardware would report into the live data store, so that the screens and
// the task controller see a plausible running seeder:
// - ground speed from the speed source, else the manual speed setting, with
//   the wheel sensor's period and pulse count;
// - per tank in use: the requested rate (from the store, else the tank's
//   current-rate setting, else a demonstration rate), an actual rate that
//   follows it within seconds, shaft speed, set and actual drive periods,
//   motor pulses, load and current, and the product left, falling with what
//   is applied; an empty tank stops;
// - enabled fans running up to speed with their pressure and period;
// - the sections of the configured booms following the states requested of
//   them, with the booms' active width; area and volume totals.
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

    // What the simulation assumes where the settings say nothing.
    static constexpr double DEMO_RATE = 100.0;         // per hectare
    static constexpr double DEMO_WIDTH_M = 12.0;
    static constexpr double DEMO_UNITS_PER_REV = 0.5;  // metered per shaft turn
    static constexpr double DEMO_PULSES_PER_REV = 360.0;
    static constexpr double DEMO_WHEEL_PULSES_PER_M = 10.0;
    static constexpr double DEMO_FAN_RPM = 4000.0;
    static constexpr double DEMO_FAN_PRESSURE = 3.5;   // kPa at full speed
    static constexpr double DEMO_MAX_SHAFT_RPM = 120.0;
    static constexpr double RATE_LAG_S = 2.0;           // time constant of rates
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
    void step_tanks(double seconds, double speed_kmh, double area_rate, bool& applying);
    void step_fans(double seconds);
    void step_sections();

    Data_store& store_;
    NV_kelsu::parameters_t& ps_;
    Timeout tick_;
    Atime last_;
    bool tanks_filled_ = false;
    double remaining_[MAX_TANKS] = {};
    double motor_pulses_[MAX_TANKS] = {};
    double wheel_pulses_ = 0;
};
