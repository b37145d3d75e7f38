#include "apps/sowvane/tc/TC_interface_downforce.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_interface_channel.h"
#include "apps/sowvane/tc/TC_work_states.h"

#include <cstdio>

namespace TaskController_interface {

namespace {
const char* const row_names[TC_interface_downforce::NUM_PD] = {
    "downforce_pd_setpoint",   "downforce_pd_actual",       "channel_pd_work",
    "chan_prescription_state", "channel_cultural_practise", "channel_type_instance",
    "channel_actual_width",
};
} // namespace

bool downforce_is_enabled(TC_interface& client, NV_kelsu::parameters_t* params,
                          unsigned int index)
{
    return params && index == 0 &&
           cds_get(&client.store(), &client.body().system.non_vtt_connected) &&
           params->app.drill_control_enabled.get();
}

TC_interface_downforce::TC_interface_downforce(TC_interface* client, TC::Object_pool* pool,
                                               NV_kelsu::parameters_t* params,
                                               TC::object_id_t parent, unsigned int index)
    : TC_implement_element(client, pool, params, (unsigned short)(200 + index)), index_(index)
{
    if (!has_config())
        return;
    std::snprintf(object_name_, sizeof object_name_, "dforce_%u", index_);
    std::snprintf(designator_, sizeof designator_, "Downforce %u", index_ + 1);
    const TC::Device_process_data_obj* objs[NUM_PD];
    std::vector<TC::object_id_t> children;
    for (int k = 0; k < NUM_PD; ++k) {
        if (!(objs[k] = find_pd(row_names[k])))
            return;
        children.push_back(objs[k]->get_id());
    }
    ds_channel& df = body().downforces.channels[index_];
    bind_field(objs[PD_SETPOINT], &df.requested_rate, MULTIPLIER);
    bind_field(objs[PD_ACTUAL], &df.actual_rate, MULTIPLIER);
    add_pd(new TC_interface_downforce_work_state(this, params_, next_event_id(),
                                                 objs[PD_WORK_STATE]->get_id(), index_, store(),
                                                 &df.active),
           DDI_ACTUAL_WORK_STATE, 1.0);
    bind_field(objs[PD_PRESCRIPTION_STATE], &df.rate_control_mode, 1.0);
    bind_field(objs[PD_CULTURAL_PRACTISE], &df.cultural_practise, 1.0);
    int practise = 2;
    cds_set_int(&store(), &df.cultural_practise, &practise);
    bind_field(objs[PD_TYPE_INSTANCE], &df.type_instance, 1.0);
    int instance = int(index_);
    cds_set_int(&store(), &df.type_instance, &instance);
    bind_field(objs[PD_ACTUAL_WIDTH], &df.active_width, MULTIPLIER);
    if (!create_element_object(TC::Device_element_obj::FUNCTION, parent, children))
        return;
    refresh_enabled();
}

void TC_interface_downforce::refresh_enabled()
{
    if (element_obj_)
        element_obj_->set_enabled(downforce_is_enabled(*client_, params_, index_));
}

void TC_interface_downforce::handle_default()
{
    if (pd_count() < NUM_PD)
        return;
    pd(PD_ACTUAL)->set_timeout(DEFAULT_INTERVAL_MS);
    pd(PD_WORK_STATE)->set_change_threshold(0);
    pd(PD_PRESCRIPTION_STATE)->set_change_threshold(0);
}

} // namespace TaskController_interface
