#include "apps/sowvane/tc/TC_interface_boom.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_work_states.h"

#include <cstdio>

namespace TaskController_interface {

TC_interface_boom::TC_interface_boom(TC_interface* client, TC::Object_pool* pool,
                                     NV_kelsu::parameters_t* params, TC::object_id_t parent,
                                     unsigned int index)
    : TC_implement_element(client, pool, params, (unsigned short)(1000 + 100 * index)),
      index_(index)
{
    if (!client_ || !pool_)
        return;
    std::snprintf(object_name_, sizeof object_name_, "boom_%u", index_);
    std::snprintf(designator_, sizeof designator_, "Boom %u", index_ + 1);
    ds_boom* record = &body().booms.boom[index_];
    std::vector<TC::object_id_t> children;

    const TC::Device_process_data_obj* actual = find_pd("boom_pd_actual_condensed");
    if (!actual)
        return;
    children.push_back(actual->get_id());
    add_pd(new TC_interface_actual_condensed_section_state(this, params_, next_event_id(),
                                                           actual->get_id(), store(), record,
                                                           index_, 0),
           DDI_ACTUAL_CONDENSED_WORK_STATE, 1.0);
    const TC::Device_process_data_obj* setpoint = find_pd("boom_pd_setpoint_condensed");
    if (!setpoint)
        return;
    children.push_back(setpoint->get_id());
    add_pd(new TC_interface_setpoint_condensed_section_state(this, params_, next_event_id(),
                                                             setpoint->get_id(), store(), record,
                                                             index_, 0),
           DDI_SETPOINT_CONDENSED_WORK_STATE, 1.0);
    const TC::Device_process_data_obj* width = find_pd("boom_pd_active_width");
    if (!width)
        return;
    children.push_back(width->get_id());
    bind_field(width, &record->active_width, 1000.0, DDI_ACTUAL_WORKING_WIDTH);

    if (!create_element_object(TC::Device_element_obj::FUNCTION, parent, children))
        return;
    refresh_layout();
    if (!params_)
        return;
    TC::object_id_t own_id = element_obj_->get_id();
    for (int s = 0; s < NUM_SECTIONS; ++s) {
        sections_[s] = new TC_interface_section(client_, pool_, params_, own_id, index_,
                                                unsigned(s), is_on());
        if (!sections_[s]->ok())
            return;
    }
}

TC_interface_boom::~TC_interface_boom()
{
    for (auto*& s : sections_) {
        delete s;
        s = nullptr;
    }
}

void TC_interface_boom::refresh_layout()
{
    if (!params_)
        return;
    NV_kelsu::boom_t& cfg = params_->app.booms.booms[int(index_)];
    int num_booms = params_->app.booms.num_booms.get();
    if (element_obj_) {
        bool enabled = int(index_) < num_booms;
        if (cfg.type.get() == DOWNFORCE_BOOM_TYPE) {
            std::printf("Found a downforce boom\n");
            if (!params_->app.drill_control_enabled.get())
                enabled = false;
        }
        element_obj_->set_enabled(enabled);
        if (index_ == 0)
            std::printf("Setup %d booms\n", num_booms);
    }
    float mw = params_->app.machine_width.get();
    int n = cfg.num_sections.get();
    bool on = is_on();
    // Each section's lateral offset is its centre, measured from the middle
    // of the machine; the fore-aft offset steps back 1.1 m per boom.
    float x = -0.5f * mw;
    for (int s = 0; s < NUM_SECTIONS && s < n; ++s) {
        float h = float(cfg.sections[s].width.get() * 0.5);
        if (s > 0)
            h = float(double(h) + cfg.sections[s - 1].width.get() * 0.5);
        x = x + h;
        cfg.sections[s].offset_y.set(double(x));
        cfg.sections[s].offset_x.set(double(6u - index_) * 1.1);
    }
    for (auto* section : sections_)
        if (section)
            section->refresh_enabled(on);
}

void TC_interface_boom::handle_default()
{
    if (pd_count() < NUM_PD)
        return;
    pd(PD_ACTUAL_CONDENSED_WORK_STATE0)->set_change_threshold(0);
    pd(PD_SETPOINT_CONDENSED_WORK_STATE0)->set_change_threshold(0);
    pd(PD_ACTIVE_BOOM_WIDTH)->set_change_threshold(1);
}

} // namespace TaskController_interface
