#include "apps/sowvane/tc/TC_interface_device.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_work_states.h"

#include <cstdio>

namespace TaskController_interface {

namespace {

struct Total_row {
    const char* name;
    double multiplier;
    int change_threshold; // set on a default-data request
};

// Rows PD_TOTAL_AREA to PD_Z_OFFSET, in order; their fields follow below.
const Total_row total_rows[] = {
    {"total_area", 1000.0, 20000}, {"eff_total_dist", 1000.0, 5000},
    {"eff_total_time", 1.0, 60},   {"max_working_width", 1000.0, 1},
    {"act_working_width", 1000.0, 1}, {"x_offset", 1000.0, 1},
    {"y_offset", 1000.0, 1},       {"z_offset", 1000.0, 1},
};

} // namespace

TC_interface_device::TC_interface_device(TC_interface* client, TC::Object_pool* pool,
                                         NV_kelsu::parameters_t* params)
    : TC_implement_element(client, pool, params, 0)
{
    std::printf("Device init\n");
    std::snprintf(object_name_, sizeof object_name_, "%s", ROOT_NAME);
    if (!client_ || !pool_)
        return;
    auto* root = dynamic_cast<TC::Device_element_obj*>(find_object(pool_, ROOT_NAME));
    if (!root) {
        config_error("TC device description: the device element \"%s\" is missing", ROOT_NAME);
        return;
    }
    TC::Device_process_data_obj* work = find_pd("work_state");
    if (!work)
        return;
    bool* master = &body().operation.master_switch_active;
    add_pd(new TC_interface_device_work_state(this, params_, next_event_id(), work->get_id(),
                                              store(), master),
           DDI_ACTUAL_WORK_STATE, 1.0);
    TC::Device_process_data_obj* prescription = find_pd("prescription_state");
    if (!prescription)
        return;
    add_pd(new TC_interface_device_prescription_state(this, params_, next_event_id(),
                                                      prescription->get_id(), store(), master),
           DDI_PRESCRIPTION_CONTROL_STATE, 1.0);

    ds_example_tc_interface& tci = body().interface;
    // Both widths report the actual working width, which the refresh keeps
    // equal to the configured machine width.
    double* fields[] = {&tci.total_area,    &tci.total_distance, &tci.total_time,
                        &tci.working_width, &tci.working_width,  &tci.offset_x,
                        &tci.offset_y,      &tci.offset_z};
    const TC::Device_process_data_obj* objs[8];
    for (int k = 0; k < 8; ++k)
        if (!(objs[k] = find_pd(total_rows[k].name)))
            return;
    for (int k = 0; k < 8; ++k)
        bind_field(objs[k], fields[k], total_rows[k].multiplier);
    set_element_object(root);
    refresh_geometry();
}

TC_interface_device::~TC_interface_device() { std::printf("Deleting TC_interface_device\n"); }

TC::object_id_t TC_interface_device::root_id() const
{
    return element_obj_ ? element_obj_->get_id() : TC::TC_obj::NULL_ID;
}

void TC_interface_device::handle_default()
{
    if (pd_count() < NUM_PD)
        return;
    for (int k = 0; k < 8; ++k)
        pd(PD_TOTAL_AREA + k)->set_change_threshold(total_rows[k].change_threshold);
    pd(PD_WORK_STATE)->set_change_threshold(0);
}

void TC_interface_device::refresh_geometry()
{
    if (!element_obj_ || !params_)
        return;
    double width = params_->app.machine_width.get();
    ds_example_tc_interface& tci = body().interface;
    double x = OFFSET_X, zero = 0.0;
    cds_set_double(&store(), &tci.working_width, &width);
    cds_set_double(&store(), &tci.max_working_width, &width);
    cds_set_double(&store(), &tci.offset_x, &x);
    cds_set_double(&store(), &tci.offset_y, &zero);
    cds_set_double(&store(), &tci.offset_z, &zero);
}

} // namespace TaskController_interface
