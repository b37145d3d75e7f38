// The bin (tank) of one channel: its content in mass, volume or count as the
// channel's content kind says, its content setpoint and maximum content.
#pragma once

#include "apps/sowvane/tc/TC_implement_element.h"

namespace TaskController_interface {

class TC_interface_bin : public TC_implement_element {
public:
    enum row_t { PD_SETPOINT, PD_ACTUAL, PD_MAX, NUM_PD };
    // The description's property that every bin's own instance property
    // copies (DDI, designator, presentation); the bin's index is its value.
    static constexpr const char* PROPERTY_NAME = "element_type_instance";
    // Object id of bin i's own property: beside the bins' element objects.
    static constexpr unsigned PROPERTY_ID_BASE = 1160;

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
    // The bin's own instance property, null when none was built.
    TC::Device_property_obj* instance_property() const { return property_; }

private:
    // Chooses prefix and multiplier from the content kind; with
    // `at_construction` an unknown kind is taken as mass, later it keeps the
    // kind in force. Then finds the three objects.
    bool choose_kind(bool at_construction, const TC::Device_process_data_obj* objs[NUM_PD]);
    // Builds the bin's instance property after the description's template
    // and adds it to the pool; false (the element stopped) when it cannot.
    bool create_instance_property();

    unsigned int index_;
    bool placeholder_;
    TC::object_id_t parent_;
    const char* prefix_ = nullptr;
    double multiplier_ = 1.0;
    TC::Device_property_obj* property_ = nullptr;
    std::vector<TC::object_id_t> children_;
};

} // namespace TaskController_interface
