// The root device element "seeder_root" (element number 0): the implement's
// work and prescription state, totals, working widths and device offsets.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"

namespace TaskController_interface {

class TC_interface_device : public TC_implement_element {
public:
    static constexpr const char* ROOT_NAME = "seeder_root";
    enum row_t {
        PD_WORK_STATE,
        PD_PRESCRIPTION_STATE,
        PD_TOTAL_AREA,
        PD_EFF_TOTAL_DIST,
        PD_EFF_TOTAL_TIME,
        PD_MAX_WORKING_WIDTH,
        PD_ACT_WORKING_WIDTH,
        PD_X_OFFSET,
        PD_Y_OFFSET,
        PD_Z_OFFSET,
        NUM_PD
    };
    // The implement's device offsets written on every refresh.
    static constexpr double OFFSET_X = 6.6;

    TC_interface_device(TC_interface* client, TC::Object_pool* pool,
                        NV_kelsu::parameters_t* params);
    ~TC_interface_device() override;

    void handle_default() override;
    // Writes the machine width and the offsets into the data store.
    void refresh_geometry();

    TC::object_id_t root_id() const;
};

} // namespace TaskController_interface
