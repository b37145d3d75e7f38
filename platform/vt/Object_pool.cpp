#include "platform/vt/Object_pool.h"

#include "platform/vt/Vt_client.h"

#include "can/JIN_smart_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace VT {

namespace {
constexpr uint8_t CMD_CHILD_LOCATION = 0xA5;
constexpr uint8_t CMD_NUMERIC_VALUE = 0xA8;
constexpr uint8_t CMD_ACTIVE_MASK = 0xAD;
constexpr uint8_t CMD_SOFT_KEY_MASK = 0xAE;
constexpr uint8_t CMD_STRING_VALUE = 0xB3;
constexpr size_t DEFAULT_MAX_QUEUED = 1000;

// Numeric value, string value, hide/show and attribute changes: the VT keeps
// only the last of each, so a newer one replaces a waiting one.
bool is_value_change(const std::vector<uint8_t>& bytes)
{
    if (bytes.size() < 4)
        return false;
    const uint8_t f = bytes[0];
    return f == 0xA8 || f == 0xB3 || f == 0xA0 || f == 0xA1 || f == 0xAF;
}

std::vector<uint8_t> active_mask_command(unsigned short working_set, unsigned short mask)
{
    return {CMD_ACTIVE_MASK, uint8_t(working_set), uint8_t(working_set >> 8), uint8_t(mask), uint8_t(mask >> 8),
            0xFF, 0xFF, 0xFF};
}
} // namespace

Object_pool::Object_pool(module_man* mm, unsigned short first_dyn_id, unsigned short last_dyn_id,
                         int max_queued, int debug)
    : mm_(mm),
      first_dyn_id_(first_dyn_id ? first_dyn_id : DEFAULT_FIRST_DYN_ID),
      last_dyn_id_(last_dyn_id ? last_dyn_id : NULL_ID - 1),
      next_dyn_id_(first_dyn_id_),
      max_queued_(max_queued > 0 ? size_t(max_queued) : DEFAULT_MAX_QUEUED),
      debug_(debug)
{
    if (mm_) {
        mm_->init_module(&module_id_, false);
        short ids[NUM_VT_EVENTS];
        if (mm_->init_module_array(ids, NUM_VT_EVENTS, false) == 0)
            event_base_id_ = ids[NUM_VT_EVENTS - 1];
    }
}

Object_pool::~Object_pool()
{
    // The session's thread ends before the objects go.
    delete client_;
    client_ = nullptr;
    clear_objects();
}

int Object_pool::init(JIN_smart_stack* stack, const JIN_name::RAWNAME& own_name, JIN_name::Name_manager* names,
                      VT_obj* intro_mask, Upload_bar_progress* progress, const JIN_name::RAWNAME& preferred_vt,
                      unsigned short terminal_timeout_s)
{
    if (!stack || !mm_ || client_)
        return -1;
    Vt_session::Config config;
    config.preferred_vt = preferred_vt;
    config.has_preferred = preferred_vt.to_u64() != 0 && preferred_vt != JIN_name::RAWNAME::GLOBAL_NAME;
    config.terminal_timeout_s = terminal_timeout_s;
    config.intro_mask = intro_mask ? intro_mask->get_id() : NULL_ID;
    config.progress = progress;
    auto* client = new Vt_client(*this);
    if (client->open(*mm_, *stack, own_name, config) != 0) {
        delete client;
        return -1;
    }
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    client_ = client;
    return 0;
}

int Object_pool::start()
{
    if (!client_)
        return -1;
    client_->begin();
    return 0;
}

int Object_pool::start_diner()
{
    return client_ ? client_->Diner::start() : -1;
}

void Object_pool::wake_session()
{
    if (client_)
        client_->send_anonymous_event();
}

bool Object_pool::add_object(VT_obj* obj)
{
    lock(-1);
    bool ok = Object_pool_base<VT_obj>::add_object(obj);
    if (ok)
        obj->set_pool(this);
    unlock();
    return ok;
}

