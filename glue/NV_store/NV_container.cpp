#include "glue/NV_store/NV_container.h"

#include "glue/NV_store/NV_iterator.h"
#include "glue/NV_store/NV_path.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Send_buffer.h"
#include "platform/util/Debug_dumper.h"
#include "util/Debug_print.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace NV_store {

NV_container::NV_container(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name)
    : NV_item(parent, nv_id, name), root_(root)
{
}

NV_container::NV_container(unsigned short nv_id, const char* name)
    : NV_item(nullptr, nv_id, name), root_(nullptr)
{
}

NV_item* NV_container::find_child(unsigned short nv_id) const
{
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (child->get_nv_id() == nv_id)
            return child;
    }
    return nullptr;
}

void NV_container::add_child(NV_item* child)
{
    if (!child)
        return;
    if (get_type() != ITEM_ITEM_ARRAY) {
        if (NV_item* existing = find_child(child->get_nv_id())) {
            Debug_print::bprint("Duplicate NV_store ID %s:%d %s:%d in %s\n", child->get_name(),
                                int(child->get_nv_id()), existing->get_name(),
                                int(existing->get_nv_id()), get_name());
            std::exit(-119);
        }
    }
    children_.push(child);
}

void NV_container::remove_child(NV_item* child)
{
    if (child)
        children_.remove(child);
}

NV_item* NV_container::get_next_child(const NV_item* child) const
{
    return child ? static_cast<NV_item*>(children_.next(child)) : nullptr;
}

int NV_container::get_my_index(const NV_item* child) const
{
    if (!child)
        return -1;
    int index = 0;
    for (NV_item* c = first_child(); c; c = get_next_child(c), ++index) {
        if (c == child)
            return index;
    }
    return -1;
}

NV_item* NV_container::operator[](int i) const
{
    NV_item* ret = static_cast<NV_item*>(children_.get(i));
    assert(ret != __null);
    if (!ret)
        std::abort();
    return ret;
}

void NV_container::_print(Debug::Dumper& dumper) const
{
    if (!dumper.begin(get_name()))
        return;
    for (NV_item* child = first_child(); child; child = get_next_child(child))
        child->_print(dumper);
    dumper.end(get_name());
}

void NV_container::_set_root(NV_root* root)
{
    root_ = root;
    for (NV_item* child = first_child(); child; child = get_next_child(child))
        child->_set_root(root);
}

void NV_container::lock() const
{
    if (root_)
        root_->get_mutex().lock();
}

void NV_container::unlock() const
{
    if (root_)
        root_->get_mutex().unlock();
}

// --- Storage ------------------------------------------------------------------------

bool NV_container::serialise(NV_iterator* it)
{
    bool ok;
    if (!should_write(it, &ok))
        return ok;
    NV_iterator::NV_checksum checksum;
    it->add_checksum_getter(&checksum);
    push_own_header(it, NV_MARK_BEGIN);
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (!child->serialise(it)) {
            it->remove_checksum_getter(&checksum);
            Debug_print::dprint("Serialise failed for %d:%s\n", get_type(), get_name());
            return false;
        }
    }
    if (!push_own_header(it, NV_MARK_END)) {
        it->remove_checksum_getter(&checksum);
        Debug_print::dprint("Serialise failed2 for %d:%s\n", get_type(), get_name());
        return false;
    }
    it->remove_checksum_getter(&checksum);
    it->push_uint32(checksum.value());
    clear_flags(NV_FLAG_MARKED | NV_FLAG_CHANGED);
    return true;
}

