#include "tc_client/TC_interface_process_data.h"

#include "tc_client/TC_interface_base.h"
#include "util/Bugger.h"

#include <cstdlib>

namespace TaskController_interface {

TC_interface_process_data_base::TC_interface_process_data_base(
    TC_interface_device_element* element, TC::object_id_t oid, TC::ddi_t ddi,
    TC::Client::Device_process_data_obj* pool_object)
    : element_(element), oid_(oid), ddi_(ddi)
{
    if (pool_object) {
        if (pool_object->get_id() != oid)
            Bugger::report_bug("tc_client/TC_interface_process_data: tc_obj->get_id() == tc_oid");
        pool_object->set_ddi(ddi);
    }
}

TC_interface_process_data_base::~TC_interface_process_data_base()
{
    if (element_) {
        element_->remove_timeout(interval_timer_);
        element_->remove_timeout(max_rate_timer_);
    }
}

bool TC_interface_process_data_base::described() const
{
    return element_ && element_->is_described(ddi_);
}

void TC_interface_process_data_base::set_timeout(int ms)
{
    if (!element_ || !described())
        return;
    element_->remove_timeout(interval_timer_);
    interval_timer_.set_period(ms);
    element_->submit_timer(interval_timer_, 0);
}

void TC_interface_process_data_base::clear_triggers()
{
    if (element_) {
        element_->remove_timeout(interval_timer_);
        element_->remove_timeout(max_rate_timer_);
    }
    interval_timer_.set_period(0);
    min_threshold_ = INT_MIN;
    max_threshold_ = INT_MAX;
    change_threshold_ = INT_MAX;
    was_in_band_ = true;
    report_pending_ = false;
    max_rate_state_ = NOTHING_SENT;
}


bool TC_interface_process_data_base::passes_band(int value) const
{
    if (min_threshold_ < max_threshold_) {
        if (min_threshold_ < value && value < max_threshold_)
            return true;
        Jdb::print(_JDB::TC_CLIENT,
                   "Deciding not to send because thresholds not met for object id %d, DDI:0x%x\n",
                   oid_, ddi_);
        return false;
    }
    if (value > min_threshold_ || value < max_threshold_)
        return true;
    Jdb::print(_JDB::TC_CLIENT,
               "Deciding not to send because thresholds not met, for object id %d, DDI:0x%x\n",
               oid_, ddi_);
    return false;
}

void TC_interface_process_data_base::restart_interval()
{
    int period = interval_timer_.get_period();
    if (period <= 0)
        return;
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface Process Data, restart interval timer (of period %d) for object id %d, "
               "DDI:0x%x\n",
               period, oid_, ddi_);
    element_->remove_timeout(interval_timer_);
    element_->submit_timer(interval_timer_, period);
}

bool TC_interface_process_data_base::take_action(action_t action, int value)
{
    switch (action) {
    case INITIALISE:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data initialise value to %d for object_id %d, DDI:0x%x\n",
                   value, oid_, ddi_);
        break;
    case SEND_IF_NEEDED:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data send value if needed (currently %d) for object_id "
                   "%d, DDI:0x%x\n",
                   value_, oid_, ddi_);
        break;
    case SET_AND_SEND:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data set and send value to %d for object_id %d, DDI:0x%x\n",
                   value, oid_, ddi_);
        break;
    case REQUEST:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data request value (currently %d) for object_id %d, "
                   "DDI:0x%x\n",
                   value_, oid_, ddi_);
        break;
    case INTERVAL_TIMEOUT:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data interval timeout expired for object_id %d, DDI:0x%x\n",
                   oid_, ddi_);
        break;
    case MAX_RATE_TIMEOUT:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data max rate timeout expired for object_id %d, DDI:0x%x\n",
                   oid_, ddi_);
        break;
    }
    if (!element_)
        return false;
    if (action == INITIALISE) {
        value_ = value;
        return false;
    }
    if (action == SET_AND_SEND) {
        value_ = value;
        return true;
    }
    if (action == REQUEST)
        return true;

    bool in_band = passes_band(value);
    // Thresholds are triggers of their own: crossing into the band sends,
    // with or without a change threshold.
    bool entered_band = in_band && !was_in_band_ && has_threshold_band();
    was_in_band_ = in_band;
    bool changed = true;
    // A change threshold of 0 asks for every change, not for every
    // notification: an unchanged value is not sent again.
    if (action == SEND_IF_NEEDED)
        changed = entered_band || report_pending_ ||
                  (change_threshold_ != INT_MAX && value != value_ &&
                   std::llabs((long long)value - (long long)value_) >= (long long)change_threshold_);
    if (!in_band)
        return false;
    if (!changed)
        return false;
    value_ = value;

    bool deadline_passed = max_rate_timer_.get_deadline() <= Atime::now();
    if (max_rate_state_ == WAITING && action != MAX_RATE_TIMEOUT && !deadline_passed) {
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data (object id %d, DDI:%x) already waiting to send, wait "
                   "for timeout\n",
                   oid_, ddi_);
        return false;
    }
    if (max_rate_state_ == SENT && !deadline_passed) {
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data, can not send due to max rate timer (of period %d) "
                   "for object id %d, DDI:0x%x\n",
                   max_rate_timer_.get_period(), oid_, ddi_);
        max_rate_state_ = WAITING;
        element_->remove_timeout(max_rate_timer_);
        element_->submit_timer(max_rate_timer_);
        return false;
    }
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface Process Data Submit max rate timeout and send value for object id %d, "
               "DDI:0x%x\n",
               oid_, ddi_);
    element_->remove_timeout(max_rate_timer_);
    max_rate_state_ = SENT;
    if (action == INTERVAL_TIMEOUT)
        return true;
    restart_interval();
    return true;
}

