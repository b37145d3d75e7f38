#include "apps/sowvane/seeder_app.h"

#include "apps/sowvane/app_paths.h"
#include "apps/sowvane/console/Test_console.h"
#include "apps/sowvane/control_logic/Control_logic.h"
#include "apps/sowvane/data_model.h"
#include "apps/sowvane/diagnostics/Implement_diag.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool_loading.h"
#include "apps/sowvane/screens/ConfirmFactoryResetMask.h"
#include "apps/sowvane/screens/User_interface.h"
#include "apps/sowvane/services/Can_quor.h"
#include "apps/sowvane/settings/Save_schedule.h"
#include "apps/sowvane/settings/Settings_file.h"
#include "apps/sowvane/simulator/Seed_simulator.h"
#include "apps/sowvane/tc/TC_interface.h"
#include "can/JIN_smart_stack.h"
#include "can/Known_names.h"
#include "messaging/cds/CDS_Remote_Server.h"
#include "platform/can/Bus_select.h"
#include "platform/tc/TC_object_pool.h"
#include "platform/tc/TC_stack_session.h"
#include "platform/util/pcf_store.h"
#include "platform/vt/Object_pool.h"
#include "platform/vt/Upload_bar_progress.h"
#include "util/Atime.h"
#include "util/Tagged_allocation.h"

#include <atomic>
#include <cassert>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>
#include <sys/stat.h>

const char* seeder_bus_spec = "tcp,addr=127.0.0.1,port=1500";
const char* seeder_port_spec = nullptr;

namespace {

// Set by the signal handler (on whichever thread takes the signal); read
// after each start step and by the main loop before it waits. Lock-free, so
// the handler may set it.
std::atomic<int> exit_flag{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler sets the stop flag");
Start_step_observer start_observer = nullptr;

// The event code of the main loop's registration on initiate_shutdown.
constexpr int SHUTDOWN_EVENT = 1;
constexpr uint32_t HISTORY_STORE_BYTES = 1024 * 1024;
constexpr unsigned char PREFERRED_ADDRESS = 0x1C;

void on_signal(int)
{
    exit_flag = 1;
    sowvane_main_waiter.send_anonymous_event();
}

// Creates the directories of path, as far as the user may.
void make_directories(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
}

// The modules the start-up creates, in the order they are deleted.
struct Modules {
    Can_quor::Can_quor* bridge = nullptr;
    CDS::Remote::Server* remote_server = nullptr;
    Control_logic* control = nullptr;      // with a serial port
    Seed_simulator* simulator = nullptr;   // without one
    User_interface* ui = nullptr;  // deleted before the diagnostics it reads and the VT pool it drives
    Implement_diag* diag = nullptr;
    TC_interface* tc_interface = nullptr;
    TC::Stack_session* tc_session = nullptr;  // carries the TC pool on the stack
    TC::Object_pool* tc_pool = nullptr;
    VT::Object_pool* vt_pool = nullptr;
    VT::Upload_bar_progress* upload_progress = nullptr;
    JIN_smart_stack* stack = nullptr;
    CAN_bus* bus = nullptr;
};

// Every module's thread ends before the modules it uses go.
void delete_modules(Modules& m)
{
    delete m.bridge;
    delete m.remote_server;
    delete m.control;
    delete m.simulator;
    delete m.ui;
    delete m.diag;
    delete m.tc_interface;
    delete m.tc_session;
    delete m.tc_pool;
    delete m.vt_pool;
    delete m.upload_progress;
    delete m.stack;
    delete m.bus;
    m = Modules();
}

// The settings are saved only once they were read: a stop before that
// leaves the file as it is.
[[noreturn]] void shut_down(Modules& m, Settings_file* settings, int code)
{
    if (m.control)
        m.control->stop();
    if (settings) {
        // Confirmed on the factory-reset page: the settings file keeps the
        // defaults (saved whole, in place of the old file in one step).
        if (code == ConfirmFactoryResetMask::FACTORY_RESET_EXIT_CODE)
            settings->restore_defaults();
        settings->save();
    }
    const bool off = false;
    cds_set_bool(&sowvane_data_store.head, &sowvane_data_store.body.system.alive, &off);
    Atime::delay(100);
    std::printf("EXIT: %d\n", code);
    std::fflush(stdout);
    delete_modules(m);
    test_console_hold_lines();
    std::exit(code);
}

// A start step that cannot go on: the modules made so far end in order
// (their threads run), and the start returns.
int end_start(Modules& m)
{
    std::fflush(stdout);
    delete_modules(m);
    return 0;
}

// A step of the start is done: a stop asked for meanwhile (a signal, also
// one that came while the NAME was being claimed) ends the program from
// here, in shutdown order, with exit code 1.
void step_done(Start_step step, Modules& m, Settings_file* settings)
{
    if (start_observer)
        start_observer(step);
    if (exit_flag)
        shut_down(m, settings, 1);
}

}  // namespace

void seeder_app_observe_start(Start_step_observer observer) { start_observer = observer; }

void seeder_app_install_signal_handlers()
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = on_signal;
    // Calls the signal interrupts go on where they can (reads and writes of
    // the libraries that do not expect EINTR); the stop is seen at the next
    // step.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

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
    step_done(Start_step::BUS, m, nullptr);