bool NV_container::deserialise(NV_iterator* it)
{
    NV_iterator::NV_checksum checksum;
    it->add_checksum_getter(&checksum);
    NV_iterator::NV_iterator_header header;
    if (!it->pop_header(header)) {
        Debug_print::dprint("No NV settings for %d:%s\n", get_type(), get_name());
        it->remove_checksum_getter(&checksum);
        return false;
    }
    if (header.id != get_nv_id() || header.type != get_type_byte() || header.marker != NV_MARK_BEGIN) {
        it->remove_checksum_getter(&checksum);
        Debug_print::dprint("Bad NV settings %d!=%d %d!=%d %d!=%d for %d:%s\n", int(header.id),
                            int(get_nv_id()), int(header.type), int(get_type_byte()),
                            int(header.marker), NV_MARK_BEGIN, get_type(), get_name());
        return false;
    }
    // Once the section is open, whatever its children read from it is held
    // by this container: it must not stay "at default", or the next full save
    // would leave out its subtree even when the load stops early below.
    clear_flags(NV_FLAG_AT_DEFAULT);
    // A nested section that failed its own CRC reset its own values; the rest
    // of this section is still read (each nested section is vouched for by
    // its own CRC). This section's CRC covers the nested bytes as well, so it
    // fails too, and only this container's direct values are reset then.
    for (;;) {
        if (!it->peek_header(header)) {
            it->remove_checksum_getter(&checksum);
            Debug_print::dprint("NV bad for %d:%s\n", get_type(), get_name());
            return false;
        }
        if (header.marker == NV_MARK_END) {
            it->pop_header(header);
            it->remove_checksum_getter(&checksum);
            unsigned int stored = 0;
            const bool have_crc = it->pop_uint32(stored);
            if (have_crc && stored == checksum.value())
                return true;
            Debug_print::dprint("NV_store CRC32 Check %u!=%u for %d:%s\n", checksum.value(), stored,
                                get_type(), get_name());
            reset_direct_values();
            it->note_bad_section();
            return false;
        }
        bool matched = false;
        for (NV_item* child = first_child(); child; child = get_next_child(child)) {
            if (child->get_nv_id() != header.id)
                continue;
            matched = true;
            if (!child->deserialise(it)) {
                if (it->take_bad_section())
                    continue;
                it->remove_checksum_getter(&checksum);
                Debug_print::dprint("NV child was bad for %d:%s\n", get_type(), get_name());
                return false;
            }
        }
        if (!matched && !deserialise_unknown_handoff(it)) {
            it->remove_checksum_getter(&checksum);
            Debug_print::dprint("NV unknown child was bad for %d:%s\n", get_type(), get_name());
            return false;
        }
    }
}

bool NV_container::deserialise_unknown(NV_iterator* it, int depth)
{
    NV_iterator::NV_iterator_header begin, header;
    if (!it->pop_header(begin) || begin.marker != NV_MARK_BEGIN)
        return false;
    for (;;) {
        if (!it->peek_header(header))
            return false;
        if (header.marker == NV_MARK_END)
            break;
        if (!deserialise_unknown_handoff(it, depth))
            return false;
    }
    if (header.id != begin.id || header.type != begin.type)
        return false;
    unsigned int crc;
    return it->pop_header(header) && it->pop_uint32(crc);
}

// --- Paths -----------------------------------------------------------------------------

int NV_container::build_path(NV_path& path, const NV_item* target) const
{
    if (target == this)
        return path.push(this);
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (child->build_path(path, target) == 0)
            return path.push(this);
    }
    return -1;
}

NV_item* NV_container::__follow_path(NV_path* path)
{
    unsigned short id;
    if (!path || !path->peek_last(id) || id != get_nv_id())
        return nullptr;
    path->pop_last(id);
    if (path->fill() == 0)
        return this;
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (NV_item* found = child->__follow_path(path))
            return found;
    }
    path->push(id);
    return nullptr;
}

// The values of a section whose CRC fails are suspect: this container's own
// settings return to their defaults (with notification). Nested containers
// are left to their own sections' checks. A node that has no default (a
// pointer) does not stop the reset of the others.
void NV_container::reset_direct_values()
{
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (!child->is_container())
            child->set_default(true);
    }
}

bool NV_container::set_default(bool reset)
{
    if (!reset)
        return true;
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (!child->set_default(true))
            return false;
    }
    return true;
}

// --- Lookup and text --------------------------------------------------------------

Data_item* NV_container::find_data_item(const char* path)
{
    if (!path || !*path)
        return this;
    const char* dot = std::strchr(path, '.');
    const size_t length = dot ? size_t(dot - path) : std::strlen(path);
    char name[64];
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        child->get_path_name(name, sizeof name);
        if (std::strlen(name) == length && std::strncmp(name, path, length) == 0)
            return dot ? child->find_data_item(dot + 1) : child;
    }
    return nullptr;
}

Data_item* NV_container::find_data_item(unsigned short item_id)
{
    if (item_id == get_id())
        return this;
    if (item_id < min_id_ || item_id > max_id_)
        return nullptr;
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (Data_item* found = child->find_data_item(item_id))
            return found;
    }
    return nullptr;
}

