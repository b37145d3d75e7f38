// The program as a process on the CAN hub: time from its start to its claimed
// address and to its pools active on a VT and a task controller, and its
// resident memory and processor use while it runs idle with the simulator,
// alone and with the VT and the task controller attached. Run the release
// build after scripts/run has installed the data files (the benchmark
// program starts the sowvane next to it, which reads them from
// /usr/share/sowvane; it is killed at the end of each run, so it saves no
// settings, and the one settings change the benchmark makes, the task
// controller switched on, is undone at the end). The resident memory is
// given whole, without the pools, and without both the pools and the clean
// pages of the system's shared libraries; the pools are measured by filling
// them in this process as the program does.
#include "apps/sowvane/app_paths.h"
#include "apps/sowvane/pool_loading.h"
#include "bench/Hub_launcher.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "platform/can/Bus_select.h"
#include "platform/tc/TC_object_pool.h"
#include "platform/vt/Object_pool.h"
#include "util/Atime.h"

#ifdef SOWVANE_BENCH_HAS_TEST_SUPPORT
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "tests/support/Implement_peers.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/objects/VtInputObjects.h"
#include "vt_object_model/objects/VtVariableObjects.h"
#endif

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <cstdio>
#include <fstream>
#include <functional>
#include <malloc.h>
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

// The program reads its descriptions from the installed place.
std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

// The program reads the installed descriptions: figures measured with those
// of an older build would not be this build's.
bool data_files_installed(benchmark::State& state)
{
    if (access(app_paths::VT_POOL_SPEC, R_OK) != 0 || access(app_paths::TC_POOL_SPEC, R_OK) != 0) {
        state.SkipWithError("the data files are not installed (run scripts/run once)");
        return false;
    }
    const std::string source = std::string(SOWVANE_SOURCE_DIR) + "/apps/sowvane/data/";
    if (file_text(app_paths::VT_POOL_SPEC) != file_text(source + "spec/test_pool.xml") ||
        file_text(app_paths::TC_POOL_SPEC) != file_text(source + "tcspec/tc_pool.xml")) {
        state.SkipWithError("the installed data files are not this tree's (run scripts/run once)");
        return false;
    }
    return true;
}

