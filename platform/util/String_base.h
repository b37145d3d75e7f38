// A text held in a caller's character buffer of a fixed size. Every write is
// cut to the buffer (size - 1 characters and the terminator); nothing is ever
// written past it.
#pragma once

#include <cstddef>

class String_base {
public:
    // `buffer` holds `size` bytes (at least 1) and outlives the object.
    String_base(char* buffer, int size);

    String_base(const String_base&) = delete;
    // Copies the other's text, cut to this buffer.
    String_base& operator=(const String_base& other);
    String_base& operator=(const char* text);

    // Sets the text from `len` bytes of `text` (stops at a zero byte); returns
    // the characters kept.
    int set(const char* text, int len);
    // Copies at most `length` characters and a terminator into `out`
    // (`length` + 1 bytes); returns the characters copied.
    int get(char* out, int length) const;

    const char* c_str() const { return buffer_; }
    int length() const;
    int capacity() const { return size_ - 1; }
    // Write access to one character; out-of-range indexes reach a spare byte.
    char& operator[](int i);
    char operator[](int i) const;

    bool operator==(const char* text) const;

private:
    char* buffer_;
    int size_;
    char spare_ = 0;
};
