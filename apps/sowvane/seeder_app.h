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

// Builds every long-lived module, runs the main loop and ends the process
// with the shutdown's exit code; returns only when a start step fails.
int seeder_app_thread();
