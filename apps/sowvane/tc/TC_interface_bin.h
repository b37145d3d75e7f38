// The bin (tank) of one channel: its content in mass, volume or count as the
// channel's content kind says, its content setpoint and maximum content.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"

namespace TaskController_interface {

class TC_interface_bin : public TC_implement_element {
public:
    enum row_t { PD_SETPOINT, PD_ACTUAL, PD_MAX, NUM_PD };
    static constexpr const char* PROPERTY_NAME = "element_type_instance";

    // A placeholder looks nothing up and builds nothing.
    TC_interface_bin(TC_interface* client, TC::Object_pool* pool, NV_kelsu::parameters_t* params,
                     TC::object_id_t parent, unsigned int index, bool placeholder);
    ~TC_interface_bin() override;

    void refresh_enabled();
    // Follows a change of the content kind: the three data move to the
    // objects of the new kind.
    void update_type_based_process_data();
    void handle_default() override;

    double content_multiplier() const { return multiplier_; }
    const char* prefix() const { return prefix_; }

private:
    // Chooses prefix and multiplier from the content kind; with
    // `at_construction` an unknown kind is taken as mass, later it keeps the
    // kind in force. Then finds the three objects.
    bool choose_kind(bool at_construction, const TC::Device_process_data_obj* objs[NUM_PD]);

    unsigned int index_;
    bool placeholder_;
    TC::object_id_t parent_;
    const char* prefix_ = nullptr;
    double multiplier_ = 1.0;
    std::vector<TC::object_id_t> children_;
};

} // namespace TaskController_interface
