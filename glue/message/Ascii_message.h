// A view on a caller-owned character buffer holding comma-separated fields,
// with typed field readers.
//
// Field 0 starts at the buffer; field k + 1 starts after the first ',' that
// follows the start of field k. '{' characters directly after a separator
// (and at the very start) open a group and are not part of the field. The
// view ends at its length or at the first 0 character, whichever comes first:
// no reader looks beyond that.
#pragma once

#include "glue/message/Binary_message.h"

class Ascii_message {
public:
    Ascii_message(char* buffer, unsigned length);
    // A view on the message's buffer; with skip, starting 6 bytes in and 6
    // shorter (empty when the message is shorter than that).
    Ascii_message(const Binary_message& message, bool skip);
    Ascii_message(const Ascii_message&) = default;
    Ascii_message& operator=(const Ascii_message&) = default;
    virtual ~Ascii_message();

    char* get_buffer() const { return buffer; }
    unsigned get_length() const { return length; }

    // Copies the text into dst (at most size - 1 characters, then a 0) and
    // makes dst the view's buffer; the length becomes the count copied.
    // A size of 0 changes nothing.
    void setup(char* dst, unsigned size);
    // Zeroes the view's buffer, then copies the message's text (from 6 bytes
    // in with skip) up to its first 0, at most as many characters as the
    // message holds and the view can take.
    void set(const Binary_message& message, bool skip);
    void zap();
    bool isnull() const;
    // The first c at or after from, before the end of the view; null when
    // from lies outside the view or c does not occur.
    const char* strchr(const char* from, int c) const;

    // The first character of field n, or null when there is no such field.
    const char* get_field(unsigned n) const;
    bool field_exists(unsigned n) const { return get_field(n) != nullptr; }
    // The field exists and is not empty (does not begin with ',').
    bool is_field_valid(unsigned n) const;
    // Valid fields counted from field 0 up to the first invalid one.
    unsigned get_num_valid_fields() const;
    char get_char(unsigned n) const;
    // Field n and its length: up to the next ','; without one, up to the next
    // '}'; without either, up to the end of the view. Null and 0 when missing.
    const char* get_string(unsigned n, unsigned& len) const;
    // The field read as a decimal number; 0 when missing or not a number.
    int32_t get_int32(unsigned n) const;
    uint32_t get_uint32(unsigned n) const;
    double get_double(unsigned n) const;
    // parse_timeval over field n.
    long get_timeval(unsigned n) const;
    // A duration written like 1d2h3m4s, in seconds; 0 for a null text, a
    // segment that is not a number, or no 's' within len characters.
    static long parse_timeval(const char* text, unsigned len);
    // True when the first min(n, length) characters equal those of name
    // (n < 0: the length of name).
    bool name_match(const char* name, int n) const;
    // Moves the text from field n up to its 0 to the start of the buffer;
    // the view's length stays. False when field n does not exist.
    bool shift_fields(unsigned n);

protected:
    // One past the last character of the view (its length or its first 0).
    const char* text_end() const;
    // Copies field n (at most size - 1 characters) into dst with a 0; false
    // when the field is missing.
    bool copy_field(unsigned n, char* dst, unsigned size) const;

    char* buffer;
    unsigned length;
};
