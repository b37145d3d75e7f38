// The working set's VT object pool: the objects of the pool specification and
// of the generated pool image, the objects the toolkit adds at run time, the
// queue of change commands for the VT with the record of what the VT holds
// (a change goes only when it differs from that), and what the session learnt
// of the VT (status, NAME, capabilities, locale). Events go to one registered waiter:
// the pool's own events under the pool's module id, the VT's events 0 to 10
// under the module ids of the event registry (base id minus event id).
#pragma once

#include "platform/iso/Object_pool_base.h"
#include "platform/vt/Object_pool_vt_record.h"
#include "platform/vt/Vt_language.h"
#include "platform/vt/Vt_obj.h"
#include "platform/vt/Vt_objects.h"

#include "can/JIN_name.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class JIN_smart_stack;
class module_man;
class waiter_descriptor;

namespace JIN_name {
class Name_manager;
}

namespace VT {

class Upload_bar_progress;
class Vt_client;

// A VT status message as received (8 data bytes), valid once one came in.
struct VT_status_message {
    uint8_t data[8] = {254, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF};
    bool valid = false;
    // Object id of the visible data or alarm mask (bytes 2-3).
    unsigned short visible_mask() const { return uint16_t(data[2] | data[3] << 8); }
};

// What the VT told of itself: 0 graphic type, the VT's version, hardware
// bits; 1 data-mask width and height; 2 soft keys (navigation, virtual,
// physical); 3 soft-key designator width and height; 4 small and large font
// sizes in its upper half; 5 font styles. Each a 32-bit word, bytes as the VT
// sent them, low byte first.
struct vt_capabilities_t {
    uint32_t word[6] = {0, 0, 0, 0, 0, 0};
};

// The pool's own events (value word of the event).
enum Pool_event_kind {
    EVENT_CONNECTION = 0,  // code word: the connection state
    EVENT_VT_STATUS = 1,
    EVENT_LOCALE = 2,
    EVENT_UPDATE_COMPLETE = 3,
};

// Connection states reported with EVENT_CONNECTION.
enum Connection_state {
    CONN_DISABLED = 0,
    CONN_WAIT_VT = 1,
    CONN_VT_FOUND = 11,     // a VT was chosen; its NAME and capabilities are known
    CONN_UPLOADING = 13,    // the pool goes up
    CONN_UPLOAD_FAILED = 14,
    CONN_ACTIVE = 16,       // the VT holds the pool
};

// One queued command for the VT, with the object it is about.
struct Vt_command {
    unsigned short object_id;
    std::vector<uint8_t> bytes;
};

class Object_pool : public Object_pool_base<VT_obj> {
public:
    // Designs of the pool specification are drawn for this data-mask area.
    static constexpr int DEFAULT_ACTIVE_AREA_X = 240;
    static constexpr int DEFAULT_ACTIVE_AREA_Y = 240;
    static constexpr int NUM_VT_EVENTS = 11;
    // Objects made at run time take ids from here up when the caller gives
    // no range.
    static constexpr unsigned short DEFAULT_FIRST_DYN_ID = 20000;

    // first_dyn_id / last_dyn_id: the id range of run-time objects (0: the
    // default, up to 65534). max_queued: commands held while the VT is
    // away before the oldest that is not a value change is dropped (0:
    // 1000); value changes are kept, one per object and attribute.
    // debug: trace level.
    Object_pool(module_man* mm, unsigned short first_dyn_id = 0, unsigned short last_dyn_id = 0,
                int max_queued = 0, int debug = 0);
    ~Object_pool() override;

    // Binds the pool to the CAN stack for its session with a VT: the
    // working set's claimed NAME, the stack's name manager, the mask shown
    // first while the pool goes up, the upload progress display (or null),
    // the preferred VT's NAME (0 or the empty NAME: none) and how many
    // seconds to wait for it. 0, or -1 when the session cannot be set up.
    virtual int init(JIN_smart_stack* stack, const JIN_name::RAWNAME& own_name, JIN_name::Name_manager* names,
                     VT_obj* intro_mask, Upload_bar_progress* progress, const JIN_name::RAWNAME& preferred_vt,
                     unsigned short terminal_timeout_s);
    // Starts looking for the VT (the session runs once its Diner runs).
    int start();
    // Releases the session's thread.
    int start_diner();

