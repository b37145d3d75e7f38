// A view on a caller-owned byte buffer with typed accessors at byte offsets:
// integers of 8 to 64 bits in little- and big-endian order, IEEE 754 floats
// and doubles, bit fields, byte runs and zero-terminated strings.
//
// The view never allocates or frees its buffer. Getters check the range
// (offset <= length and width <= length - offset, so huge offsets cannot
// wrap around) and return 0 when it does not hold.
//
// Writes: a view made with a capacity (the size of the buffer behind it)
// refuses every write that would reach past that capacity; a view over
// received data is made with capacity == length, so nothing can be written
// past the received bytes. A view made without a capacity writes where the
// caller says, the caller guaranteeing the buffer is large enough (messages
// under construction in a buffer of their own). Setters return false when
// they refuse.
#pragma once

#include <cstdint>

class Binary_message {
public:
    // Capacity value of a view that does not know its buffer's size.
    static constexpr uint32_t UNBOUNDED = 0xFFFFFFFFu;

    // A bit-field mask: up to four mask bytes in message order (first covered
    // byte first), then a 0 byte that ends the mask; shift is how far the
    // field's value lies above bit 0 of the assembled integer. A field that
    // covers more than four bytes ends the process.
    class Mask {
    public:
        Mask(unsigned bit_offset, unsigned width, bool msb);
        unsigned char bytes[5];
        unsigned shift;
        // Message bytes the field covers (1 to 4; 0 for a width of 0).
        unsigned count;
    };

    Binary_message(unsigned char* buffer, unsigned length);
    Binary_message(unsigned char* buffer, unsigned length, unsigned capacity);
    Binary_message(const Binary_message&) = default;
    // Copies the buffer pointer, the length and the capacity: both views then
    // share one buffer. No bytes are copied.
    Binary_message& operator=(const Binary_message&) = default;
    virtual ~Binary_message();

    // Fills the message from raw bytes; the base does nothing.
    virtual void setup(const unsigned char* data, int len);

    unsigned char* get_buffer() const { return buffer; }
    unsigned get_length() const { return length; }
    unsigned get_capacity() const { return capacity; }
    // True when [offset, offset + width) lies inside the valid bytes.
    bool in_range(unsigned offset, unsigned width) const
    {
        return offset <= length && width <= length - offset;
    }
    // True when [offset, offset + width) may be written.
    bool writable(unsigned offset, unsigned width) const
    {
        return offset <= capacity && width <= capacity - offset;
    }

    // Getters: 0 (0.0) when out of range.
    int8_t get_int8(unsigned offset) const;
    uint8_t get_uint8(unsigned offset) const;
    int16_t get_int16_le(unsigned offset) const;
    uint16_t get_uint16_le(unsigned offset) const;
    int16_t get_int16_be(unsigned offset) const;
    uint16_t get_uint16_be(unsigned offset) const;
    // The 24-bit getters are not sign-extended: both give 0 to 16,777,215.
    int32_t get_int24_le(unsigned offset) const;
    uint32_t get_uint24_le(unsigned offset) const;
    int32_t get_int24_be(unsigned offset) const;
    uint32_t get_uint24_be(unsigned offset) const;
    int32_t get_int32_le(unsigned offset) const;
    uint32_t get_uint32_le(unsigned offset) const;
    int32_t get_int32_be(unsigned offset) const;
    uint32_t get_uint32_be(unsigned offset) const;
    int64_t get_int64_le(unsigned offset) const;
    uint64_t get_uint64_le(unsigned offset) const;
    int64_t get_int64_be(unsigned offset) const;
    uint64_t get_uint64_be(unsigned offset) const;
    float get_float(unsigned offset) const;
    double get_double(unsigned offset) const;

    // Setters: write at buffer + offset, never change the length.
    bool set_int8(unsigned offset, int8_t value);
    bool set_uint8(unsigned offset, uint8_t value);
    bool set_int16_le(unsigned offset, int16_t value);
    bool set_uint16_le(unsigned offset, uint16_t value);
    bool set_int16_be(unsigned offset, int16_t value);
    bool set_uint16_be(unsigned offset, uint16_t value);
    // The low 24 bits of value.
    bool set_int24_le(unsigned offset, int32_t value);
    bool set_uint24_le(unsigned offset, uint32_t value);
    bool set_int24_be(unsigned offset, int32_t value);
    bool set_uint24_be(unsigned offset, uint32_t value);
    bool set_int32_le(unsigned offset, int32_t value);
    bool set_uint32_le(unsigned offset, uint32_t value);
    bool set_int32_be(unsigned offset, int32_t value);
    bool set_uint32_be(unsigned offset, uint32_t value);
    bool set_int64_le(unsigned offset, int64_t value);
    bool set_uint64_le(unsigned offset, uint64_t value);
    bool set_int64_be(unsigned offset, int64_t value);
    bool set_uint64_be(unsigned offset, uint64_t value);
    bool set_float(unsigned offset, const float& value);
    bool set_double(unsigned offset, const double& value);

