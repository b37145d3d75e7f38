// Runs the program sowvane of this build as a child process in a directory of the
// test's own (the test build keeps its data files below the working
// directory), with standard output and error in files there and, when
// asked, standard input on a pipe. The directory starts with the program's
// data files of the source tree installed below it, as scripts/run installs
// them below /usr/share/sowvane.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class Program_process {
public:
    // A fresh temporary directory for the runs of one test.
    Program_process();
    ~Program_process();
    Program_process(const Program_process&) = delete;
    Program_process& operator=(const Program_process&) = delete;

    // The program next to the test program (or under $SOWVANE_BINARY_DIR/bin).
    static std::string binary_path();

    // Starts the program with the arguments; false when it could not be run.
    bool start(const std::vector<std::string>& args, bool with_input = false);
    // Writes to its standard input; closing it is the end of the input.
    bool write_input(const std::string& text);
    void close_input();
    void signal(int sig);
    // Its exit code, or -1 when it did not exit within the time (it is
    // killed then) or was ended by a signal.
    int wait_exit(int timeout_ms = 120000);
    bool running() const { return pid_ > 0; }

    // What it wrote so far to standard output and to standard error.
    std::string output() const;
    std::string errors() const;
    // Waits until the output holds text at least count times after from.
    bool wait_for_output(const std::string& text, size_t from = 0, int timeout_ms = 120000) const;
    // Whether the sanitizers reported a fault on standard error: they end
    // the process with status 1, so the exit code alone does not tell.
    bool sanitizer_reported() const;
    // Whether the running program has a thread of that name.
    bool has_thread(const std::string& name) const;
    // Whether the running program has a handler of its own for the signal.
    bool catches(int sig) const;

    const std::string& dir() const { return dir_; }
    std::string settings_file() const { return dir_ + "/usr/share/sowvane/params"; }
    // One of the installed data files, e.g. "spec/test_pool.xml".
    std::string data_file(const std::string& name) const { return dir_ + "/usr/share/sowvane/" + name; }

private:
    std::string dir_;
    pid_t pid_ = -1;
    int input_fd_ = -1;
};
