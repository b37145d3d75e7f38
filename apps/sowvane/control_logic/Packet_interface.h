// The RS485 link to the satellite ECUs (monitor ECUs, spray ECU, switch boxes,
// scales, sensors). Two framings share one packet record:
//
//   binary: dest, L, src, cmd, data[L-4], checksum (sum of the first L bytes)
//           L counts the header and the data, not the checksum; L < 32.
//   ASCII:  the scales' "Sxx110026:yyyyyyyy" with the colon at index 9; a
//           reply ends with ETX (0x03), which stays part of the packet.
//
// The link owns no thread: its user calls receive() when the stream reports
// data and waits for reply_deadline() after send(). The RS485 line echoes
// every transmission back to us; receive() drops the echo and keeps any
// reply that arrived behind it in the same read.
#pragma once

#include "util/Atime.h"

#include <cstdint>

class Data_stream;

class Packet_interface {
public:
    static constexpr uint8_t OWN_ADDRESS = 0x31; // the character "1"
    static constexpr unsigned PACKET_SIZE = 32;
    static constexpr unsigned HEADER_SIZE = 4;
    static constexpr unsigned MAX_DATA_BYTES = 27;
    static constexpr uint8_t ETX = 0x03;
    static constexpr unsigned ASCII_COLON_INDEX = 9;
    static constexpr uint32_t DEFAULT_TIMEOUT_MS = 1000;

    struct Packet {
        uint8_t data[PACKET_SIZE];
        uint32_t length; // binary: data bytes placed; ASCII: all bytes
        uint8_t ascii;

        // An empty binary packet (a receive buffer).
        Packet() { init(false); }
        Packet(uint8_t destination, uint8_t source, uint8_t command);
        Packet(uint8_t destination, uint8_t command);

        // Empties the packet: every byte 0xFF, nothing placed.
        void init(bool ascii_framing);
        // Places one byte behind the last; bytes beyond the room are dropped.
        void append(uint8_t byte);
        // Binary: data byte i (0 .. 27); ASCII: byte i (0 .. 31); else 0.
        uint8_t data_byte(unsigned i) const;
        // ASCII: the byte count; binary: the frame's length byte plus one.
        uint32_t packet_length() const;

        uint8_t destination() const { return data[0]; }
        uint8_t length_byte() const { return data[1]; }
        uint8_t source() const { return data[2]; }
        uint8_t command() const { return data[3]; }
    };

    explicit Packet_interface(Data_stream& stream);

    void set_timeout(uint32_t milliseconds) { timeout_ms_ = milliseconds; }
    uint32_t timeout() const { return timeout_ms_; }
    const Atime& reply_deadline() const { return reply_deadline_; }

    // Frames and writes the packet (binary: fills in L and the checksum) and
    // sets the reply deadline; false when the stream took fewer bytes.
    bool send(Packet& packet);
    // 1 with a whole reply moved from the stream into packet, else 0.
    int receive(Packet& packet, bool ascii);

    // The additive checksum of the first n bytes.
    static uint8_t checksum(const uint8_t* bytes, unsigned n);

private:
    int receive_binary(Packet& packet);
    int receive_ascii(Packet& packet);
    // How many leading bytes are the echo of the last ASCII request: its
    // length when all of it is there, 0 when the buffer differs from it, -1
    // when what is there matches but the rest has not come yet.
    int ascii_echo_length();
    void fail(int line);

    Data_stream& stream_;
    Atime reply_deadline_;
    uint32_t timeout_ms_ = DEFAULT_TIMEOUT_MS;
    Packet last_ascii_sent_;
    bool ascii_echo_pending_ = false;
};
