#include "platform/can/Socketcand_text.h"

#include <cstdio>
#include <ctime>

namespace Socketcand {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Parses 1..max_digits hex digits.
bool parse_hex(std::string_view text, size_t max_digits, uint32_t& value)
{
    if (text.empty() || text.size() > max_digits) return false;
    value = 0;
    for (char c : text) {
        int v = hex_value(c);
        if (v < 0) return false;
        value = value << 4 | uint32_t(v);
    }
    return true;
}

const char* parse_identifier(std::string_view word, CAN_packet& out)
{
    uint32_t id;
    if (!parse_hex(word, 8, id)) return "bad identifier";
    if (id > 0x1FFFFFFF) return "identifier above 29 bits";
    out.id = id;
    out.set_extended(word.size() == 8 || id > 0x7FF);
    return nullptr;
}

const char HEX[] = "0123456789ABCDEF";

char* put_hex(char* p, uint32_t value, int digits)
{
    for (int i = digits - 1; i >= 0; --i) p[i] = HEX[value & 0xF], value >>= 4;
    return p + digits;
}

char* put_text(char* p, std::string_view text)
{
    for (char c : text) *p++ = c;
    return p;
}

char* put_identifier(char* p, const CAN_packet& frame)
{
    return frame.is_extended() ? put_hex(p, frame.id & 0x1FFFFFFF, 8)
                               : put_hex(p, frame.id & 0x7FF, 3);
}

char* put_time(char* p, int64_t seconds, long micros)
{
    char tmp[40];
    int n = std::snprintf(tmp, sizeof tmp, "%lld.%06ld", static_cast<long long>(seconds), micros);
    return put_text(p, std::string_view(tmp, size_t(n)));
}

}  // namespace

size_t Message_reader::feed(const char* p, size_t n, Kind& kind)
{
    kind = NONE;
    for (size_t i = 0; i < n; ++i) {
        const char c = p[i];
        switch (state_) {
        case BETWEEN:
            if (is_space(c)) break;
            if (c == '<') {
                buf_[0] = c;
                len_ = 1;
                state_ = INSIDE;
                break;
            }
            state_ = SKIP_GARBAGE;
            kind = GARBAGE;
            return i + 1;
        case SKIP_GARBAGE:
            if (c == '<') {
                buf_[0] = c;
                len_ = 1;
                state_ = INSIDE;
            }
            break;
        case INSIDE:
            if (len_ == MAX_MESSAGE) {
                state_ = c == '>' ? BETWEEN : SKIP_MESSAGE;
                kind = TOO_LONG;
                return i + 1;
            }
            buf_[len_++] = c;
            if (c == '>') {
                state_ = BETWEEN;
                kind = MESSAGE;
                return i + 1;
            }
            break;
        case SKIP_MESSAGE:
            if (c == '>') state_ = BETWEEN;
            break;
        }
    }
    return n;
}

int split_words(std::string_view message, std::string_view* words, int max)
{
    if (message.size() < 2 || message.front() != '<' || message.back() != '>') return -1;
    std::string_view body = message.substr(1, message.size() - 2);
    int count = 0;
    size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && is_space(body[i])) ++i;
        if (i == body.size()) break;
        size_t start = i;
        while (i < body.size() && !is_space(body[i])) ++i;
        if (count == max) return -1;
        words[count++] = body.substr(start, i - start);
    }
    return count;
}

const char* parse_send(std::string_view message, CAN_packet& out)
{
    std::string_view w[12];
    int n = split_words(message, w, 12);
    if (n < 3 || w[0] != "send") return "not a send command";
    CAN_packet frame;
    if (const char* fault = parse_identifier(w[1], frame)) return fault;
    uint32_t len;
    if (!parse_hex(w[2], 1, len) || len > 8) return "bad length";
    if (n - 3 != int(len)) return "byte count differs from length";
    for (uint32_t i = 0; i < len; ++i) {
        uint32_t byte;
        if (!parse_hex(w[3 + i], 2, byte)) return "bad data byte";
        frame.data[i] = uint8_t(byte);
    }
    frame.length = uint8_t(len);
    out = frame;
    return nullptr;
}

const char* parse_frame(std::string_view message, CAN_packet& out)
{
    std::string_view w[5];
    int n = split_words(message, w, 5);
    if (n < 3 || n > 4 || w[0] != "frame") return "not a frame message";
    CAN_packet frame;
    if (const char* fault = parse_identifier(w[1], frame)) return fault;
    size_t dot = w[2].find('.');
    if (dot == std::string_view::npos || w[2].find_first_not_of("0123456789.") != std::string_view::npos ||
        w[2].find('.', dot + 1) != std::string_view::npos)
        return "bad time stamp";
    std::string_view hex = n == 4 ? w[3] : std::string_view();
    if (hex.size() % 2 != 0 || hex.size() > 16) return "bad data";
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = hex_value(hex[i]), lo = hex_value(hex[i + 1]);
        if (hi < 0 || lo < 0) return "bad data";
        frame.data[i / 2] = uint8_t(hi << 4 | lo);
    }
    frame.length = uint8_t(hex.size() / 2);
    out = frame;
    return nullptr;
}

size_t format_send(const CAN_packet& frame, char* buf)
{
    const unsigned len = frame.length > 8 ? 8 : frame.length;
    char* p = put_text(buf, "< send ");
    p = put_identifier(p, frame);
    *p++ = ' ';
    *p++ = char('0' + len);
    for (unsigned i = 0; i < len; ++i) {
        *p++ = ' ';
        p = put_hex(p, frame.data[i], 2);
    }
    p = put_text(p, " >");
    return size_t(p - buf);
}

size_t format_frame(const CAN_packet& frame, int64_t seconds, long micros, char* buf)
{
    const unsigned len = frame.length > 8 ? 8 : frame.length;
    char* p = put_text(buf, "< frame ");
    p = put_identifier(p, frame);
    *p++ = ' ';
    p = put_time(p, seconds, micros);
    *p++ = ' ';
    for (unsigned i = 0; i < len; ++i) p = put_hex(p, frame.data[i], 2);
    p = put_text(p, " >");
    return size_t(p - buf);
}

size_t format_candump_line(const CAN_packet& frame, int64_t seconds, long micros,
                           std::string_view bus, char* buf)
{
    const unsigned len = frame.length > 8 ? 8 : frame.length;
    if (bus.size() > 64) bus = bus.substr(0, 64);
    char* p = buf;
    *p++ = '(';
    p = put_time(p, seconds, micros);
    p = put_text(p, ") ");
    p = put_text(p, bus);
    *p++ = ' ';
    p = put_identifier(p, frame);
    *p++ = '#';
    for (unsigned i = 0; i < len; ++i) p = put_hex(p, frame.data[i], 2);
    *p++ = '\n';
    return size_t(p - buf);
}

void wall_time(int64_t& seconds, long& micros)
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    seconds = ts.tv_sec;
    micros = ts.tv_nsec / 1000;
}

}  // namespace Socketcand