    make_directories(app_paths::DATA_DIR);
    Settings_file settings(app_paths::SETTINGS_FILE, ps);
    apply_startup_defaults(ps);
    settings.load();
    test_console_open_lines();
    step_done(Start_step::SETTINGS, m, &settings);

    sowvane_main_waiter.init(&sowvane_module_man);

    m.ui = new User_interface(&sowvane_module_man);

    m.vt_pool = new VT::Object_pool(&sowvane_module_man, 0, 0, 0, 0);
    if (!load_vt_pool_spec(*m.vt_pool))
        return end_start(m);
    const bool vt_pool_whole = load_generated_pool(*m.vt_pool);
    m.upload_progress = new VT::Upload_bar_progress(m.vt_pool->find<VT::Number_variable_obj>("var_upload"));
    step_done(Start_step::VT_POOL, m, &settings);

    const JIN_name::RAWNAME own(Known_names::get_seeder(0));
    m.stack->name_manager().add_local_name(own, PREFERRED_ADDRESS);
    m.stack->wait_for_name(&sowvane_main_waiter, own, true, [] { return exit_flag != 0; });
    step_done(Start_step::NAME_CLAIM, m, &settings);

    m.remote_server = new CDS::Remote::Server;
    if (CDS::Lookup_struct* store_root = ds.head.get_lookup())
        m.remote_server->add_cds_item(*store_root);
    m.remote_server->add_nv_item(ps);
    if (!m.remote_server->prepare_ids())
        std::printf("The remote data-store structure could not be prepared; remote clients get no structure\n");
    m.bridge = new Can_quor::Can_quor;
    m.bridge->add_stack(m.stack);
    m.bridge->init(sowvane_module_man, m.remote_server);
    step_done(Start_step::REMOTE_STORE, m, &settings);

    bool vt_session = false;
    if (vt_pool_whole) {
        const JIN_name::RAWNAME preferred_vt(ps.system.specific_vt_name.get());
        vt_session = m.vt_pool->init(m.stack, own, &m.stack->name_manager(),
                                     m.vt_pool->find<VT::VT_obj>("mask_intro"), m.upload_progress,
                                     preferred_vt, ps.system.terminal_timeout.get()) == 0;
        if (!vt_session)
            std::printf("The VT pool cannot run on the CAN stack; no VT session\n");
    }
    m.ui->init(m.vt_pool, &screen_object_ids);
    step_done(Start_step::VT_SESSION, m, &settings);

