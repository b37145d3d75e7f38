// One downforce (row-unit pressure) channel: setpoint, actual value, work
// state and classification, over its own record of the data store.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"

namespace TaskController_interface {

// Only the first downforce, and only with drill control and without a VT.
bool downforce_is_enabled(TC_interface& client, NV_kelsu::parameters_t* params,
                          unsigned int index);

class TC_interface_downforce : public TC_implement_element {
public:
    enum row_t {
        PD_SETPOINT,
        PD_ACTUAL,
        PD_WORK_STATE,
        PD_PRESCRIPTION_STATE,
        PD_CULTURAL_PRACTISE,
        PD_TYPE_INSTANCE,
        PD_ACTUAL_WIDTH,
        NUM_PD
    };
    static constexpr double MULTIPLIER = 1000.0;

    TC_interface_downforce(TC_interface* client, TC::Object_pool* pool,
                           NV_kelsu::parameters_t* params, TC::object_id_t parent,
                           unsigned int index);

    void refresh_enabled();
    void handle_default() override;

private:
    unsigned int index_;
};

} // namespace TaskController_interface
