#include "glue/message/Ascii_message.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned SKIPPED_HEADER = 6;

// Parses a whole decimal integer the way "%d" would from the start of a
// segment (leading blanks and a sign allowed); false when no digit follows.
bool scan_long(const char* begin, const char* end, long& out)
{
    char work[32];
    size_t n = static_cast<size_t>(end - begin);
    if (n >= sizeof work) {
        n = sizeof work - 1;
    }
    std::memcpy(work, begin, n);
    work[n] = 0;
    char* stop = nullptr;
    errno = 0;
    long v = std::strtol(work, &stop, 10);
    if (stop == work) {
        return false;
    }
    out = v;
    return true;
}

} // namespace

Ascii_message::Ascii_message(char* buffer_, unsigned length_) : buffer(buffer_), length(length_) {}

Ascii_message::Ascii_message(const Binary_message& message, bool skip)
    : buffer(reinterpret_cast<char*>(message.get_buffer())), length(message.get_length())
{
    if (skip) {
        if (length >= SKIPPED_HEADER && buffer != nullptr) {
            buffer += SKIPPED_HEADER;
            length -= SKIPPED_HEADER;
        } else {
            length = 0;
        }
    }
}

Ascii_message::~Ascii_message() = default;

const char* Ascii_message::text_end() const
{
    if (buffer == nullptr) {
        return nullptr;
    }
    const void* zero = std::memchr(buffer, 0, length);
    return zero ? static_cast<const char*>(zero) : buffer + length;
}

void Ascii_message::setup(char* dst, unsigned size)
{
    if (dst == nullptr || size == 0) {
        return;
    }
    unsigned n = length < size - 1 ? length : size - 1;
    if (n > 0 && buffer != nullptr) {
        std::memmove(dst, buffer, n);
    } else {
        n = 0;
    }
    dst[n] = 0;
    buffer = dst;
    length = n;
}

void Ascii_message::set(const Binary_message& message, bool skip)
{
    zap();
    const unsigned char* src = message.get_buffer();
    unsigned avail = message.get_length();
    if (src == nullptr || buffer == nullptr) {
        return;
    }
    if (skip) {
        if (avail < SKIPPED_HEADER) {
            return;
        }
        src += SKIPPED_HEADER;
        avail -= SKIPPED_HEADER;
    }
    unsigned limit = avail < length ? avail : length;
    const void* zero = std::memchr(src, 0, limit);
    unsigned n = zero ? static_cast<unsigned>(static_cast<const unsigned char*>(zero) - src) : limit;
    std::memcpy(buffer, src, n);
}

void Ascii_message::zap()
{
    if (buffer != nullptr && length > 0) {
        std::memset(buffer, 0, length);
    }
}

bool Ascii_message::isnull() const
{
    return buffer == nullptr || length == 0 || buffer[0] == 0;
}

const char* Ascii_message::strchr(const char* from, int c) const
{
    if (buffer == nullptr || from == nullptr || from < buffer || from >= buffer + length) {
        return nullptr;
    }
    const char* end = text_end();
    if (from >= end) {
        return nullptr;
    }
    const void* hit = std::memchr(from, c, static_cast<size_t>(end - from));
    return static_cast<const char*>(hit);
}

const char* Ascii_message::get_field(unsigned n) const
{
    const char* end = text_end();
    if (end == nullptr) {
        return nullptr;
    }
    const char* p = buffer;
    for (unsigned k = 0;; ++k) {
        while (p < end && *p == '{') {
            ++p;
        }
        if (p >= end) {
            return nullptr;
        }
        if (k == n) {
            return p;
        }
        const void* comma = std::memchr(p, ',', static_cast<size_t>(end - p));
        if (comma == nullptr) {
            return nullptr;
        }
        p = static_cast<const char*>(comma) + 1;
    }
}

bool Ascii_message::is_field_valid(unsigned n) const
{
    const char* field = get_field(n);
    return field != nullptr && *field != ',';
}

