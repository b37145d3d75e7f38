#include "glue/data_stream/PCFile_data_stream.h"

#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "glue/diner/waiter_event.h"
#include "util/Atime.h"
#include "util/Debug_print.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Mutex PCFile_data_stream::mutex;
JIN::Waiter_list<10> PCFile_data_stream::waiters;
PcfInfo PCFile_data_stream::pcf_info = {};

PCFile_data_stream::PCFile_data_stream()
{
    set_stream_name(nullptr, 0);
}

PCFile_data_stream::~PCFile_data_stream()
{
    if (read_open_ || write_open_) {
        Debug_print::bprint(read_open_ ? "Destruct while files are read open!!"
                                       : "Destruct while files are write open!!");
        exit(DESTROYED_OPEN_EXIT);
    }
}

void PCFile_data_stream::set_stream_name(const char* file, char mode)
{
    if (file)
        set_name("DSPCF(%p, %s, %c)", static_cast<void*>(this), file, mode);
    else
        set_name("DSPCF(%p)", static_cast<void*>(this));
}

int PCFile_data_stream::open_read(const char* name, int tries)
{
    if (read_open_)
        return PCF_REFUSED;
    if (!pcfIsMounted() || !pcfExists(name))
        return PCF_NOT_AVAILABLE;
    for (int calls = 1;; calls++) {
        int answer = pcfOpenRead(name, 0, nullptr);
        if (answer == 0) {
            read_open_ = true;
            set_stream_name(name, 'r');
            return PCF_OK;
        }
        if (answer != 1)
            return answer;
        if (tries != 0 && calls >= tries)
            return PCF_REFUSED;
        Atime::delay(RETRY_MS);
    }
}

int PCFile_data_stream::open_write(const char* name, int tries)
{
    if (write_open_) {
        Debug_print::dprint("PCF Datastream Failed %i\n", 202);
        return PCF_REFUSED;
    }
    if (!pcfIsMounted()) {
        Debug_print::dprint("PCF Datastream Failed %i\n", 207);
        return PCF_NOT_AVAILABLE;
    }
    unsigned in_use = 0;
    unsigned total = 0;
    bool have_space = get_free_space(in_use, total) && in_use < total;
    if (!have_space) {
        Debug_print::dprint("PCF Datastream Failed %i (%s %u %u)\n", 216, name, in_use, total);
        send_event(EVENT_STORE_FULL);
        return PCF_REFUSED;
    }
    int failure = 221;
    for (int attempt = 0; attempt < tries; attempt++) {
        if (attempt > 0)
            Atime::delay(RETRY_MS);
        bool existing = pcfExists(name) != 0;
        if ((existing ? pcfOpenWrite(name, nullptr) : pcfCreateWrite(name, nullptr)) != 0) {
            write_open_ = true;
            set_stream_name(name, 'w');
            return PCF_OK;
        }
        failure = existing ? 227 : 236;
    }
    Debug_print::dprint("PCF Datastream Failed %i\n", failure);
    return PCF_OUT_OF_TRIES;
}

int PCFile_data_stream::close_read()
{
    if (!read_open_)
        return PCF_REFUSED;
    read_open_ = false;
    set_stream_name(nullptr, 0);
    return pcfCloseRead(0);
}

int PCFile_data_stream::close_write()
{
    if (!write_open_) {
        Debug_print::dprint("PCF not open\n");
        return PCF_REFUSED;
    }
    write_open_ = false;
    set_stream_name(nullptr, 0);
    if (pcfCloseWrite(-1) != 0)
        return PCF_OK;
    Debug_print::dprint("PCF failed to close\n");
    return PCF_REFUSED;
}

bool PCFile_data_stream::get_data(int n)
{
    // The store has one read slot: only the stream that opened it reads.
    if (!read_open_)
        return false;
    int got = 0;
    while (got < n) {
        // Never take more from the file than the buffer can keep.
        int room = static_cast<int>(BUFFER_SIZE - ring_count());
        int piece = std::min({READ_PIECE, n - got, room});
        if (piece <= 0)
            return false;
        unsigned char buffer[READ_PIECE];
        PcfResult result = PCF_RESULT_NONE;
        int count = pcfRead(buffer, piece, result, 0);
        if (result != PCF_RESULT_OK || count < 1)
            return false;
        bytes_read_ += static_cast<unsigned>(count);
        ring_append(buffer, static_cast<unsigned>(count));
        got += count;
    }
    return true;
}

int PCFile_data_stream::_write(const unsigned char* src, unsigned n)
{
    Mutex::Protection lock(&mutex);
    if (!write_open_)
        return -PCF_REFUSED;
    if (n > pcf_info.free_bytes) {
        send_event_locked(EVENT_STORE_FULL);
        Debug_print::dprint("PCF full\n");
        close_write();
        return -PCF_REFUSED;
    }
    int written = pcfWrite(src, static_cast<int>(n), -1);
    if (written == static_cast<int>(n)) {
        pcf_info.free_bytes -= n;
        bytes_written_ += n;
        return static_cast<int>(n);
    }
    Debug_print::dprint("PCF did not write %d!=%d\n", written, static_cast<int>(n));
    close_write();
    send_event_locked(EVENT_WRITE_FAILED);
    return written;
}

