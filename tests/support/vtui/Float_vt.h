#pragma once
// A VT that computes number objects in 32-bit floats, as many do: the text it
// shows for a raw value, the raw value it makes of what the operator types,
// and the limit below which its raw values, limits and offsets are exact.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace float_vt {

// 2^24: from here on a float no longer holds every whole number.
constexpr int64_t EXACT_LIMIT = int64_t(1) << 24;

// Counts (raw + offset) below 2^20 in magnitude (about a million): a float
// still takes each back from its text with room to spare. Fields of 7 digits
// and more (50000.000) are beyond a float VT's entry, whatever their offset.
constexpr int64_t ENTRY_LIMIT = int64_t(1) << 20;

inline bool exact(int64_t raw_or_offset)
{
    return raw_or_offset > -EXACT_LIMIT && raw_or_offset < EXACT_LIMIT;
}

// (raw + offset) x scale in floats, to the decimals.
inline std::string shown(uint32_t raw, int32_t offset, float scale, int decimals)
{
    const float v = (float(raw) + float(offset)) * scale;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, double(v));
    return text;
}

// What the operator's text makes: text / scale - offset in floats, before
// the VT rounds it to a whole raw value. A decimal text has no exact float
// (1.3 is 1.29999995), so the quotient lands next to the raw value.
inline float entered(const std::string& text, int32_t offset, float scale)
{
    return std::strtof(text.c_str(), nullptr) / scale - float(offset);
}

// The raw value the VT keeps of an entry; -1 when the float result is not
// clearly next to one whole number (a quarter step or further from it).
inline int64_t entered_raw(const std::string& text, int32_t offset, float scale)
{
    const float back = entered(text, offset, scale);
    const float whole = std::round(back);
    return std::fabs(back - whole) < 0.25f ? int64_t(whole) : -1;
}

// A count (raw + offset) of a field whose scale is `steps` units of the last
// decimal, written as the operator reads it.
inline std::string text_of_count(int64_t count, int64_t steps, int decimals)
{
    const int64_t units = count * steps;
    int64_t whole = std::llabs(units);
    int64_t power = 1;
    for (int i = 0; i < decimals; ++i)
        power *= 10;
    char text[64];
    if (decimals == 0)
        std::snprintf(text, sizeof text, "%s%lld", units < 0 ? "-" : "", (long long)whole);
    else
        std::snprintf(text, sizeof text, "%s%lld.%0*lld", units < 0 ? "-" : "", (long long)(whole / power), decimals,
                      (long long)(whole % power));
    return text;
}

// The scale in units of the last decimal when it is a whole number of them
// (0.1 at one decimal: 1; 0.5 at one decimal: 5), else 0.
inline int64_t steps_of(float scale, int decimals)
{
    const double s = double(scale) * std::pow(10.0, decimals);
    const double whole = std::round(s);
    return whole >= 1.0 && std::fabs(s - whole) < 1e-6 * whole ? int64_t(whole) : 0;
}

// Every raw value lo..hi (a sample of about `samples` of them, the ends
// included, when there are more) of a field whose scale is a whole number of
// units of its last decimal: the float VT shows each as its exact value and
// takes each shown text back to the same raw value, clearly. The first failure, or
// an empty text.
inline std::string first_inexact(uint32_t lo, uint32_t hi, int32_t offset, float scale, int decimals,
                                 uint32_t samples = 1000000)
{
    const int64_t steps = steps_of(scale, decimals);
    if (steps == 0)
        return "scale " + std::to_string(scale) + " is no whole number of its last decimal";
    const uint32_t stride = std::max<uint32_t>(1, (hi - lo) / std::max<uint32_t>(samples, 1));
    for (uint64_t r = lo; r <= hi; r = (r + stride > hi && r < hi) ? hi : r + stride) {
        const uint32_t raw = uint32_t(r);
        const std::string exact_text = text_of_count(int64_t(raw) + offset, steps, decimals);
        const std::string text = shown(raw, offset, scale, decimals);
        if (text != exact_text || entered_raw(exact_text, offset, scale) != int64_t(raw))
            return "raw " + std::to_string(raw) + " offset " + std::to_string(offset) + ": shown " + text +
                   " for " + exact_text + ", typed back as " + std::to_string(entered(exact_text, offset, scale));
    }
    return "";
}

} // namespace float_vt