unsigned Ascii_message::get_num_valid_fields() const
{
    unsigned n = 0;
    while (is_field_valid(n)) {
        ++n;
    }
    return n;
}

char Ascii_message::get_char(unsigned n) const
{
    const char* field = get_field(n);
    return field ? *field : 0;
}

const char* Ascii_message::get_string(unsigned n, unsigned& len) const
{
    len = 0;
    const char* field = get_field(n);
    if (field == nullptr) {
        return nullptr;
    }
    const char* end = text_end();
    size_t rest = static_cast<size_t>(end - field);
    const void* stop = std::memchr(field, ',', rest);
    if (stop == nullptr) {
        stop = std::memchr(field, '}', rest);
    }
    const char* field_end = stop ? static_cast<const char*>(stop) : end;
    len = static_cast<unsigned>(field_end - field);
    return field;
}

bool Ascii_message::copy_field(unsigned n, char* dst, unsigned size) const
{
    unsigned len = 0;
    const char* field = get_string(n, len);
    if (field == nullptr) {
        return false;
    }
    if (len > size - 1) {
        len = size - 1;
    }
    std::memcpy(dst, field, len);
    dst[len] = 0;
    return true;
}

namespace {
// The value scanned from a field's copied text, or 0 when the field is
// missing or does not scan.
template <typename T> T scanned_or_zero(bool copied, const char* text, const char* format)
{
    T value{};
    if (!copied || std::sscanf(text, format, &value) != 1) {
        return T{};
    }
    return value;
}
} // namespace

int32_t Ascii_message::get_int32(unsigned n) const
{
    char work[64];
    return scanned_or_zero<int>(copy_field(n, work, sizeof work), work, "%d");
}

uint32_t Ascii_message::get_uint32(unsigned n) const
{
    char work[64];
    return scanned_or_zero<unsigned>(copy_field(n, work, sizeof work), work, "%u");
}

double Ascii_message::get_double(unsigned n) const
{
    char work[64];
    return scanned_or_zero<double>(copy_field(n, work, sizeof work), work, "%lf");
}

long Ascii_message::get_timeval(unsigned n) const
{
    unsigned len = 0;
    const char* field = get_string(n, len);
    return parse_timeval(field, len);
}

long Ascii_message::parse_timeval(const char* text, unsigned len)
{
    if (text == nullptr) {
        return 0;
    }
    long long total = 0;
    const char* segment = text;
    for (unsigned i = 0; i < len && text[i] != 0; ++i) {
        long long unit;
        switch (text[i]) {
        case 'd': unit = 86400; break;
        case 'h': unit = 3600; break;
        case 'm': unit = 60; break;
        case 's': unit = 1; break;
        default: continue;
        }
        long value = 0;
        if (!scan_long(segment, text + i, value)) {
            return 0;
        }
        // A duration that does not fit a long is refused; checked before
        // multiplying, so that huge numbers from a receiver cannot overflow.
        const long long limit = LONG_MAX / unit;
        if (value > limit || value < -limit) {
            return 0;
        }
        if (__builtin_add_overflow(total, static_cast<long long>(value) * unit, &total)
            || total > LONG_MAX || total < LONG_MIN) {
            return 0;
        }
        if (unit == 1) {
            return static_cast<long>(total);
        }
        segment = text + i + 1;
    }
    return 0;
}

bool Ascii_message::name_match(const char* name, int n) const
{
    if (name == nullptr || buffer == nullptr) {
        return false;
    }
    size_t count = n < 0 ? std::strlen(name) : static_cast<size_t>(n);
    if (count > length) {
        count = length;
    }
    return std::strncmp(buffer, name, count) == 0;
}

bool Ascii_message::shift_fields(unsigned n)
{
    const char* field = get_field(n);
    if (field == nullptr) {
        return false;
    }
    const char* end = text_end();
    size_t count = static_cast<size_t>(end - field);
    if (end < buffer + length) {
        ++count; // the terminating 0 moves with the text
    }
    std::memmove(buffer, field, count);
    return true;
}
