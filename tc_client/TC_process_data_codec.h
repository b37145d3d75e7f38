// The conversion between an engineering value and the 32-bit value that a
// process datum carries to and from the task controller. Every narrowing
// saturates at the limits of its target (NaN becomes 0), so no value from
// the bus or from a scaled setting is ever converted out of range.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace TaskController_interface {
namespace Pd_codec {

// Rounds halves away from zero, then saturates to signed 32 bits.
inline int32_t round_s32(double x)
{
    if (std::isnan(x))
        return 0;
    double r = std::round(x);
    if (r >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (r <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return int32_t(r);
}

// Rounds halves away from zero, saturates to unsigned 32 bits and gives
// the bits as the signed process-data value.
inline int32_t round_u32_bits(double x)
{
    if (std::isnan(x) || x <= 0.0)
        return 0;
    double r = std::round(x);
    uint32_t u = r >= 4294967295.0 ? std::numeric_limits<uint32_t>::max() : uint32_t(r);
    return u > 0x7FFFFFFFu ? int32_t(int64_t(u) - 4294967296LL) : int32_t(u);
}

// Truncates toward zero, saturating at the target's limits.
inline int32_t trunc_s32(double q)
{
    if (std::isnan(q))
        return 0;
    if (q >= 2147483647.0)
        return std::numeric_limits<int32_t>::max();
    if (q <= -2147483648.0)
        return std::numeric_limits<int32_t>::min();
    return int32_t(q);
}

inline uint32_t trunc_u32(double q)
{
    if (std::isnan(q) || q <= 0.0)
        return 0;
    if (q >= 4294967295.0)
        return std::numeric_limits<uint32_t>::max();
    return uint32_t(q);
}

inline int64_t trunc_s64(double q)
{
    if (std::isnan(q))
        return 0;
    if (q >= 9223372036854775807.0)
        return std::numeric_limits<int64_t>::max();
    if (q <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return int64_t(q);
}

inline uint64_t trunc_u64(double q)
{
    if (std::isnan(q) || q <= 0.0)
        return 0;
    if (q >= 18446744073709551615.0)
        return std::numeric_limits<uint64_t>::max();
    return uint64_t(q);
}

// The low bits of a 32-bit value, kept as the narrow type.
template <typename N> inline N low_bits(uint32_t v) { return N(v); }
template <> inline signed char low_bits<signed char>(uint32_t v)
{
    uint8_t b = uint8_t(v);
    return b > 127 ? static_cast<signed char>(int(b) - 256) : static_cast<signed char>(b);
}
template <> inline short low_bits<short>(uint32_t v)
{
    uint16_t b = uint16_t(v);
    return b > 32767 ? static_cast<short>(int(b) - 65536) : static_cast<short>(b);
}

// The bits of an unsigned 32-bit value read as signed.
inline int32_t as_s32(uint32_t v)
{
    return v > 0x7FFFFFFFu ? int32_t(int64_t(v) - 4294967296LL) : int32_t(v);
}

} // namespace Pd_codec

// Per value type: to_double (the value as the multiplier sees it), scaled
// (a scaled value to p: unsigned types saturate to the unsigned 32-bit
// range and travel as its bits, the others to the signed range),
// from_scaled (a quotient p / multiplier back to the type), from_raw (p to
// the type without the multiplier) and raw (the type to p without it).
struct Pd_signed_scale {
    static int32_t scaled(double x) { return Pd_codec::round_s32(x); }
};
struct Pd_unsigned_scale {
    static int32_t scaled(double x) { return Pd_codec::round_u32_bits(x); }
};
template <typename T> struct Pd_value;

template <> struct Pd_value<bool> : Pd_unsigned_scale {
    static double to_double(bool v) { return v ? 1.0 : 0.0; }
    static bool from_scaled(double q) { return q != 0.0; }
    static bool from_raw(int32_t p) { return p != 0; }
    static int32_t raw(bool v) { return v ? 1 : 0; }
};

// char is taken as 0 to 255 wherever the program is built.
template <typename T, typename U> struct Pd_unsigned_narrow : Pd_unsigned_scale {
    static double to_double(T v) { return double(U(v)); }
    static T from_scaled(double q) { return T(U(Pd_codec::trunc_u32(q))); }
    static T from_raw(int32_t p) { return T(U(uint32_t(p))); }
    static int32_t raw(T v) { return int32_t(U(v)); }
};
template <> struct Pd_value<char> : Pd_unsigned_narrow<char, unsigned char> {};
template <> struct Pd_value<unsigned char> : Pd_unsigned_narrow<unsigned char, unsigned char> {};
template <> struct Pd_value<unsigned short> : Pd_unsigned_narrow<unsigned short, unsigned short> {};

template <typename T> struct Pd_signed_narrow : Pd_signed_scale {
    static double to_double(T v) { return double(v); }
    static T from_scaled(double q) { return Pd_codec::low_bits<T>(uint32_t(Pd_codec::trunc_s32(q))); }
    static T from_raw(int32_t p) { return Pd_codec::low_bits<T>(uint32_t(p)); }
    static int32_t raw(T v) { return int32_t(v); }
};
template <> struct Pd_value<signed char> : Pd_signed_narrow<signed char> {};
template <> struct Pd_value<short> : Pd_signed_narrow<short> {};

template <> struct Pd_value<int> : Pd_signed_scale {
    static double to_double(int v) { return double(v); }
    static int from_scaled(double q) { return Pd_codec::trunc_s32(q); }
    static int from_raw(int32_t p) { return p; }
    static int32_t raw(int v) { return v; }
};

template <> struct Pd_value<unsigned int> : Pd_unsigned_scale {
    static double to_double(unsigned int v) { return double(v); }
    static unsigned int from_scaled(double q) { return Pd_codec::trunc_u32(q); }
    static unsigned int from_raw(int32_t p) { return uint32_t(p); }
    static int32_t raw(unsigned int v) { return Pd_codec::as_s32(v); }
};

template <typename T> struct Pd_floating : Pd_signed_scale {
    static double to_double(T v) { return double(v); }
    static T from_scaled(double q) { return T(q); }
    static T from_raw(int32_t p) { return T(p); }
    static int32_t raw(T v) { return Pd_codec::trunc_s32(double(v)); }
};
template <> struct Pd_value<float> : Pd_floating<float> {};
template <> struct Pd_value<double> : Pd_floating<double> {};

template <> struct Pd_value<long long> : Pd_signed_scale {
    static double to_double(long long v) { return double(v); }
    static long long from_scaled(double q) { return Pd_codec::trunc_s64(q); }
    static long long from_raw(int32_t p) { return p; }
    static int32_t raw(long long v) { return Pd_codec::as_s32(uint32_t(uint64_t(v))); }
};

template <> struct Pd_value<unsigned long long> : Pd_unsigned_scale {
    static double to_double(unsigned long long v) { return double(v); }
    static unsigned long long from_scaled(double q) { return Pd_codec::trunc_u64(q); }
    static unsigned long long from_raw(int32_t p) { return uint64_t(int64_t(p)); }
    static int32_t raw(unsigned long long v) { return Pd_codec::as_s32(uint32_t(v)); }
};

} // namespace TaskController_interface
