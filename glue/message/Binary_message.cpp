#include "glue/message/Binary_message.h"

#include "platform/util/ieee754.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"

#include <cstdlib>
#include <cstring>

namespace {

// Debug filter code that switches on the out-of-range traces of the views.
constexpr int TRACE_CODE = 34;

const char empty_string[1] = {0};

void trace_out_of_range(int trace_id)
{
    if (trace_id != 0 && JDB::enabled(static_cast<_JDB::jdb_enum>(TRACE_CODE))) {
        Debug_print::dprint("Binary_message: index out of range %d\n", trace_id);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Mask

Binary_message::Mask::Mask(unsigned bit_offset, unsigned width, bool msb)
{
    std::memset(bytes, 0, sizeof bytes);
    unsigned total = bit_offset + width;
    if (bit_offset > 32 || width > 32 || total > 32) {
        std::abort(); // a field over more than four bytes is a caller bug
    }
    count = width == 0 ? 0 : (total + 7) / 8;
    uint64_t ones = width == 32 ? 0xFFFFFFFFull : ((1ull << width) - 1);
    uint64_t value;
    if (msb) {
        shift = count == 0 ? 0 : 8 * count - total;
        value = ones << shift;
    } else {
        shift = bit_offset;
        value = swap_byte_order(static_cast<unsigned>(ones << bit_offset), 8 * count);
    }
    for (unsigned i = 0; i < count; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * (count - 1 - i)));
    }
}

// ---------------------------------------------------------------------------
// Construction

Binary_message::Binary_message(unsigned char* buffer_, unsigned length_)
    : buffer(buffer_), length(length_), capacity(UNBOUNDED)
{
}

Binary_message::Binary_message(unsigned char* buffer_, unsigned length_, unsigned capacity_)
    : buffer(buffer_), length(length_), capacity(capacity_)
{
}

Binary_message::~Binary_message() = default;

void Binary_message::setup(const unsigned char*, int) {}

// ---------------------------------------------------------------------------
// Integer primitives

uint64_t Binary_message::get_le(unsigned offset, unsigned width, int trace_id) const
{
    if (buffer == nullptr || !in_range(offset, width)) {
        trace_out_of_range(trace_id);
        return 0;
    }
    uint64_t v = 0;
    for (unsigned i = width; i-- > 0;) {
        v = (v << 8) | buffer[offset + i];
    }
    return v;
}

uint64_t Binary_message::get_be(unsigned offset, unsigned width, int trace_id) const
{
    if (buffer == nullptr || !in_range(offset, width)) {
        trace_out_of_range(trace_id);
        return 0;
    }
    uint64_t v = 0;
    for (unsigned i = 0; i < width; ++i) {
        v = (v << 8) | buffer[offset + i];
    }
    return v;
}

bool Binary_message::set_le(unsigned offset, uint64_t value, unsigned width)
{
    if (buffer == nullptr || !writable(offset, width)) {
        return false;
    }
    for (unsigned i = 0; i < width; ++i) {
        buffer[offset + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    return true;
}

bool Binary_message::set_be(unsigned offset, uint64_t value, unsigned width)
{
    if (buffer == nullptr || !writable(offset, width)) {
        return false;
    }
    for (unsigned i = 0; i < width; ++i) {
        buffer[offset + i] = static_cast<unsigned char>(value >> (8 * (width - 1 - i)));
    }
    return true;
}

// ---------------------------------------------------------------------------
// Getters

int8_t Binary_message::get_int8(unsigned o) const { return static_cast<int8_t>(get_le(o, 1, 0)); }
uint8_t Binary_message::get_uint8(unsigned o) const { return static_cast<uint8_t>(get_le(o, 1, 0)); }
int16_t Binary_message::get_int16_le(unsigned o) const { return static_cast<int16_t>(get_le(o, 2, 0)); }
uint16_t Binary_message::get_uint16_le(unsigned o) const { return static_cast<uint16_t>(get_le(o, 2, 0)); }
int16_t Binary_message::get_int16_be(unsigned o) const { return static_cast<int16_t>(get_be(o, 2, 0)); }
uint16_t Binary_message::get_uint16_be(unsigned o) const { return static_cast<uint16_t>(get_be(o, 2, 0)); }
int32_t Binary_message::get_int24_le(unsigned o) const { return static_cast<int32_t>(get_le(o, 3, 75)); }
uint32_t Binary_message::get_uint24_le(unsigned o) const { return static_cast<uint32_t>(get_le(o, 3, 124)); }
int32_t Binary_message::get_int24_be(unsigned o) const { return static_cast<int32_t>(get_be(o, 3, 568)); }
uint32_t Binary_message::get_uint24_be(unsigned o) const { return static_cast<uint32_t>(get_be(o, 3, 610)); }
int32_t Binary_message::get_int32_le(unsigned o) const { return static_cast<int32_t>(get_le(o, 4, 0)); }
uint32_t Binary_message::get_uint32_le(unsigned o) const { return static_cast<uint32_t>(get_le(o, 4, 0)); }
int32_t Binary_message::get_int32_be(unsigned o) const { return static_cast<int32_t>(get_be(o, 4, 0)); }
uint32_t Binary_message::get_uint32_be(unsigned o) const { return static_cast<uint32_t>(get_be(o, 4, 0)); }
int64_t Binary_message::get_int64_le(unsigned o) const { return static_cast<int64_t>(get_le(o, 8, 0)); }
uint64_t Binary_message::get_uint64_le(unsigned o) const { return get_le(o, 8, 0); }
int64_t Binary_message::get_int64_be(unsigned o) const { return static_cast<int64_t>(get_be(o, 8, 0)); }
uint64_t Binary_message::get_uint64_be(unsigned o) const { return get_be(o, 8, 0); }

float Binary_message::get_float(unsigned offset) const
{
    if (buffer == nullptr || !in_range(offset, 4)) {
        trace_out_of_range(42);
        return 0.0f;
    }
    return bytes_to_float_ieee754(buffer + offset);
}

double Binary_message::get_double(unsigned offset) const
{
    if (buffer == nullptr || !in_range(offset, 8)) {
        trace_out_of_range(52);
        return 0.0;
    }
    return bytes_to_double_ieee754(buffer + offset);
}

// ---------------------------------------------------------------------------
// Setters

bool Binary_message::set_int8(unsigned o, int8_t v) { return set_le(o, static_cast<uint8_t>(v), 1); }
bool Binary_message::set_uint8(unsigned o, uint8_t v) { return set_le(o, v, 1); }
bool Binary_message::set_int16_le(unsigned o, int16_t v) { return set_le(o, static_cast<uint16_t>(v), 2); }
bool Binary_message::set_uint16_le(unsigned o, uint16_t v) { return set_le(o, v, 2); }
bool Binary_message::set_int16_be(unsigned o, int16_t v) { return set_be(o, static_cast<uint16_t>(v), 2); }
bool Binary_message::set_uint16_be(unsigned o, uint16_t v) { return set_be(o, v, 2); }
bool Binary_message::set_int24_le(unsigned o, int32_t v) { return set_le(o, static_cast<uint32_t>(v), 3); }
bool Binary_message::set_uint24_le(unsigned o, uint32_t v) { return set_le(o, v, 3); }
bool Binary_message::set_int24_be(unsigned o, int32_t v) { return set_be(o, static_cast<uint32_t>(v), 3); }
bool Binary_message::set_uint24_be(unsigned o, uint32_t v) { return set_be(o, v, 3); }
bool Binary_message::set_int32_le(unsigned o, int32_t v) { return set_le(o, static_cast<uint32_t>(v), 4); }
bool Binary_message::set_uint32_le(unsigned o, uint32_t v) { return set_le(o, v, 4); }
bool Binary_message::set_int32_be(unsigned o, int32_t v) { return set_be(o, static_cast<uint32_t>(v), 4); }
bool Binary_message::set_uint32_be(unsigned o, uint32_t v) { return set_be(o, v, 4); }
bool Binary_message::set_int64_le(unsigned o, int64_t v) { return set_le(o, static_cast<uint64_t>(v), 8); }
bool Binary_message::set_uint64_le(unsigned o, uint64_t v) { return set_le(o, v, 8); }
bool Binary_message::set_int64_be(unsigned o, int64_t v) { return set_be(o, static_cast<uint64_t>(v), 8); }
bool Binary_message::set_uint64_be(unsigned o, uint64_t v) { return set_be(o, v, 8); }

bool Binary_message::set_float(unsigned offset, const float& value)
{
    if (buffer == nullptr || !writable(offset, 4)) {
        return false;
    }
    float_to_bytes_ieee754(value, buffer + offset);
    return true;
}

bool Binary_message::set_double(unsigned offset, const double& value)
{
    if (buffer == nullptr || !writable(offset, 8)) {
        return false;
    }
    double_to_bytes_ieee754(value, buffer + offset);
    return true;
}

// ---------------------------------------------------------------------------
// Byte runs and strings

bool Binary_message::set_bytes(unsigned offset, unsigned char value, int count)
{
    if (count < 0 || buffer == nullptr || !writable(offset, static_cast<unsigned>(count))) {
        return false;
    }
    std::memset(buffer + offset, value, static_cast<size_t>(count));
    if (static_cast<uint64_t>(offset) + static_cast<unsigned>(count) > length) {
        length = offset + static_cast<unsigned>(count);
    }
    return true;
}

bool Binary_message::set_bytes(unsigned offset, const unsigned char* src, int count)
{
    if (count < 0 || buffer == nullptr || (src == nullptr && count > 0)
        || !writable(offset, static_cast<unsigned>(count))) {
        return false;
    }
    if (count > 0) {
        std::memmove(buffer + offset, src, static_cast<size_t>(count));
    }
    if (static_cast<uint64_t>(offset) + static_cast<unsigned>(count) > length) {
        length = offset + static_cast<unsigned>(count);
    }
    return true;
}

const unsigned char* Binary_message::get_bytes(unsigned offset, int count) const
{
    if (count < 0 || buffer == nullptr || !in_range(offset, static_cast<unsigned>(count))) {
        return nullptr;
    }
    return buffer + offset;
}

bool Binary_message::get_bytes(unsigned offset, unsigned char* dst, int count) const
{
    const unsigned char* src = get_bytes(offset, count);
    if (src == nullptr || (dst == nullptr && count > 0)) {
        return false;
    }
    if (count > 0) {
        std::memmove(dst, src, static_cast<size_t>(count));
    }
    return true;
}

unsigned Binary_message::get_data(unsigned char* dst, unsigned max) const
{
    unsigned n = max < length ? max : length;
    if (n == 0 || dst == nullptr || buffer == nullptr) {
        return 0;
    }
    std::memcpy(dst, buffer, n);
    return n;
}

const char* Binary_message::get_string(unsigned offset, unsigned maxlen) const
{
    // offset + maxlen < length, written so that it cannot wrap.
    if (buffer == nullptr || offset >= length || maxlen >= length - offset) {
        return empty_string;
    }
    const unsigned char* start = buffer + offset;
    if (std::memchr(start, 0, static_cast<size_t>(maxlen) + 1) == nullptr) {
        return empty_string;
    }
    return reinterpret_cast<const char*>(start);
}

const char* Binary_message::get_partial_string(unsigned offset) const
{
    if (buffer == nullptr || offset > length) {
        return nullptr;
    }
    const unsigned char* start = buffer + offset;
    if (std::memchr(start, 0, length - offset) == nullptr) {
        return empty_string;
    }
    return reinterpret_cast<const char*>(start);
}

bool Binary_message::set_string(unsigned offset, const char* src, unsigned maxlen)
{
    if (buffer == nullptr || offset >= length || maxlen >= length - offset
        || !writable(offset, maxlen + 1)) {
        return false;
    }
    char* dst = reinterpret_cast<char*>(buffer + offset);
    std::strncpy(dst, src ? src : "", maxlen);
    dst[maxlen] = 0;
    return true;
}

void Binary_message::print() const
{
    for (unsigned i = 0; buffer != nullptr && i < length; ++i) {
        Debug_print::dprint("%u: %.2x\n", i, buffer[i]);
    }
}

// ---------------------------------------------------------------------------
// Bit fields

unsigned Binary_message::get_bits(unsigned offset, const Mask& mask) const
{
    if (buffer == nullptr || mask.count > 4 || !in_range(offset, mask.count)) {
        return 0;
    }
    unsigned result = 0;
    for (unsigned i = 0; i < mask.count; ++i) {
        result = (result << 8) | (buffer[offset + i] & mask.bytes[i]);
    }
    return result;
}

bool Binary_message::set_bits(unsigned offset, unsigned value, const Mask& mask)
{
    if (buffer == nullptr || mask.count > 4 || !writable(offset, mask.count)) {
        return false;
    }
    for (unsigned i = 0; i < mask.count; ++i) {
        unsigned char byte = static_cast<unsigned char>(value >> (8 * (mask.count - 1 - i)));
        unsigned char m = mask.bytes[i];
        // Only the field's own bits change, even when value does not fit.
        buffer[offset + i] = static_cast<unsigned char>((buffer[offset + i] & ~m) | (byte & m));
    }
    return true;
}

unsigned Binary_message::get_bits_lsb(unsigned offset, unsigned bit_offset, unsigned width) const
{
    Mask mask(bit_offset, width, false);
    if (mask.count == 0) {
        return 0;
    }
    return swap_byte_order(get_bits(offset, mask), 8 * mask.count) >> mask.shift;
}

bool Binary_message::set_bits_lsb(unsigned offset, unsigned value, unsigned bit_offset,
                                  unsigned width)
{
    Mask mask(bit_offset, width, false);
    if (mask.count == 0) {
        return writable(offset, 0);
    }
    unsigned placed = static_cast<unsigned>(static_cast<uint64_t>(value) << mask.shift);
    return set_bits(offset, swap_byte_order(placed, 8 * mask.count), mask);
}

unsigned Binary_message::get_bits_msb(unsigned offset, unsigned bit_offset, unsigned width) const
{
    Mask mask(bit_offset, width, true);
    if (mask.count == 0) {
        return 0;
    }
    return get_bits(offset, mask) >> mask.shift;
}

bool Binary_message::set_bits_msb(unsigned offset, unsigned value, unsigned bit_offset,
                                  unsigned width)
{
    Mask mask(bit_offset, width, true);
    return set_bits(offset, static_cast<unsigned>(static_cast<uint64_t>(value) << mask.shift),
                    mask);
}

bool Binary_message::get_bit_msb(unsigned offset, unsigned char bit) const
{
    if (bit >= 32) {
        return false;
    }
    return ((static_cast<unsigned>(get_uint8(offset)) >> bit) & 1u) != 0;
}

bool Binary_message::set_bit_msb(unsigned offset, bool value, unsigned char bit)
{
    if (bit >= 8 || !in_range(offset, 1)) {
        return false;
    }
    uint8_t byte = get_uint8(offset);
    if (value) {
        byte = static_cast<uint8_t>(byte | (1u << bit));
    } else {
        byte = static_cast<uint8_t>(byte & ~(1u << bit));
    }
    return set_uint8(offset, byte);
}

unsigned Binary_message::swap_byte_order(unsigned value, unsigned bits)
{
    unsigned n = (bits + 7) / 8;
    if (n > 4) {
        n = 4;
    }
    unsigned result = 0;
    for (unsigned i = 0; i < n; ++i) {
        result = (result << 8) | ((value >> (8 * i)) & 0xFFu);
    }
    return result;
}

unsigned Binary_message::swap_bit_order(unsigned value, unsigned bits)
{
    unsigned whole = bits / 8;
    if (whole > 4) {
        whole = 4;
    }
    uint64_t low_mask = (1ull << (8 * whole)) - 1;
    uint64_t reversed = swap_byte_order(static_cast<unsigned>(value & low_mask), 8 * whole);
    uint64_t above = value & ~low_mask;
    return static_cast<unsigned>((reversed << (bits % 8)) | above);
}
