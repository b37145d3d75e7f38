#include "glue/NV_store/NV_item.h"

#include "glue/NV_store/NV_access.h"
#include "glue/NV_store/NV_container.h"
#include "glue/NV_store/NV_iterator.h"
#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_path.h"
#include "glue/NV_store/NV_pointer.h"
#include "glue/NV_store/NV_root.h"
#include "glue/cds/Send_buffer.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"
#include "util/Debug_print.h"

#include <cstdio>
#include <cstring>

namespace NV_store {

// --- Registrations --------------------------------------------------------------

NV_item::NV_waiter_reg::NV_waiter_reg(waiter_descriptor* waiter, Reg_type kind, uintptr_t target,
                                      bool flag)
    : waiter(waiter), target(target), kind(kind), flag(flag)
{
    if (kind == REG_SELF || !target)
        this->target = reinterpret_cast<uintptr_t>(this);
}

bool NV_item::NV_waiter_reg::operator==(const NV_waiter_reg& other) const
{
    if (waiter != other.waiter || kind != other.kind)
        return false;
    return kind == REG_SELF || target == other.target;
}

bool NV_item::NV_waiter_reg::send_event(const NV_root* root, bool all) const
{
    if (!all && flag)
        return true;
    if (!root || !waiter)
        return false;
    const short id = root->get_module_id(kind);
    if (id == 0)
        return false;
    waiter_event event;
    event.module_id = id;
    event.code = intptr_t(target);
    return waiter->send_event(event, false, true) == 0;
}

NV_item::NV_waiter_list::~NV_waiter_list()
{
    while (NV_waiter_reg* reg = pop())
        delete reg;
}

bool NV_item::NV_waiter_list::remove(const NV_waiter_reg& wanted)
{
    for (NV_waiter_reg* reg = first(); reg; reg = next(reg)) {
        if (*reg == wanted) {
            c_sl_list<NV_waiter_reg>::remove(reg);
            delete reg;
            return true;
        }
    }
    return false;
}

bool NV_item::NV_waiter_list::exists(const NV_waiter_reg& wanted) const
{
    for (NV_waiter_reg* reg = first(); reg; reg = next(reg)) {
        if (*reg == wanted)
            return true;
    }
    return false;
}

// --- Construction -------------------------------------------------------------

NV_item::NV_item(NV_container* parent, unsigned short nv_id, const char* name)
    : flags_(NV_FLAG_AT_DEFAULT), name_(name ? name : ""), parent_(nullptr), nv_id_(nv_id)
{
    if (parent) {
        parent_ = parent;
        parent->add_child(this);
    }
}

NV_item::NV_item(const NV_item& other)
    : Data_item(other.get_id()), flags_(other.flags_), name_(other.name_), parent_(other.parent_),
      nv_id_(other.nv_id_)
{
    set_event_handler(other.get_event_handler());
}

void NV_item::copy(const NV_item& other)
{
    if (&other == this)
        return;
    flags_ = other.flags_;
    name_ = other.name_;
    parent_ = other.parent_;
    nv_id_ = other.nv_id_;
    set_event_handler(other.get_event_handler());
}

NV_item::~NV_item() = default;

// --- Tree -----------------------------------------------------------------------

void NV_item::_set_parent(NV_container* parent)
{
    if (parent_)
        parent_->remove_child(this);
    parent_ = parent;
    if (parent)
        parent->add_child(this);
}

NV_root* NV_item::_get_root() const
{
    if (parent_)
        return parent_->get_root();
    if (get_type() == ITEM_ROOT)
        return static_cast<NV_root*>(const_cast<NV_item*>(this));
    return nullptr;
}

short NV_item::get_module_id(Reg_type type) const
{
    return parent_ ? parent_->get_module_id(type) : 0;
}

void NV_item::get_path_name(char* buffer, int size) const
{
    if (!buffer || size <= 0)
        return;
    if (parent_ && !parent_->has_named_children())
        std::snprintf(buffer, size_t(size), "%d", parent_->get_my_index(this));
    else
        std::snprintf(buffer, size_t(size), "%s", name_);
}

void NV_item::lock() const
{
    if (parent_)
        parent_->lock();
}

void NV_item::unlock() const
{
    if (parent_)
        parent_->unlock();
}

int NV_item::build_path(NV_path& path, const NV_item* target) const
{
    if (target != this)
        return -1;
    return path.push(this);
}

NV_item* NV_item::__follow_path(NV_path* path)
{
    unsigned short id;
    if (!path || path->fill() != 1 || !path->peek_last(id) || id != nv_id_)
        return nullptr;
    path->pop_last(id);
    return this;
}

NV_item* NV_item::follow_path(NV_path path) { return __follow_path(&path); }

bool NV_item::set_default(bool)
{
    std::printf("Default not implemented\r");
    std::fflush(stdout);
    return false;
}

NV_item* NV_item::get_next_in_tree(NV_item* stop)
{
    const NV_item* node = this;
    while (node && node != stop) {
        NV_container* parent = node->parent_;
        if (!parent)
            return nullptr;
        if (NV_item* next = parent->get_next_child(node))
            return next;
        node = parent;
    }
    return nullptr;
}

// --- Lookup and text ------------------------------------------------------------

Data_item* NV_item::find_data_item(const char* path)
{
    if (!path || !*path)
        return this;
    Debug_print::dprint("Base find item, why? %s,%d,%s\n", name_, int(get_id()), path);
    return nullptr;
}

Data_item* NV_item::find_data_item(unsigned short item_id)
{
    return item_id == get_id() ? this : nullptr;
}

void NV_item::set_minmax(unsigned short& min, unsigned short& max)
{
    if (get_id() < min)
        min = get_id();
    if (get_id() > max)
        max = get_id();
}

NV_item* NV_item::_search(const char* path)
{
    return path && std::strcmp(path, name_) == 0 ? this : nullptr;
}

// --- Remote service ------------------------------------------------------------

Data_item::Serial_ret NV_item::serialise(CDS::Remote::Send_buffer&, unsigned short& resume_id)
{
    if (!serial_action_started(resume_id))
        return serial_ok();
    Debug_print::dprint("Don't know how to serialise %s type=%d\n", name_, get_type());
    return serial_fail();
}

Data_item::Serial_ret NV_item::deserialise(CDS::Remote::Receive_buffer&, unsigned short& resume_id)
{
    if (!serial_action_started(resume_id))
        return serial_ok();
    Debug_print::dprint("Don't know how to deserialise %s type=%d\n", name_, get_type());
    return serial_fail();
}

void NV_item::serialise_structure(CDS::Remote::Send_buffer& buffer, int)
{
    char text[300];
    int n = std::snprintf(text, sizeof text, "%x:%x:", unsigned(get_type_byte()), unsigned(get_id()));
    get_path_name(text + n, int(sizeof text) - n);
    buffer.str_append(text);
}

// --- Subscriptions ---------------------------------------------------------------

bool NV_item::add_registration(NV_waiter_reg* reg)
{
    lock();
    waiters_.add(reg);
    unlock();
    return true;
}

bool NV_item::remove_registration(const NV_waiter_reg& reg)
{
    lock();
    bool found = waiters_.remove(reg);
    unlock();
    return found;
}

bool NV_item::register_waiter(waiter_descriptor* waiter, unsigned int value, bool flag)
{
    return add_registration(new NV_waiter_reg(waiter, REG_VALUE, value, flag));
}

bool NV_item::autoreg_waiter(waiter_descriptor* waiter, bool flag)
{
    return add_registration(new NV_waiter_reg(waiter, REG_AUTO, reinterpret_cast<uintptr_t>(this), flag));
}

bool NV_item::register_access_waiter(waiter_descriptor* waiter, Access_base* access, bool flag)
{
    return add_registration(new NV_waiter_reg(waiter, REG_ACCESS, reinterpret_cast<uintptr_t>(access), flag));
}

bool NV_item::register_virt_access_waiter(waiter_descriptor* waiter, Virt_access* access, bool flag)
{
    return add_registration(
        new NV_waiter_reg(waiter, REG_VIRT_ACCESS, reinterpret_cast<uintptr_t>(access), flag));
}

bool NV_item::unregister_waiter(waiter_descriptor* waiter, unsigned int value)
{
    return remove_registration(NV_waiter_reg(waiter, REG_VALUE, value, false));
}

bool NV_item::autounreg_waiter(waiter_descriptor* waiter)
{
    return remove_registration(NV_waiter_reg(waiter, REG_AUTO, reinterpret_cast<uintptr_t>(this), false));
}

bool NV_item::unregister_access_waiter(waiter_descriptor* waiter, Access_base* access)
{
    return remove_registration(
        NV_waiter_reg(waiter, REG_ACCESS, reinterpret_cast<uintptr_t>(access), false));
}

bool NV_item::unregister_virt_access_waiter(waiter_descriptor* waiter, Virt_access* access)
{
    return remove_registration(
        NV_waiter_reg(waiter, REG_VIRT_ACCESS, reinterpret_cast<uintptr_t>(access), false));
}

bool NV_item::is_event(const waiter_event& event) const
{
    NV_root* root = _get_root();
    if (!root) {
        Debug_print::dprint("NULL ROOT\r\n");
        return false;
    }
    return event.module_id == root->get_module_id(REG_AUTO) &&
           event.code == reinterpret_cast<intptr_t>(this);
}

// --- Change notification ----------------------------------------------------------

bool NV_item::notify_updated(bool changed, notify_t mode)
{
    return notify_updated(changed, true, false, mode, _get_root());
}

bool NV_item::notify_updated(bool changed, bool mark, bool force, notify_t mode, const NV_root* root)
{
    if (!force && !changed)
        return true;
    if (changed)
        flags_ |= NV_FLAG_CHANGED;
    if (mark)
        flags_ |= NV_FLAG_MARKED;
    if (changed)
        flags_ = static_cast<unsigned char>(flags_ & ~NV_FLAG_AT_DEFAULT);
    bool result = true;
    if (mode == NOTIFY_WAITERS || mode == NOTIFY_ALL) {
        // Every send is attempted; a refused one does not stop the others.
        for (NV_waiter_reg* reg = waiters_.first(); reg; reg = waiters_.next(reg))
            reg->send_event(root, true);
    }
    if (changed) {
        if (Event_handler* handler = get_event_handler())
            handler->signal_event(true);
    }
    if ((mode == NOTIFY_PARENTS || mode == NOTIFY_ALL) && get_type() != ITEM_ROOT && parent_) {
        if (!parent_->notify_updated(changed, mark, force, mode, root))
            result = false;
    }
    return result;
}

void NV_item::signal_all(NV_root* root)
{
    notify_updated(false, false, true, NOTIFY_WAITERS, root);
}

// --- Storage -----------------------------------------------------------------------

bool NV_item::should_write(NV_iterator* it, bool* ok) const
{
    *ok = true;
    switch (it ? it->get_mode() : NV_iterator::MODE_CLOSED) {
    case NV_iterator::MODE_APPEND_MARKED:
    case NV_iterator::MODE_APPEND_CHANGED:
        // A load reads one root section only, so sections appended behind it
        // would be lost without notice: append saves are refused.
        Debug_print::dprint("Append saves are not supported, %s not saved (use a full write)\n",
                            get_name());
        *ok = false;
        return false;
    case NV_iterator::MODE_WRITE:
        return (flags_ & NV_FLAG_AT_DEFAULT) == 0;
    default:
        *ok = false;
        return false;
    }
}

bool NV_item::push_own_header(NV_iterator* it, unsigned char marker) const
{
    NV_iterator::NV_iterator_header header;
    header.type = get_type_byte();
    header.marker = marker;
    header.id = nv_id_;
    return it->push_header(header);
}

bool NV_item::pop_own_header(NV_iterator* it, unsigned char& marker) const
{
    NV_iterator::NV_iterator_header header;
    if (!it->pop_header(header) || header.id != nv_id_ || header.type != get_type_byte())
        return false;
    marker = header.marker;
    return true;
}

namespace {
template <typename T> struct Type_tag {
    using type = T;
};

// Calls visit with the tag of the scalar setting type of an item type code;
// false for a code that is no scalar.
template <typename Visit> bool with_scalar_setting(int item_type, Visit visit)
{
    switch (item_type) {
    case Data_item::ITEM_BOOL: return visit(Type_tag<NV_number<bool, Data_item::ITEM_BOOL>>());
    case Data_item::ITEM_CHAR: return visit(Type_tag<NV_number<char, Data_item::ITEM_CHAR>>());
    case Data_item::ITEM_UCHAR: return visit(Type_tag<NV_number<unsigned char, Data_item::ITEM_UCHAR>>());
    case Data_item::ITEM_USHORT: return visit(Type_tag<NV_number<unsigned short, Data_item::ITEM_USHORT>>());
    case Data_item::ITEM_UINT: return visit(Type_tag<NV_number<unsigned int, Data_item::ITEM_UINT>>());
    case Data_item::ITEM_SCHAR: return visit(Type_tag<NV_number<signed char, Data_item::ITEM_SCHAR>>());
    case Data_item::ITEM_SHORT: return visit(Type_tag<NV_number<short, Data_item::ITEM_SHORT>>());
    case Data_item::ITEM_INT: return visit(Type_tag<NV_number<int, Data_item::ITEM_INT>>());
    case Data_item::ITEM_FLOAT: return visit(Type_tag<NV_number<float, Data_item::ITEM_FLOAT>>());
    case Data_item::ITEM_DOUBLE: return visit(Type_tag<NV_number<double, Data_item::ITEM_DOUBLE>>());
    case Data_item::ITEM_ULONGLONG:
        return visit(Type_tag<NV_number<unsigned long long, Data_item::ITEM_ULONGLONG>>());
    case Data_item::ITEM_LONGLONG:
        return visit(Type_tag<NV_number<long long, Data_item::ITEM_LONGLONG>>());
    default:
        return false;
    }
}
} // namespace

bool NV_item::deserialise_unknown_handoff(NV_iterator* it, int depth)
{
    NV_iterator::NV_iterator_header header;
    if (!it->peek_header(header))
        return false;
    int class_type, item_type;
    Data_item::decode_type_byte(class_type, item_type, header.type);
    if (is_container_type(class_type, item_type))
        return depth < max_unknown_depth && NV_container::deserialise_unknown(it, depth + 1);
    if (class_type == CLASS_PLAIN && item_type == ITEM_POINTER)
        return NV_pointer::deserialise_unknown(it);
    if (class_type == CLASS_PLAIN) {
        return with_scalar_setting(item_type, [it](auto tag) {
            return decltype(tag)::type::deserialise_unknown(it);
        });
    }
    if (class_type == CLASS_ARRAY) {
        return with_scalar_setting(item_type, [it](auto tag) {
            return decltype(tag)::type::deserialise_unknown_small_array(it);
        });
    }
    return false;
}

} // namespace NV_store
