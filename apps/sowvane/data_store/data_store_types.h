#pragma once
// Value types of the live data store's fields, by the key the record table
// uses: the C++ type that holds the field and the type name that the lookup
// tree shows (the schema's own words).

#include <cstdint>

namespace ds_types {

template <typename T> struct key_info;

#define DS_TYPE_KEY(key, ctype, text)                                      \
    struct key;                                                            \
    template <> struct key_info<key> {                                     \
        using type = ctype;                                                \
        static constexpr const char* name = text;                          \
    };

DS_TYPE_KEY(k_bool, bool, "bool")
DS_TYPE_KEY(k_uchar, unsigned char, "uchar")
DS_TYPE_KEY(k_char, char, "char")
DS_TYPE_KEY(k_int, int, "int")
DS_TYPE_KEY(k_uint, unsigned int, "unsigned int")
DS_TYPE_KEY(k_uint32, std::uint32_t, "uint32_t")
// Fields the schema declares "unsigned long" are 32-bit words on the wire and
// in the remote protocol, so they are held in 32 bits on every host.
DS_TYPE_KEY(k_ulong, std::uint32_t, "unsigned long")
DS_TYPE_KEY(k_float, float, "float")
DS_TYPE_KEY(k_double, double, "double")

#undef DS_TYPE_KEY

}  // namespace ds_types

// The type of a field by its key in the record table.
#define DS_CTYPE(key) ::ds_types::key_info<::ds_types::k_##key>::type
#define DS_TYPE_NAME(key) ::ds_types::key_info<::ds_types::k_##key>::name

// The "unsigned long" fields of the live records.
using ds_ulong = std::uint32_t;
