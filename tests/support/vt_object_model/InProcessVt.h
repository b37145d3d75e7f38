// A virtual terminal inside the test process: a VtCommandProcessor with the
// recording display, a recording transport and a system interface whose
// clock the test sets. Messages from the implement go in through receive();
// what the terminal sent comes out of the transport's record.
#pragma once

#include "RecordingVtDisplay.h"

#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtSystemInterface.h"
#include "vt_object_model/terminal/VtTransportHandler.h"

#include <cstdint>
#include <vector>

class ManualClockVtSystem : public VtSystemInterface {
public:
    uint32_t getTimeMs() override { return timeMs; }
    // The VT version the terminal reports: the base's while 0.
    uint32_t getVtVersion() override { return vtVersion != 0 ? vtVersion : VtSystemInterface::getVtVersion(); }
    uint32_t timeMs = 0;
    uint32_t vtVersion = 0;
};

struct VtSentMessage {
    uint32_t destination;
    std::vector<uint8_t> bytes;
};

class RecordingVtTransport : public VtTransportHandler {
public:
    void send(uint32_t destination, const uint8_t* data, uint32_t length) override
    {
        sent.push_back({destination, std::vector<uint8_t>(data, data + length)});
    }
    // Messages sent since the last call, then forgotten.
    std::vector<VtSentMessage> take()
    {
        std::vector<VtSentMessage> out;
        out.swap(sent);
        return out;
    }

    std::vector<VtSentMessage> sent;
};

class InProcessVt {
public:
    // The implement's source address that responses go to.
    static constexpr uint32_t kWorkingSetAddress = 28;

    InProcessVt();

    void receive(const std::vector<uint8_t>& message);
    // Sends the pool stream as one Object Pool Transfer, then End of Object Pool.
    void uploadPool(const uint8_t* stream, uint32_t length);
    // The responses to the working set among the messages sent since the
    // last call (VT status messages to the global address left out).
    std::vector<std::vector<uint8_t>> takeResponses();

    // Destroyed in reverse order: the processor (and its objects' display
    // elements) before the display.
    ManualClockVtSystem system;
    RecordingVtDisplay display;
    RecordingVtTransport transport;
    VtCommandProcessor processor;
};
