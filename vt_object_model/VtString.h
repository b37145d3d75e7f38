// Text of a VT object (string values, validation strings). Owns a copy of its
// characters; the empty text holds no array.
#pragma once

#include <cstddef>
#include <cstdint>

class VtString {
public:
    VtString() = default;
    // Copies a NUL-terminated text; null gives the empty text.
    VtString(const char* text);
    VtString(const VtString& other);
    VtString& operator=(const VtString& other);
    ~VtString();

    // Replaces the text by at most n characters of chars (none when null).
    void assign(const char* chars, size_t n);
    // Replaces the text by a copy of a NUL-terminated text.
    void assign(const char* text);
    // Ends the text at n characters when it is longer.
    void truncate(size_t n);

    uint32_t length() const;
    // The characters, or null for the empty text.
    const char* c_str() const { return text_; }
    bool operator==(const VtString& other) const;

private:
    char* text_ = nullptr;
};
