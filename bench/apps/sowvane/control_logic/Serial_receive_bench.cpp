// Bytes per second that each serial receive path parses out of a buffer
// holding replies with about one frame in ten corrupt (a flipped byte, a
// stray byte, a cut-off frame), as a noisy RS485 or I/O processor line gives
// them. The failure lines the parsers print are sent to /dev/null.

#include "apps/sowvane/control_logic/Iop_Packet_interface.h"
#include "apps/sowvane/control_logic/Packet_interface.h"
#include "tests/support/serial/Fake_io_processor.h"
#include "tests/support/serial/Fake_satellite_ecu.h"
#include "tests/support/serial/Memory_stream.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// Standard output goes to /dev/null for the life of the object.
class Quiet_stdout {
public:
    Quiet_stdout()
    {
        std::fflush(stdout);
        saved_ = ::dup(1);
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::close(null);
    }
    ~Quiet_stdout()
    {
        std::fflush(stdout);
        ::dup2(saved_, 1);
        ::close(saved_);
    }

private:
    int saved_;
};

// Every tenth frame spoiled, in turn: a flipped byte, a stray byte in front,
// the frame cut off.
void spoil(Bytes& line, Bytes frame, int i)
{
    if (i % 10 == 9) {
        switch ((i / 10) % 3) {
        case 0:
            frame[frame.size() / 2] ^= 0x5A;
            break;
        case 1:
            line.push_back(0x7E);
            break;
        default:
            frame.resize(frame.size() / 2);
            break;
        }
    }
    line.insert(line.end(), frame.begin(), frame.end());
}

template <class Parse>
void run(benchmark::State& state, const Bytes& line, Parse parse)
{
    Quiet_stdout quiet;
    constexpr size_t CHUNK = 1024; // well inside the stream's buffer
    for (auto _ : state) {
        Memory_stream stream;
        size_t fed = 0;
        int frames = 0;
        while (fed < line.size()) {
            size_t n = std::min(CHUNK, line.size() - fed);
            stream.feed(Bytes(line.begin() + long(fed), line.begin() + long(fed + n)));
            fed += n;
            frames += parse(stream);
        }
        benchmark::DoNotOptimize(frames);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(line.size()));
}

void BM_rs485_binary_receive(benchmark::State& state)
{
    Bytes line;
    for (int i = 0; i < 2000; ++i) {
        uint8_t id = uint8_t(50 + i % 12);
        Bytes data(size_t(2 + i % 8), uint8_t(i));
        // Each reply behind the echo of its request, as the line gives it.
        Bytes echo = test_support::Fake_satellite_ecu::frame(id, 0x31, 1, {0});
        line.insert(line.end(), echo.begin(), echo.end());
        spoil(line, test_support::Fake_satellite_ecu::frame(0x31, id, 1, data), i);
    }
    run(state, line, [](Memory_stream& stream) {
        Packet_interface link(stream);
        Packet_interface::Packet got;
        int n = 0;
        while (link.receive(got, false))
            ++n;
        return n;
    });
}
BENCHMARK(BM_rs485_binary_receive);

void BM_rs485_ascii_receive(benchmark::State& state)
{
    Bytes line;
    for (int i = 0; i < 2000; ++i) {
        std::string reply = "S2" + std::to_string(i % 8) + "110026:+" + std::to_string(100000 + i)
                            + "kg\x03";
        spoil(line, Bytes(reply.begin(), reply.end()), i);
    }
    run(state, line, [](Memory_stream& stream) {
        Packet_interface link(stream);
        Packet_interface::Packet got;
        int n = 0;
        while (link.receive(got, true))
            ++n;
        return n;
    });
}
BENCHMARK(BM_rs485_ascii_receive);

void BM_iop_receive(benchmark::State& state)
{
    Bytes line;
    for (int i = 0; i < 2000; ++i)
        spoil(line, test_support::Fake_io_processor::frame(uint8_t(16 + i % 40), Bytes(7, uint8_t(i))),
              i);
    run(state, line, [](Memory_stream& stream) {
        Iop_Packet_interface link(stream);
        Iop_Packet_interface::Packet got;
        int n = 0;
        while (link.receive(got))
            ++n;
        return n;
    });
}
BENCHMARK(BM_iop_receive);

} // namespace
