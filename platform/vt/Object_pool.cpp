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
constexpr uint8_t CMD_ACTIVE_MASK = 0xAD;
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
        queue_command(id, {CMD_ACTIVE_MASK, uint8_t(ws_id), uint8_t(ws_id >> 8), uint8_t(id), uint8_t(id >> 8),
                           0xFF, 0xFF, 0xFF});
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
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (waiter_ && id >= 0 && id < NUM_VT_EVENTS && event_base_id_ != 0)
        waiter_->send_event(waiter_event(short(event_base_id_ - id), first, intptr_t(second)), false, false);
}

void Object_pool::post_vt_string_event(unsigned short object_id, const uint8_t* text, uint32_t len)
{
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

void Object_pool::queue_command(unsigned short object_id, std::vector<uint8_t> bytes)
{
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (muted_)
        return;
    // A newer change of the same value replaces one still waiting: the VT
    // only needs the last.
    for (Vt_command& c : commands_) {
        if (c.object_id == object_id && is_value_change(c.bytes) && is_value_change(bytes) && c.bytes[0] == bytes[0] &&
            (bytes[0] != 0xAF || c.bytes[3] == bytes[3])) {
            c.bytes = std::move(bytes);
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
    if (commands_.empty() || upload_mode_ > 0 || commands_in_flight_ > 0)
        return false;
    out = std::move(commands_.front());
    commands_.pop_front();
    ++commands_in_flight_;
    return true;
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
    std::lock_guard<std::recursive_mutex> g(state_mutex_);
    if (state == connection_state_)
        return;
    connection_state_ = state;
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
}

} // namespace VT
