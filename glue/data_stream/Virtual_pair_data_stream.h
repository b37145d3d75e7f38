// Two connected stream ends in one process: what one end writes, the other
// reads. Meant for two threads, one at each end. Each end has a 128-byte
// inbound pipe that its peer writes into; a blocked reader or writer waits
// (without the shared lock) until the peer makes progress or its timeout
// (100,000 ms unless set) passes.
#pragma once

#include "glue/data_stream/Byte_ring.h"
#include "glue/data_stream/Event_sender_data_stream.h"
#include "glue/diner/Mutex.h"

#include <QSemaphore>

class Virtual_pair_data_stream_part : public Event_sender_data_stream {
public:
    static constexpr int DEFAULT_TIMEOUT_MS = 100000;
    static constexpr unsigned PIPE_SIZE = 128;

    Virtual_pair_data_stream_part(module_man* mm, Mutex* shared_lock);

    // Empties this end's inbound pipe (the bytes are lost).
    void flush() override;
    bool set_read_timeout(int ms) override;
    bool set_default_read_timeout() override;
    bool set_write_timeout(int ms) override;
    bool set_default_write_timeout() override;

    using Data_stream::get_data;
    // Moves n bytes from the pipe into the buffer, waiting for the peer up
    // to the read timeout; false when they did not all come (what came stays
    // buffered).
    bool get_data(int n) override;
    // Writes into the peer's pipe, waiting for room up to the write timeout;
    // returns the count written.
    int _write(const unsigned char* src, unsigned n) override;

    void lock() override;
    void unlock() override;

private:
    friend class Virtual_pair_data_stream;

    // Waits for a permit for the time left until deadline; false when none
    // came in time.
    static bool wait(QSemaphore& semaphore, const class Atime& deadline);

    int read_timeout_ms_ = DEFAULT_TIMEOUT_MS;
    int write_timeout_ms_ = DEFAULT_TIMEOUT_MS;
    Byte_ring<PIPE_SIZE> pipe_;
    Virtual_pair_data_stream_part* peer_ = nullptr;
    Mutex* shared_lock_;
    QSemaphore readable_{0}; // released by the peer after it wrote into pipe_
    QSemaphore writable_{0}; // released by the peer after it emptied some of its pipe
};

class Virtual_pair_data_stream {
public:
    explicit Virtual_pair_data_stream(module_man* mm);
    Virtual_pair_data_stream(const Virtual_pair_data_stream&) = delete;
    Virtual_pair_data_stream& operator=(const Virtual_pair_data_stream&) = delete;

    Virtual_pair_data_stream_part& a() { return a_; }
    Virtual_pair_data_stream_part& b() { return b_; }

private:
    Mutex lock_;
    Virtual_pair_data_stream_part a_;
    Virtual_pair_data_stream_part b_;
};
