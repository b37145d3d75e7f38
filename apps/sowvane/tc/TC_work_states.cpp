#include "apps/sowvane/tc/TC_work_states.h"

#include "util/Debug_print.h"

#include <algorithm>

namespace TaskController_interface {

TC_interface_flag_state::TC_interface_flag_state(TC_interface_device_element* element,
                                                 NV_kelsu::parameters_t* params,
                                                 unsigned long event_id, unsigned short oid,
                                                 TC::ddi_t ddi, CDS::Head& store, bool* field,
                                                 const char* message, int index)
    : TC_interface_process_data_cds<bool, unsigned int>(element, event_id, oid, ddi, store, field,
                                                        nullptr),
      params_(params),
      message_(message),
      index_(index)
{
    set_multiplier(1.0);
    if (element)
        perform_request(INITIALISE);
}

int TC_interface_flag_state::request_value() { return field_ && read_field() ? 1 : 0; }

unsigned char TC_interface_flag_state::change_value(unsigned int v)
{
    if (message_) {
        if (index_ < 0)
            Debug_print::dprint(message_, v);
        else
            Debug_print::dprint(message_, index_, v);
    }
    if (!field_)
        return TC::PDACK_NOT_SETTABLE;
    if (v > HIGHEST_STATE)
        return TC::PDACK_VALUE_NOT_CONFORMING;
    if (v > 1)
        return TC::PDACK_VALUE_OUT_OF_RANGE;
    write_field(v == 1);
    return TC::PDACK_NO_ERROR;
}

TC_interface_device_work_state::TC_interface_device_work_state(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, CDS::Head& store, bool* master_switch)
    : TC_interface_flag_state(element, params, event_id, oid, DDI_ACTUAL_WORK_STATE, store,
                              master_switch, "Change master state to %d\n", -1)
{
}

TC_interface_channel_work_state::TC_interface_channel_work_state(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, unsigned int index, CDS::Head& store, bool* active)
    : TC_interface_flag_state(element, params, event_id, oid, DDI_ACTUAL_WORK_STATE, store, active,
                              "change channel %d work state to %d\n", int(index))
{
}

TC_interface_downforce_work_state::TC_interface_downforce_work_state(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, unsigned int index, CDS::Head& store, bool* active)
    : TC_interface_flag_state(element, params, event_id, oid, DDI_ACTUAL_WORK_STATE, store, active,
                              "change downforce %d work state to %d\n", int(index))
{
}

TC_interface_device_prescription_state::TC_interface_device_prescription_state(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, CDS::Head& store, bool* master_switch)
    : TC_interface_flag_state(element, params, event_id, oid, DDI_PRESCRIPTION_CONTROL_STATE,
                              store, master_switch, nullptr, -1)
{
}

TC_interface_boom_record_pd::TC_interface_boom_record_pd(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, TC::ddi_t ddi, CDS::Head& store, ds_boom* boom, unsigned int boom_index)
    : TC_interface_process_data_cds<ds_boom, unsigned int>(element, event_id, oid, ddi, store, boom,
                                                           nullptr),
      params_(params),
      boom_index_(boom_index)
{
    set_multiplier(1.0);
}

int TC_interface_boom_record_pd::configured_sections() const
{
    if (!params_ || boom_index_ >= 6)
        return 0;
    return std::min<int>(params_->app.booms.booms[boom_index_].num_sections.get(), MAX_SECTIONS);
}

TC_interface_condensed_section_state::TC_interface_condensed_section_state(
    TC_interface_device_element* element, NV_kelsu::parameters_t* params, unsigned long event_id,
    unsigned short oid, TC::ddi_t ddi, CDS::Head& store, ds_boom* boom, unsigned int boom_index,
    unsigned int group, bool setpoint)
    : TC_interface_boom_record_pd(element, params, event_id, oid, ddi, store, boom, boom_index),
      group_(group),
      setpoint_(setpoint)
{
    if (element)
        perform_request(INITIALISE);
}

int TC_interface_condensed_section_state::handle_default()
{
    if (!in_default_set())
        return 0;
    element_->remove_timeout(interval_timer_);
    interval_timer_.set_period(DEFAULT_INTERVAL_MS);
    element_->submit_timer(interval_timer_, 1);
    return 0;
}

int TC_interface_condensed_section_state::request_value()
{
    if (!field_)
        return 0;
    ds_boom boom = read_field();
    int n = configured_sections();
    uint32_t packed = 0;
    for (unsigned k = 0; k < 16; ++k) {
        unsigned s = 16 * group_ + k;
        unsigned state = STATE_NOT_AVAILABLE;
        if (int(s) < n) {
            const ds_section& sec = boom.sections[s];
            state = reported(setpoint_ ? sec.requested_state : sec.actual_state);
        }
        packed |= uint32_t(state) << (2 * k);
    }
    return encode(packed);
}

unsigned char TC_interface_condensed_section_state::change_value(unsigned int v)
{
    if (!field_)
        return TC::PDACK_NOT_SETTABLE;
    unsigned first = 16 * group_;
    unsigned end = std::min<unsigned>(first + 16, MAX_SECTIONS);
    int mask = 0;
    for (unsigned s = first; s < end; ++s) {
        unsigned state = (v >> (2 * (s - first))) & 3u;
        ds_section& sec = field_->sections[s];
        cds_set_uint(get_head(), setpoint_ ? &sec.requested_state : &sec.actual_state, &state);
        if (state == 1)
            mask |= 1 << s;
    }
    if (setpoint_)
        cds_set_int(get_head(), &field_->boom_state, &mask);
    return TC::PDACK_NO_ERROR;
}

TC_interface_work_state::TC_interface_work_state(TC_interface_device_element* element,
                                                 NV_kelsu::parameters_t* params,
                                                 unsigned long event_id, unsigned short oid,
                                                 CDS::Head& store, ds_boom* boom,
                                                 unsigned int boom_index, unsigned int section)
    : TC_interface_boom_record_pd(element, params, event_id, oid, DDI_ACTUAL_WORK_STATE, store,
                                  boom, boom_index),
      section_(section)
{
    if (element)
        perform_request(INITIALISE);
}

int TC_interface_work_state::request_value()
{
    if (!field_ || int(section_) >= configured_sections())
        return STATE_NOT_AVAILABLE;
    ds_boom boom = read_field();
    return encode(reported(boom.sections[section_].actual_state));
}

} // namespace TaskController_interface
