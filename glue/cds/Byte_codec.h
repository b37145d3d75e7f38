// Little-endian byte forms of the scalar types, shared by the remote encoding
// and the settings storage format (floats and doubles through the platform's IEEE 754
// converters, which use the same byte order).
#pragma once

#include "platform/util/ieee754.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace Byte_codec {

template <typename T> constexpr int width() { return int(sizeof(T)); }

template <typename T> inline void put(unsigned char* out, T value)
{
    static_assert(std::is_arithmetic<T>::value, "scalar expected");
    if constexpr (std::is_same<T, bool>::value) {
        out[0] = value ? 1 : 0;
    } else if constexpr (std::is_same<T, float>::value) {
        float_to_bytes_ieee754(value, out);
    } else if constexpr (std::is_same<T, double>::value) {
        double_to_bytes_ieee754(value, out);
    } else {
        using U = std::make_unsigned_t<T>;
        U bits = static_cast<U>(value);
        for (unsigned i = 0; i < sizeof(T); ++i)
            out[i] = static_cast<unsigned char>((static_cast<uint64_t>(bits) >> (8 * i)) & 0xFF);
    }
}

template <typename T> inline T get(const unsigned char* in)
{
    static_assert(std::is_arithmetic<T>::value, "scalar expected");
    if constexpr (std::is_same<T, bool>::value) {
        return in[0] != 0;
    } else if constexpr (std::is_same<T, float>::value) {
        return bytes_to_float_ieee754(in);
    } else if constexpr (std::is_same<T, double>::value) {
        return bytes_to_double_ieee754(in);
    } else {
        uint64_t bits = 0;
        for (unsigned i = 0; i < sizeof(T); ++i)
            bits |= static_cast<uint64_t>(in[i]) << (8 * i);
        return static_cast<T>(static_cast<std::make_unsigned_t<T>>(bits));
    }
}

} // namespace Byte_codec
