// Process data bound to one field of the live data store. Every change of
// the field runs "send if needed", so the task controller learns of changes
// under the variable's thresholds; the basic variant also writes received
// set values into the field with its change event.
#pragma once

#include "glue/cds/Access.h"
#include "tc_client/TC_interface_device_element.h"
#include "tc_client/TC_interface_process_data.h"
#include "util/Bugger.h"

namespace TaskController_interface {

// T is the field's type, U the value type of the process datum; reading and
// writing the field is left to derived classes.
template <typename T, typename U>
class TC_interface_process_data_cds : public TC_interface_process_data<U>, public CDS::Virt_access {
public:
    TC_interface_process_data_cds(TC_interface_device_element* element, unsigned long event_id,
                                  unsigned short oid, TC::ddi_t ddi, CDS::Head& store, T* field,
                                  TC::Client::Device_process_data_obj* pool_object)
        : TC_interface_process_data<U>(element, oid, ddi, pool_object),
          event_id_(event_id),
          field_(field)
    {
        // Bound whenever there is a field, so that reading it never finds an
        // unbound handle; change events only with an element.
        if (field)
            CDS::Access_base::init(&store, store.offset_of(field), int(sizeof(T)));
        if (element && field) {
            if (waiter_descriptor* w = element->get_waiter()) {
                store.lock();
                registered_ = CDS::Virt_access::autoreg(w) == 0;
                store.unlock();
            }
        }
    }
    ~TC_interface_process_data_cds() override
    {
        if (registered_ && this->element_) {
            CDS::Head* store = get_head();
            store->lock();
            CDS::Virt_access::autounreg(this->element_->get_waiter());
            store->unlock();
        }
    }

    // The bound field changed.
    void handle_event() override
    {
        this->perform_request(TC_interface_process_data_base::SEND_IF_NEEDED);
    }
    int handle_other_event(waiter_event&) override { return 0; }

    unsigned long get_event_id() const { return event_id_; }
    T* get_field() const { return field_; }

protected:
    T read_field()
    {
        T v{};
        check_bound();
        get_head()->read(&v, field_, int(sizeof(T)));
        return v;
    }
    void write_field(const T& v)
    {
        check_bound();
        get_head()->write(field_, &v, int(sizeof(T)), nullptr);
    }

    unsigned long event_id_;
    T* field_;

private:
    void check_bound() const
    {
        if (!get_head() || !field_)
            Bugger::report_bug("CDS: Tried to set with no init");
    }
    bool registered_ = false;
};

// The field holds the value itself.
template <typename T>
class TC_interface_process_data_cds_basic : public TC_interface_process_data_cds<T, T> {
public:
    TC_interface_process_data_cds_basic(TC_interface_device_element* element, unsigned short oid,
                                        TC::ddi_t ddi, unsigned long event_id, CDS::Head& store,
                                        T* field, TC::Client::Device_process_data_obj* pool_object)
        : TC_interface_process_data_cds<T, T>(element, event_id, oid, ddi, store, field, pool_object)
    {
        if (element)
            this->perform_request(TC_interface_process_data_base::INITIALISE);
    }

    void set_read_only() { read_only_ = true; }

    int request_value() override
    {
        Debug_base<_JDB, _JDB::jdb_enum>::print(
            _JDB::TC_CLIENT, "TC Interface Process Data cds basic request value for ddi:%x\n",
            this->ddi_);
        if (!this->field_)
            return 0;
        return this->encode(this->read_field());
    }
    unsigned char change_value(unsigned int v) override
    {
        if (read_only_ || !this->field_)
            return TC::PDACK_NOT_SETTABLE;
        Debug_base<_JDB, _JDB::jdb_enum>::print(
            _JDB::TC_CLIENT, "TC Interface process data cds basic change value\n");
        this->write_field(this->decode(int(v)));
        return TC::PDACK_NO_ERROR;
    }

private:
    bool read_only_ = false;
};

} // namespace TaskController_interface
