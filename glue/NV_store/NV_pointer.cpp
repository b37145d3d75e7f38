#include "glue/NV_store/NV_pointer.h"

#include "glue/NV_store/NV_iterator.h"
#include "glue/NV_store/NV_root.h"

#include <cstdio>

namespace NV_store {

NV_pointer::NV_pointer() : NV_item(nullptr, 0, ""), root_(nullptr) {}

NV_pointer::NV_pointer(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name)
    : NV_item(parent, nv_id, name), root_(nullptr)
{
    _set_root(root);
}

NV_pointer::~NV_pointer()
{
    if (root_ && in_tree())
        root_->remove_pointer(this);
}

void NV_pointer::_set_root(NV_root* root)
{
    if (root_ && in_tree())
        root_->remove_pointer(this);
    root_ = root;
    if (root_)
        root_->add_pointer(this);
}

NV_item* NV_pointer::get() const
{
    lock();
    NV_item* target = target_;
    unlock();
    return target;
}

void NV_pointer::set(NV_item* target, notify_t mode)
{
    lock();
    _set(target, mode);
    unlock();
}

void NV_pointer::_set(NV_item* target, notify_t mode)
{
    const bool changed = target != target_;
    // The pointer set is ordered by target: re-file the pointer.
    if (root_ && in_tree())
        root_->remove_pointer(this);
    target_ = target;
    if (root_)
        root_->add_pointer(this);
    notify_updated(changed, mode);
}

bool NV_pointer::_set(NV_item& other, notify_t)
{
    if (other.get_type() != ITEM_POINTER)
        return false;
    _set(static_cast<NV_pointer&>(other).target_, NOTIFY_ALL);
    return true;
}

bool NV_pointer::set_default(bool)
{
    std::printf("Default not implemented\r");
    std::fflush(stdout);
    return false;
}

bool NV_pointer::serialise(NV_iterator* it)
{
    bool ok;
    if (!should_write(it, &ok))
        return ok;
    NV_path path;
    if (root_ && target_)
        root_->build_path(path, target_);
    if (!push_own_header(it, NV_MARK_PATH) || !it->push_uint8(static_cast<unsigned char>(path.fill())))
        return false;
    for (int i = 0; i < path.fill(); ++i) {
        if (!it->push_uint16(path.at(i)))
            return false;
    }
    return true;
}

bool NV_pointer::deserialise(NV_iterator* it)
{
    unsigned char marker;
    if (!pop_own_header(it, marker) || marker != NV_MARK_PATH)
        return false;
    unsigned char count;
    if (!it->pop_uint8(count))
        return false;
    NV_path path;
    bool fits = true;
    for (int i = 0; i < count; ++i) {
        unsigned short id;
        if (!it->pop_uint16(id))
            return false;
        if (path.push(id) != 0)
            fits = false;
    }
    NV_item* target = nullptr;
    if (fits && root_ && path.fill() > 0)
        target = root_->follow_path(path);
    if (root_ && in_tree())
        root_->remove_pointer(this);
    target_ = target;
    if (root_)
        root_->add_pointer(this);
    clear_flags(NV_FLAG_AT_DEFAULT);
    return true;
}

bool NV_pointer::deserialise_unknown(NV_iterator* it)
{
    NV_iterator::NV_iterator_header header;
    unsigned char count;
    if (!it->pop_header(header) || header.marker != NV_MARK_PATH || !it->pop_uint8(count))
        return false;
    for (int i = 0; i < count; ++i) {
        unsigned short id;
        if (!it->pop_uint16(id))
            return false;
    }
    return true;
}

} // namespace NV_store