bool Object_pool::get_dyn_obj_id(unsigned short& id, char** name, int name_len, const char* prefix)
{
    if (!name || !*name || name_len <= 0)
        return false;
    lock(-1);
    bool found = false;
    unsigned range = unsigned(last_dyn_id_) - first_dyn_id_ + 1u;
    unsigned short candidate = next_dyn_id_;
    for (unsigned tries = 0; tries < range && !found; ++tries) {
        unsigned short after = candidate >= last_dyn_id_ ? first_dyn_id_ : uint16_t(candidate + 1);
        if (!__find_object(candidate)) {
            int n = std::snprintf(*name, size_t(name_len), "%s%u", prefix ? prefix : "", unsigned(candidate));
            if (n < 0 || n >= name_len)
                break;
            if (!__find_object(*name, false)) {
                id = candidate;
                next_dyn_id_ = after;
                found = true;
            }
        }
        candidate = after;
    }
    unlock();
    return found;
}

bool Object_pool::upload(VT_obj* obj)
{
    if (!obj)
        return false;
    lock(-1);
    bool ours = __find_object(obj->get_id()) == obj;
    unlock();
    if (!ours)
        return false;
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    // One queued upload carries the object's latest state.
    if (std::find(uploads_.begin(), uploads_.end(), obj) == uploads_.end())
        uploads_.push_back(obj);
    wake_session();
    return true;
}

int Object_pool::pending_uploads()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return int(uploads_.size()) + uploads_in_flight_;
}

int Object_pool::pending_updates()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return int(commands_.size()) + commands_in_flight_ + int(uploads_.size()) + uploads_in_flight_;
}

unsigned long Object_pool::finished_updates()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return finished_updates_;
}

void Object_pool::request_pool_upload_mode()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    ++upload_mode_;
}

void Object_pool::unrequest_pool_upload_mode()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (upload_mode_ > 0)
        --upload_mode_;
}

bool Object_pool::in_upload_mode()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return upload_mode_ > 0;
}

bool Object_pool::activate_mask(VT_obj* mask)
{
    if (!mask || mask->get_pool() != this)
        return false;
    unsigned short ws_id = NULL_ID;
    if (Working_set_obj* ws = get_working_set())
        ws_id = ws->get_id();
    unsigned short id = mask->get_id();
    {
        std::lock_guard<std::recursive_mutex> g(state_mutex_);
        active_mask_ = id;
    }
    if (is_running())
        queue_command(id, active_mask_command(ws_id, id));
    return true;
}

bool Object_pool::activate_data_mask(Data_mask_obj* mask) { return activate_mask(mask); }
bool Object_pool::activate_alarm_mask(Alarm_mask_obj* mask) { return activate_mask(mask); }

unsigned short Object_pool::get_active_mask()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return active_mask_;
}

bool Object_pool::set_string(VT_obj* obj, int attribute, const char* text, bool send, justification just)
{
    if (!obj)
        return false;
    // A change that is not to be sent is made with the queue muted; the
    // state lock keeps other threads' changes out meanwhile.
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    muted_ = !send;
    bool ok = false;
    if (auto* s = obj_cast<String_variable_obj>(obj))
        ok = s->set_string(text);
    else if (auto* o = obj_cast<Output_string_obj>(obj))
        ok = o->__set_string(text, just);
    else if (auto* i = obj_cast<Input_string_obj>(obj))
        ok = i->set_string(text);
    muted_ = false;
    return ok;
}

int Object_pool::get_x_res()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return x_res_;
}

int Object_pool::get_y_res()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return y_res_;
}

void Object_pool::register_event_waiter(waiter_descriptor& waiter)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    waiter_ = &waiter;
}

void Object_pool::deregister_event_waiter(waiter_descriptor& waiter)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (waiter_ == &waiter)
        waiter_ = nullptr;
}

int Object_pool::vt_event_of(short module_id) const
{
    if (event_base_id_ == 0)
        return -1;
    int k = int(event_base_id_) - int(module_id);
    return k >= 0 && k < NUM_VT_EVENTS ? k : -1;
}

void Object_pool::post_pool_event(Pool_event_kind kind, intptr_t code)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (waiter_)
        waiter_->send_event(waiter_event(module_id_, uint32_t(kind), code), false, false);
}

