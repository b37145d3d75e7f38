#include "tests/support/serial/Fake_io_processor.h"

namespace test_support {

void Fake_io_processor::set_switch_inputs(uint8_t inputs)
{
    std::lock_guard<std::mutex> lock(mutex_);
    switch_inputs_ = inputs;
}

void Fake_io_processor::set_speed_period(uint16_t period)
{
    std::lock_guard<std::mutex> lock(mutex_);
    speed_period_ = period;
}

std::vector<Fake_io_processor::Command> Fake_io_processor::commands()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

int Fake_io_processor::serve(std::vector<uint8_t>& input)
{
    int served = 0;
    for (;;) {
        while (input.size() >= 2 && !(input[0] == 0xAA && input[1] == 0x55))
            input.erase(input.begin());
        if (input.size() < 4)
            return served;
        unsigned n = input[2];
        if (input.size() < n + 4)
            return served;
        uint8_t x = 0;
        for (unsigned i = 3; i < n + 3; ++i)
            x ^= input[i];
        if (n == 0 || x != input[n + 3]) {
            input.erase(input.begin());
            continue;
        }
        Command c{input[3], std::vector<uint8_t>(input.begin() + 4, input.begin() + n + 3)};
        input.erase(input.begin(), input.begin() + n + 4);
        commands_.push_back(c);
        ++served;

        std::vector<uint8_t> payload(7, 0);
        switch (c.command) {
        case 15:
            payload[1] = switch_inputs_; // frame byte 5
            break;
        case 47:
            payload[0] = uint8_t(speed_period_ >> 8); // frame bytes 4 and 5
            payload[1] = uint8_t(speed_period_);
            break;
        case 17:
        case 37:
        case 39:
        case 49:
            payload = c.payload;
            payload.resize(7, 0);
            break;
        default:
            continue;
        }
        line_.write(frame(uint8_t(c.command + 1), payload));
    }
}

} // namespace test_support
