#include "apps/sowvane/params/parameters.h"

#include <cstring>

namespace NV_kelsu {

namespace {

// Copies a text setting without taking the tree's lock: the caller holds it,
// or the records lie outside any tree. Taking it here would stop a copy
// between two records of the same tree on its own lock. The text counts as
// changed only when its bytes do.
template <int LENGTH>
bool set_text(NV_TEXT_TYPE(LENGTH) & to, const NV_TEXT_TYPE(LENGTH) & from)
{
    const bool changed = std::memcmp(to._get(), from._get(), LENGTH) != 0;
    to._set(from._get(), LENGTH, NV_store::NOTIFY_WAITERS);
    return changed;
}

}  // namespace

// set() holds a tree's lock (the root's own lock for the root) for the whole
// copy: the lock of the tree written to, or, for a record outside any tree
// (a snapshot), the lock of the tree read from, so that a snapshot never sees
// a setting half written.
#define NV_ASSIGNMENT(type)                                                              \
    bool type::set(const type& other)                                                    \
    {                                                                                    \
        const NV_store::NV_item& guarded = get_root() ? static_cast<const NV_store::NV_item&>(*this) \
                                                      : other;                           \
        guarded.lock();                                                                  \
        bool changed = _set(other, NV_store::NOTIFY_ALL);                                \
        guarded.unlock();                                                                \
        return changed;                                                                  \
    }                                                                                    \
    type& type::operator=(const type& other)                                             \
    {                                                                                    \
        if (this != &other)                                                              \
            set(other);                                                                  \
        return *this;                                                                    \
    }                                                                                    \
    bool type::_set(const type& other, NV_store::notify_t notify)                        \
    {                                                                                    \
        bool changed = false;

#define NV_RECORD(type)                                                                  \
    type::type(NV_store::NV_container* parent, NV_store::NV_root* root, unsigned short nv_id, \
               const char* name)                                                         \
        : NV_store::NV_struct(parent, root, nv_id, name)                                 \
    {                                                                                    \
    }                                                                                    \
    type::type() : NV_store::NV_struct(nullptr, nullptr, 0, #type) {}                    \
    type::type(const type& other) : type() { set(other); }                               \
    NV_ASSIGNMENT(type)
#define NV_ROOT(type)                                                                    \
    type::type(module_man* mm, unsigned short nv_id, const char* name)                   \
        : NV_store::NV_root(mm, nv_id, name)                                             \
    {                                                                                    \
    }                                                                                    \
    type::type() : NV_store::NV_root(nullptr, 0, #type) {}                               \
    type::type(const type& other) : type() { set(other); }                               \
    NV_ASSIGNMENT(type)
// Each member is copied, in table order, with no early stop: leaves tell only
// their own waiters, nested records and arrays pass the caller's mode on.
#define NV_LEAF(id, name, key, def) changed = name._set(other.name, NV_store::NOTIFY_WAITERS) || changed;
#define NV_TEXT(id, name, length) changed = set_text<length>(name, other.name) || changed;
#define NV_STRUCT(id, name, type) changed = name._set(other.name, notify) || changed;
#define NV_ARRAY(id, name, count, type) changed = name._set(other.name, notify) || changed;
#define NV_END(type)                                                                     \
        if (notify != NV_store::NOTIFY_NONE)                                             \
            notify_updated(changed, true, false, notify, _get_root());                   \
        return changed;                                                                  \
    }
#define NV_ROOT_END(type) NV_END(type)

#include "apps/sowvane/params/parameters_schema.def"

}  // namespace NV_kelsu