void Object_pool::post_vt_event(int id, uint32_t first, uint32_t second)
{
    if (id == 5)
        vt_changed(uint16_t(first), CMD_NUMERIC_VALUE);  // the operator entered a value
    else if (id == 6)
        vt_changed(NULL_ID, CMD_ACTIVE_MASK);
    else if (id == 7)
        vt_changed(uint16_t(first), CMD_SOFT_KEY_MASK);
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (waiter_ && id >= 0 && id < NUM_VT_EVENTS && event_base_id_ != 0)
        waiter_->send_event(waiter_event(short(event_base_id_ - id), first, intptr_t(second)), false, false);
}

void Object_pool::post_vt_string_event(unsigned short object_id, const uint8_t* text, uint32_t len)
{
    vt_changed(object_id, CMD_STRING_VALUE);  // the operator entered a text
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (!waiter_ || event_base_id_ == 0)
        return;
    waiter_event ev(short(event_base_id_ - 8), object_id, intptr_t(len));
    if (len)
        ev.set_extended_data(text, len);
    waiter_->send_event(ev, false, false);
}

bool Object_pool::is_running()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return running_;
}

bool Object_pool::is_vt_active()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return vt_active_;
}

bool Object_pool::get_vt_status(VT_status_message& out)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    out = status_;
    return status_.valid;
}

bool Object_pool::get_vt_name(JIN_name::RAWNAME& out)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (vt_name_known_)
        out = vt_name_;
    return vt_name_known_;
}

vt_capabilities_t Object_pool::get_capabilities()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return caps_;
}

int Object_pool::get_vt_version()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return vt_version_;
}

Locale_info Object_pool::get_locale()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return locale_;
}

int Object_pool::get_tx_state()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return tx_state_;
}

int Object_pool::get_connection_state()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return connection_state_;
}

int Object_pool::get_next_vt()
{
    return client_ ? client_->get_next_vt() : 0;
}

int Object_pool::switch_next_vt()
{
    if (!client_ || get_connection_state() == CONN_DISABLED)
        return -2;
    return client_->switch_next_vt();
}

void Object_pool::set_enabled(bool enabled)
{
    {
        std::lock_guard<std::recursive_mutex> g(state_mutex_);
        enabled_ = enabled;
    }
    if (client_)
        client_->set_enabled(enabled);
}

bool Object_pool::is_enabled()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    return enabled_;
}

void Object_pool::serialise_pool(std::vector<uint8_t>& out)
{
    lock(-1);
    for (const auto& entry : objects())
        entry.second->append_record(out);
    unlock();
}

bool Object_pool::serialise_to_file(const char* path)
{
    if (!path)
        return false;
    std::vector<uint8_t> stream;
    serialise_pool(stream);
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "Cannot write the VT pool to %s\n", path);
        return false;
    }
    bool ok = std::fwrite(stream.data(), 1, stream.size(), f) == stream.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "Writing the VT pool to %s failed\n", path);
    return ok;
}

Working_set_obj* Object_pool::get_working_set()
{
    lock(-1);
    Working_set_obj* ws = nullptr;
    for (const auto& entry : objects())
        if ((ws = obj_cast<Working_set_obj>(entry.second)) != nullptr)
            break;
    unlock();
    return ws;
}

void Object_pool::queue_change(VT_obj& obj, uint32_t before_version, std::vector<uint8_t> bytes, bool changed)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (muted_ || !takes_changes())
        return;  // the VT does not see this change: the object's version moves on without it
    // Up to this change the VT held the object as the pool did, but for the
    // values its record names; then it holds this value unless the change
    // changed it.
    const bool in_step = obj.vt_version_ == before_version;
    if (in_step)
        obj.vt_version_ = obj.version_;
    queue_command(obj.get_id(), std::move(bytes), in_step && !changed);
}

