// The program as a process on the CAN hub: time from its start to its claimed
// address, and its resident memory and processor use while it runs idle
// with the simulator. Run the release build (the benchmark program starts the
// sowvane next to it, with the simulator; it is killed at the end, so it
// saves no settings).
#include "bench/Hub_launcher.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "util/Atime.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string program_path()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? size_t(n) : 0);
    return path.substr(0, path.rfind('/')) + "/sowvane";
}

// The program on the hub, its output thrown away.
pid_t start_program(int port)
{
    std::string path = program_path();
    std::string bus = "tcp,addr=127.0.0.1,port=" + std::to_string(port);
    char opt[] = "-b";
    char* argv[] = {path.data(), opt, bus.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void stop_program(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Waits (at most 30 s) for the Address Claimed frame of 0x1C on the bus.
bool wait_for_claim(CAN_bus& bus, waiter_descriptor& w)
{
    const Atime deadline = Atime::from_now(30000);
    waiter_event e;
    while (w.get_event(&e, deadline) == 0) {
        CAN_packet frames[32];
        for (int n = bus.read(frames, 32), i = 0; i < n; i++)
            if ((frames[i].id & 0x00FFFFFFu) == 0x00EEFF1Cu)
                return true;
    }
    return false;
}

void BM_StartToClaimedAddress(benchmark::State& state)
{
    Hub_launcher hub;
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    std::unique_ptr<CAN_bus> bus(
        Bus_select::start(("tcp,addr=127.0.0.1,port=" + std::to_string(hub.port())).c_str()));
    if (!bus) {
        state.SkipWithError("no hub");
        return;
    }
    bus->attach(&w);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = start_program(hub.port());
        const bool claimed = pid > 0 && wait_for_claim(*bus, w);
        const auto end = std::chrono::steady_clock::now();
        stop_program(pid);
        if (!claimed) {
            state.SkipWithError("the program did not claim 0x1C");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    bus->detach(&w);
}
BENCHMARK(BM_StartToClaimedAddress)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Processor time (ticks) and resident memory (kB) of a process.
void usage_of(pid_t pid, long& ticks, long& rss_kb)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> f; i++) {
        if (i == 14)
            utime = std::stol(f);
        if (i == 15) {
            stime = std::stol(f);
            break;
        }
    }
    ticks = utime + stime;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    rss_kb = 0;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            rss_kb = std::stol(line.substr(6));
}

// Resident memory and the share of one core used while running idle with the
// simulator, over 10 seconds once it has settled.
void BM_IdleUsage(benchmark::State& state)
{
    Hub_launcher hub;
    for (auto _ : state) {
        pid_t pid = start_program(hub.port());
        std::this_thread::sleep_for(std::chrono::seconds(3));
        long t0, t1, rss;
        usage_of(pid, t0, rss);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        usage_of(pid, t1, rss);
        stop_program(pid);
        state.counters["rss_kB"] = double(rss);
        state.counters["cpu_percent"] = double(t1 - t0) / double(sysconf(_SC_CLK_TCK)) / 10.0 * 100.0;
    }
}
BENCHMARK(BM_IdleUsage)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
