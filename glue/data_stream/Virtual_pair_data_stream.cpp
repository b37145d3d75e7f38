#include "glue/data_stream/Virtual_pair_data_stream.h"

#include "util/Atime.h"

namespace {
// Bytes moved per pass through the stack buffer.
constexpr unsigned CHUNK = 256;
} // namespace

Virtual_pair_data_stream_part::Virtual_pair_data_stream_part(module_man* mm, Mutex* shared_lock)
    : Event_sender_data_stream(mm), shared_lock_(shared_lock)
{
}

void Virtual_pair_data_stream_part::lock()
{
    shared_lock_->lock();
}

void Virtual_pair_data_stream_part::unlock()
{
    shared_lock_->unlock();
}

void Virtual_pair_data_stream_part::flush()
{
    Mutex::Protection guard(shared_lock_);
    pipe_.clear();
}

bool Virtual_pair_data_stream_part::set_read_timeout(int ms)
{
    Mutex::Protection guard(shared_lock_);
    read_timeout_ms_ = ms;
    return true;
}

bool Virtual_pair_data_stream_part::set_default_read_timeout()
{
    return set_read_timeout(DEFAULT_TIMEOUT_MS);
}

bool Virtual_pair_data_stream_part::set_write_timeout(int ms)
{
    Mutex::Protection guard(shared_lock_);
    write_timeout_ms_ = ms;
    return true;
}

bool Virtual_pair_data_stream_part::set_default_write_timeout()
{
    return set_write_timeout(DEFAULT_TIMEOUT_MS);
}

bool Virtual_pair_data_stream_part::wait(QSemaphore& semaphore, const Atime& deadline)
{
    int left = deadline.get_ms_from_now();
    return semaphore.tryAcquire(1, left > 0 ? left : 0);
}

bool Virtual_pair_data_stream_part::get_data(int n)
{
    if (n <= 0) {
        return n == 0;
    }
    // Bytes that the buffer could not keep stay in the pipe.
    const unsigned room = BUFFER_SIZE - ring_count();
    const unsigned wanted = static_cast<unsigned>(n) < room ? static_cast<unsigned>(n) : room;
    shared_lock_->lock();
    const Atime deadline = Atime::from_now(read_timeout_ms_);
    unsigned moved = 0;
    while (moved < wanted) {
        unsigned char chunk[CHUNK];
        unsigned want = wanted - moved < CHUNK ? wanted - moved : CHUNK;
        unsigned got = pipe_.copy_out(chunk, 0, want);
        if (got == 0) {
            if (deadline.get_ms_from_now() <= 0) {
                break;
            }
            shared_lock_->unlock();
            bool woken = wait(readable_, deadline);
            shared_lock_->lock();
            if (!woken) {
                break;
            }
            continue;
        }
        ring_append(chunk, got);
        pipe_.drop(got);
        moved += got;
        // Wake a writer on the other end at once: it may be waiting for room
        // to finish a write longer than the pipe.
        peer_->writable_.release();
    }
    peer_->send_tx_event(pipe_.empty());
    shared_lock_->unlock();
    return moved == static_cast<unsigned>(n);
}

int Virtual_pair_data_stream_part::_write(const unsigned char* src, unsigned n)
{
    shared_lock_->lock();
    const Atime deadline = Atime::from_now(write_timeout_ms_);
    unsigned written = 0;
    while (written < n) {
        unsigned stored = peer_->pipe_.append(src + written, n - written);
        if (stored > 0) {
            written += stored;
            // Wake a reader on the other end at once, so that it can make
            // room for the rest.
            peer_->readable_.release();
            continue;
        }
        if (deadline.get_ms_from_now() <= 0) {
            break;
        }
        shared_lock_->unlock();
        bool woken = wait(writable_, deadline);
        shared_lock_->lock();
        if (!woken) {
            break;
        }
    }
    if (written == 0) {
        shared_lock_->unlock();
        return 0;
    }
    peer_->send_rx_event(peer_->pipe_.full());
    shared_lock_->unlock();
    return static_cast<int>(written);
}

Virtual_pair_data_stream::Virtual_pair_data_stream(module_man* mm)
    : a_(mm, &lock_), b_(mm, &lock_)
{
    a_.peer_ = &b_;
    b_.peer_ = &a_;
}