void Object_pool::queue_command(unsigned short object_id, std::vector<uint8_t> bytes, bool vt_holds_it)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (muted_ || !takes_changes())
        return;
    uint64_t key = 0;
    if (Vt_record::key_of(bytes, key)) {
        if (!vt_record_.has(key)) {  // the value's first change since the VT got it
            if (vt_holds_it)
                vt_record_.set_held(key, bytes);
            else
                vt_record_.set_unknown(key);
        }
        uint64_t other = 0;
        bool on_its_way = in_flight_.active && !in_flight_.upload && Vt_record::key_of(in_flight_.bytes, other) &&
                          other == key;
        Vt_command* waiting = nullptr;
        for (Vt_command& c : commands_) {
            if (Vt_record::key_of(c.bytes, other) && other == key) {
                on_its_way = true;
                waiting = &c;
            }
        }
        // The VT shows the value and nothing on its way changes it.
        if (!on_its_way && vt_record_.holds(key, bytes))
            return;
        // A newer change of the same value replaces one still waiting: the
        // VT only needs the last.
        if (waiting && is_value_change(bytes)) {
            waiting->bytes = std::move(bytes);
            return;
        }
    }
    // A full queue gives up its oldest command that is not a value: a
    // dropped value would leave the VT showing a stale one for good, and
    // values are held at most once per object and attribute anyway.
    if (commands_.size() >= max_queued_) {
        auto oldest = std::find_if(commands_.begin(), commands_.end(),
                                   [](const Vt_command& c) { return !is_value_change(c.bytes); });
        if (oldest != commands_.end()) {
            if (debug_)
                std::fprintf(stderr, "VT command queue full: oldest command dropped\n");
            commands_.erase(oldest);
        }
    }
    commands_.push_back({object_id, std::move(bytes)});
    wake_session();
}

bool Object_pool::take_command(Vt_command& out)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (upload_mode_ > 0 || commands_in_flight_ > 0)
        return false;
    unsigned long left_out = 0;
    bool taken = false;
    while (!commands_.empty() && !taken) {
        Vt_command c = std::move(commands_.front());
        commands_.pop_front();
        uint64_t key = 0;
        if (Vt_record::key_of(c.bytes, key) && vt_record_.holds(key, c.bytes)) {
            ++left_out;  // the VT took this value meanwhile
            continue;
        }
        in_flight_ = {true, false, c.object_id, c.bytes};
        out = std::move(c);
        ++commands_in_flight_;
        taken = true;
    }
    count_left_out(left_out);
    return taken;
}

void Object_pool::count_left_out(unsigned long n)
{
    if (n == 0)
        return;
    finished_updates_ += n;
    if (commands_.empty() && commands_in_flight_ == 0 && uploads_.empty() && uploads_in_flight_ == 0)
        post_pool_event(EVENT_UPDATE_COMPLETE, 0);
}

void Object_pool::change_answered(bool taken)
{
    unsigned short object_id = NULL_ID;
    bool uploaded = false;
    {
        std::lock_guard<std::recursive_mutex> g(state_mutex_);
        if (!in_flight_.active)
            return;
        in_flight_.active = false;
        uint64_t key = 0;
        if (in_flight_.upload) {
            // The VT got the whole object anew (or, failing, holds it as it may).
            vt_record_.drop_object(in_flight_.object_id);
            object_id = in_flight_.object_id;
            uploaded = true;
        } else if (Vt_record::key_of(in_flight_.bytes, key)) {
            if (taken)
                vt_record_.set_held(key, in_flight_.bytes);
            else
                vt_record_.set_unknown(key);
        } else if (!taken && in_flight_.bytes[0] == CMD_CHILD_LOCATION) {
            object_id = in_flight_.object_id;  // a child it may not have moved
        }
    }
    VT_obj* obj = object_id == NULL_ID ? nullptr : find<VT_obj>(object_id);
    if (!obj)
        return;
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    obj->vt_version_ = uploaded && taken ? obj->written_version_.load() : 0;
}

void Object_pool::vt_gets_pool()
{
    Working_set_obj* ws = get_working_set();
    lock(-1);
    {
        std::lock_guard<std::recursive_mutex> g(state_mutex_);
        for (const auto& entry : objects())
            entry.second->vt_version_ = entry.second->written_version_;
        vt_record_.clear();
        working_set_id_ = ws ? ws->get_id() : NULL_ID;
        // The VT shows the working set's active mask first.
        if (ws && ws->vt_version_ == ws->version_) {
            std::vector<uint8_t> shown = active_mask_command(ws->get_id(), ws->get_active_mask());
            uint64_t key = 0;
            if (Vt_record::key_of(shown, key))
                vt_record_.set_held(key, shown);
        }
    }
    unlock();
}