int TC_interface_process_data_base::perform_request(action_t action)
{
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface Process Data attempt to perform request for object id %d, DDI:0x%x\n",
               oid_, ddi_);
    int value = request_value();
    if (action != INITIALISE && !described())
        return value;
    if (take_action(action, value)) {
        report_pending_ = false;
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process data send the value %d, for object id %d, DDI:0x%x\n",
                   value, oid_, ddi_);
        element_->send(ddi_, value);
    }
    return value;
}

unsigned char TC_interface_process_data_base::perform_change(unsigned int value)
{
    unsigned char errors = change_value(value);
    if (errors != 0)
        return errors;
    // Under an on-change trigger the set value is a change like any other:
    // the notification of the write reports it, once.
    const int v = int(value);
    if (change_threshold_ != INT_MAX && v != value_ &&
        std::llabs((long long)v - (long long)value_) >= (long long)change_threshold_)
        report_pending_ = true;
    value_ = v;
    return errors;
}

bool TC_interface_process_data_base::in_default_set() const
{
    return element_ && element_->is_in_default_set(ddi_);
}

int TC_interface_process_data_base::send_default_value()
{
    return in_default_set() ? perform_request(SET_AND_SEND) : 0;
}

int TC_interface_process_data_base::handle_default()
{
    if (in_default_set())
        change_threshold_ = 0;
    return send_default_value();
}

int TC_interface_process_data_base::handle_pd_timeout(Timeout& t)
{
    if (&t == &max_rate_timer_) {
        perform_request(MAX_RATE_TIMEOUT);
        return true;
    }
    if (&t == &interval_timer_) {
        perform_request(INTERVAL_TIMEOUT);
        return true;
    }
    return false;
}

int TC_interface_process_data_base::handle_tc_event(TC::Object_pool* pool, waiter_event& event)
{
    if (!element_) {
        Jdb::print(_JDB::TC_CLIENT,
                   "Process Data for object id %d, DDI:0x%x is configured incorrectly\n", oid_,
                   ddi_);
        return false;
    }
    unsigned short element = 0;
    unsigned short ddi = 0;
    if (!TC_interface_base::get_event_ref(pool, event, element, ddi))
        return false;
    if (element != element_->get_element_number() || ddi != ddi_)
        return false;
    Jdb::print(_JDB::TC_CLIENT,
               "TC Interface Process Data Handle TC Event for object id %d, DDI:0x%x\n", oid_,
               ddi_);
    int v = int(event.code);
    switch (TC_interface_base::get_event_kind(pool, event)) {
    case TC::Object_pool::PD_REQUEST_VALUE:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data Request Value for object id %d, DDI:%x\n", oid_,
                   ddi_);
        perform_request(REQUEST);
        return true;
    case TC::Object_pool::PD_SET_VALUE: {
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data Change Value to %d(encoded) for object id %d, "
                   "DDI:%x\n",
                   v, oid_, ddi_);
        unsigned char errors = perform_change(unsigned(v));
        // The task controller learns the outcome once the value is taken.
        if (TC_interface_base::wants_acknowledge(event) && pool)
            pool->acknowledge_set_value(element, ddi, errors);
        return true;
    }
    case TC::Object_pool::PD_TIME_INTERVAL:
        element_->remove_timeout(interval_timer_);
        // Faster than the least interval would flood the bus.
        if (v != 0 && v < MIN_TIME_INTERVAL_MS)
            v = MIN_TIME_INTERVAL_MS;
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data submit timeout of %dms for object id %d, DDI:%x\n",
                   v, oid_, ddi_);
        if (v != 0) {
            interval_timer_.set_period(v);
            element_->submit_timer(interval_timer_, 0);
        }
        return true;
    case TC::Object_pool::PD_MINIMUM_THRESHOLD:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data Minimum Threshold changed to %d for object id %d, "
                   "DDI %x\n",
                   v, oid_, ddi_);
        min_threshold_ = v;
        was_in_band_ = false; // the new band is looked at afresh
        perform_request(SEND_IF_NEEDED);
        return true;
    case TC::Object_pool::PD_MAXIMUM_THRESHOLD:
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data Maximum Threshold changed to %d for object id %d, "
                   "DDI %x\n",
                   v, oid_, ddi_);
        max_threshold_ = v;
        was_in_band_ = false; // the new band is looked at afresh
        perform_request(SEND_IF_NEEDED);
        return true;
    case TC::Object_pool::PD_CHANGE_THRESHOLD:
        // A change of nothing is no change: every notification would send.
        if (v < MIN_CHANGE_THRESHOLD)
            v = MIN_CHANGE_THRESHOLD;
        Jdb::print(_JDB::TC_CLIENT,
                   "TC Interface Process Data Change Threshold changed to %d for object id %d, "
                   "DDI %x\n",
                   v, oid_, ddi_);
        change_threshold_ = v;
        perform_request(SEND_IF_NEEDED);
        return true;
    default:
        Jdb::print(_JDB::TC_CLIENT, "TC Interface Process Data Unhandled TC event\n");
        return false;
    }
}

} // namespace TaskController_interface