void NV_container::set_minmax(unsigned short& min, unsigned short& max)
{
    min_id_ = max_id_ = get_id();
    for (NV_item* child = first_child(); child; child = get_next_child(child))
        child->set_minmax(min_id_, max_id_);
    if (min_id_ < min)
        min = min_id_;
    if (max_id_ > max)
        max = max_id_;
}

Data_item::Serial_ret NV_container::serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id)
{
    serial_action_started(resume_id);
    return serial_children(first_child(), [this](NV_item* c) { return get_next_child(c); },
                           [&](NV_item* c) { return c->serialise(buffer, resume_id); });
}

Data_item::Serial_ret NV_container::deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id)
{
    serial_action_started(resume_id);
    return serial_children(first_child(), [this](NV_item* c) { return get_next_child(c); },
                           [&](NV_item* c) { return c->deserialise(buffer, resume_id); });
}

void NV_container::serialise_structure(CDS::Remote::Send_buffer& buffer, int depth)
{
    NV_item::serialise_structure(buffer, depth);
    if (depth <= 0)
        return;
    serialise_children_structure(buffer, depth, first_child(),
                                 [this](NV_item* c) { return get_next_child(c); });
}

int NV_container::_to_string(char* buffer, int size) const
{
    if (!buffer || size <= 0)
        return 0;
    int length = 0;
    auto add = [&](char c) {
        if (size - length >= 2)
            buffer[length++] = c;
    };
    add('{');
    char text[256];
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (child != first_child())
            add(',');
        text[0] = '\0';
        int n = child->_to_string(text, sizeof text);
        for (int i = 0; i < n && i < int(sizeof text) - 1 && text[i]; ++i)
            add(text[i]);
    }
    add('}');
    buffer[length] = '\0';
    return length;
}

namespace {
const char* skip_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}
} // namespace

const char* NV_container::_from_string(const char* text)
{
    if (!text)
        return nullptr;
    const char* p = skip_blanks(text);
    if (*p != '{')
        return nullptr;
    p = skip_blanks(p + 1);
    for (NV_item* child = first_child(); child; child = get_next_child(child)) {
        if (child != first_child()) {
            p = skip_blanks(p);
            if (*p != ',')
                return nullptr;
            p = skip_blanks(p + 1);
        }
        p = child->_from_string(p);
        if (!p)
            return nullptr;
    }
    p = skip_blanks(p);
    return *p == '}' ? p + 1 : nullptr;
}

NV_item* NV_container::_search(const char* path)
{
    if (!path)
        return nullptr;
    // A segment ends at '/', or at ',' (which ends the whole path), or at the
    // end of the text.
    const char* slash = std::strchr(path, '/');
    const char* comma = std::strchr(path, ',');
    const char* end = slash;
    bool last = false;
    if (!end || (comma && comma < end)) {
        end = comma ? comma : path + std::strlen(path);
        last = true;
    }
    const size_t length = size_t(end - path);
    if (length > 256 || (comma && end == comma && length > 255))
        return nullptr;
    char segment[257];
    std::memcpy(segment, path, length);
    segment[length] = '\0';

    NV_item* found = nullptr;
    bool by_index = false;
    if (has_named_children()) {
        for (NV_item* child = first_child(); child; child = get_next_child(child)) {
            if (std::strcmp(child->get_name(), segment) == 0) {
                found = child;
                break;
            }
        }
    } else {
        // An index is read whole, in decimal: "1abc" or "0x1" name no element.
        const bool digits = length > 0 && std::strspn(segment, "0123456789") == length;
        const unsigned long index = digits ? std::strtoul(segment, nullptr, 10) : 0;
        if (digits && index < unsigned(child_count())) {
            found = (*this)[int(index)];
            by_index = true;
        }
    }
    if (!found || last)
        return found;
    const char* rest = end + 1;
    if (!by_index)
        return found->_search(rest);
    // Searched under the tree lock, unless the caller already holds it.
    const bool take_lock = root_ && root_->get_mutex().status(Mutex::ANY) != Mutex::MINE;
    if (take_lock)
        lock();
    NV_item* result = found->_search(rest);
    if (take_lock)
        unlock();
    return result;
}

void NV_container::signal_all(NV_root* root)
{
    for (NV_item* child = first_child(); child; child = get_next_child(child))
        child->signal_all(root);
    notify_updated(false, false, true, NOTIFY_WAITERS, root);
}

NV_item* NV_container::get_next_in_tree(NV_item* stop)
{
    if (NV_item* child = first_child())
        return child;
    return NV_item::get_next_in_tree(stop);
}

} // namespace NV_store