    // Byte runs. The two set_bytes grow the length to offset + count when
    // they write past it. A negative count is refused.
    bool set_bytes(unsigned offset, unsigned char value, int count);
    bool set_bytes(unsigned offset, const unsigned char* src, int count);
    // Pointer to buffer + offset, or null when [offset, offset + count) is
    // not inside the message.
    const unsigned char* get_bytes(unsigned offset, int count) const;
    // Copies count bytes out; false (nothing copied) when out of range.
    bool get_bytes(unsigned offset, unsigned char* dst, int count) const;
    // Copies min(max, length) bytes from the start; returns that count.
    unsigned get_data(unsigned char* dst, unsigned max) const;

    // A zero-terminated string of at most maxlen characters at offset, which
    // must end (its 0 included) before the end of the message; otherwise a
    // static empty string.
    const char* get_string(unsigned offset, unsigned maxlen) const;
    // Null when offset > length; buffer + offset when a 0 lies between offset
    // and the end; otherwise a static empty string.
    const char* get_partial_string(unsigned offset) const;
    // When offset + maxlen < length: writes at most maxlen characters of src,
    // padded with 0, and a 0 at offset + maxlen; otherwise refuses.
    bool set_string(unsigned offset, const char* src, unsigned maxlen);

    // One trace line "offset: byte" per byte.
    void print() const;

    // Bit fields: offset is the byte where the field starts; bit_offset and
    // width in bits, bit_offset + width at most 32. Out of range: get gives 0,
    // set refuses.
    unsigned get_bits(unsigned offset, const Mask& mask) const;
    bool set_bits(unsigned offset, unsigned value, const Mask& mask);
    // Little-endian fields, bit_offset from the least significant bit of the
    // first byte (J1939 numbering).
    unsigned get_bits_lsb(unsigned offset, unsigned bit_offset, unsigned width) const;
    bool set_bits_lsb(unsigned offset, unsigned value, unsigned bit_offset, unsigned width);
    // Big-endian fields, bit_offset from the most significant bit of the
    // first byte.
    unsigned get_bits_msb(unsigned offset, unsigned bit_offset, unsigned width) const;
    bool set_bits_msb(unsigned offset, unsigned value, unsigned bit_offset, unsigned width);
    // Bit number bit (0 = least significant) of the byte at offset; false for
    // bit numbers of 32 and above (and 8 to 31 read as 0).
    bool get_bit_msb(unsigned offset, unsigned char bit) const;
    bool set_bit_msb(unsigned offset, bool value, unsigned char bit);

    // Reverses the lowest ceil(bits / 8) bytes of value; only those bytes are
    // kept.
    static unsigned swap_byte_order(unsigned value, unsigned bits);
    // Reverses the lowest floor(bits / 8) bytes of value, shifts the result
    // left by bits % 8 and ORs in what lies above those bytes.
    static unsigned swap_bit_order(unsigned value, unsigned bits);

protected:
    // For derived messages that place or grow their buffer themselves.
    void set_view(unsigned char* new_buffer, unsigned new_length, unsigned new_capacity = UNBOUNDED)
    {
        buffer = new_buffer;
        length = new_length;
        capacity = new_capacity;
    }
    void set_length(unsigned new_length) { length = new_length; }
    void set_capacity(unsigned new_capacity) { capacity = new_capacity; }

    unsigned char* buffer;
    uint32_t length;
    uint32_t capacity;

private:
    // Assembles width bytes at offset; 0 when out of range (with the trace
    // line when trace_id is not 0 and the trace is on).
    uint64_t get_le(unsigned offset, unsigned width, int trace_id) const;
    uint64_t get_be(unsigned offset, unsigned width, int trace_id) const;
    bool set_le(unsigned offset, uint64_t value, unsigned width);
    bool set_be(unsigned offset, uint64_t value, unsigned width);
};
