// Base of the typed attributes that make up an ISO 11783 object (a VT object
// of ISO 11783-6 or a device object of ISO 11783-10). An attribute knows its
// name, its size in the object's binary form, and writes and reads its value
// in pieces, so that an object can be spread over several transfer buffers.
#pragma once

#include <ostream>

namespace Iso {

class Attribute {
public:
    explicit Attribute(const char* name = "") : name_(name ? name : "") {}
    virtual ~Attribute() = default;

    Attribute(const Attribute&) = default;
    Attribute& operator=(const Attribute&) = default;

    // Bytes of the value in the binary form.
    virtual int size() const = 0;
    // Writes the value's bytes from byte `offset` of the value on, at most
    // `len` of them; returns the bytes written.
    virtual int serialise(int offset, unsigned char* buffer, int len) const = 0;
    // Reads the value's bytes from byte `offset` of the value on, at most
    // `len` of them; returns the bytes read.
    virtual int deserialise(int offset, const unsigned char* buffer, int len) = 0;
    // Type code of the attribute class.
    virtual int type_code() const = 0;
    // One line: two spaces per indent level, the name and the value.
    virtual void print(std::ostream& out, int indent) const;

    const char* get_name() const { return name_; }
    void set_name(const char* name) { name_ = name ? name : ""; }

protected:
    // Writes the part of `bytes` (the value's whole binary form, `count`
    // bytes) that lies from `offset` on, at most `len` bytes.
    static int serialise_piece(const unsigned char* bytes, int count, int offset,
                               unsigned char* buffer, int len);
    // Reads into `bytes` the part from `offset` on, at most `len` bytes.
    static int deserialise_piece(unsigned char* bytes, int count, int offset,
                                 const unsigned char* buffer, int len);
    static void indent_to(std::ostream& out, int indent);

private:
    const char* name_;  // not owned
};

// An unsigned or signed integer attribute stored little-endian in `Bytes`
// bytes of the binary form.
template <typename T, int TypeCode>
class Attribute_integer : public Attribute {
public:
    static_assert(sizeof(T) <= 4, "integer attributes are at most 32 bits");

    explicit Attribute_integer(const char* name = "", T value = 0)
        : Attribute(name), value_(value) {}

    T get() const { return value_; }
    void set(T value) { value_ = value; }
    Attribute_integer& operator=(T value) { value_ = value; return *this; }
    operator T() const { return value_; }

    int size() const override { return int(sizeof(T)); }
    int serialise(int offset, unsigned char* buffer, int len) const override
    {
        unsigned char bytes[sizeof(T)];
        auto v = static_cast<unsigned long long>(value_);
        for (unsigned i = 0; i < sizeof(T); ++i)
            bytes[i] = static_cast<unsigned char>(v >> (8 * i));
        return serialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
    }
    int deserialise(int offset, const unsigned char* buffer, int len) override
    {
        unsigned char bytes[sizeof(T)];
        auto v = static_cast<unsigned long long>(value_);
        for (unsigned i = 0; i < sizeof(T); ++i)
            bytes[i] = static_cast<unsigned char>(v >> (8 * i));
        int n = deserialise_piece(bytes, int(sizeof(T)), offset, buffer, len);
        unsigned long long r = 0;
        for (unsigned i = 0; i < sizeof(T); ++i)
            r |= static_cast<unsigned long long>(bytes[i]) << (8 * i);
        value_ = static_cast<T>(r);
        return n;
    }
    int type_code() const override { return TypeCode; }
    void print(std::ostream& out, int indent) const override
    {
        indent_to(out, indent);
        out << "Type: " << TypeCode << "\tName: " << get_name() << " Value: "
            << static_cast<long long>(value_) << "\n";
    }

private:
    T value_;
};

} // namespace Iso