void Object_pool::vt_changed(unsigned short object_id, uint8_t function)
{
    // An input field's value lives in its variable when it has one.
    VT_obj* obj = function == CMD_ACTIVE_MASK ? nullptr : find<VT_obj>(object_id);
    const unsigned short variable = obj ? obj->get_edited_variable() : NULL_ID;
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (function == CMD_ACTIVE_MASK)
        object_id = working_set_id_;
    if (object_id != NULL_ID)
        vt_record_.set_unknown(Vt_record::key(object_id, function));
    if (variable != NULL_ID)
        vt_record_.set_unknown(Vt_record::key(variable, function));
}

void Object_pool::command_done()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (commands_in_flight_ > 0) {
        --commands_in_flight_;
        ++finished_updates_;
    }
    if (commands_.empty() && commands_in_flight_ == 0 && uploads_.empty() && uploads_in_flight_ == 0)
        post_pool_event(EVENT_UPDATE_COMPLETE, 0);
}

bool Object_pool::take_upload(VT_obj*& out)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (uploads_.empty() || uploads_in_flight_ > 0)
        return false;
    out = uploads_.front();
    uploads_.pop_front();
    ++uploads_in_flight_;
    in_flight_ = {true, true, out->get_id(), {}};
    return true;
}

void Object_pool::upload_done()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (uploads_in_flight_ > 0) {
        --uploads_in_flight_;
        ++finished_updates_;
    }
}

void Object_pool::set_running(bool running)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    running_ = running;
}

void Object_pool::set_vt_active(bool active)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    vt_active_ = active;
    // The VT shows another mask of the working set than the one it took
    // last: which mask is active there is not known.
    if (active && running_ && status_.valid && working_set_id_ != NULL_ID) {
        const uint64_t key = Vt_record::key(working_set_id_, CMD_ACTIVE_MASK);
        const std::vector<uint8_t>* held = vt_record_.held(key);
        if (held && uint16_t((*held)[3] | (*held)[4] << 8) != status_.visible_mask())
            vt_record_.set_unknown(key);
    }
}

void Object_pool::set_vt_status(const uint8_t data[8])
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    std::memcpy(status_.data, data, 8);
    status_.valid = true;
}

void Object_pool::clear_vt_status()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    status_.valid = false;
}

void Object_pool::set_vt_name(const JIN_name::RAWNAME& name, bool known)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    vt_name_ = name;
    vt_name_known_ = known;
}

void Object_pool::set_capabilities(const vt_capabilities_t& caps)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    caps_ = caps;
}

void Object_pool::set_vt_version(int version)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    vt_version_ = version;
}

void Object_pool::set_locale(const Locale_info& locale)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (locale == locale_)
        return;
    locale_ = locale;
    post_pool_event(EVENT_LOCALE, 0);
}

void Object_pool::set_tx_state(int state)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    tx_state_ = state;
}

void Object_pool::set_connection_state(int state)
{
    // The record of what the VT holds starts from the pool as written for
    // it, before the application hears that the pool goes up.
    if (state == CONN_UPLOADING && get_connection_state() != CONN_UPLOADING)
        vt_gets_pool();
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (state == connection_state_)
        return;
    connection_state_ = state;
    // Changes kept for a pool that did not go up never go.
    if (!takes_changes())
        commands_.clear();
    post_pool_event(EVENT_CONNECTION, state);
}

void Object_pool::set_resolution(int x, int y)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    x_res_ = x > 0 ? x : DEFAULT_ACTIVE_AREA_X;
    y_res_ = y > 0 ? y : DEFAULT_ACTIVE_AREA_Y;
}

void Object_pool::flush_commands()
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    commands_.clear();
    commands_in_flight_ = 0;
    uploads_.clear();
    uploads_in_flight_ = 0;
    in_flight_ = In_flight();
    vt_record_.clear();
}

} // namespace VT
