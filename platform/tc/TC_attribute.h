// The typed attributes of the ISO 11783-10 device objects. Every field of a
// device object (DVC, DET, DPD, DPT, DVP) is one attribute; an object's
// binary form is its attributes written in order, little-endian.
#pragma once

#include "platform/iso/Iso_attribute.h"
#include "platform/iso/Spec_node.h"

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace TC {

typedef unsigned short object_id_t;
typedef unsigned short ddi_t;

constexpr object_id_t NULL_OBJECT_ID = 65535;
// Longest designator, version, serial number or unit text of a device object.
constexpr int MAX_DESIGNATOR = 32;

class Attribute : public Iso::Attribute {
public:
    enum atype {
        AT_UINT8 = 1,
        AT_UINT16 = 2,
        AT_INT32 = 5,
        AT_OBJECT_ID = 7,
        AT_FLOAT = 8,
        AT_LIST = 9,
        AT_FIXED_UINT8 = 10,
        AT_CHAR_ARRAY = 11,
        AT_FIXED_CHAR = 12,
        AT_LABEL = 13,
        AT_LIST_LEN = 14,
    };

    using Iso::Attribute::Attribute;

    // Reads the value from an element of the device description. A missing
    // attribute keeps the initial value; a value that cannot be had (not a
    // number, out of range, too long) prints a line and gives false.
    virtual bool set_by_spec(Spec_node* node) = 0;
    // References to other objects are read in a pass of their own, once
    // every object of the description exists.
    virtual bool is_reference() const { return false; }
    // Filled through another attribute (a text through its length).
    virtual bool filled_elsewhere() const { return false; }
    // False when the last value read from the binary form is unusable.
    virtual bool valid() const { return true; }
    // The value as display text (arrays).
    virtual std::string display_string() const { return std::string(); }

    // Source text of a code generator: declaration, initialiser, value
    // reference and statements, four spaces per indent level.
    virtual void get_code_def(const char* prefix, std::ostream& out, int indent) const;
    virtual void get_code_init(const char* prefix, std::ostream& out, int indent) const;
    virtual void get_code_valref(const char* prefix, std::ostream& out, int indent) const;
    virtual void get_code_body(const char* prefix, std::ostream& out, int indent) const;

    // "Object <element>: attribute '<name>' <what>" on the error stream.
    void complain(Spec_node* node, const char* what) const;

protected:
    static void code_indent(std::ostream& out, int indent);
    virtual const char* code_type() const { return "int"; }
    virtual long long code_value() const { return 0; }
};

// An integer or float attribute with an allowed range.
template <typename T, typename PrintT, Attribute::atype Code>
class Attribute_template : public Attribute {
public:
    explicit Attribute_template(const char* name = "", T initial = T(),
                                T minimum = std::numeric_limits<T>::lowest(),
                                T maximum = std::numeric_limits<T>::max())
        : Attribute(name), value_(initial), min_(minimum), max_(maximum)
    {
    }
    Attribute_template(T minimum, T maximum, T initial, const char* name)
        : Attribute_template(name, initial, minimum, maximum)
    {
    }

    T get() const { return value_; }
    void set(T v) { value_ = v; }
    Attribute_template& operator=(T v) { value_ = v; return *this; }
    operator T() const { return value_; }

    int size() const override { return int(sizeof(T)); }
    int serialise(int offset, unsigned char* buffer, int len) const override
    {
        unsigned char bytes[sizeof(T)];
        to_bytes(bytes);
        return serialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
    }
    int deserialise(int offset, const unsigned char* buffer, int len) override
    {
        unsigned char bytes[sizeof(T)];
        to_bytes(bytes);
        int n = deserialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
        from_bytes(bytes);
        return n;
    }
    int type_code() const override { return Code; }
    void print(std::ostream& out, int indent) const override
    {
        indent_to(out, indent);
        out << "Type: " << int(Code) << "\tName: " << get_name() << " Value: "
            << static_cast<PrintT>(value_) << "\n";
    }
    bool set_by_spec(Spec_node* node) override
    {
        if (!node || !node->attribute_exists(get_name()))
            return true;
        bool number = false;
        bool in_range = false;
        T v{};
        if constexpr (std::is_floating_point<T>::value) {
            float f = 0;
            number = node->get_attribute_float(f, get_name());
            in_range = number && f >= min_ && f <= max_;
            v = f;
        } else if constexpr (std::is_signed<T>::value) {
            int64_t i = 0;
            number = node->get_attribute_int64(i, get_name());
            in_range = number && i >= int64_t(min_) && i <= int64_t(max_);
            v = static_cast<T>(i);
        } else {
            uint64_t u = 0;
            number = node->get_attribute_uint64(u, get_name());
            in_range = number && u >= uint64_t(min_) && u <= uint64_t(max_);
            v = static_cast<T>(u);
        }
        if (!number) {
            complain(node, "is not a number");
            return false;
        }
        if (!in_range) {
            complain(node, "is out of range");
            return false;
        }
        value_ = v;
        return true;
    }

protected:
    const char* code_type() const override { return "int"; }
    long long code_value() const override { return static_cast<long long>(value_); }

private:
    void to_bytes(unsigned char* bytes) const
    {
        uint32_t bits = 0;
        if constexpr (std::is_floating_point<T>::value) {
            static_assert(sizeof(T) == 4, "only single precision");
            std::memcpy(&bits, &value_, 4);
        } else {
            bits = static_cast<uint32_t>(value_);
        }
        for (unsigned i = 0; i < sizeof(T); ++i)
            bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    void from_bytes(const unsigned char* bytes)
    {
        uint32_t bits = 0;
        for (unsigned i = 0; i < sizeof(T); ++i)
            bits |= uint32_t(bytes[i]) << (8 * i);
        if constexpr (std::is_floating_point<T>::value)
            std::memcpy(&value_, &bits, 4);
        else
            value_ = static_cast<T>(bits);
    }
    T value_;
    T min_;
    T max_;
};

using Attribute_uint8 = Attribute_template<uint8_t, int, Attribute::AT_UINT8>;
using Attribute_uint16 = Attribute_template<uint16_t, int, Attribute::AT_UINT16>;
using Attribute_int32 = Attribute_template<int32_t, long, Attribute::AT_INT32>;
using Attribute_float = Attribute_template<float, int, Attribute::AT_FLOAT>;

// The id of another object. In a description it is given as the other
// object's name; a name that names no object is refused.
class Attribute_object_id : public Attribute_template<uint16_t, int, Attribute::AT_OBJECT_ID> {
public:
    explicit Attribute_object_id(const char* name = "", object_id_t id = NULL_OBJECT_ID)
        : Attribute_template(name, id)
    {
    }
    Attribute_object_id& operator=(object_id_t v) { set(v); return *this; }

    bool set_by_spec(Spec_node* node) override;
    bool is_reference() const override { return true; }
    // Takes the id of the object built from `node` itself.
    bool set_by_node(Spec_node* node);
};

// The three-letter table label that starts every device object record.
class Attribute_label : public Attribute {
public:
    explicit Attribute_label(const char* label) : Attribute("label"), label_(label) {}
    int size() const override { return 3; }
    int serialise(int offset, unsigned char* buffer, int len) const override;
    int deserialise(int offset, const unsigned char* buffer, int len) override;
    int type_code() const override { return AT_LABEL; }
    bool set_by_spec(Spec_node*) override { return true; }
    bool valid() const override { return read_ok_; }

private:
    const char* label_;
    bool read_ok_ = true;
};

// Base of the attributes that hold several elements.
class _Attribute_list : public Attribute {
public:
    using Attribute::Attribute;
    virtual int get_count() const = 0;
    // Sets the number of elements (storage grows as needed); false when the
    // attribute cannot hold that many.
    virtual bool set_count(int count) = 0;
    // Sets the elements from a text (text arrays only).
    virtual bool set_text(const char* text, int len) { return false; }
};

template <typename T>
class Attribute_array_base : public _Attribute_list {
public:
    Attribute_array_base(const char* name, T* storage, int count, int capacity)
        : _Attribute_list(name), count_(count), capacity_(capacity), data_(storage)
    {
    }

    int get_count() const override { return count_; }
    const T* data() const { return data_; }
    int size() const override { return count_; }
    int serialise(int offset, unsigned char* buffer, int len) const override
    {
        return serialise_piece(reinterpret_cast<const unsigned char*>(data_), count_, offset,
                               buffer, len);
    }
    int deserialise(int offset, const unsigned char* buffer, int len) override
    {
        return deserialise_piece(reinterpret_cast<unsigned char*>(data_), count_, offset, buffer,
                                 len);
    }
    bool set_by_spec(Spec_node* node) override;
    void print(std::ostream& out, int indent) const override;
    std::string display_string() const override;

protected:
    int count_;
    int capacity_;
    T* data_;
};

// Variable-length text (a designator); at most `max_len` characters.
template <typename T>
class Attribute_array;

template <>
class Attribute_array<char> : public Attribute_array_base<char> {
public:
    explicit Attribute_array(const char* name = "", int max_len = MAX_DESIGNATOR);
    Attribute_array(const Attribute_array&) = delete;
    Attribute_array& operator=(const Attribute_array&) = delete;

    int type_code() const override { return AT_CHAR_ARRAY; }
    bool set_count(int count) override;
    bool set_text(const char* text, int len) override;
    bool filled_elsewhere() const override { return true; }
    std::string get_text() const { return std::string(data_, size_t(count_)); }
    std::string display_string() const override { return get_text(); }
    int max_len() const { return max_len_; }

private:
    std::vector<char> storage_;
    int max_len_;
};

// N elements held inside the attribute. A 7-element array starts as
// 3, 0, 0, 0, 0, 0, 0.
template <typename T, int N>
class Attribute_fixed_array : public Attribute_array_base<T> {
public:
    explicit Attribute_fixed_array(const char* name = "")
        : Attribute_array_base<T>(name, store_, N, N)
    {
        for (int i = 0; i <= N; ++i)
            store_[i] = T(0);
        if (N == 7)
            store_[0] = T(3);
    }
    Attribute_fixed_array(const Attribute_fixed_array&) = delete;
    Attribute_fixed_array& operator=(const Attribute_fixed_array&) = delete;

    bool set_count(int count) override { return count == N; }
    void set_bytes(const T* bytes)
    {
        for (int i = 0; i < N; ++i)
            store_[i] = bytes[i];
    }

protected:
    T store_[N + 1];  // one more for a text's terminating zero
};

// Bytes given in a description as hexadecimal text, two digits a byte.
template <int N>
class Attribute_fixed_array_uint8 : public Attribute_fixed_array<unsigned char, N> {
public:
    using Attribute_fixed_array<unsigned char, N>::Attribute_fixed_array;
    int type_code() const override { return Attribute::AT_FIXED_UINT8; }
    bool set_by_spec(Spec_node* node) override;
};

// Characters given in a description as text of at most N characters.
template <int N>
class Attribute_fixed_array_char : public Attribute_fixed_array<char, N> {
public:
    using Attribute_fixed_array<char, N>::Attribute_fixed_array;
    int type_code() const override { return Attribute::AT_FIXED_CHAR; }
    bool set_by_spec(Spec_node* node) override;
    void print(std::ostream& out, int indent) const override;
    std::string display_string() const override
    {
        return std::string(this->store_, this->store_ + N);
    }
};

// The length of a list or array, written before it. Without `serialised`
// it has no bytes of its own (the count is still the target's).
template <typename T>
class Attribute_list_len : public Attribute {
public:
    Attribute_list_len(const char* name, _Attribute_list* target, bool serialised = true)
        : Attribute(name), target_(target), serialised_(serialised)
    {
    }

    int get() const { return target_ ? target_->get_count() : 0; }
    int size() const override { return serialised_ ? int(sizeof(T)) : 0; }
    int serialise(int offset, unsigned char* buffer, int len) const override;
    int deserialise(int offset, const unsigned char* buffer, int len) override;
    int type_code() const override { return AT_LIST_LEN; }
    bool set_by_spec(Spec_node* node) override;
    bool is_reference() const override { return target_ && target_->is_reference(); }
    bool valid() const override { return valid_; }
    void print(std::ostream& out, int indent) const override;

private:
    _Attribute_list* target_;
    bool serialised_;
    bool valid_ = true;
    unsigned char partial_[sizeof(T)] = {};
};

// A list of object ids (the children of a device element).
template <typename Item>
class Attribute_list : public _Attribute_list {
public:
    explicit Attribute_list(const char* name = "") : _Attribute_list(name) {}

    int get_count() const override { return int(items_.size()); }
    bool set_count(int count) override;
    Item& operator[](int i) { return items_[size_t(i)]; }
    const Item& operator[](int i) const { return items_[size_t(i)]; }
    void set_ids(int count, const object_id_t* ids);

    int size() const override { return int(items_.size()) * Item().size(); }
    int serialise(int offset, unsigned char* buffer, int len) const override;
    int deserialise(int offset, const unsigned char* buffer, int len) override;
    int type_code() const override { return AT_LIST; }
    bool set_by_spec(Spec_node* node) override;
    bool is_reference() const override { return true; }
    void print(std::ostream& out, int indent) const override;
    void get_code_def(const char* prefix, std::ostream& out, int indent) const override;
    void get_code_valref(const char* prefix, std::ostream& out, int indent) const override;
    void get_code_body(const char* prefix, std::ostream& out, int indent) const override;

private:
    std::vector<Item> items_;
};

} // namespace TC
