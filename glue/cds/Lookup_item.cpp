#include "glue/cds/Lookup_item.h"

#include "glue/cds/Compare.h"
#include "glue/cds/Head.h"
#include "glue/cds/Lookup_root.h"
#include "glue/cds/Send_buffer.h"
#include "platform/util/Debug_dumper.h"
#include "util/Debug_print.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>

namespace CDS {

namespace {

void append_header(Remote::Send_buffer& buffer, unsigned char type_byte, unsigned short id,
                   const char* name)
{
    char header[256];
    std::snprintf(header, sizeof header, "%x:%x:%s", unsigned(type_byte), unsigned(id), name);
    buffer.str_append(header);
}

} // namespace

void append_format(std::string& text, const char* format, ...)
{
    va_list ap;
    va_start(ap, format);
    va_list again;
    va_copy(again, ap);
    const int length = std::vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    if (length > 0) {
        const size_t at = text.size();
        text.resize(at + size_t(length) + 1);
        std::vsnprintf(&text[at], size_t(length) + 1, format, again);
        text.resize(at + size_t(length));
    }
    va_end(again);
}

// --- Lookup_item --------------------------------------------------------------

Lookup_item::Lookup_item(Lookup_struct& parent, const char* name)
    : name_(name ? name : ""), parent_(&parent)
{
    if (static_cast<Lookup_item*>(&parent) != this)
        parent.add_child(this);
}

Data_item* Lookup_item::find_data_item(const char* path) { return find_item(path, '.'); }

Data_item* Lookup_item::find_data_item(unsigned short id) { return find_item(id); }

void Lookup_item::_print(Debug::Dumper&) const {}

void Lookup_item::serialise_structure(Remote::Send_buffer& buffer, int)
{
    append_header(buffer, get_type_byte(), get_id(), get_name());
}

unsigned char Lookup_item::get_type_byte() const
{
    return Data_item::get_type_byte(CLASS_PLAIN, get_type());
}

bool Lookup_item::bytes_changed(Compare& compare)
{
    if (compare.all_equal())
        return false;
    if (compare.move_to(get_address()))
        return false;
    return compare.first_difference() < int(get_size());
}

bool Lookup_item::_signal_update(Compare& compare)
{
    if (!bytes_changed(compare))
        return false;
    if (Event_handler* handler = get_event_handler())
        handler->signal_event(true);
    return true;
}

void Lookup_item::set_minmax(unsigned short& min, unsigned short& max)
{
    if (get_id() < min)
        min = get_id();
    if (get_id() > max)
        max = get_id();
}

Lookup_item* Lookup_item::find_item(const char* path, char separator)
{
    if (!path || !*path)
        return this;
    Debug_print::dprint("Base find item, why? %s,%d,%s,%c\n", get_name(), int(get_id()), path,
                        separator);
    return nullptr;
}

Lookup_item* Lookup_item::find_item(unsigned short id) { return id == get_id() ? this : nullptr; }

Lookup_root* Lookup_item::root()
{
    if (static_cast<Lookup_item*>(parent_) == this)
        std::abort(); // its own parent, yet not a root
    return parent_->root();
}

void Lookup_item::signal_update(const void* field, const void* new_value, unsigned size)
{
    Compare compare(field, new_value, int(size));
    _signal_update(compare);
}

void Lookup_item::notify_cds(void* address, unsigned size)
{
    if (Lookup_root* top = root())
        top->notify_cds(address, size);
}

// --- Lookup_struct ------------------------------------------------------------

Lookup_struct::Lookup_struct(Lookup_struct& parent, const char* name, void* address, unsigned size)
    : Lookup_item(parent, name), min_id_(0), max_id_(0xFFFF), address_(address), size_(size)
{
}

void Lookup_struct::add_child(Lookup_item* child)
{
    if (child)
        children_.push(child);
}

Lookup_item* Lookup_struct::first_child() const
{
    return static_cast<Lookup_item*>(children_.first());
}

Lookup_item* Lookup_struct::next_child(const Lookup_item* child) const
{
    return static_cast<Lookup_item*>(children_.next(child));
}

void Lookup_struct::_print(Debug::Dumper& dumper) const
{
    if (!dumper.begin(get_name()))
        return;
    for (Lookup_item* child = first_child(); child; child = next_child(child))
        child->_print(dumper);
    dumper.end(get_name());
}

Data_item::Serial_ret Lookup_struct::serialise(Remote::Send_buffer& buffer, unsigned short& resume_id)
{
    serial_action_started(resume_id);
    return serial_children(first_child(), [this](Lookup_item* c) { return next_child(c); },
                           [&](Lookup_item* c) { return c->serialise(buffer, resume_id); });
}

Data_item::Serial_ret Lookup_struct::deserialise(Remote::Receive_buffer& buffer, unsigned short& resume_id)
{
    serial_action_started(resume_id);
    return serial_children(first_child(), [this](Lookup_item* c) { return next_child(c); },
                           [&](Lookup_item* c) { return c->deserialise(buffer, resume_id); });
}

void Lookup_struct::serialise_structure(Remote::Send_buffer& buffer, int depth)
{
    Lookup_item::serialise_structure(buffer, depth);
    if (depth <= 0)
        return;
    serialise_children_structure(buffer, depth, first_child(),
                                 [this](Lookup_item* c) { return next_child(c); });
}

void Lookup_struct::append_definition(std::string& text, int indent) const
{
    append_format(text, "%*sstruct %s { \"%s\"\n", indent * 4, "", get_type_name(), get_comment());
    for (Lookup_item* child = first_child(); child; child = next_child(child))
        child->append_definition(text, indent + 1);
    append_format(text, "%*s} %s;\n", indent * 4, "", get_name());
}

bool Lookup_struct::_signal_update(Compare& compare)
{
    if (!bytes_changed(compare))
        return false;
    bool any = false;
    for (Lookup_item* child = first_child(); child && !compare.all_equal(); child = next_child(child))
        any |= child->_signal_update(compare);
    if (any) {
        if (Event_handler* handler = get_event_handler())
            handler->signal_event(true);
    }
    return any;
}

void Lookup_struct::set_minmax(unsigned short& min, unsigned short& max)
{
    min_id_ = max_id_ = get_id();
    for (Lookup_item* child = first_child(); child; child = next_child(child))
        child->set_minmax(min_id_, max_id_);
    if (min_id_ < min)
        min = min_id_;
    if (max_id_ > max)
        max = max_id_;
}

Lookup_item* Lookup_struct::find_item(const char* path, char separator)
{
    if (!path || !*path)
        return this;
    const char* end = std::strchr(path, separator);
    const size_t length = end ? size_t(end - path) : std::strlen(path);
    for (Lookup_item* child = first_child(); child; child = next_child(child)) {
        const char* name = child->get_name();
        if (std::strlen(name) == length && std::strncmp(name, path, length) == 0)
            return end ? child->find_item(end + 1, separator) : child;
    }
    return nullptr;
}

Lookup_item* Lookup_struct::find_item(unsigned short id)
{
    if (id == get_id())
        return this;
    if (id < min_id_ || id > max_id_)
        return nullptr;
    for (Lookup_item* child = first_child(); child; child = next_child(child)) {
        if (Lookup_item* found = child->find_item(id))
            return found;
    }
    return nullptr;
}

// --- Lookup_root --------------------------------------------------------------

Lookup_root::Lookup_root(Head& head, void* data_block, unsigned size, const char* name)
    : Lookup_struct(*this, name, data_block, size), head_(head), data_block_(data_block)
{
}

void Lookup_root::notify_cds(void* address, unsigned size)
{
    const long offset = static_cast<char*>(address) - static_cast<char*>(data_block_);
    head_.event_signal(address, nullptr, int(offset), int(size), nullptr);
}

// --- Names of array elements --------------------------------------------------

const char* get_number_as_name(unsigned n)
{
    // Element nodes are built by several modules' threads; the names live in
    // a deque, whose elements never move, so handed-out names stay valid.
    static std::mutex lock;
    static std::deque<std::string> names;
    std::lock_guard<std::mutex> guard(lock);
    while (names.size() <= n)
        names.push_back(std::to_string(names.size()));
    return names[n].c_str();
}

} // namespace CDS
