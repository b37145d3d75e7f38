// Runs the CAN hub program as a child process on a free port, for tests that
// need a bus across processes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class Hub_process {
public:
    Hub_process() = default;
    ~Hub_process();
    Hub_process(const Hub_process&) = delete;
    Hub_process& operator=(const Hub_process&) = delete;

    // Starts the hub with port 0 and the extra arguments, and waits until it
    // reports the port it listens on. False (with a message in error()) when
    // it could not be started.
    bool start(const std::vector<std::string>& extra_args = {});
    // Asks the hub to end (SIGTERM) and waits; true when it exited with 0.
    bool stop();

    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    const std::string& error() const { return error_; }
    // The bus specification text that reaches this hub.
    std::string bus_spec() const;

    // The path of the can_hub program of this build.
    static std::string binary_path();
    // Runs a program with arguments and waits for it; returns its exit code
    // (or -1) and what it wrote to standard output.
    static int run_program(const std::vector<std::string>& argv, std::string& output,
                           int timeout_ms = 60000);
    // Whether Debian's python3 with python-can's socketcand interface is here.
    static bool python_can_available();

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string error_;
};
