// The scalar setting: a leaf of the settings tree holding one value of type T
// and its default. TYPE is T's Data_item::item_type_t code, for example
// NV_number<float, Data_item::ITEM_FLOAT> or NV_number<bool, 2>.
//
// Reading takes the tree's lock; writing takes it, stores the value and, when
// the value changed, notifies (flags, waiters, parent chain).
#pragma once

#include "glue/NV_store/NV_container.h"
#include "glue/NV_store/NV_iterator.h"
#include "glue/cds/Data_item_text.h"
#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"
#include "platform/util/Debug_dumper.h"

#include <cstring>
#include <type_traits>

namespace NV_store {

namespace detail {

template <typename T> struct Remote_ops;
#define NV_REMOTE_OPS(T, OP)                                                                       \
    template <> struct Remote_ops<T> {                                                             \
        static bool append(CDS::Remote::Send_buffer& b, T v)                                       \
        {                                                                                          \
            return b.append_##OP(v) > 0;                                                           \
        }                                                                                          \
        static bool pop(CDS::Remote::Receive_buffer& b, T& v) { return b.pop_##OP(v); }            \
    };
NV_REMOTE_OPS(bool, BOOL)
NV_REMOTE_OPS(char, CHAR)
NV_REMOTE_OPS(unsigned char, UINT8)
NV_REMOTE_OPS(signed char, INT8)
NV_REMOTE_OPS(unsigned short, UINT16)
NV_REMOTE_OPS(short, INT16)
NV_REMOTE_OPS(unsigned int, UINT32)
NV_REMOTE_OPS(int, INT32)
NV_REMOTE_OPS(unsigned long long, UINT64)
NV_REMOTE_OPS(long long, INT64)
NV_REMOTE_OPS(float, FLOAT)
NV_REMOTE_OPS(double, DOUBLE)
#undef NV_REMOTE_OPS

// The change test: values differ (floating values by !=, so a NaN always
// counts as changed).
template <typename T> inline bool differs(const T& a, const T& b) { return !(a == b); }

// Sum and difference of two settings values. Integers wrap around as the
// unsigned types do (a counter setting at its top goes on from its bottom)
// instead of overflowing.
template <typename T> inline T wrapping_add(T a, T b)
{
    if constexpr (std::is_integral<T>::value && !std::is_same<T, bool>::value) {
        using U = std::make_unsigned_t<T>;
        return static_cast<T>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
    } else {
        return static_cast<T>(a + b);
    }
}
template <typename T> inline T wrapping_sub(T a, T b)
{
    if constexpr (std::is_integral<T>::value && !std::is_same<T, bool>::value) {
        using U = std::make_unsigned_t<T>;
        return static_cast<T>(static_cast<U>(static_cast<U>(a) - static_cast<U>(b)));
    } else {
        return static_cast<T>(a - b);
    }
}

} // namespace detail

// The element count of an array in the remote encoding.
bool set_array_size(CDS::Remote::Send_buffer& buffer, unsigned char size);
bool get_array_size(CDS::Remote::Receive_buffer& buffer, unsigned char& size);

template <typename T, int TYPE> class NV_number : public NV_item {
public:
    using value_type = T;

    NV_number(NV_container* parent, unsigned short nv_id, T default_value, const char* name)
        : NV_item(parent, nv_id, name), value_(default_value), default_(default_value)
    {
    }

    // A copy has the source's value and default but none of its
    // registrations; it is not added to the source's parent.
    NV_number(const NV_number& other) : NV_item(other), value_(other.value_), default_(other.default_) {}

    int get_type() const override { return TYPE; }

    T get() const
    {
        lock();
        T value = value_;
        unlock();
        return value;
    }
    T _get() const { return value_; }
    T get_default() const { return default_; }

    // Stores the value under the tree lock and notifies when it changed.
    bool set(T value)
    {
        lock();
        bool changed = _set(value, NOTIFY_ALL);
        unlock();
        return changed;
    }
    // Without lock; notifies (mode not 0) when the value changed.
    bool _set(T value, notify_t mode)
    {
        const bool changed = detail::differs(value_, value);
        value_ = value;
        if (mode != NOTIFY_NONE)
            notify_updated(changed, mode);
        return changed;
    }
    // Stores only: no notification, no flags, no lock.
    bool _set(T value)
    {
        const bool changed = detail::differs(value_, value);
        value_ = value;
        return changed;
    }
    bool set(const NV_item& other)
    {
        lock();
        bool changed = _set(other, NOTIFY_ALL);
        unlock();
        return changed;
    }
    // Takes the other setting's value when it has the same type code.
    bool _set(const NV_item& other, notify_t mode)
    {
        if (other.get_type() != get_type() || other.get_class_type() != get_class_type())
            return false;
        return _set(static_cast<const NV_number&>(other).value_, mode);
    }

    bool set_default(bool) override
    {
        _set(default_, NOTIFY_ALL);
        return true;
    }

    T operator=(T value)
    {
        lock();
        _set(value, NOTIFY_ALL);
        T stored = value_;
        unlock();
        return stored;
    }
    NV_number& operator=(const NV_number& other)
    {
        if (&other == this)
            return *this;
        T value = other.get();
        lock();
        _set(value, NOTIFY_ALL);
        unlock();
        return *this;
    }
    bool operator==(T value) const
    {
        lock();
        bool equal = value_ == value;
        unlock();
        return equal;
    }
    bool operator==(const NV_number& other) const { return get() == other.get(); }
    auto operator-(const NV_number& other) const
    {
        if constexpr (std::is_same<T, bool>::value)
            return get() != other.get();
        else
            return detail::wrapping_sub(get(), other.get());
    }
    // Change the value without sending events, but mark the setting and its
    // ancestors changed and no longer at default, so that a later save keeps
    // the value.
    T operator+=(T value)
    {
        lock();
        T next;
        if constexpr (std::is_same<T, bool>::value)
            next = value_ || value;
        else
            next = detail::wrapping_add(value_, value);
        mark_changed(_set(next));
        unlock();
        return next;
    }
    T operator-=(T value)
    {
        lock();
        T next;
        if constexpr (std::is_same<T, bool>::value)
            next = value_ != value;
        else
            next = detail::wrapping_sub(value_, value);
        mark_changed(_set(next));
        unlock();
        return next;
    }
    T operator++(int)
    {
        lock();
        T old = value_;
        T next;
        if constexpr (std::is_same<T, bool>::value)
            next = true;
        else
            next = detail::wrapping_add(old, static_cast<T>(1));
        _set(next, NOTIFY_ALL);
        unlock();
        return old;
    }

    // --- Text
    int _to_string(char* buffer, int size) const override
    {
        if (!buffer || size <= 0)
            return 0;
        int n = Data_item_stringify<T>(&value_).to_string(buffer, size);
        return n < 0 ? 0 : (n >= size ? size - 1 : n);
    }
    const char* _from_string(const char* text) override
    {
        T parsed = value_;
        const char* end = Data_item_destringify<T>(&parsed).from_string(text);
        if (end)
            _set(parsed, NOTIFY_ALL);
        return end;
    }
    void _print(Debug::Dumper& dumper) const override
    {
        char text[32];
        Data_item_stringify<T>(&value_).to_string(text, sizeof text);
        dumper.value(get_name(), text);
    }

    // --- Remote service
    static bool raw_serialise(CDS::Remote::Send_buffer& buffer, T value)
    {
        return detail::Remote_ops<T>::append(buffer, value);
    }
    static bool raw_deserialise(CDS::Remote::Receive_buffer& buffer, T& value)
    {
        return detail::Remote_ops<T>::pop(buffer, value);
    }
    Serial_ret serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        return serial_check(raw_serialise(buffer, value_));
    }
    Serial_ret deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        T value;
        const bool read = raw_deserialise(buffer, value);
        if (read)
            _set(value, NOTIFY_ALL);
        return serial_check(read);
    }

