#include "platform/tc/TC_object_pool.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

namespace TC {

namespace {

std::string describe(object_id_t id, const TC_obj* o)
{
    char text[96];
    if (o)
        std::snprintf(text, sizeof text, "%s %u '%s'", TC_obj_type::labels[o->get_type()], id,
                      o->get_name());
    else
        std::snprintf(text, sizeof text, "object %u", id);
    return text;
}

} // namespace

Object_pool::Object_pool(module_man* mm, TC_obj** objects, unsigned short count)
{
    if (mm) {
        mm->init_module(&status_event_id_, false);
        short ids[NUM_PD_EVENTS];
        if (mm->init_module_array(ids, NUM_PD_EVENTS, true) == 0)
            first_pd_event_id_ = ids[0];
    }
    for (unsigned short i = 0; objects && i < count; ++i)
        if (objects[i] && !add_object(objects[i]))
            delete objects[i];
}

Object_pool::~Object_pool() = default;

TC_obj* Object_pool::__find_object(Spec_node* node) const
{
    if (!node)
        return nullptr;
    for (const auto& entry : objects()) {
        Spec_node* own = entry.second->get_spec_node();
        if (own && *own == node)
            return entry.second;
    }
    return nullptr;
}

bool Object_pool::add_object(TC_obj* obj)
{
    if (!Object_pool_base<TC_obj>::add_object(obj))
        return false;
    obj->set_pool(this);
    return true;
}

void Object_pool::set_pool_name(const char* name)
{
    lock(-1);
    std::snprintf(pool_name_, sizeof pool_name_, "%s", name ? name : "");
    unlock();
}

// ---------------------------------------------------------------------------
// The binary pool

bool Object_pool::check_references(std::string& why) const
{
    std::vector<object_id_t> ids;
    for (const auto& entry : objects())
        ids.push_back(entry.first);
    return check_objects(ids, why);
}

bool Object_pool::check_objects(const std::vector<object_id_t>& ids, std::string& why) const
{
    std::set<object_id_t> in(ids.begin(), ids.end());
    auto kind_of = [&](object_id_t id) -> int {
        const TC_obj* o = in.count(id) ? __find_object(id) : nullptr;
        return o ? int(o->get_type()) : -1;
    };
    int devices = 0;
    std::set<unsigned short> numbers;
    for (object_id_t id : ids) {
        const TC_obj* o = __find_object(id);
        if (!o) {
            why = describe(id, nullptr) + " is referenced but missing";
            return false;
        }
        if ((o->get_type() == TC_obj_type::DEVICE) != (id == DEVICE_OBJECT_ID)) {
            why = o->get_type() == TC_obj_type::DEVICE
                      ? describe(id, o) + " must have the object id 0, where task controllers "
                                          "look for the device"
                      : describe(id, o) + " has the object id 0, which is the device's";
            return false;
        }
        switch (o->get_type()) {
        case TC_obj_type::DEVICE:
            ++devices;
            break;
        case TC_obj_type::DEVICE_ELEMENT: {
            auto* e = static_cast<const Device_element_obj*>(o);
            if (e->get_number() > Device_element_obj::MAX_NUMBER ||
                !numbers.insert(e->get_number()).second) {
                why = describe(id, o) + " repeats or exceeds element number " +
                      std::to_string(e->get_number());
                return false;
            }
            for (int i = 0; i < e->get_num_children(); ++i) {
                int k = kind_of(e->get_child(i));
                if (k != TC_obj_type::DEVICE_PROCESS_DATA && k != TC_obj_type::DEVICE_PROPERTY) {
                    why = describe(id, o) + " lists " + describe(e->get_child(i), nullptr) +
                          ", which is no process data or property of the pool";
                    return false;
                }
            }
            // The parent chain must end in the device without a loop.
            object_id_t up = e->get_parent();
            size_t steps = 0;
            for (;;) {
                int k = kind_of(up);
                if (k == TC_obj_type::DEVICE)
                    break;
                if (k != TC_obj_type::DEVICE_ELEMENT) {
                    why = describe(id, o) + " has the parent " + describe(up, nullptr) +
                          ", which is no element or device of the pool";
                    return false;
                }
                if (++steps > ids.size()) {
                    why = describe(id, o) + " is in a loop of parents";
                    return false;
                }
                up = static_cast<const Device_element_obj*>(__find_object(up))->get_parent();
            }
            break;
        }
        case TC_obj_type::DEVICE_PROCESS_DATA:
        case TC_obj_type::DEVICE_PROPERTY: {
            object_id_t dvp = o->get_type() == TC_obj_type::DEVICE_PROCESS_DATA
                                  ? static_cast<const Device_process_data_obj*>(o)->get_presentation()
                                  : static_cast<const Device_property_obj*>(o)->get_presentation();
            if (dvp != NULL_OBJECT_ID && kind_of(dvp) != TC_obj_type::DEVICE_VALUE_PRESENTATION) {
                why = describe(id, o) + " names " + describe(dvp, nullptr) +
                      ", which is no value presentation of the pool";
                return false;
            }
            break;
        }
        default:
            break;
        }
    }
    if (devices != 1) {
        why = "the pool holds " + std::to_string(devices) + " devices instead of one";
        return false;
    }
    return true;
}

bool Object_pool::upload_set(std::vector<object_id_t>& ids, std::string& why) const
{
    std::set<object_id_t> chosen;
    std::vector<object_id_t> devices;
    auto shown = [&](const Device_element_obj* e) {
        // An element is shown when it and every element above it is enabled.
        for (size_t steps = 0; e && steps <= objects().size(); ++steps) {
            if (!e->is_enabled())
                return false;
            const TC_obj* up = __find_object(e->get_parent());
            if (!up || up->get_type() != TC_obj_type::DEVICE_ELEMENT)
                return true;
            e = static_cast<const Device_element_obj*>(up);
        }
        return true;  // a loop: kept, so that the check reports it
    };
    for (const auto& entry : objects()) {
        const TC_obj* o = entry.second;
        if (o->get_type() == TC_obj_type::DEVICE)
            devices.push_back(entry.first);
        if (o->get_type() != TC_obj_type::DEVICE_ELEMENT)
            continue;
        auto* e = static_cast<const Device_element_obj*>(o);
        if (!shown(e))
            continue;
        chosen.insert(entry.first);
        for (int i = 0; i < e->get_num_children(); ++i)
            chosen.insert(e->get_child(i));
    }
    std::set<object_id_t> presentations;
    for (object_id_t id : chosen) {
        const TC_obj* o = __find_object(id);
        if (o && o->get_type() == TC_obj_type::DEVICE_PROCESS_DATA)
            presentations.insert(static_cast<const Device_process_data_obj*>(o)->get_presentation());
        if (o && o->get_type() == TC_obj_type::DEVICE_PROPERTY)
            presentations.insert(static_cast<const Device_property_obj*>(o)->get_presentation());
    }
    presentations.erase(NULL_OBJECT_ID);
    chosen.insert(presentations.begin(), presentations.end());
    ids = devices;
    ids.insert(ids.end(), chosen.begin(), chosen.end());
    return check_objects(ids, why);
}

bool Object_pool::describe_upload(std::vector<Described_datum>& out, std::string& why) const
{
    out.clear();
    std::vector<object_id_t> ids;
    if (!upload_set(ids, why))
        return false;
    for (object_id_t id : ids) {
        const TC_obj* o = __find_object(id);
        if (o->get_type() != TC_obj_type::DEVICE_ELEMENT)
            continue;
        auto* e = static_cast<const Device_element_obj*>(o);
        for (int i = 0; i < e->get_num_children(); ++i) {
            const TC_obj* c = __find_object(e->get_child(i));
            if (!c || c->get_type() != TC_obj_type::DEVICE_PROCESS_DATA)
                continue;
            auto* pd = static_cast<const Device_process_data_obj*>(c);
            out.push_back({e->get_number(), pd->get_ddi(), pd->get_properties(),
                           pd->get_trigger_methods()});
        }
    }
    std::sort(out.begin(), out.end());
    return true;
}

bool Object_pool::serialise_ddop(std::vector<unsigned char>& out, std::string& why) const
{
    out.clear();
    std::vector<object_id_t> ids;
    if (!upload_set(ids, why))
        return false;
    for (object_id_t id : ids) {
        const TC_obj* o = __find_object(id);
        int size = o->binary_size();
        size_t at = out.size();
        out.resize(at + size_t(size));
        if (o->serialise(0, out.data() + at, size) != size) {
            why = describe(id, o) + " cannot be written";
            out.clear();
            return false;
        }
    }
    return true;
}

int Object_pool::serialise_ddop(unsigned char* buffer, int capacity) const
{
    std::vector<unsigned char> bytes;
    std::string why;
    if (!buffer || !serialise_ddop(bytes, why) || bytes.size() > size_t(capacity))
        return -1;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return int(bytes.size());
}

bool Object_pool::load_ddop(const unsigned char* data, int len, std::string& why)
{
    std::vector<object_id_t> added;
    auto fail = [&](const std::string& text) {
        why = text;
        for (object_id_t id : added)
            delete_object(id);
        return false;
    };
    if (!data || len <= 0)
        return fail("the pool is empty");
    int at = 0;
    while (at < len) {
        if (len - at < 5)
            return fail("record at byte " + std::to_string(at) + " is short");
        int type = TC_obj_type::type_of_label(data + at);
        if (type < 0)
            return fail("record at byte " + std::to_string(at) + " has no known label");
        object_id_t id = object_id_t(data[at + 3] | data[at + 4] << 8);
        TC_obj* o = create_object(this, type, id, TC_obj::NO_NAME);
        int used = o->deserialise_record(data + at + 5, len - at - 5);
        if (used < 0) {
            delete o;
            return fail(describe(id, nullptr) + " at byte " + std::to_string(at) +
                        " is short or holds an unusable value");
        }
        if (!add_object(o)) {
            delete o;
            return fail(describe(id, nullptr) + " at byte " + std::to_string(at) +
                        " repeats an object id");
        }
        added.push_back(id);
        at += 5 + used;
    }
    std::string bad;
    if (!check_references(bad))
        return fail(bad);
    return true;
}

// ---------------------------------------------------------------------------
// What the task controller holds

void Object_pool::set_described(std::vector<Described_datum> data)
{
    std::sort(data.begin(), data.end());
    lock(-1);
    described_.swap(data);
    unlock();
}

bool Object_pool::is_described(unsigned short element, ddi_t ddi)
{
    const Described_datum key{element, ddi, 0, 0};
    lock(-1);
    bool found = std::binary_search(described_.begin(), described_.end(), key);
    unlock();
    return found;
}

bool Object_pool::is_in_default_set(unsigned short element, ddi_t ddi)
{
    const Described_datum key{element, ddi, 0, 0};
    lock(-1);
    auto at = std::lower_bound(described_.begin(), described_.end(), key);
    bool member = at != described_.end() && at->element == element && at->ddi == ddi &&
                  (at->properties & Device_process_data_obj::PROP_DEFAULT_SET);
    unlock();
    return member;
}

bool Object_pool::is_element_described(unsigned short element)
{
    const Described_datum key{element, 0, 0, 0};
    lock(-1);
    auto at = std::lower_bound(described_.begin(), described_.end(), key);
    bool found = at != described_.end() && at->element == element;
    unlock();
    return found;
}

// ---------------------------------------------------------------------------
// The application's end

Object_pool::tc_version_params_t Object_pool::version_params(unsigned char options,
                                                             unsigned char booms,
                                                             unsigned char sections,
                                                             unsigned char channels)
{
    tc_version_params_t p{{0, 0, 0xFF, 0, 0, 0, 0, 0}};
    p.bytes[VERSION_OPTIONS] = options;
    p.bytes[VERSION_BOOMS] = booms;
    p.bytes[VERSION_SECTIONS] = sections;
    p.bytes[VERSION_CHANNELS] = channels;
    return p;
}

void Object_pool::set_enabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled)
        post_status(STATUS_DISABLED);
    if (session_)
        session_->pool_enabled(enabled);
}

