#include "apps/sowvane/tc/TC_interface_section.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_work_states.h"

#include <cstdio>

namespace TaskController_interface {

TC_interface_section::TC_interface_section(TC_interface* client, TC::Object_pool* pool,
                                           NV_kelsu::parameters_t* params, uint16_t parent,
                                           unsigned int boom, unsigned int section, bool boom_on)
    : TC_implement_element(client, pool, params, (unsigned short)(1001 + 100 * boom + section)),
      boom_(boom),
      section_(section)
{
    if (!has_config())
        return;
    std::snprintf(object_name_, sizeof object_name_, "sect_%u.%u", boom_, section_);
    std::snprintf(designator_, sizeof designator_, "Boom %u Section %u", boom_ + 1, section_ + 1);
    NV_kelsu::section_t& geometry = params_->app.booms.booms[int(boom_)].sections[int(section_)];
    std::vector<TC::object_id_t> children;

    const TC::Device_process_data_obj* work = find_pd("section_pd_work");
    if (!work)
        return;
    children.push_back(work->get_id());
    add_pd(new TC_interface_work_state(this, params_, next_event_id(), work->get_id(), store(),
                                       &body().booms.boom[boom_], boom_, section_),
           DDI_ACTUAL_WORK_STATE, 1.0);
    const struct {
        const char* name;
        NV_store::NV_number<double, 11>& setting;
    } rows[] = {{"section_pd_x", geometry.offset_x},
                {"section_pd_y", geometry.offset_y},
                {"section_pd_z", geometry.offset_z},
                {"section_pd_width", geometry.width}};
    for (const auto& r : rows) {
        const TC::Device_process_data_obj* obj = find_pd(r.name);
        if (!obj)
            return;
        children.push_back(obj->get_id());
        bind_setting(obj, r.setting, 1000.0);
    }
    if (!create_element_object(TC::Device_element_obj::SECTION, parent, children))
        return;
    refresh_enabled(boom_on);
}

void TC_interface_section::refresh_enabled(bool boom_on)
{
    if (!element_obj_)
        return;
    bool enabled = false;
    if (boom_on) {
        enabled = int(section_) < params_->app.booms.booms[int(boom_)].num_sections.get();
        std::printf("Set boom %u, section %u state to %d\n", boom_, section_, enabled ? 1 : 0);
    }
    element_obj_->set_enabled(enabled);
}

void TC_interface_section::handle_default()
{
    if (pd(PD_WORK_STATE))
        pd(PD_WORK_STATE)->set_change_threshold(1);
}

} // namespace TaskController_interface