// The program on the hub, its output thrown away; with the test console on
// a pipe when input is asked for.
pid_t start_program(int port, int* input = nullptr)
{
    std::string path = program_path();
    std::string bus = "tcp,addr=127.0.0.1,port=" + std::to_string(port);
    char opt[] = "-b";
    char console[] = "-T";
    char* argv[] = {path.data(), opt, bus.data(), input ? console : nullptr, nullptr};
    int fds[2] = {-1, -1};
    if (input && pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (input)
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (input) {
        close(fds[0]);
        *input = fds[1];
    }
    return pid;
}

void stop_program(pid_t pid, int sig = SIGKILL)
{
    if (pid <= 0)
        return;
    kill(pid, sig);
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
    if (!data_files_installed(state))
        return;
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

// Processor time of a process, in clock ticks.
long ticks_of(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string f;
    long ticks = 0;
    for (int i = 3; fields >> f && i <= 15; i++)
        if (i == 14 || i == 15)
            ticks += std::stol(f);
    return ticks;
}

// Resident memory of a process (kB), and the part of it that is clean pages
// of the system's shared libraries (Qt, xerces-c and what they load): pages
// read from the library files, shared with every process that uses them and
// dropped by the kernel when memory is short. What the libraries write
// (relocations, their data) is private to the process and stays with the
// program's own memory, as do the program's code, heap and stacks.
struct Memory_use {
    long rss_kB = 0;
    long library_pages_kB = 0;
};

bool is_own_file(const std::string& path, const std::string& program)
{
    const std::string name = path.substr(path.rfind('/') + 1);
    return path == program || name.rfind("libkorqt", 0) == 0;
}

Memory_use memory_of(pid_t pid)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    char exe[4096];
    const ssize_t n = readlink((proc + "/exe").c_str(), exe, sizeof exe - 1);
    const std::string program(exe, n > 0 ? size_t(n) : 0);
    std::ifstream smaps(proc + "/smaps");
    Memory_use use;
    bool system_library = false;
    std::string line;
    while (std::getline(smaps, line)) {
        std::istringstream words(line);
        std::string first, perms, offset, device, inode, path;
        words >> first;
        if (first.empty())
            continue;
        if (first.back() != ':') {  // a mapping's first line: range, rights, ..., path
            words >> perms >> offset >> device >> inode >> path;
            system_library = !path.empty() && path[0] == '/' && !is_own_file(path, program);
            continue;
        }
        long kB = 0;
        words >> kB;
        if (first == "Rss:")
            use.rss_kB += kB;
        else if (system_library && (first == "Shared_Clean:" || first == "Private_Clean:"))
            use.library_pages_kB += kB;
    }
    return use;
}

// Heap the program's two pools hold once filled, measured in this process by
// filling them as the program does. The first filling is thrown away: it
// leaves behind what the XML parser and the pool code keep from their first
// use, which the program has outside its pools as well.
double pools_kB()
{
    static double kB = -1;
    if (kB >= 0)
        return kB;
    module_man mm;
    // Blocks in the heap's arenas and blocks mapped on their own.
    auto in_use = [] {
        const struct mallinfo2 m = mallinfo2();
        return m.uordblks + m.hblkhd;
    };
    auto fill = [&mm, &in_use](bool keep) -> size_t {
        const size_t before = in_use();
        auto vt = std::make_unique<VT::Object_pool>(&mm, 0, 0, 0, 0);
        auto tc = std::make_unique<TC::Object_pool>(&mm, nullptr, 0);
        if (!load_vt_pool_spec(*vt) || !load_generated_pool(*vt) || !load_tc_description(*tc))
            return 0;
        const size_t after = in_use();
        return keep && after > before ? after - before : 0;
    };
    fill(false);
    kB = double(fill(true)) / 1024.0;
    return kB;
}

// Resident memory and the share of one core over 10 seconds of a settled
// program, into the benchmark's counters: the whole resident set, what of
// it lies outside the pools, and what lies outside both the shared
// libraries' clean pages and the pools (the program's own memory).
void measure_usage(benchmark::State& state, pid_t pid)
{
    const long t0 = ticks_of(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const long t1 = ticks_of(pid);
    const Memory_use use = memory_of(pid);
    const double pools = pools_kB();
    state.counters["rss_kB"] = double(use.rss_kB);
    state.counters["libs_kB"] = double(use.library_pages_kB);
    state.counters["pools_kB"] = pools;
    state.counters["outside_pools_kB"] = double(use.rss_kB) - pools;
    state.counters["own_outside_pools_kB"] = double(use.rss_kB - use.library_pages_kB) - pools;
    state.counters["cpu_percent"] = double(t1 - t0) / double(sysconf(_SC_CLK_TCK)) / 10.0 * 100.0;
}

// Running idle with the simulator, no VT and no task controller on the bus.
void BM_IdleUsage(benchmark::State& state)
{
    if (!data_files_installed(state))
        return;
    Hub_launcher hub;
    for (auto _ : state) {
        pid_t pid = start_program(hub.port());
        std::this_thread::sleep_for(std::chrono::seconds(3));
        measure_usage(state, pid);
        stop_program(pid);
    }
}
BENCHMARK(BM_IdleUsage)->Iterations(1)->Unit(benchmark::kSecond);

#ifdef SOWVANE_BENCH_HAS_TEST_SUPPORT

bool wait_for(const std::function<bool()>& condition, int seconds = 60)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

// The installed settings file as it was, put back at the end.
class Settings_kept {
public:
    Settings_kept()
    {
        std::ifstream in(app_paths::SETTINGS_FILE, std::ios::binary);
        existed_ = bool(in);
        std::stringstream s;
        s << in.rdbuf();
        text_ = s.str();
    }
    ~Settings_kept()
    {
        if (existed_)
            std::ofstream(app_paths::SETTINGS_FILE, std::ios::binary | std::ios::trunc) << text_;
        else
            std::remove(app_paths::SETTINGS_FILE);
    }

private:
    bool existed_ = false;
    std::string text_;
};

// Switches the task controller on in the installed settings, through the
// console as an operator would; the program saves it and ends.
bool switch_task_controller_on(int port)
{
    int input = -1;
    pid_t pid = start_program(port, &input);
    if (pid <= 0)
        return false;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string line = "set params.system.tc_enabled=1\n";
    const bool written = write(input, line.data(), line.size()) == ssize_t(line.size());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    close(input);
    stop_program(pid, SIGTERM);
    return written;
}

// From the program's start to its VT pool held by the VT (End of Object
// Pool answered) and to its device description active on the task
// controller; then its memory and processor use with both attached.
void BM_StartToActivePoolsAndUsageWithPeers(benchmark::State& state)
{
    if (!data_files_installed(state))
        return;
    Hub_launcher hub;
    Settings_kept settings;
    if (!switch_task_controller_on(hub.port())) {
        state.SkipWithError("the program did not start");
        return;
    }
    double vt_s = 0, tc_s = 0;
    for (auto _ : state) {
        // Made anew for each run, so that neither holds the program's pool
        // from the run before.
        test_support::Implement_peers peers;
        if (!peers.open("tcp,addr=127.0.0.1,port=" + std::to_string(hub.port()))) {
            state.SkipWithError("no VT or task controller");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = start_program(hub.port());
        const bool vt_up = wait_for([&] { return peers.vt_holds_pool(); });
        vt_s += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool tc_up = vt_up && wait_for([&] { return peers.tc_pool_active(0x1C); });
        tc_s += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (!tc_up) {
            stop_program(pid);
            state.SkipWithError(vt_up ? "the description did not become active" : "the VT got no pool");
            return;
        }
        state.PauseTiming();
        measure_usage(state, pid);
        stop_program(pid);
        state.ResumeTiming();
    }
    state.counters["to_vt_pool_ms"] = vt_s * 1000.0 / double(state.iterations());
    state.counters["to_tc_active_ms"] = tc_s * 1000.0 / double(state.iterations());
}
BENCHMARK(BM_StartToActivePoolsAndUsageWithPeers)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// CAN frames the program (0x1C) sends to the VT's address within `seconds`:
// its commands, their transport frames and the working-set maintenance.
long frames_to_vt(CAN_bus& bus, waiter_descriptor& w, int seconds)
{
    const Atime end = Atime::from_now(seconds * 1000);
    long frames = 0;
    auto count = [&] {
        CAN_packet p[64];
        for (int n; (n = bus.read(p, 64)) > 0;) {
            for (int i = 0; i < n; i++) {
                const uint32_t id = p[i].id;
                const unsigned pf = (id >> 16) & 0xFF, dest = (id >> 8) & 0xFF;
                frames += (id & 0xFF) == 0x1C && pf < 0xF0 && dest == test_support::Implement_peers::VT_ADDRESS;
            }
        }
    };
    waiter_event e;
    while (w.get_event(&e, end) == 0)
        count();
    count();
    return frames;
}

// Frames per second the program sends to the VT at the run screen with the
// simulator running: a minute untouched, then a minute after the operator
// typed a new rate for the first product at the VT. Only values that change
// need to go to the VT.
void BM_VtFramesPerSecondAtTheRunScreen(benchmark::State& state)
{
    if (!data_files_installed(state))
        return;
    Hub_launcher hub;
    Settings_kept settings;  // the typed rate is saved
    const std::string spec = "tcp,addr=127.0.0.1,port=" + std::to_string(hub.port());
    test_support::Implement_peers peers;
    module_man mm;
    waiter_descriptor w;
    w.init(&mm);
    std::unique_ptr<CAN_bus> bus(Bus_select::start(spec.c_str()));
    if (!bus || !peers.open(spec)) {
        state.SkipWithError("no hub, VT or task controller");
        return;
    }
    bus->attach(&w);
    auto ids = std::make_unique<Screen_object_ids>();
    VtMessageWriter writer(80000, nullptr);
    if (build_seeder_pool(*ids, writer, VtSize(240, 240)) != 0) {
        state.SkipWithError("pool generation failed");
        return;
    }
    auto shown_mask = [&] {
        uint32_t mask = 0xFFFF;
        peers.vt.with_processor([&](VtCommandProcessor&, RecordingVtDisplay& d) { mask = d.shownMask; });
        return mask;
    };
    constexpr int SECONDS = 60;
    double untouched = 0, after_edit = 0;
    for (auto _ : state) {
        pid_t pid = start_program(hub.port());
        bool shown = false;
        for (int s = 0; s < 120 && !(shown = shown_mask() == ids->main.data_mask); s++)
            frames_to_vt(*bus, w, 1);
        if (!shown) {
            stop_program(pid);
            state.SkipWithError("the run screen did not come up on the VT");
            break;
        }
        frames_to_vt(*bus, w, 10);  // settling
        untouched = double(frames_to_vt(*bus, w, SECONDS)) / SECONDS;
        // The operator types a rate 5 above the one shown; the program
        // shows it in the rate's variable.
        const uint32_t input = ids->records[0].rate_input, variable = ids->records[0].rate_variable;
        uint32_t typed = 0;
        auto rate_shown = [&] {
            uint32_t raw = 0;
            peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
                if (auto* var = dynamic_cast<VtObjectNumberVariable*>(p.getObject(variable)))
                    raw = var->getValue();
            });
            return raw;
        };
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            auto* in = dynamic_cast<VtObjectInputFieldNumber*>(p.getObject(input));
            auto* var = dynamic_cast<VtObjectNumberVariable*>(p.getObject(variable));
            if (!in || !var)
                return;
            typed = uint32_t(int64_t(var->getValue()) + std::llround(5.0 / in->getScale()));
            in->setValue(typed);
            p.sendChangeNumericValue(input, typed, 4);
        });
        after_edit = double(frames_to_vt(*bus, w, SECONDS)) / SECONDS;
        const bool taken = typed != 0 && rate_shown() == typed;
        stop_program(pid);
        if (!taken) {
            state.SkipWithError("the program did not take the typed rate");
            break;
        }
    }
    bus->detach(&w);
    state.counters["untouched_frames_per_s"] = untouched;
    state.counters["after_edit_frames_per_s"] = after_edit;
}
BENCHMARK(BM_VtFramesPerSecondAtTheRunScreen)->Iterations(1)->Unit(benchmark::kSecond);

