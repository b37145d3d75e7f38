// Sender of the terminal side's messages (responses, VT status, VT-to-ECU
// messages): whole messages go out to a destination address.
#pragma once

#include <cstdint>

class VtTransportHandler {
public:
    virtual ~VtTransportHandler() = default;
    // Sends length bytes to the destination address (255: global).
    virtual void send(uint32_t destination, const uint8_t* data, uint32_t length) = 0;
};
