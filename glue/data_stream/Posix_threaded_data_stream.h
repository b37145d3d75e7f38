// A descriptor stream with a reader thread of its own ("PDS0", "PDS1", ...)
// that fills the buffer as bytes arrive and sends the registered receiver an
// event (data word 0) for every read. Consumers never block: get_data(int)
// reads nothing, so the Data_stream operations see what has arrived.
//
// Closing (or destroying) the stream stops the reader first: it is woken
// from its wait on the descriptor, and joined, before the descriptor is
// closed, so no reader outlives the descriptor or the stream.
#pragma once

#include "glue/data_stream/Data_stream.h"
#include "glue/data_stream/Posix_data_stream.h"
#include "glue/diner/Mutex.h"
#include "glue/diner/Waiter_list.h"

#include <atomic>
#include <memory>

class Task;
class module_man;
class waiter_descriptor;

class Posix_threaded_data_stream : public Data_stream {
public:
    // Bytes taken per read, and the pause after a read that gave nothing.
    static constexpr int READ_CHUNK = 256;
    static constexpr int RETRY_MS = 250;
    static constexpr int READER_PRIORITY = 51;

    Posix_threaded_data_stream();
    ~Posix_threaded_data_stream() override;

    // Opens read-write in blocking mode and starts the reader. False with
    // "Error opening file [path]" on standard error when it cannot be opened
    // (or is open already).
    bool open(const char* path, bool create, bool append);
    // Starts the reader on the open descriptor; false when not open or
    // running already.
    bool start();
    // Stops the reader, then closes the descriptor; false when not open.
    bool close();

    using Data_stream::get_data;
    // Reads nothing (the reader fills the buffer): true only for n == 0.
    bool get_data(int n) override;
    // One write of all bytes; -1 when not open.
    int _write(const unsigned char* src, unsigned n) override;

    // One receiver at most: false when one is registered already.
    bool register_waiter(waiter_descriptor* waiter);
    bool deregister_waiter(waiter_descriptor* waiter);
    // Takes the module id that the arrival events carry.
    void init_module_id(module_man& mm);
    short get_module_id() const { return waiters_.get_module_id(); }

    bool init_commander(Posix_data_stream::Commander& commander);

    bool is_open() const { return fd_ >= 0; }
    bool reader_running() const { return reader_ != nullptr; }

protected:
    // Opens the descriptor only (no reader yet).
    bool open_descriptor(const char* path, bool create, bool append);
    virtual void update_name();

    int fd_ = -1;
    char path_[200] = {};

private:
    static void* reader_entry(void* self);
    void reader_loop();
    void stop_reader();

    Mutex buffer_mutex_;  // the buffer lock; also guards the waiter list
    Mutex control_mutex_; // serialises open, start and close
    JIN::Waiter_list<1> waiters_;
    std::unique_ptr<Task> reader_;
    int wake_pipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
};
