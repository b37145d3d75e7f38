// One section of a boom: its actual work state and its geometry (offsets
// and width, from the parameters).
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"

namespace TaskController_interface {

class TC_interface_section : public TC_implement_element {
public:
    enum row_t { PD_WORK_STATE, PD_OFFSET_X, PD_OFFSET_Y, PD_OFFSET_Z, PD_WORKING_WIDTH, NUM_PD };

    TC_interface_section(TC_interface* client, TC::Object_pool* pool,
                         NV_kelsu::parameters_t* params, uint16_t parent, unsigned int boom,
                         unsigned int section, bool boom_on);

    // Enabled while the boom is and the section is within its count.
    void refresh_enabled(bool boom_on);
    void handle_default() override;

private:
    unsigned int boom_;
    unsigned int section_;
};

} // namespace TaskController_interface
