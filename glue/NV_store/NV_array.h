// A setting that holds a fixed array of N scalars (class type 1), such as the
// 20-character text setting NV_array<char, Data_item::ITEM_CHAR, unsigned char, 20>.
// COUNT_T is the type of the element count in the stored forms.
#pragma once

#include "glue/NV_store/NV_number.h"

#include <cstring>
#include <string>

namespace NV_store {

template <typename T, int TYPE, typename COUNT_T, int N> class NV_array : public NV_item {
    static_assert(N > 0 && N <= 255, "the element count is stored in one byte");

public:
    NV_array(NV_container* parent, unsigned short nv_id, const char* name, const T* defaults = nullptr)
        : NV_item(parent, nv_id, name)
    {
        if (defaults)
            std::memcpy(default_, defaults, sizeof default_);
        else
            std::memset(default_, 0, sizeof default_);
        std::memcpy(values_, default_, sizeof values_);
    }

    int get_type() const override { return TYPE; }
    int get_class_type() const override { return CLASS_ARRAY; }
    static constexpr int size() { return N; }
    int value_count() const override { return N; }

    // The element count a length stands for: the length when 0 <= length < N,
    // else N.
    static int count_for(int length) { return (length >= 0 && length < N) ? length : N; }

    // Copies the first elements in (nothing after them changes, no
    // terminator is added); notifies (mode not 0) when they changed. Returns
    // the number copied.
    int _set(const T* values, int length, notify_t mode)
    {
        const int n = count_for(length);
        const bool changed = values && std::memcmp(values_, values, sizeof(T) * size_t(n)) != 0;
        if (values)
            std::memcpy(values_, values, sizeof(T) * size_t(n));
        if (mode != NOTIFY_NONE)
            notify_updated(changed, mode);
        return n;
    }
    int set(const T* values, int length)
    {
        lock();
        int n = _set(values, length, NOTIFY_ALL);
        unlock();
        return n;
    }
    // Copies the first elements out under the lock; the number copied.
    int get(T* buffer, int length) const
    {
        const int n = count_for(length);
        lock();
        if (buffer)
            std::memcpy(buffer, values_, sizeof(T) * size_t(n));
        unlock();
        return n;
    }
    const T* _get() const { return values_; }

    bool set_default(bool) override
    {
        _set(default_, N, NOTIFY_ALL);
        return true;
    }

    // Text: a char array as "[characters]", others as "{a,b,...}".
    int _to_string(char* buffer, int size) const override
    {
        if (!buffer || size <= 0)
            return 0;
        std::string text;
        if constexpr (std::is_same<T, char>::value) {
            text = "[";
            for (int i = 0; i < N && values_[i]; ++i)
                text += values_[i];
            text += "]";
        } else {
            text = "{";
            char element[64];
            for (int i = 0; i < N; ++i) {
                Data_item_stringify<T>(values_ + i).to_string(element, sizeof element);
                if (i)
                    text += ",";
                text += element;
            }
            text += "}";
        }
        std::snprintf(buffer, size_t(size), "%s", text.c_str());
        return int(text.size()) < size ? int(text.size()) : size - 1;
    }
    const char* _from_string(const char* text) override
    {
        if (!text)
            return nullptr;
        T parsed[N];
        std::memcpy(parsed, values_, sizeof parsed);
        const char* end = nullptr;
        if constexpr (std::is_same<T, char>::value) {
            end = Data_item_array_destringify<char>(parsed, N).from_string(text);
        } else {
            const char* p = text;
            if (*p++ != '{')
                return nullptr;
            for (int i = 0; i < N; ++i) {
                if (i && *p++ != ',')
                    return nullptr;
                p = Data_item_destringify<T>(parsed + i).from_string(p);
                if (!p)
                    return nullptr;
            }
            if (*p != '}')
                return nullptr;
            end = p + 1;
        }
        if (end)
            _set(parsed, N, NOTIFY_ALL);
        return end;
    }
    void _print(Debug::Dumper& dumper) const override
    {
        if constexpr (std::is_same<T, char>::value) {
            Data_item_array_stringify<char>(values_, N).print(get_name(), dumper);
        } else {
            char text[1024];
            _to_string(text, sizeof text);
            dumper.value(get_name(), text);
        }
    }

    // Remote service: the count byte, then the elements. Surplus received
    // elements are read and dropped.
    Serial_ret serialise(CDS::Remote::Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        bool ok = set_array_size(buffer, static_cast<unsigned char>(N));
        for (int i = 0; i < N; ++i)
            ok = detail::Remote_ops<T>::append(buffer, values_[i]) && ok;
        return serial_check(ok);
    }
    Serial_ret deserialise(CDS::Remote::Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        unsigned char count;
        if (!get_array_size(buffer, count))
            return serial_fail();
        T received[N];
        std::memcpy(received, values_, sizeof received);
        for (int i = 0; i < count; ++i) {
            T value;
            if (!detail::Remote_ops<T>::pop(buffer, value))
                return serial_fail();
            if (i < N)
                received[i] = value;
        }
        _set(received, N, NOTIFY_ALL);
        return serial_ok();
    }

    // Storage format: header (0x20 + type, 9, id), the count byte, the
    // elements. Surplus stored elements are read and dropped.
    bool serialise(NV_iterator* it) override
    {
        bool ok;
        if (!should_write(it, &ok))
            return ok;
        if (!push_own_header(it, NV_MARK_VALUE) || !it->push_uint8(static_cast<unsigned char>(N)))
            return false;
        for (int i = 0; i < N; ++i) {
            if (!it->push_value(values_[i]))
                return false;
        }
        clear_flags(NV_FLAG_MARKED | NV_FLAG_CHANGED);
        return true;
    }
    bool deserialise(NV_iterator* it) override
    {
        unsigned char marker;
        if (!pop_own_header(it, marker) || marker != NV_MARK_VALUE)
            return false;
        unsigned char count;
        if (!it->pop_uint8(count))
            return false;
        T read[N];
        std::memcpy(read, values_, sizeof read);
        for (int i = 0; i < count; ++i) {
            T value;
            if (!it->pop_value(value))
                return false;
            if (i < N)
                read[i] = value;
        }
        std::memcpy(values_, read, sizeof values_);
        clear_flags(NV_FLAG_AT_DEFAULT);
        return true;
    }

private:
    T values_[N];
    T default_[N];
};

} // namespace NV_store
