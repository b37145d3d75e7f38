// A process-data variable: one value of the implement served to the task
// controller under one element number and DDI. The base decides when the
// value is sent (request, set value, time interval, threshold band, change
// threshold, default-data request) on the encoded 32-bit value; the typed
// template converts between its value type and that encoded value.
#pragma once

#include "glue/diner/Timeout.h"
#include "platform/tc/TC_device_objects.h"
#include "platform/tc/TC_message.h"
#include "tc_client/TC_process_data_codec.h"
#include "util/Debug_base.h"

#include <climits>

struct waiter_event;

namespace TC {
class Object_pool;
}

namespace TaskController_interface {

class TC_interface_device_element;

class TC_interface_process_data_api {
public:
    virtual int handle_other_event(waiter_event& event) = 0;
    virtual int handle_pd_timeout(Timeout& t) = 0;
    virtual int handle_tc_event(TC::Object_pool* pool, waiter_event& event) = 0;
    virtual int handle_default() = 0;
    // The bound value now, encoded.
    virtual int request_value() = 0;
    // Writes a received encoded value into the bound value; the process-data
    // acknowledge's error bits when the value is refused, 0 when taken.
    virtual unsigned char change_value(unsigned int value) = 0;
    // Drops every trigger the task controller (or a default-data request)
    // set: interval, thresholds, change threshold.
    virtual void clear_triggers() = 0;

protected:
    virtual ~TC_interface_process_data_api() = default;
};

// A timer that knows the process datum it belongs to, so that the client
// core can hand its expiry back.
class PD_timeout : public Timeout {
public:
    explicit PD_timeout(TC_interface_process_data_api* owner) : owner_(owner) {}
    TC_interface_process_data_api* get_owner() const { return owner_; }

private:
    TC_interface_process_data_api* owner_;
};

class TC_interface_process_data_base : public TC_interface_process_data_api {
public:
    enum action_t {
        INITIALISE = 0,
        SEND_IF_NEEDED = 1,
        SET_AND_SEND = 2,
        REQUEST = 3,
        INTERVAL_TIMEOUT = 4,
        MAX_RATE_TIMEOUT = 5,
    };
    enum max_rate_state_t { NOTHING_SENT = 0, SENT = 1, WAITING = 2 };

    // The task controller may not make a variable send faster than this,
    // nor on changes of nothing.
    static constexpr int MIN_TIME_INTERVAL_MS = 100;
    static constexpr int MIN_CHANGE_THRESHOLD = 1;

    // A pool object, when given, must carry the object id; it takes the DDI.
    TC_interface_process_data_base(TC_interface_device_element* element, TC::object_id_t oid,
                                   TC::ddi_t ddi, TC::Client::Device_process_data_obj* pool_object);
    ~TC_interface_process_data_base() override;

    TC_interface_process_data_base(const TC_interface_process_data_base&) = delete;
    TC_interface_process_data_base& operator=(const TC_interface_process_data_base&) = delete;

    void set_minimum_threshold(int v) { min_threshold_ = v; }
    void set_maximum_threshold(int v) { max_threshold_ = v; }
    // INT_MAX switches the change test off.
    void set_change_threshold(int v) { change_threshold_ = v; }
    void set_oid_and_ddi(unsigned short oid, TC::ddi_t ddi)
    {
        oid_ = oid;
        ddi_ = ddi;
    }
    void set_ddi(TC::ddi_t ddi) { ddi_ = ddi; }
    void set_use_multiplier(bool use) { use_multiplier_ = use; }
    void set_multiplier(double m) { multiplier_ = m; }
    // Sends at once and then every ms milliseconds (once with 0); only for a
    // datum of the description active on the task controller.
    void set_timeout(int ms);

