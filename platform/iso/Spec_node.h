// The reader-neutral view of one element of an object description (an XML
// element of a device description or pool specification). Pool objects read
// their attributes and references through it, whatever parser stands behind.
#pragma once

#include <cstdint>

class Spec_man;

class Spec_node {
public:
    virtual ~Spec_node() = default;

    // Typed attribute values; false (and `out` untouched) when the attribute
    // is missing or its text is not a number of that type.
    virtual bool get_attribute_uint8(uint8_t& out, const char* name) = 0;
    virtual bool get_attribute_uint16(uint16_t& out, const char* name) = 0;
    virtual bool get_attribute_uint32(uint32_t& out, const char* name) = 0;
    virtual bool get_attribute_uint64(uint64_t& out, const char* name) = 0;
    virtual bool get_attribute_int8(int8_t& out, const char* name) = 0;
    virtual bool get_attribute_int16(int16_t& out, const char* name) = 0;
    virtual bool get_attribute_int32(int32_t& out, const char* name) = 0;
    virtual bool get_attribute_int64(int64_t& out, const char* name) = 0;
    virtual bool get_attribute_float(float& out, const char* name) = 0;
    // Copies the converted text (escapes resolved) into `out`, cut to `size`
    // bytes with a terminating zero; false when the attribute is missing.
    virtual bool get_attribute_string(char* out, int size, const char* name) = 0;
    // Characters of the converted text, -1 when the attribute is missing.
    virtual int get_attribute_len(const char* name) = 0;
    virtual bool attribute_exists(const char* name) = 0;

    virtual Spec_man* get_man_ptr() = 0;
    // The element's name, cut to `size` bytes.
    virtual void get_name(char* out, int size) = 0;
    // Existing child elements whose names match `pattern` (null or "*" all,
    // "abc*" a prefix, "!x" all but x).
    virtual int get_num_children(const char* pattern) = 0;
    // A new node (owned by the caller) for the n-th of them, or null.
    virtual Spec_node* get_child(int n, const char* pattern) = 0;
    // The node of the element that encloses this one, or null at the top.
    virtual Spec_node* get_parent() = 0;

    // The id of the pool object named `object_name`; 65535 when there is none.
    virtual unsigned short get_object_id(const char* object_name) = 0;
    // The id of the pool object built from this element; 65535 when none.
    virtual unsigned short get_own_object_id() = 0;
    // Same reader and same element.
    virtual bool operator==(const Spec_node* other) const = 0;
    // Debug print of the element and its attributes.
    virtual void print_me() = 0;
};

// Base of the description readers.
class Spec_man {
public:
    virtual ~Spec_man() = default;
    virtual bool load(const char* path) = 0;
};
