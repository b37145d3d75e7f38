#include "apps/sowvane/control_logic/Packet_interface.h"

#include "glue/data_stream/Data_stream.h"

#include <cstdio>
#include <cstring>

Packet_interface::Packet::Packet(uint8_t destination, uint8_t source, uint8_t command)
{
    init(false);
    data[0] = destination;
    data[2] = source;
    data[3] = command;
}

Packet_interface::Packet::Packet(uint8_t destination, uint8_t command)
    : Packet(destination, OWN_ADDRESS, command)
{
}

void Packet_interface::Packet::init(bool ascii_framing)
{
    ascii = ascii_framing ? 1 : 0;
    length = 0;
    std::memset(data, 0xFF, sizeof data);
}

void Packet_interface::Packet::append(uint8_t byte)
{
    if (ascii) {
        if (length < PACKET_SIZE)
            data[length++] = byte;
    } else if (length < MAX_DATA_BYTES) {
        data[HEADER_SIZE + length++] = byte;
    }
}

uint8_t Packet_interface::Packet::data_byte(unsigned i) const
{
    if (ascii)
        return i < PACKET_SIZE ? data[i] : 0;
    return i < PACKET_SIZE - HEADER_SIZE ? data[HEADER_SIZE + i] : 0;
}

uint32_t Packet_interface::Packet::packet_length() const
{
    return ascii ? length : uint32_t(length_byte()) + 1;
}

Packet_interface::Packet_interface(Data_stream& stream) : stream_(stream) {}

uint8_t Packet_interface::checksum(const uint8_t* bytes, unsigned n)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < n; ++i)
        sum += bytes[i];
    return uint8_t(sum);
}

bool Packet_interface::send(Packet& packet)
{
    unsigned count;
    if (packet.ascii) {
        last_ascii_sent_ = packet;
        ascii_echo_pending_ = packet.length > 0;
        count = packet.length;
    } else {
        unsigned l = HEADER_SIZE + packet.length; // at most 31: append caps the data
        packet.data[1] = uint8_t(l);
        packet.data[l] = checksum(packet.data, l);
        count = l + 1;
    }
    reply_deadline_ = Atime::from_now(int(timeout_ms_));
    return stream_.__write(packet.data, count) == int(count);
}

int Packet_interface::receive(Packet& packet, bool ascii)
{
    return ascii ? receive_ascii(packet) : receive_binary(packet);
}

void Packet_interface::fail(int line)
{
    std::printf("Pkt fail %s:%d\n", "Packet_interface", line);
}

int Packet_interface::receive_binary(Packet& packet)
{
    for (;;) {
        if (!stream_.bytes_avail(5))
            return 0;
        unsigned l = stream_[1];
        // A frame needs its header and must fit the packet with its checksum.
        if (l < HEADER_SIZE || l >= PACKET_SIZE) {
            fail(__LINE__);
            stream_.drop(1);
            continue;
        }
        if (stream_[2] == OWN_ADDRESS) {
            // Our own request, echoed by the RS485 line. Only the echoed frame
            // goes: a reply often follows it in the same read.
            if (!stream_.bytes_avail(l + 1))
                return 0;
            uint8_t frame[PACKET_SIZE];
            if (!stream_.get_data(frame, l + 1)) {
                fail(__LINE__);
                return 0;
            }
            stream_.drop(frame[l] == checksum(frame, l) ? l + 1 : 1);
            continue;
        }
        if (stream_[0] != OWN_ADDRESS) {
            fail(__LINE__);
            stream_.drop(1);
            continue;
        }
        if (!stream_.bytes_avail(l + 1))
            return 0;
        packet.init(false);
        if (!stream_.get_data(packet.data, l + 1)) {
            fail(__LINE__);
            return 0;
        }
        if (packet.data[l] != checksum(packet.data, l)) {
            fail(__LINE__);
            packet.init(false);
            stream_.drop(1);
            continue;
        }
        packet.length = l - HEADER_SIZE;
        stream_.drop(l + 1);
        return 1;
    }
}

int Packet_interface::ascii_echo_length()
{
    if (!ascii_echo_pending_)
        return 0; // nothing sent, or its echo is gone already
    unsigned n = last_ascii_sent_.length;
    unsigned have = stream_.bytes_avail();
    for (unsigned i = 0; i < n; ++i) {
        if (i >= have)
            return -1;
        if (stream_[i] != last_ascii_sent_.data[i])
            return 0;
    }
    return int(n);
}

int Packet_interface::receive_ascii(Packet& packet)
{
    for (;;) {
        unsigned have = stream_.bytes_avail();
        if (have == 0)
            return 0;
        unsigned colon = 0;
        while (colon < have && stream_[colon] != ':')
            ++colon;
        if (colon == have) {
            // No colon: only the last bytes can still be the start of a frame.
            if (have > ASCII_COLON_INDEX)
                stream_.drop(have - ASCII_COLON_INDEX);
            return 0;
        }
        if (colon > ASCII_COLON_INDEX) {
            std::printf("Colon out of position\n");
            stream_.drop(colon - ASCII_COLON_INDEX);
            continue;
        }
        if (colon < ASCII_COLON_INDEX) {
            // A truncated frame: it ends at its colon; what follows is kept.
            stream_.drop(colon + 1);
            continue;
        }
        int echo = ascii_echo_length();
        if (echo < 0)
            return 0;
        if (echo > 0) {
            // One request, one echo: a reply that begins like the request
            // must not go as a second echo.
            ascii_echo_pending_ = false;
            stream_.drop(unsigned(echo));
            continue;
        }
        unsigned etx = ASCII_COLON_INDEX + 1;
        while (etx < have && etx < PACKET_SIZE && stream_[etx] != ETX)
            ++etx;
        if (etx >= PACKET_SIZE) {
            // Longer than any reply: not a frame; realign on the next colon.
            fail(__LINE__);
            stream_.drop(1);
            continue;
        }
        if (etx == have)
            return 0; // the rest is still on its way
        packet.init(true);
        if (!stream_.get_data(packet.data, etx + 1)) {
            fail(__LINE__);
            return 0;
        }
        packet.length = etx + 1;
        stream_.drop(etx + 1);
        return 1;
    }
}