    // Whether value is to be sent now; keeps the value field and timers.
    bool take_action(action_t action, int value);
    // Reads the value and sends it when take_action says so; the value.
    // Beyond initialising, nothing happens for a datum the active
    // description does not hold.
    int perform_request(action_t action);
    // A received value: written into the bound value and kept, not sent;
    // the error bits of a refusal (the value field then stays).
    unsigned char perform_change(unsigned int value);
    // Whether the description active on the task controller holds this
    // datum (its element number and DDI).
    bool described() const;
    // Whether that description holds it as a member of the default set,
    // which a default-data request asks for.
    bool in_default_set() const;

    int handle_default() override;
    int handle_pd_timeout(Timeout& t) override;
    int handle_tc_event(TC::Object_pool* pool, waiter_event& event) override;
    void clear_triggers() override;

    TC_interface_device_element* get_element() const { return element_; }
    TC::object_id_t get_oid() const { return oid_; }
    TC::ddi_t get_ddi() const { return ddi_; }
    int get_value() const { return value_; }
    int get_minimum_threshold() const { return min_threshold_; }
    int get_maximum_threshold() const { return max_threshold_; }
    int get_change_threshold() const { return change_threshold_; }
    // Whether the task controller has set a minimum or maximum threshold.
    bool has_threshold_band() const { return min_threshold_ != INT_MIN || max_threshold_ != INT_MAX; }
    int get_max_rate_state() const { return max_rate_state_; }
    double get_multiplier() const { return multiplier_; }
    bool get_use_multiplier() const { return use_multiplier_; }
    PD_timeout& get_interval_timer() { return interval_timer_; }
    PD_timeout& get_max_rate_timer() { return max_rate_timer_; }

protected:
    using Jdb = Debug_base<_JDB, _JDB::jdb_enum>;

    // The default-data request's send: the value at once, when the datum is
    // in the default set; the triggers stay as they are.
    int send_default_value();

    TC_interface_device_element* element_;
    TC::object_id_t oid_;
    TC::ddi_t ddi_;
    PD_timeout interval_timer_{this};
    int min_threshold_ = INT_MIN;
    int max_threshold_ = INT_MAX;
    int change_threshold_ = INT_MAX;
    // Whether the last value looked at was inside the threshold band; a
    // value that enters the band set by the task controller is sent.
    bool was_in_band_ = true;
    int value_ = 0;
    // A set value that the change threshold counts as a change: the next
    // notification reports the new value once.
    bool report_pending_ = false;
    int max_rate_state_ = NOTHING_SENT;

    double multiplier_ = 1000.0;
    bool use_multiplier_ = true;
    PD_timeout max_rate_timer_{this};

private:
    bool passes_band(int value) const;
    void restart_interval();
};

// The variable for one value type T; derived variants bind the value.
template <typename T>
class TC_interface_process_data : public TC_interface_process_data_base {
public:
    using TC_interface_process_data_base::TC_interface_process_data_base;

    virtual int encode(T v)
    {
        int p = use_multiplier_ ? Pd_value<T>::scaled(Pd_value<T>::to_double(v) * multiplier_)
                                : Pd_value<T>::raw(v);
        if (Jdb::enabled(_JDB::TC_CLIENT))
            Debug_print::dprint("TC Interface Process Data::encode oid=%d DDI=%x (%g,%d)*%f=%d\n",
                                oid_, ddi_, Pd_value<T>::to_double(v),
                                int(Pd_codec::trunc_s32(Pd_value<T>::to_double(v))), multiplier_, p);
        return p;
    }
    virtual T decode(int p)
    {
        T v = use_multiplier_ ? Pd_value<T>::from_scaled(double(p) / multiplier_)
                              : Pd_value<T>::from_raw(p);
        if (Jdb::enabled(_JDB::TC_CLIENT))
            Debug_print::dprint("TC Interface Process Data::encode oid=%d DDI=%x %d/%f=(%g,%d)\n",
                                oid_, ddi_, p, multiplier_, Pd_value<T>::to_double(v),
                                int(Pd_codec::trunc_s32(Pd_value<T>::to_double(v))));
        return v;
    }
};

} // namespace TaskController_interface
