// A message that grows while it is written. Writes beyond its capacity (the
// inline 8 bytes, the pool block or the caller's buffer) are refused.
#pragma once

#include "can/JIN_base_message.h"

class JIN_grow_message : public JIN_base_message {
public:
    JIN_grow_message() = default;
    JIN_grow_message(unsigned char* p, unsigned len) : JIN_base_message(p, len) {}
    explicit JIN_grow_message(unsigned len) : JIN_base_message(len) {}

    // Each writer first raises the length to cover the written bytes, then
    // stores them; false (nothing changed) beyond the capacity.
    bool set_uint8(unsigned i, unsigned char v);
    bool set_uint16(unsigned i, unsigned short v);
    bool set_uint32(unsigned i, unsigned v);
    bool set_int8(unsigned i, signed char v) { return set_uint8(i, static_cast<unsigned char>(v)); }
    bool set_int16(unsigned i, short v) { return set_uint16(i, static_cast<unsigned short>(v)); }
    bool set_int32(unsigned i, int v) { return set_uint32(i, static_cast<unsigned>(v)); }

    template <typename T>
    bool set(unsigned i, T v);

    // Grows to n filling the new bytes with fill, or truncates to n; false
    // beyond the capacity.
    bool set_length(unsigned n, unsigned char fill);
    using JIN_base_message::set_length;

private:
    bool grow_to(unsigned end);
};

template <>
inline bool JIN_grow_message::set<unsigned char>(unsigned i, unsigned char v) { return set_uint8(i, v); }
template <>
inline bool JIN_grow_message::set<short>(unsigned i, short v) { return set_int16(i, v); }
template <>
inline bool JIN_grow_message::set<unsigned short>(unsigned i, unsigned short v) { return set_uint16(i, v); }
template <>
inline bool JIN_grow_message::set<int>(unsigned i, int v) { return set_int32(i, v); }
template <>
inline bool JIN_grow_message::set<unsigned>(unsigned i, unsigned v) { return set_uint32(i, v); }
