// An array of SIZE settings records of type T, held in place. Its elements
// are named by their index (paths "3", searches by index) and have NV ids 0
// to SIZE - 1. T must be default-constructible without a parent; the array
// attaches each element to itself.
#pragma once

#include "glue/NV_store/NV_container.h"

#include <cassert>
#include <cstdlib>

namespace NV_store {

template <int SIZE, class T> class NV_item_array : public NV_container {
    static_assert(SIZE > 0, "an array holds at least one element");

public:
    NV_item_array(NV_container* parent, NV_root* root, unsigned short nv_id, const char* name)
        : NV_container(parent, root, nv_id, name)
    {
        for (int i = 0; i < SIZE; ++i) {
            elements_[i]._set_parent(this);
            elements_[i].set_nv_id(static_cast<unsigned short>(i));
        }
        _set_root(root);
    }

    int get_type() const override { return ITEM_ITEM_ARRAY; }
    bool has_named_children() const override { return false; }
    static constexpr int size() { return SIZE; }

    T& operator[](int index)
    {
        assert(index < SIZE);
        if (index < 0 || index >= SIZE)
            std::abort();
        return elements_[index];
    }
    const T& at(int index) const
    {
        assert(index < SIZE);
        if (index < 0 || index >= SIZE)
            std::abort();
        return elements_[index];
    }

    bool set_default(bool reset) override
    {
        for (int i = 0; i < SIZE; ++i)
            elements_[i].set_default(reset);
        return true;
    }

    // Copies element by element (T::_set(const T&, notify_t)); true when any
    // element changed. The array itself sends no notification.
    bool _set(const NV_item_array& other, notify_t mode)
    {
        bool changed = false;
        for (int i = 0; i < SIZE; ++i)
            changed = elements_[i]._set(other.elements_[i], mode) || changed;
        return changed;
    }

private:
    T elements_[SIZE];
};

} // namespace NV_store
