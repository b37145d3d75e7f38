// Process data bound to one persistent setting of the parameter tree. A
// change of the setting from anywhere runs "send if needed"; a set value
// from the task controller sets the setting, which notifies every other
// subscriber and marks the parameters for saving.
#pragma once

#include "glue/NV_store/NV_access.h"
#include "glue/NV_store/NV_number.h"
#include "tc_client/TC_interface_device_element.h"
#include "tc_client/TC_interface_process_data.h"
#include "util/Debug_print.h"

namespace TaskController_interface {

template <typename T, int CODE>
class TC_interface_process_data_nv_basic : public TC_interface_process_data<T>,
                                           private NV_store::Virt_access {
public:
    using Setting = NV_store::NV_number<T, CODE>;

    TC_interface_process_data_nv_basic(TC_interface_device_element* element, unsigned short oid,
                                       TC::ddi_t ddi, Setting& setting)
        : TC_interface_process_data<T>(element, oid, ddi, nullptr),
          NV_store::Virt_access(&setting),
          setting_(&setting)
    {
        if (element) {
            if (waiter_descriptor* w = element->get_waiter())
                registered_ = NV_store::Virt_access::autoreg(w, true) == 1;
            this->perform_request(TC_interface_process_data_base::INITIALISE);
        }
    }
    ~TC_interface_process_data_nv_basic() override
    {
        if (registered_ && this->element_)
            NV_store::Virt_access::autounreg(this->element_->get_waiter());
    }

    // The setting changed.
    void handle_event() override
    {
        this->perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    }
    int handle_other_event(waiter_event&) override
    {
        Debug_print::dprint("OTHER EVENT??\n");
        return 0;
    }

    void set_read_only() { read_only_ = true; }

    int request_value() override
    {
        Debug_base<_JDB, _JDB::jdb_enum>::print(
            _JDB::TC_CLIENT, "TC Interface Process Data nv basic request value for ddi:%x\n",
            this->ddi_);
        return this->encode(setting_->get());
    }
    unsigned char change_value(unsigned int v) override
    {
        if (read_only_)
            return TC::PDACK_NOT_SETTABLE;
        Debug_base<_JDB, _JDB::jdb_enum>::print(_JDB::TC_CLIENT,
                                                "TC Interface process data nv basic change value\n");
        setting_->set(this->decode(int(v)));
        return TC::PDACK_NO_ERROR;
    }

    Setting* get_setting() const { return setting_; }

private:
    Setting* setting_;
    bool read_only_ = false;
    bool registered_ = false;
};

} // namespace TaskController_interface
