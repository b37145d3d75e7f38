// One metering channel: the task controller sets its rate and switches it,
// and reads back the actual rate, flow, shaft speed, width and the
// channel's classification. The channel's bin is a member.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"
#include "apps/sowvane/tc/TC_interface_bin.h"

namespace TaskController_interface {

// How many channels an ECU configuration has (0 for an unknown one).
int configured_channel_count(unsigned char ecu_config);
// Whether channel `index` takes part: below the configured count, and then
// always without a VT, else as its own `enabled` setting says.
bool channel_is_enabled(TC_interface& client, NV_kelsu::parameters_t* params, unsigned int index);

class TC_interface_channel : public TC_implement_element {
public:
    enum row_t {
        PD_SETPOINT_RATE,
        PD_ACTUAL_RATE,
        PD_DEFAULT_RATE,
        PD_WORK_STATE,
        PD_PRESCRIPTION_STATE,
        PD_SHAFT_RPM,
        PD_FLOW_RATE,
        PD_CULTURAL_PRACTISE,
        PD_TYPE_INSTANCE,
        PD_ACTUAL_WIDTH,
        NUM_PD
    };
    static constexpr int CULTURAL_PRACTISE = 2;

    TC_interface_channel(TC_interface* client, TC::Object_pool* pool,
                         NV_kelsu::parameters_t* params, TC::object_id_t parent,
                         unsigned int index);

    void refresh_enabled();
    // Follows a change of the channel's mode: the rate data move to the
    // objects of the new type.
    void update_type_based_process_data();
    void handle_default() override;

    TC_interface_bin& bin() { return bin_; }
    double rate_multiplier() const { return rate_multiplier_; }
    const char* prefix() const { return prefix_; }

private:
    // Chooses prefix and rate multiplier from the mode and finds the four
    // objects of rows 0, 1, 2 and 6.
    bool choose_type(const TC::Device_process_data_obj* objs[NUM_PD]);

    TC_interface_bin bin_;
    unsigned int index_;
    TC::object_id_t parent_;
    const char* prefix_ = nullptr;
    double rate_multiplier_ = 1.0;
    std::vector<TC::object_id_t> children_;
};

} // namespace TaskController_interface
