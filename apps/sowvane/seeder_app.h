#pragma once
// The application: start-up, main loop and shutdown, run once by main on the
// process's main thread.

// The CAN bus specification; option -b replaces it.
extern const char* seeder_bus_spec;
// The serial port of the RS485 satellite-ECU link (option -p); null runs the
// seed simulator in place of the control logic.
extern const char* seeder_port_spec;

// Exit code when the CAN bus cannot be opened.
constexpr int EXIT_NO_BUS = -150;
// Exit code when the control logic cannot open its serial links (-p).
constexpr int EXIT_NO_CONTROL_LINK = -151;

// The steps of the start, in their order; after each the start looks for a
// stop request (SIGINT, SIGTERM) and, with one, shuts down from there.
enum class Start_step {
    BUS,            // the CAN stack runs
    SETTINGS,       // the settings file is read
    VT_POOL,        // the VT pool is loaded and generated
    NAME_CLAIM,     // the NAME holds its address
    REMOTE_STORE,   // the remote data-store service runs
    VT_SESSION,     // the VT session and the screens stand
    DIAGNOSTICS,    // the diagnostics run
    TASK_CONTROLLER, // the TC interface runs
    CONTROL,        // the simulator or the control logic runs
    COUNT
};
// Called on the main thread after each start step (a test stops the start
// there); null for none.
using Start_step_observer = void (*)(Start_step step);
void seeder_app_observe_start(Start_step_observer observer);

// SIGINT and SIGTERM ask for the stop: the start goes on to its next step
// and ends there, the main loop ends at once; either way in shutdown order
// with exit code 1. Installed by main before anything else, so that a stop
// at any moment is kept.
void seeder_app_install_signal_handlers();

// Builds every long-lived module, runs the main loop and ends the process
// with the shutdown's exit code; returns only when a start step fails.
int seeder_app_thread();