void Object_pool::register_event_waiter(waiter_descriptor& waiter)
{
    lock(-1);
    waiter_ = &waiter;
    unlock();
}

void Object_pool::deregister_event_waiter(waiter_descriptor& waiter)
{
    lock(-1);
    if (waiter_ == &waiter)
        waiter_ = nullptr;
    unlock();
}

void Object_pool::set_tx_state(tx_state_t state)
{
    tx_state_ = state;
    if (session_)
        session_->pool_tx_state(state);
}

void Object_pool::set_version_params(unsigned char version, const tc_version_params_t* params)
{
    lock(-1);
    version_ = version;
    if (params)
        version_params_ = *params;
    unlock();
}

bool Object_pool::start()
{
    started_ = true;
    return session_ ? session_->pool_start() : true;
}

bool Object_pool::send_process_data(unsigned short element, ddi_t ddi, int value)
{
    return session_ && session_->pool_send(element, ddi, value);
}

bool Object_pool::acknowledge_set_value(unsigned short element, ddi_t ddi, unsigned char errors)
{
    return session_ && session_->pool_acknowledge(element, ddi, errors);
}

bool Object_pool::post_status(status_code_t code)
{
    lock(-1);
    waiter_descriptor* w = waiter_;
    unlock();
    if (!w)
        return false;
    waiter_event event(status_event_id_, uint32_t(code), 0);
    return w->send_event(event, false, false) == 0;
}

bool Object_pool::post_pd_event(pd_event_kind_t kind, unsigned short element, ddi_t ddi,
                                int32_t value, bool acknowledge)
{
    lock(-1);
    waiter_descriptor* w = waiter_;
    unlock();
    if (!w || kind < 0 || kind >= NUM_PD_EVENTS)
        return false;
    uint32_t target = (uint32_t(element) & PD_EVENT_ELEMENT_MASK) | uint32_t(ddi) << 16;
    if (acknowledge && kind == PD_SET_VALUE)
        target |= PD_EVENT_ACKNOWLEDGE;
    waiter_event event(short(first_pd_event_id_ - kind), target, intptr_t(value));
    return w->send_event(event, false, false) == 0;
}

} // namespace TC