    // Look-up with a checked down-cast: null when missing or of another type.
    template <class T>
    T* find(const char* name, bool complain = false)
    {
        lock(-1);
        T* o = obj_cast<T>(__find_object(name, complain));
        unlock();
        return o;
    }
    template <class T>
    T* find(unsigned short id)
    {
        lock(-1);
        T* o = obj_cast<T>(__find_object(id));
        unlock();
        return o;
    }

    // Takes the object (the pool owns it) and binds it to the pool.
    bool add_object(VT_obj* obj) override;
    // A fresh id that no object uses and a unique name "<prefix><id>" in
    // the caller's buffer of name_len bytes. False when the id range is used
    // up or the buffer cannot hold the name.
    bool get_dyn_obj_id(unsigned short& id, char** name, int name_len, const char* prefix);
    // Sends an object added at run time to the VT (a partial pool upload);
    // the session transfers it when the pool is live. An object already
    // waiting is not queued twice.
    bool upload(VT_obj* obj);
    // Objects waiting for their partial upload.
    int pending_uploads();
    // Change commands not yet answered by the VT.
    int pending_updates();
    // Change commands and partial uploads answered by the VT (or given up)
    // since the pool was made. With pending_updates() it lets a caller wait
    // for the changes queued so far without waiting for those queued later.
    unsigned long finished_updates();

    // Upload mode, always paired: while requested, changes are collected and
    // go to the VT together when the last request is withdrawn.
    void request_pool_upload_mode();
    void unrequest_pool_upload_mode();
    bool in_upload_mode();

    // Shows the mask on the VT (Change Active Mask).
    bool activate_data_mask(Data_mask_obj* mask);
    bool activate_alarm_mask(Alarm_mask_obj* mask);
    unsigned short get_active_mask();

    // The new text of a string variable, output or input string (cut to the
    // object's length); `attribute` is unused (the value attribute), `send`
    // false changes the pool only.
    bool set_string(VT_obj* obj, int attribute, const char* text, bool send, justification just);

    // The VT's data-mask size (the default area until the VT told it).
    int get_x_res();
    int get_y_res();

    // Events.
    void register_event_waiter(waiter_descriptor& waiter);
    // The pool sends nothing more to the waiter (when it is the registered
    // one): its owner is going.
    void deregister_event_waiter(waiter_descriptor& waiter);
    void get_module_id(short& id) const { id = module_id_; }
    // The registry: VT event k arrives under module id base - k.
    short get_event_base_id() const { return event_base_id_; }
    // The VT event id of a module id, -1 when it is not one of the registry.
    int vt_event_of(short module_id) const;
    // Posts a pool event (kind in the value word, `code` in the code word).
    void post_pool_event(Pool_event_kind kind, intptr_t code);
    // Posts VT event `id` (0 to 10) with its two data words (data and code of
    // the event):
    //  0 soft key, 1 button: activation code | key code << 8;
    //                        object id | parent mask id << 16
    //  2 pointing: x; y
    //  3 select input object: selected (1) or not; object id
    //  4 ESC: error code (0: an input was aborted); object id
    //  5 change numeric value: object id; value
    //  6 change active mask: mask id | error codes << 16;
    //                        faulty object | its parent << 16
    //  7 change soft key mask: mask id | mask type << 16;
    //                          soft key mask id | error codes << 16
    //  8 change string value: object id; length, the text as extended data
    // 10 command response: object id; command | result << 8 | error << 16
    //    (result 0 done, 1 refused by the VT, 2 no answer)
    void post_vt_event(int id, uint32_t first, uint32_t second);
    void post_vt_string_event(unsigned short object_id, const uint8_t* text, uint32_t len);

    // State for the application.
    bool is_running();
    bool is_vt_active();
    bool get_vt_status(VT_status_message& out);
    bool get_vt_name(JIN_name::RAWNAME& out);
    vt_capabilities_t get_capabilities();
    // The version of the VT in use as its Get Memory answer gave it, 0
    // while no VT is known.
    int get_vt_version();
    Locale_info get_locale();
    // 16 while the pool or a partial upload is being transmitted, else 0.
    int get_tx_state();
    int get_connection_state();
    // The number of VTs seen on the bus after the current one (0: none).
    virtual int get_next_vt();
    // Moves the working set to the next VT: 0 started, -1 no other VT,
    // -2 not connected.
    virtual int switch_next_vt();
    // Takes the working set onto the VT (true) or off it (false).
    virtual void set_enabled(bool enabled);
    bool is_enabled();

