// The I/O processor, played on a Pty_pair. It takes 0xAA 0x55 frames and
// answers each known command with the command plus one:
//   15 read switch inputs      -> byte 5: the switch inputs
//   47 read ground-speed period -> bytes 4 and 5: the period, high byte first
//   17, 37, 39, 49 (CAN termination, buzzer, RS485 termination, running)
//                               -> acknowledged with the request's payload
// Other commands get no answer.
#pragma once

#include "tests/support/serial/Scripted_device.h"

namespace test_support {

class Fake_io_processor : public Scripted_device {
public:
    struct Command {
        uint8_t command;
        std::vector<uint8_t> payload; // behind the command, checksum excluded
    };

    using Scripted_device::Scripted_device;

    void set_switch_inputs(uint8_t inputs);
    void set_speed_period(uint16_t period);
    // Every command received with a good checksum.
    std::vector<Command> commands();

    // A frame as the I/O processor sends it: lead bytes, N, command, payload,
    // XOR checksum.
    static std::vector<uint8_t> frame(uint8_t command, const std::vector<uint8_t>& payload)
    {
        std::vector<uint8_t> f;
        f.reserve(payload.size() + 5);
        for (uint8_t b : {uint8_t(0xAA), uint8_t(0x55), uint8_t(payload.size() + 1), command})
            f.push_back(b);
        for (uint8_t b : payload)
            f.push_back(b);
        uint8_t x = command;
        for (uint8_t b : payload)
            x ^= b;
        f.push_back(x);
        return f;
    }

protected:
    int serve(std::vector<uint8_t>& input) override;

private:
    uint8_t switch_inputs_ = 0;
    uint16_t speed_period_ = 0;
    std::vector<Command> commands_;
};

} // namespace test_support
