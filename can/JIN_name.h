// The 64-bit ISO 11783-5 / J1939-81 NAME: the packed value (RAWNAME) and a
// pattern over its fields in which each field can be don't care (NAME).
#pragma once

#include "can/J1939_codes.h"
#include "glue/message/Binary_message.h"

#include <cstdint>

namespace JIN_name {

// The packed NAME, 8 bytes in CAN byte order. Fields, from bit 0 of byte 0
// (the bytes read as one little-endian number): identity number 21 bits,
// manufacturer code 11, ECU instance 3, function instance 5, function 8,
// reserved 1, device class 7, device class instance 4, industry group 3,
// self-configurable address 1.
class RAWNAME : public Binary_message {
public:
    // The empty NAME: FF FF FF FF FF FF FE 7F (every field all ones except the
    // reserved and the self-configurable bits).
    RAWNAME();
    RAWNAME(J1939::industry_group_t industry_group, unsigned char device_class_instance,
            J1939::device_class_t device_class, J1939::function_code_t function,
            unsigned char function_instance, unsigned char ECU_instance,
            J1939::manufacturer_code_t manufacturer_code, unsigned identity_number,
            bool self_configurable);
    // The 8 bytes from v read big-endian (byte 0 the most significant).
    explicit RAWNAME(unsigned long long v);
    RAWNAME(const RAWNAME& other);
    RAWNAME& operator=(const RAWNAME& other);

    void reset();

    // The empty NAME, standing for every node where a NAME is expected.
    static const RAWNAME GLOBAL_NAME;

    // 1 when a > b, -1 when a < b, 0 when equal, as little-endian numbers;
    // the smaller NAME wins an address-claim contest.
    static int compare(const RAWNAME* a, const RAWNAME* b);
    bool operator<(const RAWNAME& other) const { return compare(this, &other) < 0; }
    bool operator==(const RAWNAME& other) const;
    bool operator!=(const RAWNAME& other) const { return !(*this == other); }

    // The number form used in settings and prints: bytes read big-endian.
    unsigned long long to_u64() const;
    // The bytes read little-endian (the order of priority).
    uint64_t value_le() const;

    bool get_is_self_configurable() const { return field(63, 1) != 0; }
    unsigned get_industry_group() const { return field(60, 3); }
    unsigned get_device_class_instance() const { return field(56, 4); }
    unsigned get_device_class() const { return field(49, 7); }
    unsigned get_function() const { return field(40, 8); }
    unsigned get_function_instance() const { return field(35, 5); }
    unsigned get_ECU_instance() const { return field(32, 3); }
    unsigned get_manufacturer_code() const { return field(21, 11); }
    unsigned get_identity_number() const { return field(0, 21); }
    bool get_reserved() const { return field(48, 1) != 0; }

    void dump(bool verbose) const;

    const unsigned char* bytes() const { return raw_; }

protected:
    unsigned field(unsigned bit, unsigned width) const;
    // Writes a field; the value is cut to the field's width.
    void set_field(unsigned bit, unsigned width, unsigned value);

private:
    unsigned char raw_[8];
};

// A NAME pattern: each field has a care flag; a field whose flag is clear is
// don't care. The reserved bit is never compared.
class NAME : public RAWNAME {
public:
    enum care_t : unsigned {
        CARE_SELF_CONFIGURABLE = 0,
        CARE_INDUSTRY_GROUP,
        CARE_DEVICE_CLASS_INSTANCE,
        CARE_DEVICE_CLASS,
        CARE_FUNCTION,
        CARE_FUNCTION_INSTANCE,
        CARE_ECU_INSTANCE,
        CARE_MANUFACTURER_CODE,
        CARE_IDENTITY_NUMBER,
        CARE_COUNT,
    };

    // The empty NAME with every field don't care: matches every NAME.
    NAME();
    // Exactly that NAME (the reserved bit aside).
    NAME(const RAWNAME& raw);
    explicit NAME(const unsigned char* bytes);
    NAME(J1939::industry_group_t industry_group, unsigned char device_class_instance,
         J1939::device_class_t device_class, J1939::function_code_t function,
         unsigned char function_instance, unsigned char ECU_instance,
         J1939::manufacturer_code_t manufacturer_code, unsigned identity_number,
         bool self_configurable);

    // Cares for every field.
    void init();

    void set_is_self_configurable(bool v, bool dont_care);
    void set_industry_group(J1939::industry_group_t v, bool dont_care);
    void set_device_class_instance(unsigned char v, bool dont_care);
    void set_device_class(J1939::device_class_t v, bool dont_care);
    void set_function(J1939::function_code_t v, bool dont_care);
    void set_function_instance(unsigned char v, bool dont_care);
    void set_ECU_instance(unsigned char v, bool dont_care);
    void set_manufacturer_code(J1939::manufacturer_code_t v, bool dont_care);
    void set_identity_number(unsigned v, bool dont_care);

    bool cares(care_t field) const { return care_[field]; }

    // True when every cared-for field of n equals the pattern's.
    bool match(const RAWNAME& n) const;

private:
    bool care_[CARE_COUNT];
};

} // namespace JIN_name