    // --- Storage format
    bool serialise(NV_iterator* it) override
    {
        bool ok;
        if (!should_write(it, &ok))
            return ok;
        if constexpr (std::is_same<T, bool>::value) {
            if (!push_own_header(it, value_ ? NV_MARK_TRUE : NV_MARK_FALSE))
                return false;
        } else {
            if (!push_own_header(it, NV_MARK_VALUE) || !it->push_value(value_))
                return false;
        }
        clear_flags(NV_FLAG_MARKED | NV_FLAG_CHANGED);
        return true;
    }
    bool deserialise(NV_iterator* it) override
    {
        unsigned char marker;
        if (!pop_own_header(it, marker))
            return false;
        if constexpr (std::is_same<T, bool>::value) {
            if (marker == NV_MARK_TRUE || marker == NV_MARK_FALSE) {
                value_ = marker == NV_MARK_TRUE;
                clear_flags(NV_FLAG_AT_DEFAULT);
                return true;
            }
        }
        if (marker != NV_MARK_VALUE)
            return false;
        // A value cut short (a truncated file) fails; the setting keeps its
        // value.
        T value;
        if (!it->pop_value(value))
            return false;
        value_ = value;
        clear_flags(NV_FLAG_AT_DEFAULT);
        return true;
    }
    // Skips a scalar record of this type.
    static bool deserialise_unknown(NV_iterator* it)
    {
        NV_iterator::NV_iterator_header header;
        if (!it->pop_header(header))
            return false;
        if constexpr (std::is_same<T, bool>::value) {
            if (header.marker == NV_MARK_TRUE || header.marker == NV_MARK_FALSE)
                return true;
        }
        if (header.marker != NV_MARK_VALUE)
            return false;
        T value;
        return it->pop_value(value);
    }
    // Skips an array-of-scalars record of this element type.
    static bool deserialise_unknown_small_array(NV_iterator* it)
    {
        NV_iterator::NV_iterator_header header;
        unsigned char count;
        if (!it->pop_header(header) || header.marker != NV_MARK_VALUE || !it->pop_uint8(count))
            return false;
        for (int i = 0; i < count; ++i) {
            T value;
            if (!it->pop_value(value))
                return false;
        }
        return true;
    }

private:
    void mark_changed(bool changed)
    {
        if (changed)
            notify_updated(true, true, false, NOTIFY_PARENTS, _get_root());
    }

    T value_;
    T default_;
};

} // namespace NV_store
