#pragma once
// When the test console's lines may run. At start they wait until the
// settings file is read, so that a line typed at once reads and sets the
// settings the file holds; the console reads its next line only once the
// one before ran, so lines typed meanwhile run afterwards in their order.
// As the process ends the gate shuts for good: a line running then
// finishes, and no further line runs while the exit takes apart the store
// and the tree the console works on.
//
// A gate is never destroyed while the process runs: its console thread may
// still be waiting in it as the process ends.

#include <condition_variable>
#include <mutex>

class Line_gate {
public:
    Line_gate() = default;
    Line_gate(const Line_gate&) = delete;
    Line_gate& operator=(const Line_gate&) = delete;

    // Waits until lines may run and counts the caller's as running; once
    // the gate is shut it waits for good (the process is ending).
    void enter();
    // The caller's line ran.
    void leave();
    // Lines may run from now on, unless the gate is shut already.
    void open();
    // No line runs from now on, whether the gate was open or not; waits
    // for a running line to finish. Never from a running line.
    void shut();

private:
    enum class State { held, open, shut };

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::held;
    bool running_ = false;
};
