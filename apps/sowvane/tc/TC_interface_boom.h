// One boom: section control through the setpoint and actual condensed work
// states, the boom's active width, its ten sections and their geometry.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"
#include "apps/sowvane/tc/TC_interface_section.h"

namespace TaskController_interface {

class TC_interface_boom : public TC_implement_element {
public:
    enum row_t {
        PD_ACTUAL_CONDENSED_WORK_STATE0,
        PD_SETPOINT_CONDENSED_WORK_STATE0,
        PD_ACTIVE_BOOM_WIDTH,
        NUM_PD
    };
    static constexpr int NUM_SECTIONS = 10;
    static constexpr unsigned char DOWNFORCE_BOOM_TYPE = 3;

    TC_interface_boom(TC_interface* client, TC::Object_pool* pool, NV_kelsu::parameters_t* params,
                      TC::object_id_t parent, unsigned int index);
    ~TC_interface_boom() override;

    // Enable rule and the sections' lateral and fore-aft offsets.
    void refresh_layout();
    void handle_default() override;

    TC_interface_section* section(int s) const
    {
        return s >= 0 && s < NUM_SECTIONS ? sections_[s] : nullptr;
    }

private:
    bool is_on() const { return element_obj_ && element_obj_->is_enabled(); }

    unsigned int index_;
    TC_interface_section* sections_[NUM_SECTIONS] = {};
};

} // namespace TaskController_interface