#endif

}  // namespace

#ifdef SOWVANE_BENCH_HAS_TEST_SUPPORT

#include <csignal>

namespace tc_budget {

// The implement of the budget, set through the console as an operator
// would: the task controller on, two channels, two booms of 4 and 3
// sections of 3 m; the program saves the settings and ends.
bool configure(int port)
{
    std::string lines =
        "set params.system.tc_enabled=1\n"
        "set params.app.num_channels=2\n"
        "set params.app.channels.0.enabled=1\n"
        "set params.app.channels.1.enabled=1\n"
        "set params.app.booms.num_booms=2\n"
        "set params.app.booms.booms.0.num_sections=4\n"
        "set params.app.booms.booms.1.num_sections=3\n";
    for (int b = 0; b < 2; ++b)
        for (int s = 0; s < 4 - b; ++s)
            lines += "set params.app.booms.booms." + std::to_string(b) + ".sections." +
                     std::to_string(s) + ".width=3\n";
    // A program that ended at its start (its files missing) fails the
    // write instead of ending the benchmark.
    std::signal(SIGPIPE, SIG_IGN);
    int input = -1;
    pid_t pid = start_program(port, &input);
    if (pid <= 0)
        return false;
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const bool written = write(input, lines.data(), lines.size()) == ssize_t(lines.size());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    close(input);
    stop_program(pid, SIGTERM);
    return written;
}

} // namespace tc_budget

