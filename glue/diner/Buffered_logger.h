// A small Diner that takes text from any thread into a ring buffer and
// writes it to the debug output on its own thread.
#pragma once

#include "glue/diner/Diner.h"
#include "glue/diner/Mutex.h"

class Buffered_logger : public Diner {
public:
    static constexpr int RING_SIZE = 8192;
    // The thread writes at most this many characters at once.
    static constexpr int CHUNK = 80;

    Buffered_logger() = default;
    ~Buffered_logger() override;

    // Starts the logger "LOG0" and makes it the instance log() writes to.
    int init(module_man& mm);
    // Appends to the instance; nothing when there is none.
    static void log(const char* text);
    // Keeps what fits; the rest is reported as dropped.
    void append(const char* text);

    // Kept for callers; they have no effect.
    static void set_callback(void (*)(const char*)) {}
    static void enable_dbi(int on) { set_callback(on ? &Buffered_logger::log : nullptr); }
    static void enable_dbi2(int on) { set_callback(on ? &Buffered_logger::log : nullptr); }

    void diner_start() override {}
    void diner_stop() override {}
    void handle_event(waiter_event& event) override;
    void handle_timeout(Timeout&) override {}

    using Diner::init;

private:
    Mutex mutex_;
    char ring_[RING_SIZE];
    int head_ = 0; // next character to write out
    int used_ = 0;
};
