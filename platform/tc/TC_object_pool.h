// The device object pool of a TC client: the device description's objects,
// keyed by id and findable by name, written as the ISO 11783-10 device
// descriptor object pool, and the application's end of the task-controller
// session (status events, process-data events, values sent to the TC).
#pragma once

#include "platform/iso/Object_pool_base.h"
#include "platform/tc/TC_device_objects.h"
#include "platform/tc/TC_obj.h"

#include <atomic>
#include <string>
#include <vector>

class module_man;
class waiter_descriptor;

namespace TC {

// What carries the pool's session with the task controller (the CAN stack
// session of the program, or a test's engine).
class Pool_session {
public:
    virtual ~Pool_session() = default;
    virtual void pool_enabled(bool enabled) = 0;
    virtual void pool_tx_state(int state) = 0;
    virtual bool pool_send(unsigned short element, ddi_t ddi, int32_t value) = 0;
    // The application's answer to a set value the TC wants acknowledged.
    virtual bool pool_acknowledge(unsigned short element, ddi_t ddi, unsigned char errors) = 0;
    virtual bool pool_start() = 0;
};

class Object_pool : public Object_pool_base<TC_obj> {
public:
    // The status codes of the pool's status events (data word; value word 0).
    enum status_code_t {
        STATUS_DISABLED = 0,       // the pool is switched off
        STATUS_WAITING_FOR_TC = 1, // no task controller heard yet
        STATUS_CONNECTING = 2,     // task controller found: version and labels
        STATUS_UPLOADING = 3,      // the device descriptor is being transferred
        STATUS_ACTIVATING = 4,     // transferred or stored pool being activated
        STATUS_POOL_REFUSED = 10,  // the TC refused the pool (transfer or activation)
        STATUS_BUS_ERROR = 11,     // a transfer failed or the TC stopped answering
        STATUS_TC_LOST = 12,       // the task controller went silent
        STATUS_ACTIVE = 13,        // the pool is active on the task controller
    };
    // What the client transmits.
    enum tx_state_t {
        TX_STOPPED = 0,  // nothing: the client stays silent
        TX_RUNNING = 1,  // the session runs with the pool as the TC has it
        TX_UPLOAD = 2,   // the pool is offered again; a TC holding it keeps it
        TX_RELOAD = 3,   // the pool changed: deleted on the TC and uploaded anew
    };
    // The client's technical capabilities: bytes 2 to 7 are sent as bytes
    // 2 to 7 of the version message (boot time, options, reserved options,
    // booms, sections, control channels); bytes 0 and 1 are the caller's.
    struct tc_version_params_t {
        unsigned char bytes[8];
    };
    // Where each capability sits in tc_version_params_t (and in the version
    // message, whose byte 0 is the subcommand and byte 1 the version).
    enum version_byte_t {
        VERSION_BOOT_TIME = 2,
        VERSION_OPTIONS = 3,
        VERSION_RESERVED_OPTIONS = 4,
        VERSION_BOOMS = 5,
        VERSION_SECTIONS = 6,
        VERSION_CHANNELS = 7,
    };
    // The bits of the options byte.
    enum version_option_t {
        OPTION_DOCUMENTATION = 0x01,
        OPTION_GEO_WITHOUT_POSITION_CONTROL = 0x02,
        OPTION_GEO_WITH_POSITION_CONTROL = 0x04,
        OPTION_PEER_CONTROL_ASSIGNMENT = 0x08,
        OPTION_SECTION_CONTROL = 0x10,
    };
    // The capabilities in their places; boot time "not available" (a
    // client has none to give).
    static tc_version_params_t version_params(unsigned char options, unsigned char booms,
                                              unsigned char sections, unsigned char channels);

    // One process datum of the pool as the task controller sees it.
    struct Described_datum {
        unsigned short element;
        ddi_t ddi;
        unsigned char properties;
        unsigned char triggers;
        bool operator<(const Described_datum& o) const
        {
            return element != o.element ? element < o.element : ddi < o.ddi;
        }
    };

    static constexpr int NUM_PD_EVENTS = 7;
    // The kinds of the process-data events (first event id minus event id).
    enum pd_event_kind_t {
        PD_REQUEST_VALUE = 0,
        PD_SET_VALUE = 1,
        PD_TIME_INTERVAL = 2,
        PD_DISTANCE_INTERVAL = 3,
        PD_MINIMUM_THRESHOLD = 4,
        PD_MAXIMUM_THRESHOLD = 5,
        PD_CHANGE_THRESHOLD = 6,
    };
    static constexpr int MAX_POOL_NAME = 32;
    // Task controllers take the device object as object id 0.
    static constexpr object_id_t DEVICE_OBJECT_ID = 0;
    // Set in the element half of a set-value event's data word when the
    // task controller wants the outcome acknowledged (element numbers use
    // 12 bits).
    static constexpr uint32_t PD_EVENT_ACKNOWLEDGE = 0x8000;
    static constexpr uint32_t PD_EVENT_ELEMENT_MASK = 0x0FFF;

