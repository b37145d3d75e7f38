// Leaves of the CDS lookup tree: one scalar field (Lookup_basic<T>) or one
// array of scalars (Lookup_basic_array<T>) of the data block.
#pragma once

#include "glue/cds/Data_item_text.h"
#include "glue/cds/Head.h"
#include "glue/cds/Lookup_item.h"
#include "glue/cds/Receive_buffer.h"
#include "glue/cds/Send_buffer.h"
#include "platform/util/Debug_dumper.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

namespace CDS {

// What each scalar type is in the remote encoding.
template <typename T> struct Scalar_traits;

#define CDS_SCALAR_TRAITS(T, CODE, NAME, OP)                                                      \
    template <> struct Scalar_traits<T> {                                                         \
        static constexpr int type = Data_item::CODE;                                              \
        static const char* name() { return NAME; }                                                \
        static int append(Remote::Send_buffer& b, T v) { return b.append_##OP(v); }               \
        static bool pop(Remote::Receive_buffer& b, T& v) { return b.pop_##OP(v); }                \
    };

CDS_SCALAR_TRAITS(bool, ITEM_BOOL, "bool", BOOL)
CDS_SCALAR_TRAITS(char, ITEM_CHAR, "char", CHAR)
CDS_SCALAR_TRAITS(unsigned char, ITEM_UCHAR, "unsigned char", UINT8)
CDS_SCALAR_TRAITS(signed char, ITEM_SCHAR, "signed char", INT8)
CDS_SCALAR_TRAITS(unsigned short, ITEM_USHORT, "unsigned short", UINT16)
CDS_SCALAR_TRAITS(short, ITEM_SHORT, "short", INT16)
CDS_SCALAR_TRAITS(unsigned int, ITEM_UINT, "unsigned int", UINT32)
CDS_SCALAR_TRAITS(int, ITEM_INT, "int", INT32)
CDS_SCALAR_TRAITS(unsigned long long, ITEM_ULONGLONG, "unsigned long long", UINT64)
CDS_SCALAR_TRAITS(long long, ITEM_LONGLONG, "long long", INT64)
CDS_SCALAR_TRAITS(float, ITEM_FLOAT, "float", FLOAT)
CDS_SCALAR_TRAITS(double, ITEM_DOUBLE, "double", DOUBLE)
#undef CDS_SCALAR_TRAITS

// long and unsigned long travel as 32-bit values.
template <> struct Scalar_traits<unsigned long> {
    static constexpr int type = Data_item::ITEM_UINT;
    static const char* name() { return "unsigned long"; }
    static int append(Remote::Send_buffer& b, unsigned long v) { return b.append_UINT32(unsigned(v)); }
    static bool pop(Remote::Receive_buffer& b, unsigned long& v)
    {
        unsigned int x;
        if (!b.pop_UINT32(x))
            return false;
        v = x;
        return true;
    }
};
template <> struct Scalar_traits<long> {
    static constexpr int type = Data_item::ITEM_INT;
    static const char* name() { return "long"; }
    static int append(Remote::Send_buffer& b, long v) { return b.append_INT32(int(v)); }
    static bool pop(Remote::Receive_buffer& b, long& v)
    {
        int x;
        if (!b.pop_INT32(x))
            return false;
        v = x;
        return true;
    }
};

// Whether a received value counts as a change of the stored one: floating
// values only when they differ by more than the smallest normal float (a NaN
// difference does not count).
template <typename T> inline bool value_differs(const T& old_value, const T& new_value)
{
    if constexpr (std::is_floating_point<T>::value)
        return std::fabs(double(new_value) - double(old_value)) > double(FLT_MIN);
    else
        return old_value != new_value;
}

// Writes value to field through the store's locked write (lock, signal,
// store, unlock); without a head it only stores.
inline void locked_write(Head* head, void* field, const void* value, unsigned size)
{
    if (head)
        head->write(field, value, int(size));
    else
        std::memcpy(field, value, size);
}

template <typename T> class Lookup_basic : public Lookup_item {
public:
    Lookup_basic(Lookup_struct& parent, const char* name, T* field, const char* comment = "")
        : Lookup_item(parent, name), field_(field)
    {
        set_type_name(Scalar_traits<T>::name());
        set_comment(comment);
    }

    int get_base_type() const { return Scalar_traits<T>::type; }

    void _print(Debug::Dumper& dumper) const override
    {
        char text[64];
        Data_item_stringify<T>(field_).to_string(text, sizeof text);
        dumper.value(get_name(), text);
    }

    Serial_ret serialise(Remote::Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        Scalar_traits<T>::append(buffer, *field_);
        return serial_ok();
    }

    Serial_ret deserialise(Remote::Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        T value;
        if (!Scalar_traits<T>::pop(buffer, value))
            return serial_fail();
        bool changed = value_differs(*field_, value);
        *field_ = value;
        if (changed)
            notify();
        return serial_ok();
    }

    void append_definition(std::string& text, int indent) const override
    {
        append_format(text, "%*s%s %s = %G; \"%s\"\n", indent * 4, "", get_type_name(), get_name(),
                      double(*field_), get_comment());
    }

    const char* set_from_string(const char* text, Head* head) override
    {
        T value = *field_;
        const char* end = Data_item_destringify<T>(&value).from_string(text);
        if (!end)
            return nullptr;
        locked_write(head, field_, &value, sizeof(T));
        return end;
    }

    void* get_address() const override { return field_; }
    unsigned get_size() const override { return sizeof(T); }
    int get_type() const override { return get_base_type(); }
    void notify() override { notify_cds(field_, sizeof(T)); }

private:
    T* field_;
};

class Lookup_basic_array_base : public Lookup_item {
public:
    Lookup_basic_array_base(Lookup_struct& parent, unsigned char count, const char* name = "")
        : Lookup_item(parent, name), count_(count)
    {
    }

    unsigned char get_count() const { return count_; }
    unsigned char get_type_byte() const override
    {
        return Data_item::get_type_byte(CLASS_ARRAY, get_type());
    }

private:
    unsigned char count_;
};

template <typename T> class Lookup_basic_array : public Lookup_basic_array_base {
public:
    Lookup_basic_array(Lookup_struct& parent, const char* name, T* first, unsigned char count,
                       const char* comment = "")
        : Lookup_basic_array_base(parent, count, name), first_(first)
    {
        set_type_name(Scalar_traits<T>::name());
        set_comment(comment);
    }

    int get_base_type() const { return Scalar_traits<T>::type; }

    void _print(Debug::Dumper& dumper) const override
    {
        if constexpr (std::is_same<T, char>::value) {
            Data_item_array_stringify<char>(first_, get_count()).print(get_name(), dumper);
        } else {
            std::string text;
            char element[64];
            for (int i = 0; i < get_count(); ++i) {
                Data_item_stringify<T>(first_ + i).to_string(element, sizeof element);
                if (i)
                    text += ",";
                text += element;
            }
            dumper.value(get_name(), text.c_str());
        }
    }

    // The element count (one byte), then every element.
    Serial_ret serialise(Remote::Send_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        buffer.append_UINT8(get_count());
        for (int i = 0; i < get_count(); ++i)
            Scalar_traits<T>::append(buffer, first_[i]);
        return serial_ok();
    }

    // Reads the sender's count of elements into the array from its start;
    // elements beyond the local count are read and dropped, so that what
    // follows the array is read from the right bytes.
    Serial_ret deserialise(Remote::Receive_buffer& buffer, unsigned short& resume_id) override
    {
        if (!serial_action_started(resume_id))
            return serial_ok();
        unsigned char received = 0;
        if (!buffer.pop_UINT8(received))
            return serial_fail();
        bool changed = false;
        for (int i = 0; i < received; ++i) {
            T value;
            if (!Scalar_traits<T>::pop(buffer, value)) {
                if (changed)
                    notify_cds(first_, get_size());
                return serial_fail();
            }
            if (i >= get_count())
                continue;
            changed |= value_differs(first_[i], value);
            first_[i] = value;
        }
        if (changed)
            notify_cds(first_, get_size());
        return serial_ok();
    }

    void append_definition(std::string& text, int indent) const override
    {
        append_format(text, "%*s%s %s = {", indent * 4, "", get_type_name(), get_name());
        for (int i = 0; i < get_count(); ++i)
            append_format(text, i ? ", %G" : "%G", double(first_[i]));
        append_format(text, "};\"%s\"\n", get_comment());
    }

    const char* set_from_string(const char* text, Head* head) override
    {
        if constexpr (std::is_same<T, char>::value) {
            std::string copy(first_, get_count());
            const char* end = Data_item_array_destringify<char>(&copy[0], get_count()).from_string(text);
            if (!end)
                return nullptr;
            locked_write(head, first_, copy.data(), get_count());
            return end;
        } else {
            // Only char arrays have a text form.
            return nullptr;
        }
    }

    void* get_address() const override { return first_; }
    unsigned get_size() const override { return unsigned(get_count()) * sizeof(T); }
    int get_type() const override { return get_base_type(); }

private:
    T* first_;
};

} // namespace CDS
