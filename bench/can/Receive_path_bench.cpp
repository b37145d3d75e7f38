// The whole receive path at a fixed frame rate: a hub-like socketcand
// server streams "< frame ... >" messages over TCP, as the CAN hub forwards
// a busy bus, into the TCP bus, the running stack and a module thread that
// reads every message as an application does. Reports the share of one core
// the process spends on it (the feeding server's own time taken out) and
// the fraction of the frames the module got.
#include "can/JIN_stack.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "platform/can/Socketcand_text.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr unsigned PGN = 0xFECA;
constexpr double FEED_SECONDS = 2.0;
constexpr int DRAIN_MS = 500;

double cpu_seconds(clockid_t clock)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

int64_t mono_ns()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// One client of a socketcand server in raw mode, fed at a fixed rate.
class Stream_server {
public:
    Stream_server()
    {
        listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            listen(listen_fd_, 1) != 0 ||
            getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        handshake_ = std::thread([this] { accept_client(); });
    }
    ~Stream_server()
    {
        if (handshake_.joinable()) handshake_.join();
        if (fd_ >= 0) close(fd_);
        if (listen_fd_ >= 0) close(listen_fd_);
    }
    int port() const { return port_; }
    bool ready()
    {
        if (handshake_.joinable()) handshake_.join();
        return fd_ >= 0;
    }

    // Streams frames at rate per second for seconds; returns the frames sent
    // and the CPU time the sending thread used.
    int64_t feed(double rate, double seconds, double& feeder_cpu)
    {
        const double cpu0 = cpu_seconds(CLOCK_THREAD_CPUTIME_ID);
        const int64_t total = int64_t(rate * seconds);
        const double interval_ns = 1e9 / rate;
        const int64_t start = mono_ns();
        std::string out;
        int64_t sent = 0;
        while (sent < total) {
            const int64_t now = mono_ns();
            out.clear();
            // Everything due by now goes in one write, as the hub forwards
            // what arrived since its last pass.
            while (sent < total && int64_t(double(sent) * interval_ns) <= now - start) {
                char text[Socketcand::MAX_MESSAGE];
                CAN_packet f;
                f.set_extended(true);
                f.id = 0x18000000 | PGN << 8 | 0x26;
                f.length = 8;
                for (int b = 0; b < 8; ++b) f.data[b] = uint8_t(sent + b);
                const int64_t t = now / 1000;
                out.append(text, Socketcand::format_frame(f, t / 1000000, long(t % 1000000), text));
                ++sent;
            }
            if (!out.empty() && !send_all(out)) break;
            const int64_t next = start + int64_t(double(sent) * interval_ns);
            timespec ts{time_t(next / 1000000000), long(next % 1000000000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
        }
        feeder_cpu = cpu_seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0;
        return sent;
    }

private:
    void accept_client()
    {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        fd_ = fd;
        if (!send_all("< hi >") || !expect("< open ") || !send_all("< ok >") ||
            !expect("< rawmode >") || !send_all("< ok >")) {
            close(fd_);
            fd_ = -1;
        }
    }
    bool send_all(const std::string& text)
    {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += size_t(n);
        }
        return true;
    }
    // Reads one "< ... >" message and checks how it begins.
    bool expect(const char* start)
    {
        std::string got;
        char c;
        while (recv(fd_, &c, 1, 0) == 1) {
            got += c;
            if (c == '>') return got.compare(0, strlen(start), start) == 0;
        }
        return false;
    }

    int listen_fd_ = -1;
    int fd_ = -1;
    int port_ = 0;
    std::thread handshake_;
};

void BM_receive_path_at_rate(benchmark::State& state)
{
    const double rate = double(state.range(0));
    for (auto _ : state) {
        Stream_server server;
        std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(server.port());
        std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str()));
        if (!bus || !server.ready()) {
            state.SkipWithError("no stream");
            return;
        }
        module_man mm;
        waiter_descriptor module;
        module.init(&mm);
        JIN_stack stack;
        stack.open(*bus, &mm);
        stack.register_address(0x1C);
        stack.register_pgn(PGN, &module, nullptr);
        stack.start();

        // The module: wakes on the stack's events and reads all there is.
        std::atomic<bool> stop{false};
        std::atomic<int64_t> delivered{0};
        std::thread reader([&] {
            JIN_header h;
            unsigned char buf[8];
            waiter_event ev;
            while (!stop.load()) {
                if (module.get_event(&ev, Atime::from_now(50)) != 0) continue;
                while (stack.read(PGN, h, buf, 8, 8, &module) == 0) ++delivered;
            }
        });

        double feeder_cpu = 0;
        const double cpu0 = cpu_seconds(CLOCK_PROCESS_CPUTIME_ID);
        const int64_t t0 = mono_ns();
        const int64_t sent = server.feed(rate, FEED_SECONDS, feeder_cpu);
        const double wall = double(mono_ns() - t0) * 1e-9;
        const double cpu = cpu_seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0 - feeder_cpu;
        const int64_t drain_end = mono_ns() + int64_t(DRAIN_MS) * 1000000;
        while (delivered.load() < sent && mono_ns() < drain_end) usleep(1000);
        stop = true;
        reader.join();

        state.counters["frames_per_s"] = rate;
        state.counters["core_share_pct"] = cpu / wall * 100.0;
        state.counters["cpu_us_per_frame"] = sent ? cpu / double(sent) * 1e6 : 0;
        state.counters["delivered_pct"] = sent ? double(delivered.load()) / double(sent) * 100.0 : 0;
        state.counters["stack_dropped"] = double(stack.rx_dropped());
    }
}
BENCHMARK(BM_receive_path_at_rate)
    ->Arg(1900)
    ->Arg(40000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
