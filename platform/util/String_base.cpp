#include "platform/util/String_base.h"

#include <cstring>

String_base::String_base(char* buffer, int size)
    : buffer_(buffer), size_(size < 1 ? 1 : size)
{
    if (size < 1) {
        // No room at all: fall back on the spare byte, which holds the empty text.
        buffer_ = &spare_;
        size_ = 1;
    }
    buffer_[0] = 0;
}

String_base& String_base::operator=(const String_base& other)
{
    if (this != &other)
        set(other.buffer_, other.length());
    return *this;
}

String_base& String_base::operator=(const char* text)
{
    set(text, text ? static_cast<int>(std::strlen(text)) : 0);
    return *this;
}

int String_base::set(const char* text, int len)
{
    int n = 0;
    if (text && len > 0) {
        int limit = len < capacity() ? len : capacity();
        while (n < limit && text[n])
            ++n;
        // The source may overlap the buffer (a copy of a part of itself).
        std::memmove(buffer_, text, static_cast<size_t>(n));
    }
    buffer_[n] = 0;
    return n;
}

int String_base::get(char* out, int length) const
{
    if (!out || length < 0)
        return 0;
    int n = this->length();
    if (n > length)
        n = length;
    std::memcpy(out, buffer_, static_cast<size_t>(n));
    out[n] = 0;
    return n;
}

int String_base::length() const
{
    return static_cast<int>(strnlen(buffer_, static_cast<size_t>(size_)));
}

char& String_base::operator[](int i)
{
    if (i < 0 || i >= capacity()) {
        spare_ = 0;
        return spare_;
    }
    return buffer_[i];
}

char String_base::operator[](int i) const
{
    return (i < 0 || i >= capacity()) ? 0 : buffer_[i];
}

bool String_base::operator==(const char* text) const
{
    return text && std::strncmp(buffer_, text, static_cast<size_t>(size_)) == 0;
}
