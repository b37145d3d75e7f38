#pragma once
// Value types of the settings, by the key the parameter table uses: the
// setting class (NV_store::NV_number over the value type, with its item type
// code) and the text setting of a fixed length.

#include "glue/NV_store/NV_number.h"
#include "glue/NV_store/NV_array.h"

namespace nv_types {

template <typename Key> struct key_info;

#define NV_TYPE_KEY(key, value_type, code)                                   \
    struct key;                                                              \
    template <> struct key_info<key> {                                       \
        using type = value_type;                                             \
        using leaf = NV_store::NV_number<value_type, code>;                  \
    };

NV_TYPE_KEY(k_bool, bool, 2)
NV_TYPE_KEY(k_u8, unsigned char, 4)
NV_TYPE_KEY(k_u16, unsigned short, 5)
NV_TYPE_KEY(k_s8, signed char, 7)
NV_TYPE_KEY(k_s32, int, 9)
NV_TYPE_KEY(k_float, float, 10)
NV_TYPE_KEY(k_double, double, 11)
NV_TYPE_KEY(k_u64, unsigned long long, 15)

#undef NV_TYPE_KEY

}  // namespace nv_types

// The setting class of a key of the parameter table.
#define NV_LEAF_TYPE(key) ::nv_types::key_info<::nv_types::k_##key>::leaf
// The text setting of the given length (the only length used is 20).
#define NV_TEXT_TYPE(length) ::NV_store::NV_array<char, 3, unsigned char, length>
