#include "apps/sowvane/tc/TC_interface_channel.h"

#include "apps/sowvane/tc/TC_interface.h"
#include "apps/sowvane/tc/TC_work_states.h"

#include <cstdio>
#include <string>

namespace TaskController_interface {

namespace {

// The objects that do not depend on the channel's type, by row.
const struct {
    int row;
    const char* name;
} fixed_rows[] = {
    {TC_interface_channel::PD_WORK_STATE, "channel_pd_work"},
    {TC_interface_channel::PD_SHAFT_RPM, "chan_shaft_rpm"},
    {TC_interface_channel::PD_PRESCRIPTION_STATE, "chan_prescription_state"},
    {TC_interface_channel::PD_CULTURAL_PRACTISE, "channel_cultural_practise"},
    {TC_interface_channel::PD_TYPE_INSTANCE, "channel_type_instance"},
    {TC_interface_channel::PD_ACTUAL_WIDTH, "channel_actual_width"},
};

// The objects chosen by the type, by row.
const struct {
    int row;
    const char* suffix;
} type_rows[] = {
    {TC_interface_channel::PD_SETPOINT_RATE, "_pd_setpoint_rate"},
    {TC_interface_channel::PD_ACTUAL_RATE, "_pd_actual_rate"},
    {TC_interface_channel::PD_DEFAULT_RATE, "_pd_default_rate"},
    {TC_interface_channel::PD_FLOW_RATE, "_flow_rate"},
};

} // namespace

int configured_channel_count(unsigned char ecu_config)
{
    switch (ecu_config) {
    case 0: return 4;
    case 1: case 3: case 6: return 8;
    case 2: case 5: return 6;
    case 4: return 10;
    default: return 0;
    }
}

bool channel_is_enabled(TC_interface& client, NV_kelsu::parameters_t* params, unsigned int index)
{
    if (!params)
        return false;
    int count = configured_channel_count(params->app.ecu_config.get());
    if (index == 0)
        std::printf("Setup %d channels\n", count);
    if (int(index) >= count)
        return false;
    if (cds_get(&client.store(), &client.body().system.non_vtt_connected))
        return true;
    return params->app.channels[int(index)].enabled.get();
}

TC_interface_channel::TC_interface_channel(TC_interface* client, TC::Object_pool* pool,
                                           NV_kelsu::parameters_t* params, TC::object_id_t parent,
                                           unsigned int index)
    : TC_implement_element(client, pool, params, (unsigned short)(100 + index)),
      bin_(client, pool, params, TC::object_id_t(1100 + index), index, false),
      index_(index),
      parent_(parent)
{
    if (!has_config())
        return;
    std::snprintf(object_name_, sizeof object_name_, "chan_%u", index_);
    std::snprintf(designator_, sizeof designator_, "Channel %u", index_ + 1);
    if (!bin_.ok()) {
        stop();
        return;
    }
    const TC::Device_process_data_obj* objs[NUM_PD] = {};
    for (const auto& f : fixed_rows)
        if (!(objs[f.row] = find_pd(f.name)))
            return;
    if (!choose_type(objs))
        return;
    for (const auto* o : objs)
        children_.push_back(o->get_id());

    ds_channel& ch = body().channels.channels[index_];
    bind_field(objs[PD_SETPOINT_RATE], &ch.requested_rate, rate_multiplier_);
    bind_field(objs[PD_ACTUAL_RATE], &ch.actual_rate, rate_multiplier_);
    bind_setting(objs[PD_DEFAULT_RATE], params_->app.products[int(index_)].preset_rate_1,
                 rate_multiplier_);
    add_pd(new TC_interface_channel_work_state(this, params_, next_event_id(),
                                               objs[PD_WORK_STATE]->get_id(), index_, store(),
                                               &ch.active),
           DDI_ACTUAL_WORK_STATE, 1.0);
    bind_field(objs[PD_PRESCRIPTION_STATE], &ch.rate_control_mode, 1.0);
    bind_field(objs[PD_SHAFT_RPM], &ch.shaft_rpm, 10.0);
    bind_field(objs[PD_FLOW_RATE], &ch.flow_rate, 1.0);
    bind_field(objs[PD_CULTURAL_PRACTISE], &ch.cultural_practise, 1.0);
    int practise = CULTURAL_PRACTISE;
    cds_set_int(&store(), &ch.cultural_practise, &practise);
    bind_field(objs[PD_TYPE_INSTANCE], &ch.type_instance, 1.0);
    int instance = int(index_);
    cds_set_int(&store(), &ch.type_instance, &instance);
    bind_field(objs[PD_ACTUAL_WIDTH], &ch.active_width, 1000.0);
    if (!create_element_object(TC::Device_element_obj::FUNCTION, parent_, children_))
        return;
    refresh_enabled();
}

bool TC_interface_channel::choose_type(const TC::Device_process_data_obj* objs[NUM_PD])
{
    unsigned char mode = params_->app.channels[int(index_)].mode.get();
    if (mode == 0) {
        prefix_ = "chanmass";
        rate_multiplier_ = 100.0;
    } else if (mode == 1 || mode == 2) {
        prefix_ = "chanvol";
        rate_multiplier_ = 10000.0;
    } else {
        prefix_ = "chancount";
        rate_multiplier_ = 100.0;
    }
    for (const auto& t : type_rows)
        if (!(objs[t.row] = find_pd((std::string(prefix_) + t.suffix).c_str())))
            return false;
    return true;
}

void TC_interface_channel::refresh_enabled()
{
    if (element_obj_)
        element_obj_->set_enabled(channel_is_enabled(*client_, params_, index_));
    bin_.refresh_enabled();
    bin_.update_type_based_process_data();
}

void TC_interface_channel::update_type_based_process_data()
{
    if (!ok() || pd_count() < NUM_PD)
        return;
    const TC::Device_process_data_obj* objs[NUM_PD] = {};
    if (!choose_type(objs))
        return;
    for (const auto& t : type_rows) {
        retarget(t.row, objs[t.row], t.row == PD_FLOW_RATE ? 1.0 : rate_multiplier_);
        children_[t.row] = objs[t.row]->get_id();
    }
    set_children(children_);
}

void TC_interface_channel::handle_default()
{
    if (pd_count() < NUM_PD)
        return;
    for (int row : {PD_ACTUAL_RATE, PD_SHAFT_RPM, PD_FLOW_RATE})
        pd(row)->set_timeout(DEFAULT_INTERVAL_MS);
    pd(PD_WORK_STATE)->set_change_threshold(0);
    pd(PD_PRESCRIPTION_STATE)->set_change_threshold(0);
}

} // namespace TaskController_interface
