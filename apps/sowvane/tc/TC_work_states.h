// The implement's own process data over data-store records: the on/off work
// states over one bool (root device, channel, downforce), the prescription
// state, the section work state and the boom's condensed section states
// over a whole boom record (two bits per section: 0 off, 1 on, 2 error,
// 3 not available).
#pragma once

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/params/parameters.h"
#include "tc_client/TC_interface_process_data_cds.h"

namespace TaskController_interface {

constexpr TC::ddi_t DDI_ACTUAL_WORK_STATE = 0x008D;
constexpr TC::ddi_t DDI_PRESCRIPTION_CONTROL_STATE = 0x009E;
constexpr TC::ddi_t DDI_ACTUAL_CONDENSED_WORK_STATE = 0x00A1;
constexpr TC::ddi_t DDI_SETPOINT_CONDENSED_WORK_STATE = 0x0122;
constexpr TC::ddi_t DDI_ACTUAL_WORKING_WIDTH = 0x0043;

// A switch the task controller sets with 1 (on) or 0 (off); other values
// are reported, change nothing and are refused (2 and 3 are states the
// implement reports but cannot be set to; higher ones are no work state).
// The default-data request sends it and leaves its triggers to its element.
class TC_interface_flag_state : public TC_interface_process_data_cds<bool, unsigned int> {
public:
    // 0 off, 1 on, 2 error, 3 not available.
    static constexpr unsigned HIGHEST_STATE = 3;

    // `message` is printed on every set value with the index and the value.
    TC_interface_flag_state(TC_interface_device_element* element, NV_kelsu::parameters_t* params,
                            unsigned long event_id, unsigned short oid, TC::ddi_t ddi,
                            CDS::Head& store, bool* field, const char* message, int index);

    int handle_other_event(waiter_event&) override { return 0; }
    int handle_default() override { return send_default_value(); }
    int request_value() override;
    unsigned char change_value(unsigned int v) override;

protected:
    NV_kelsu::parameters_t* params_;
    const char* message_;
    int index_;
};

class TC_interface_device_work_state : public TC_interface_flag_state {
public:
    TC_interface_device_work_state(TC_interface_device_element* element,
                                   NV_kelsu::parameters_t* params, unsigned long event_id,
                                   unsigned short oid, CDS::Head& store, bool* master_switch);
};

class TC_interface_channel_work_state : public TC_interface_flag_state {
public:
    TC_interface_channel_work_state(TC_interface_device_element* element,
                                    NV_kelsu::parameters_t* params, unsigned long event_id,
                                    unsigned short oid, unsigned int index, CDS::Head& store,
                                    bool* active);
};

class TC_interface_downforce_work_state : public TC_interface_flag_state {
public:
    TC_interface_downforce_work_state(TC_interface_device_element* element,
                                      NV_kelsu::parameters_t* params, unsigned long event_id,
                                      unsigned short oid, unsigned int index, CDS::Head& store,
                                      bool* active);
};

// Reports whether the master switch is on (1) or off (0); the task
// controller cannot set it.
class TC_interface_device_prescription_state : public TC_interface_flag_state {
public:
    TC_interface_device_prescription_state(TC_interface_device_element* element,
                                           NV_kelsu::parameters_t* params, unsigned long event_id,
                                           unsigned short oid, CDS::Head& store,
                                           bool* master_switch);
    unsigned char change_value(unsigned int) override { return TC::PDACK_NOT_SETTABLE; }
};

// Process data over the whole record of boom b: any change in it wakes them.
class TC_interface_boom_record_pd : public TC_interface_process_data_cds<ds_boom, unsigned int> {
public:
    static constexpr int MAX_SECTIONS = 10;
    static constexpr unsigned STATE_ERROR = 2;
    static constexpr unsigned STATE_NOT_AVAILABLE = 3;

    TC_interface_boom_record_pd(TC_interface_device_element* element,
                                NV_kelsu::parameters_t* params, unsigned long event_id,
                                unsigned short oid, TC::ddi_t ddi, CDS::Head& store,
                                ds_boom* boom, unsigned int boom_index);

    int handle_other_event(waiter_event&) override { return 0; }

protected:
    // The boom's configured section count, limited to the ten records.
    int configured_sections() const;
    // A stored state as sent: 0, 1 and 3 as they are, anything else 2.
    static unsigned reported(unsigned state) { return state <= 1 || state == 3 ? state : 2; }

    NV_kelsu::parameters_t* params_;
    unsigned int boom_index_;
};

// Two bits per section of a run of 16 sections (group), section 0 lowest.
class TC_interface_condensed_section_state : public TC_interface_boom_record_pd {
public:
    static constexpr int DEFAULT_INTERVAL_MS = 1000;

    TC_interface_condensed_section_state(TC_interface_device_element* element,
                                         NV_kelsu::parameters_t* params, unsigned long event_id,
                                         unsigned short oid, TC::ddi_t ddi, CDS::Head& store,
                                         ds_boom* boom, unsigned int boom_index,
                                         unsigned int group, bool setpoint);

    // Reports every second from now on, first 1 ms from now.
    int handle_default() override;
    int request_value() override;
    // Writes each section's state; the setpoint also writes the mask of the
    // sections commanded on into boom_state.
    unsigned char change_value(unsigned int v) override;

private:
    unsigned int group_;
    bool setpoint_;
};

// The actual (false) or setpoint (true) condensed work state of a boom.
template <bool SETPOINT>
class TC_interface_condensed_state_of : public TC_interface_condensed_section_state {
public:
    TC_interface_condensed_state_of(TC_interface_device_element* element,
                                    NV_kelsu::parameters_t* params, unsigned long event_id,
                                    unsigned short oid, CDS::Head& store, ds_boom* boom,
                                    unsigned int boom_index, unsigned int group)
        : TC_interface_condensed_section_state(
              element, params, event_id, oid,
              SETPOINT ? DDI_SETPOINT_CONDENSED_WORK_STATE : DDI_ACTUAL_CONDENSED_WORK_STATE,
              store, boom, boom_index, group, SETPOINT)
    {
    }
};
using TC_interface_actual_condensed_section_state = TC_interface_condensed_state_of<false>;
using TC_interface_setpoint_condensed_section_state = TC_interface_condensed_state_of<true>;

// The actual work state of one section: 3 beyond the configured count;
// set values are refused (the implement reports it, nobody sets it). The
// default-data request sends it and leaves its triggers to its element.
class TC_interface_work_state : public TC_interface_boom_record_pd {
public:
    TC_interface_work_state(TC_interface_device_element* element, NV_kelsu::parameters_t* params,
                            unsigned long event_id, unsigned short oid, CDS::Head& store,
                            ds_boom* boom, unsigned int boom_index, unsigned int section);

    int handle_default() override { return send_default_value(); }
    int request_value() override;
    unsigned char change_value(unsigned int) override { return TC::PDACK_NOT_SETTABLE; }

private:
    unsigned int section_;
};

} // namespace TaskController_interface
