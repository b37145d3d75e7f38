// The serial link to the I/O processor. A frame is
//
//   0xAA, 0x55, N, command, payload[N-1], checksum (XOR of command and payload)
//
// Requests built here always carry N = 8 (command and seven payload bytes).
// On receipt a frame must begin with the lead bytes and pass the checksum.
#pragma once

#include "util/Atime.h"

#include <cstdint>

class Data_stream;

class Iop_Packet_interface {
public:
    static constexpr uint8_t LEAD_0 = 0xAA;
    static constexpr uint8_t LEAD_1 = 0x55;
    static constexpr unsigned PACKET_SIZE = 64;
    static constexpr unsigned HEADER_SIZE = 4; // lead bytes, N, command
    static constexpr unsigned MAX_APPENDED = 59;
    static constexpr uint8_t REQUEST_PAYLOAD_LENGTH = 8;

    struct Packet {
        uint8_t data[PACKET_SIZE];
        uint32_t count; // payload bytes appended behind the command

        // A receive buffer: all zero.
        Packet();
        // A request: lead bytes, N = 8 and the command.
        explicit Packet(uint8_t command);

        void append(uint8_t byte);
        // Byte i of the frame; 0 outside the buffer.
        uint8_t byte(unsigned i) const { return i < PACKET_SIZE ? data[i] : 0; }
        uint8_t payload_length() const { return data[2]; }
        uint8_t command() const { return data[3]; }
    };

    explicit Iop_Packet_interface(Data_stream& stream);

    // Writes the checksum into the packet and the frame to the stream; false
    // when the frame does not fit the packet or the stream took fewer bytes.
    bool send(Packet& packet);
    // 1 with a whole frame moved from the stream into packet, else 0.
    int receive(Packet& packet);

    // XOR of the n bytes.
    static uint8_t checksum(const uint8_t* bytes, unsigned n);

private:
    Data_stream& stream_;
    Atime last_sent_;
};