    Object_pool(module_man* mm, TC_obj** objects, unsigned short count);
    ~Object_pool() override;

    using Object_pool_base<TC_obj>::__find_object;
    // The object built from that description element, or null.
    TC_obj* __find_object(Spec_node* node) const;
    bool add_object(TC_obj* obj) override;

    void set_pool_name(const char* name);
    const char* get_pool_name() const { return pool_name_; }

    // The module id of the pool's status events.
    short get_event_id() const { return status_event_id_; }
    // The first of the seven process-data event ids; they count down.
    short get_first_pd_event_id() const { return first_pd_event_id_; }

    // ---- The binary device descriptor object pool ----
    // Checks that every reference of the uploaded objects names an object of
    // the right kind, that the element tree ends in the one device without
    // a loop, and that element numbers are unique. `why` says what is wrong.
    bool check_references(std::string& why) const;
    // The uploaded pool: the device first, then the enabled elements, the
    // process data and properties they list and the presentations those
    // use, in ascending id order. False (and `out` empty) when the pool is
    // not whole.
    bool serialise_ddop(std::vector<unsigned char>& out, std::string& why) const;
    // The same into a caller's buffer; the byte count, or -1 when the pool
    // is not whole or does not fit (the buffer is then left as it was).
    int serialise_ddop(unsigned char* buffer, int capacity) const;
    // Reads a binary pool into this (empty) pool; all or nothing.
    bool load_ddop(const unsigned char* data, int len, std::string& why);
    // Every process datum of the uploaded pool (the data its enabled
    // elements list), in (element, DDI) order; false when the pool is not
    // whole. The caller holds the lock.
    bool describe_upload(std::vector<Described_datum>& out, std::string& why) const;

    // ---- What the task controller holds ----
    // The process data of the description active on the task controller
    // (empty while none is active); the session sets it.
    void set_described(std::vector<Described_datum> data);
    // Whether the active description holds the datum, or the element.
    virtual bool is_described(unsigned short element, ddi_t ddi);
    virtual bool is_element_described(unsigned short element);
    // Whether the active description holds the datum as a member of the
    // default set (what a default-data request asks for).
    virtual bool is_in_default_set(unsigned short element, ddi_t ddi);

    // ---- The application's end of the session ----
    virtual void set_enabled(bool enabled);
    bool is_enabled() const { return enabled_; }
    void register_event_waiter(waiter_descriptor& waiter);
    void deregister_event_waiter(waiter_descriptor& waiter);
    virtual void set_tx_state(tx_state_t state);
    tx_state_t get_tx_state() const { return tx_state_; }
    virtual void set_version_params(unsigned char version, const tc_version_params_t* params);
    unsigned char get_version() const { return version_; }
    const tc_version_params_t& get_version_params() const { return version_params_; }
    // Starts the session once the description is loaded.
    virtual bool start();
    bool is_started() const { return started_; }
    // Sends a value of an element's process datum to the task controller;
    // false when no session carries it.
    virtual bool send_process_data(unsigned short element, ddi_t ddi, int value);
    // Answers a set value the task controller wanted acknowledged, with the
    // acknowledge's error bits (0: taken); false when no session carries it.
    virtual bool acknowledge_set_value(unsigned short element, ddi_t ddi, unsigned char errors);

    // The session that carries the pool (not owned; null for none).
    void set_session(Pool_session* session) { session_ = session; }
    Pool_session* get_session() const { return session_; }

    // Posts a status event / a process-data event to the registered waiter.
    bool post_status(status_code_t code);
    // A set value posted with `acknowledge` carries PD_EVENT_ACKNOWLEDGE.
    bool post_pd_event(pd_event_kind_t kind, unsigned short element, ddi_t ddi, int32_t value,
                       bool acknowledge = false);

private:
    // The ids of the objects that go into the uploaded pool, device first.
    bool upload_set(std::vector<object_id_t>& ids, std::string& why) const;
    bool check_objects(const std::vector<object_id_t>& ids, std::string& why) const;

    char pool_name_[MAX_POOL_NAME + 1] = "";
    short status_event_id_ = 0;
    short first_pd_event_id_ = 0;
    waiter_descriptor* waiter_ = nullptr;
    Pool_session* session_ = nullptr;
    std::atomic<bool> enabled_{false};  // read by other modules
    bool started_ = false;
    tx_state_t tx_state_ = TX_STOPPED;
    unsigned char version_ = 3;
    tc_version_params_t version_params_{{0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}};
    std::vector<Described_datum> described_;
};

} // namespace TC