bool PCFile_data_stream::exists(const char* name)
{
    if (!pcfIsMounted()) {
        Debug_print::dprint("PCF Datastream Failed %i (%s)\n", 192, name ? name : "");
        return false;
    }
    return pcfExists(name) != 0;
}

bool PCFile_data_stream::remove(const char* name)
{
    return pcfRemove(name) == 0;
}

bool PCFile_data_stream::mounted()
{
    return pcfIsMounted() != 0;
}

bool PCFile_data_stream::refresh_info_locked()
{
    return pcfInfo(pcf_info) != 0;
}

bool PCFile_data_stream::get_free_space(unsigned& in_use, unsigned& total)
{
    Mutex::Protection lock(&mutex);
    if (!refresh_info_locked()) {
        in_use = 0;
        total = 0;
        return false;
    }
    total = pcf_info.total_bytes;
    in_use = pcf_info.total_bytes - std::min(pcf_info.free_bytes, pcf_info.total_bytes);
    return true;
}

// Copies the piece of src that starts at offset; copied is 0 when src has no
// more bytes.
bool PCFile_data_stream::copy_piece(const char* dst, const char* src, unsigned offset, int& copied)
{
    copied = 0;
    int answer = 1;
    for (int calls = 1; answer == 1; calls++) {
        answer = pcfOpenRead(src, offset, nullptr);
        if (answer == 1) {
            if (calls >= COPY_TRIES)
                return false;
            Atime::delay(RETRY_MS);
        }
    }
    if (answer != 0)
        return false;
    unsigned char piece[COPY_PIECE];
    PcfResult result = PCF_RESULT_NONE;
    int count = pcfRead(piece, COPY_PIECE, result, 0);
    pcfCloseRead(0);
    if (count <= 0)
        return result == PCF_RESULT_OK || result == PCF_RESULT_END_OF_FILE;

    unsigned in_use = 0;
    unsigned total = 0;
    if (!get_free_space(in_use, total) || total - in_use < static_cast<unsigned>(count)) {
        send_event(EVENT_STORE_FULL);
        return false;
    }
    int opened = 0;
    for (int calls = 1; !opened; calls++) {
        opened = pcfExists(dst) ? pcfOpenWrite(dst, nullptr) : pcfCreateWrite(dst, nullptr);
        if (!opened) {
            if (calls >= COPY_TRIES)
                return false;
            Atime::delay(RETRY_MS);
        }
    }
    int written = pcfWrite(piece, count, -1);
    bool closed = pcfCloseWrite(-1) != 0;
    copied = count;
    return written == count && closed;
}

bool PCFile_data_stream::copy(const char* dst, const char* src)
{
    if (!pcfIsMounted() || !src || !dst || !pcfExists(src))
        return false;
    // Removing dst first would destroy the source itself.
    if (strcmp(dst, src) == 0)
        return false;
    if (pcfExists(dst))
        pcfRemove(dst);
    pcfRemove(dst);

    unsigned offset = 0;
    for (;;) {
        int copied = 0;
        if (!copy_piece(dst, src, offset, copied)) {
            pcfRemove(dst);
            return false;
        }
        if (copied == 0)
            return offset > 0;
        offset += static_cast<unsigned>(copied);
    }
}

void PCFile_data_stream::static_init(module_man& mm)
{
    Mutex::Protection lock(&mutex);
    waiters.assign_module_id(mm);
}

bool PCFile_data_stream::register_waiter(waiter_descriptor* waiter)
{
    Mutex::Protection lock(&mutex);
    return waiters.add(waiter);
}

bool PCFile_data_stream::deregister_waiter(waiter_descriptor* waiter)
{
    Mutex::Protection lock(&mutex);
    return waiters.remove(waiter);
}

// The event goes in the code word too: queued events of one module id and
// code merge, and merging keeps only the code.
void PCFile_data_stream::send_event_locked(events_t e)
{
    waiters.send(static_cast<uint32_t>(e), static_cast<intptr_t>(e));
}

void PCFile_data_stream::send_event(events_t e)
{
    Mutex::Protection lock(&mutex);
    send_event_locked(e);
}

bool PCFile_data_stream::is_event(const waiter_event& event)
{
    return event.module_id == waiters.get_module_id();
}

PCFile_data_stream::Iterator::Iterator()
{
    if (!pcfIsMounted())
        Debug_print::dprint("PCF cannot iterate\n");
    reset();
}

void PCFile_data_stream::Iterator::reset()
{
    index_ = 0;
    int n = pcfGetNumFiles();
    count_ = n > 0 ? static_cast<unsigned>(n) : 0;
}

unsigned PCFile_data_stream::Iterator::next()
{
    if (index_ < count_)
        index_++;
    return index_;
}

const char* PCFile_data_stream::Iterator::get_name()
{
    if (index_ >= count_)
        return nullptr;
    char buffer[PCF_NAME_MAX + 1] = {};
    if (!pcfGetFileName(static_cast<int>(index_), buffer)) {
        Debug_print::dprint("PCF broken file\n");
        return nullptr;
    }
    snprintf(name_, sizeof name_, "%s", buffer);
    return name_;
}
