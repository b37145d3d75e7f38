#include "apps/sowvane/seeder_app.h"

#include "apps/sowvane/app_paths.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/diagnostics/Implement_diag.h"
#include "apps/sowvane/settings/Settings_file.h"
#include "apps/sowvane/simulator/Seed_simulator.h"
#include "can/JIN_smart_stack.h"
#include "can/Known_names.h"
#include "platform/can/Bus_select.h"
#include "platform/util/pcf_store.h"
#include "util/Atime.h"
#include "util/Tagged_allocation.h"

#include <cassert>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

const char* seeder_bus_spec = "tcp,addr=127.0.0.1,port=1500";
const char* seeder_port_spec = nullptr;

namespace {

// Set by the signal handler; read by the main loop.
volatile std::sig_atomic_t exit_flag = 0;

// The event code of the main loop's registration on initiate_shutdown.
constexpr int SHUTDOWN_EVENT = 1;
constexpr int SAVE_DELAY_MS = 1000;
constexpr uint32_t HISTORY_STORE_BYTES = 1024 * 1024;

void on_signal(int)
{
    exit_flag = 1;
    sowvane_main_waiter.send_anonymous_event();
}

void install_signal_handlers()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Creates the directories of path, as far as the user may.
void make_directories(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
}

// The modules the start-up creates, in the order they are deleted at
// shutdown.
struct Modules {
    // Can_quor and the remote data-store server come here.
    Seed_simulator* simulator = nullptr;  // or Control_logic with a serial port
    Implement_diag* diag = nullptr;
    // TC_interface and the TC pool come here, then User_interface, the VT
    // pool and the upload progress display.
    JIN_smart_stack* stack = nullptr;
    CAN_bus* bus = nullptr;
};

[[noreturn]] void shut_down(Modules& m, Settings_file& settings, int code)
{
    // Control_logic: stop the metering here (nothing to stop with the simulator).
    settings.save();
    const bool off = false;
    cds_set_bool(&sowvane_data_store.head, &sowvane_data_store.body.system.alive, &off);
    Atime::delay(100);
    std::printf("EXIT: %d\n", code);
    std::fflush(stdout);
    // Can_quor, then the remote data-store server: delete here.
    delete m.simulator;
    delete m.diag;
    // TC_interface, the TC pool, User_interface, the VT pool and the upload
    // progress display: delete here.
    delete m.stack;
    delete m.bus;
    std::exit(code);
}

}  // namespace

int seeder_app_thread()
{
    Data_store& ds = sowvane_data_store;
    NV_kelsu::parameters_t& ps = sowvane_parameters;
    Modules m;

    std::fputs("Seeder Test App Starting\r\n", stderr);
    tallocation_init();
    std::printf("GOT bus %s\n", seeder_bus_spec);

    m.bus = Bus_select::start(seeder_bus_spec);
    if (!m.bus) {
        std::printf("Cannot open the CAN bus %s\n", seeder_bus_spec);
        return EXIT_NO_BUS;
    }
    m.stack = new JIN_smart_stack;
    m.stack->open(*m.bus, &sowvane_module_man);
    m.stack->start();

    install_signal_handlers();

    make_directories(app_paths::DATA_DIR);
    Settings_file settings(app_paths::SETTINGS_FILE, ps);
    apply_startup_defaults(ps);
    settings.load();

    sowvane_main_waiter.init(&sowvane_module_man);

    // User_interface: create here.
    // VT pool: create, load app_paths::VT_POOL_SPEC ("Error during
    // Initialization." / "Error during load." end the start), generate the
    // pool image and find the upload progress variable here.

    const JIN_name::RAWNAME own(Known_names::get_seeder(0));
    m.stack->name_manager().add_local_name(own, 0x1C);
    m.stack->wait_for_name(&sowvane_main_waiter, own, true);

    // Remote data-store server and Can_quor: create and start here.
    // VT pool init and User_interface::init: here.

    make_directories(app_paths::DIAG_HISTORY_DIR);
    if (!pcfMount(app_paths::DIAG_HISTORY_DIR, HISTORY_STORE_BYTES))
        std::printf("Diagnostic history store %s not usable, no history is kept\n",
                    app_paths::DIAG_HISTORY_DIR);
    m.diag = new Implement_diag(ds, "diag");
    assert(m.diag);
    m.diag->init(sowvane_module_man, m.stack);

    // TC pool and TC_interface: create, load app_paths::TC_POOL_SPEC (its
    // failures end the start), then start the VT pool, User_interface's
    // post-snapshot init and the TC pool here.

    ps.signal_all();
    ps.autoreg_waiter(&sowvane_main_waiter, true);
    ps.system.non_vtt_connected.autoreg_waiter(&sowvane_main_waiter, true);
    if (!seeder_port_spec) {
        std::puts("START SIM");
        m.simulator = new Seed_simulator(ds, ps);
        m.simulator->init(sowvane_module_man);
    } else {
        std::puts("START REAL");
        // Control_logic: create on seeder_port_spec and init here.
        std::printf("No control logic in this build: %s is not driven\n", seeder_port_spec);
    }
    cds_event_register_word(&ds.head, &sowvane_main_waiter, &ds.body.system.initiate_shutdown,
                            CDS::REG_APP, SHUTDOWN_EVENT);
    std::fflush(stdout);

    // The main loop: one event or one deadline a turn.
    const short store_events = ds.head.get_module_id(CDS::REG_APP);
    bool save_pending = false;
    Atime save_deadline;
    int exit_code = 0;
    for (;;) {
        waiter_event event;
        bool got_event = true;
        if (!save_pending)
            sowvane_main_waiter.get_event(&event);
        else
            got_event = sowvane_main_waiter.get_event(&event, save_deadline) == 0;

        if (exit_flag)
            exit_code = 1;
        if (got_event && event.module_id == store_events && event.code == SHUTDOWN_EVENT)
            exit_code = int(cds_get_word(&ds.head, &ds.body.system.initiate_shutdown));
        if (exit_code > 0)
            shut_down(m, settings, exit_code);

        if (got_event) {
            const bool vt_only = !cds_get_byte(&ds.head, &ds.body.system.non_vtt_connected);
            if ((ps.is_event(event) && vt_only) || ps.system.non_vtt_connected.is_event(event)) {
                save_deadline = Atime::from_now(SAVE_DELAY_MS);
                save_pending = true;
            }
        }
        // The deadline counts also while other events keep the queue busy.
        if (save_pending && save_deadline <= Atime::now()) {
            settings.save();
            save_pending = false;
        }
    }
}
