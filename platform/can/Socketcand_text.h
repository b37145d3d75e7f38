// The socketcand text protocol in raw mode: messages are "< ... >" with no
// line ends. Used by the TCP bus (client side) and by the CAN hub (server
// side); plain C++ without the rest of the platform, so the hub can build it
// on its own.
#pragma once

#include "platform/can/CAN_packet.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Socketcand {

// The longest message either side accepts; a frame message is about 50 bytes.
constexpr size_t MAX_MESSAGE = 256;

// Cuts "< ... >" messages out of a byte stream that arrives in pieces.
// White space between messages is skipped; anything else between messages is
// garbage (reported once per run, up to the next '<'); a message that grows
// beyond MAX_MESSAGE is reported and skipped up to its closing '>'.
class Message_reader {
public:
    enum Kind { NONE, MESSAGE, GARBAGE, TOO_LONG };

    // Consumes bytes from p[0, n) up to and including the end of the next
    // event and returns how many it took; kind says what ended there (NONE
    // when all bytes went without an event).
    size_t feed(const char* p, size_t n, Kind& kind);

    // The complete message ("<" to ">") after a MESSAGE event, valid until
    // the next feed.
    std::string_view message() const { return std::string_view(buf_, len_); }

    // True while part of a message has been read but not its end.
    bool in_message() const { return state_ == INSIDE || state_ == SKIP_MESSAGE; }

private:
    enum State { BETWEEN, INSIDE, SKIP_MESSAGE, SKIP_GARBAGE };
    char buf_[MAX_MESSAGE];
    size_t len_ = 0;
    State state_ = BETWEEN;
};

// Splits a message into the words between "<" and ">". Returns the number of
// words, or -1 when the message is not framed by "<" and ">" or holds more
// than max words.
int split_words(std::string_view message, std::string_view* words, int max);

// "< send ID LEN B0 B1 ... >" (client to server). An identifier of 8 hex
// digits or above 0x7FF is 29-bit, else 11-bit. Returns nullptr on success,
// else a short description of the fault.
const char* parse_send(std::string_view message, CAN_packet& out);

// "< frame ID SECONDS.MICROS HEXDATA >" (server to client).
const char* parse_frame(std::string_view message, CAN_packet& out);

// Writers; each returns the length written (always below MAX_MESSAGE) and
// needs a buffer of at least MAX_MESSAGE bytes.
size_t format_send(const CAN_packet& frame, char* buf);
size_t format_frame(const CAN_packet& frame, int64_t seconds, long micros, char* buf);

// One line of candump's log format: "(SECONDS.MICROS) BUS ID#DATA\n".
size_t format_candump_line(const CAN_packet& frame, int64_t seconds, long micros,
                           std::string_view bus, char* buf);

// Wall-clock time now, as seconds and microseconds.
void wall_time(int64_t& seconds, long& micros);

}  // namespace Socketcand