    make_directories(app_paths::DIAG_HISTORY_DIR);
    if (!pcfMount(app_paths::DIAG_HISTORY_DIR, HISTORY_STORE_BYTES))
        std::printf("Diagnostic history store %s not usable, no history is kept\n",
                    app_paths::DIAG_HISTORY_DIR);
    m.diag = new Implement_diag(ds, "diag");
    assert(m.diag);
    m.diag->init(sowvane_module_man, m.stack);
    m.ui->set_diagnostics(m.diag);
    step_done(Start_step::DIAGNOSTICS, m, &settings);

    m.tc_pool = new TC::Object_pool(&sowvane_module_man, nullptr, 0);
    m.diag->set_tc_client(m.tc_pool);
    m.tc_interface = new TC_interface(&sowvane_module_man);
    if (!load_tc_description(*m.tc_pool))
        return end_start(m);
    m.tc_session = new TC::Stack_session(*m.tc_pool, *m.stack, own);
    if (!m.tc_session->init(sowvane_module_man))
        std::printf("The TC pool cannot run on the CAN stack; no TC session\n");
    m.tc_interface->init(m.tc_pool, &ps);
    if (vt_session)
        m.vt_pool->start();
    m.ui->post_snapshot_init();
    if (vt_session)
        m.vt_pool->start_diner();
    m.tc_pool->start();
    step_done(Start_step::TASK_CONTROLLER, m, &settings);

    ps.signal_all();
    ps.autoreg_waiter(&sowvane_main_waiter, true);
    ps.system.non_vtt_connected.autoreg_waiter(&sowvane_main_waiter, true);
    if (!seeder_port_spec) {
        std::puts("START SIM");
        m.simulator = new Seed_simulator(ds, ps);
        m.simulator->init(sowvane_module_man);
    } else {
        std::puts("START REAL");
        m.control = new Control_logic(seeder_port_spec, ps, ds);
        if (!m.control->init(&sowvane_module_man, m.stack)) {
            std::fprintf(stderr, "%s\n", m.control->link_failure().c_str());
            shut_down(m, &settings, EXIT_NO_CONTROL_LINK);
        }
    }
    cds_event_register_word(&ds.head, &sowvane_main_waiter, &ds.body.system.initiate_shutdown,
                            CDS::REG_APP, SHUTDOWN_EVENT);
    // A shutdown asked for through the store during the start (the
    // console's lines run from the moment the settings are read) is not
    // lost for want of its event.
    if (const int asked = int(cds_get_word(&ds.head, &ds.body.system.initiate_shutdown)); asked > 0)
        shut_down(m, &settings, asked);
    step_done(Start_step::CONTROL, m, &settings);
    std::fflush(stdout);
    // The XML documents, the pool image and the other start-up buffers are
    // gone; their free pages go back to the system instead of staying
    // resident for the life of the program.
    malloc_trim(0);

    // The main loop: one event or one deadline a turn.
    const short store_events = ds.head.get_module_id(CDS::REG_APP);
    Save_schedule save;
    int exit_code = 0;
    for (;;) {
        // A stop request is looked at before each wait, not only after one.
        if (exit_flag)
            shut_down(m, &settings, 1);
        waiter_event event;
        bool got_event = true;
        if (!save.pending())
            sowvane_main_waiter.get_event(&event);
        else
            got_event = sowvane_main_waiter.get_event(&event, save.deadline()) == 0;

        if (exit_flag)
            exit_code = 1;
        if (got_event && event.module_id == store_events && event.code == SHUTDOWN_EVENT)
            exit_code = int(cds_get_word(&ds.head, &ds.body.system.initiate_shutdown));
        if (exit_code > 0)
            shut_down(m, &settings, exit_code);

        if (got_event) {
            const bool vt_only = !cds_get_byte(&ds.head, &ds.body.system.non_vtt_connected);
            if ((ps.is_event(event) && vt_only) || ps.system.non_vtt_connected.is_event(event))
                save.changed(Atime::now());
        }
        // The deadline counts also while other events keep the queue busy.
        if (save.due(Atime::now())) {
            settings.save();
            save.saved();
        }
    }
}
