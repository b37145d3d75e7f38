#include "apps/sowvane/control_logic/Iop_Packet_interface.h"

#include "glue/data_stream/Data_stream.h"

#include <cstdio>
#include <cstring>

Iop_Packet_interface::Packet::Packet() : count(0)
{
    std::memset(data, 0, sizeof data);
}

Iop_Packet_interface::Packet::Packet(uint8_t command) : Packet()
{
    data[0] = LEAD_0;
    data[1] = LEAD_1;
    data[2] = REQUEST_PAYLOAD_LENGTH;
    data[3] = command;
}

void Iop_Packet_interface::Packet::append(uint8_t byte)
{
    if (count < MAX_APPENDED)
        data[HEADER_SIZE + count++] = byte;
}

Iop_Packet_interface::Iop_Packet_interface(Data_stream& stream) : stream_(stream) {}

uint8_t Iop_Packet_interface::checksum(const uint8_t* bytes, unsigned n)
{
    uint8_t x = 0;
    for (unsigned i = 0; i < n; ++i)
        x ^= bytes[i];
    return x;
}

bool Iop_Packet_interface::send(Packet& packet)
{
    unsigned n = packet.payload_length();
    if (n + HEADER_SIZE > PACKET_SIZE)
        return false;
    packet.data[n + 3] = checksum(packet.data + 3, n);
    last_sent_ = Atime::now();
    return stream_.__write(packet.data, n + 4) == int(n + 4);
}

int Iop_Packet_interface::receive(Packet& packet)
{
    for (;;) {
        if (!stream_.bytes_avail(5))
            return 0;
        unsigned n = stream_[2];
        // Not at a frame's lead bytes (after a bad checksum the bytes behind
        // it can pass a one-byte checksum by chance), no command, or longer
        // than the packet: not a frame.
        if (stream_[0] != LEAD_0 || stream_[1] != LEAD_1 || n == 0
            || n + HEADER_SIZE > PACKET_SIZE) {
            stream_.drop(1);
            continue;
        }
        if (!stream_.bytes_avail(n + 4))
            return 0;
        uint8_t frame[PACKET_SIZE];
        if (!stream_.get_data(frame, n + 4)) {
            std::printf("Pkt fail %s:%d\n", "Iop_Packet_interface", __LINE__);
            return 0;
        }
        uint8_t calc = checksum(frame + 3, n);
        if (calc != frame[n + 3]) {
            std::printf("IOP pkt fail due to checksum. Expected = %02X Calc = %02X\n",
                        frame[n + 3], calc);
            stream_.drop(1);
            continue;
        }
        packet = Packet();
        std::memcpy(packet.data, frame, n + 4);
        packet.count = n - 1;
        stream_.drop(n + 4);
        return 1;
    }
}