    // Writes the whole pool as one ISO 11783-6 object-pool stream (records
    // in ascending id order).
    bool serialise_to_file(const char* path) override;
    // The same stream in memory.
    void serialise_pool(std::vector<uint8_t>& out);
    // The working set object (type 0), null when the pool has none.
    Working_set_obj* get_working_set();

    // A change of the object's attributes for the VT (called by its
    // setters): queued while the pool takes changes, unless the VT holds the
    // value already. `before_version` is the object's version before the
    // change, `changed` whether the attributes changed.
    void queue_change(VT_obj& obj, uint32_t before_version, std::vector<uint8_t> bytes, bool changed);

    // ---- Session side: the protocol engine drives these. ----
    // Queues a command while the pool takes changes; `vt_holds_it`: unless
    // the record of the VT says otherwise, the VT holds its value already.
    void queue_command(unsigned short object_id, std::vector<uint8_t> bytes, bool vt_holds_it = false);
    // The next command to send, false when none (upload mode holds them). A
    // waiting command whose value the VT took meanwhile is left out.
    bool take_command(Vt_command& out);
    // The command sent last was answered (or given up).
    void command_done();
    // The command or partial upload taken last was answered: the VT holds
    // what it set when it took it without error; when it refused it or gave
    // no answer, the values it set are not known.
    void change_answered(bool taken);
    // Objects queued by upload(), oldest first; taken off by the session.
    bool take_upload(VT_obj*& out);
    void upload_done();
    void set_running(bool running);
    void set_vt_active(bool active);
    void set_vt_status(const uint8_t data[8]);
    // The VT is gone: its last status is no longer valid.
    void clear_vt_status();
    void set_vt_name(const JIN_name::RAWNAME& name, bool known);
    void set_capabilities(const vt_capabilities_t& caps);
    void set_vt_version(int version);
    // Stores the locale; posts EVENT_LOCALE when it changed.
    void set_locale(const Locale_info& locale);
    void set_tx_state(int state);
    // Stores the state; posts EVENT_CONNECTION when it changed.
    void set_connection_state(int state);
    void set_resolution(int x, int y);
    // Drops every queued command and upload (the VT forgot the pool).
    void flush_commands();

private:
    // The command or partial upload on its way to the VT.
    struct In_flight {
        bool active = false;
        bool upload = false;
        unsigned short object_id = NULL_ID;
        std::vector<uint8_t> bytes;
    };

    bool activate_mask(VT_obj* mask);
    void wake_session();
    // Changes go to the VT: the pool runs, or goes up (they wait for it).
    bool takes_changes() const { return running_ || connection_state_ == CONN_UPLOADING; }
    // The VT gets the whole pool: it holds every object as written for it.
    void vt_gets_pool();
    // The VT changed a value itself (an operator's input, its own change of
    // the active or soft key mask): what `function` sets on the object and,
    // for an input, on its variable is no longer known.
    void vt_changed(unsigned short object_id, uint8_t function);
    // Counts commands left out as finished; tells the application when
    // nothing is left.
    void count_left_out(unsigned long n);

    module_man* mm_;
    unsigned short first_dyn_id_;
    unsigned short last_dyn_id_;
    unsigned short next_dyn_id_;
    size_t max_queued_;
    int debug_;
    short module_id_ = 0;
    short event_base_id_ = 0;
    waiter_descriptor* waiter_ = nullptr;

    std::recursive_mutex state_mutex_;
    std::deque<Vt_command> commands_;
    int commands_in_flight_ = 0;
    In_flight in_flight_;
    Vt_record vt_record_;
    unsigned short working_set_id_ = NULL_ID;
    unsigned long finished_updates_ = 0;
    std::deque<VT_obj*> uploads_;
    int uploads_in_flight_ = 0;
    int upload_mode_ = 0;
    bool muted_ = false;
    unsigned short active_mask_ = NULL_ID;
    bool running_ = false;
    bool vt_active_ = false;
    bool enabled_ = true;
    VT_status_message status_;
    JIN_name::RAWNAME vt_name_;
    bool vt_name_known_ = false;
    vt_capabilities_t caps_;
    int vt_version_ = 0;
    Locale_info locale_;
    int tx_state_ = 0;
    int connection_state_ = CONN_DISABLED;
    int x_res_ = DEFAULT_ACTIVE_AREA_X;
    int y_res_ = DEFAULT_ACTIVE_AREA_Y;
    Vt_client* client_ = nullptr;  // owned
};

} // namespace VT
