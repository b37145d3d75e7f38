// A CAN bus as the CAN stack sees it: frames in, frames out, and one
// attached event receiver that is woken (anonymous event, module id 1)
// whenever frames have arrived or transmit space has freed.
#pragma once

#include "platform/can/CAN_packet.h"

#include <string>

class waiter_descriptor;

class CAN_bus {
public:
    virtual ~CAN_bus();

    // Moves up to max received frames into frames; returns how many.
    virtual int read(CAN_packet* frames, int max) = 0;
    // Attaches the receiver woken on arrivals and freed transmit space (one
    // at a time; attaching replaces). 0, or -1 for a null receiver.
    virtual int attach(waiter_descriptor* waiter) = 0;
    // Detaches it: no wake-up reaches it once this returns. 0, or -1 when it
    // was not attached.
    virtual int detach(waiter_descriptor* waiter) = 0;
    // How many frames the bus would take now at priority prio (0-7). When it
    // says 0, the attached receiver is woken once space frees.
    virtual int tx_space(int prio) = 0;
    // True when a transmit pass should give each priority one batch only.
    virtual bool one_batch_per_pass() = 0;

    // Queues one frame at a priority; above 0 when accepted, 0 when the bus
    // has no room (or is down).
    int write(const CAN_packet& frame, int prio);
    // Reports trouble since the last call (lost connection, lost frames) on
    // standard error, once each. 0 when the bus works, -1 when it is down.
    int error_check();

    // The specification text the bus was opened with.
    const std::string& spec() const { return spec_; }

protected:
    explicit CAN_bus(std::string spec) : spec_(std::move(spec)) {}

    virtual int send_frame(const CAN_packet& frame, int prio) = 0;
    virtual int check_errors() = 0;

private:
    std::string spec_;
};
