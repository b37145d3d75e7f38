#include "glue/diner/Buffered_logger.h"

#include "util/Debug_print.h"

#include <cstring>
#include <mutex>

namespace {
// Guards the instance pointer, so that log() never reaches a logger that is
// being destroyed.
std::mutex instance_mutex;
Buffered_logger* instance = nullptr;
} // namespace

Buffered_logger::~Buffered_logger()
{
    {
        std::lock_guard<std::mutex> guard(instance_mutex);
        if (instance == this)
            instance = nullptr;
    }
    terminate(true);
}

int Buffered_logger::init(module_man& mm)
{
    Diner::init(mm, nullptr, Diner::Descriptor("LOG0", 0), 50, 2048, false, true);
    {
        std::lock_guard<std::mutex> guard(instance_mutex);
        instance = this;
    }
    return start();
}

void Buffered_logger::log(const char* text)
{
    std::lock_guard<std::mutex> guard(instance_mutex);
    if (instance)
        instance->append(text);
}

void Buffered_logger::append(const char* text)
{
    if (!text)
        return;
    int len = int(std::strlen(text));
    int dropped;
    {
        Mutex::Protection guard(&mutex_);
        int room = RING_SIZE - used_;
        int take = len < room ? len : room;
        int tail = (head_ + used_) % RING_SIZE;
        int first = take < RING_SIZE - tail ? take : RING_SIZE - tail;
        std::memcpy(ring_ + tail, text, first);
        std::memcpy(ring_, text + first, take - first);
        used_ += take;
        dropped = len - take;
    }
    if (dropped > 0)
        Debug_print::bprint("**%i CHARS DROPPED**", dropped);
    send_anonymous_event();
}

void Buffered_logger::handle_event(waiter_event&)
{
    for (;;) {
        char chunk[CHUNK + 1];
        int n;
        {
            Mutex::Protection guard(&mutex_);
            n = used_ < CHUNK ? used_ : CHUNK;
            for (int i = 0; i < n; ++i)
                chunk[i] = ring_[(head_ + i) % RING_SIZE];
            head_ = (head_ + n) % RING_SIZE;
            used_ -= n;
        }
        if (n == 0)
            return;
        chunk[n] = '\0';
        Debug_print::printd(chunk, n);
    }
}