// Process-data frames per second the program sends to the task controller
// at steady state, with the simulator running, two channels and two booms of
// 4 and 3 sections, once the task controller has asked what a typical one
// asks: the default data, then the actual rates and the actual section
// states every second. Every message at steady state is one frame.
void BM_TcFramesPerSecondAtSteadyState(benchmark::State& state)
{
    constexpr unsigned char CLIENT = 0x1C;
    constexpr int SETTLE_S = 5;
    constexpr int WINDOW_S = 20;
    if (!data_files_installed(state))
        return;
    Hub_launcher hub;
    Settings_kept settings;
    if (!tc_budget::configure(hub.port())) {
        state.SkipWithError("the program did not start");
        return;
    }
    for (auto _ : state) {
        test_support::Implement_peers peers;
        if (!peers.open("tcp,addr=127.0.0.1,port=" + std::to_string(hub.port()))) {
            state.SkipWithError("no VT or task controller");
            return;
        }
        pid_t pid = start_program(hub.port());
        if (!wait_for([&] { return peers.tc_pool_active(CLIENT); })) {
            stop_program(pid);
            state.SkipWithError("the description did not become active");
            return;
        }
        peers.with_tc([&](test_support::Test_tc_server& s) {
            s.send_command(CLIENT, TC::CMD_REQUEST_VALUE, 0xFFF, TC::DDI_DEFAULT_DATA, 0);
            // Mass channels: actual mass rate (DDI 7); the booms' actual
            // condensed work state (DDI 161).
            for (unsigned short element : {100, 101})
                s.send_command(CLIENT, TC::CMD_TIME_INTERVAL, element, 7, 1000);
            for (unsigned short element : {1000, 1100})
                s.send_command(CLIENT, TC::CMD_TIME_INTERVAL, element, 161, 1000);
            return 0;
        });
        std::this_thread::sleep_for(std::chrono::seconds(SETTLE_S));
        auto counts = [&] {
            return peers.with_tc([](test_support::Test_tc_server& s) {
                return std::make_pair(s.client_messages, int(s.values.size()));
            });
        };
        const auto before = counts();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(WINDOW_S));
        const auto after = counts();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        stop_program(pid);
        state.SetIterationTime(seconds);
        state.counters["frames_per_s"] = double(after.first - before.first) / seconds;
        state.counters["values_per_s"] = double(after.second - before.second) / seconds;
    }
}
BENCHMARK(BM_TcFramesPerSecondAtSteadyState)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

#endif
