// Files of the outside file store (the "pcf" functions) as a Data_stream.
//
// A stream has at most one file open for reading and one for writing. Opens
// retry while the store is busy; writes are checked against the store's free
// space first. Registered receivers hear of a full store and of failed
// writes. Open and close results: 0 success, 1 out of tries, 3 store not
// mounted or file missing, 4 already open, not open, or no space.
#pragma once

#include "glue/data_stream/Data_stream.h"
#include "glue/diner/Mutex.h"
#include "glue/diner/Waiter_list.h"
#include "platform/util/pcf_store.h"

class module_man;
class waiter_descriptor;
struct waiter_event;

class PCFile_data_stream : public Data_stream {
public:
    // Payload words of the store's events.
    enum events_t {
        EVENT_WRITE_FAILED = 0,
        EVENT_STORE_FULL = 1,
    };
    enum {
        PCF_OK = 0,
        PCF_OUT_OF_TRIES = 1,
        PCF_NOT_AVAILABLE = 3,
        PCF_REFUSED = 4,
    };
    // Exit code when a stream is destroyed with a file open.
    static constexpr int DESTROYED_OPEN_EXIT = -155;
    static constexpr int RETRY_MS = 100;
    static constexpr int READ_PIECE = 32;
    static constexpr int COPY_PIECE = 500;
    static constexpr int COPY_TRIES = 6;

    PCFile_data_stream();
    ~PCFile_data_stream() override;

    // tries: how many times to ask a busy store (0: no limit).
    int open_read(const char* name, int tries);
    int open_write(const char* name, int tries);
    int close_read();
    int close_write();
    bool is_read_open() const { return read_open_; }
    bool is_write_open() const { return write_open_; }

    using Data_stream::get_data;
    bool get_data(int n) override;
    int _write(const unsigned char* src, unsigned n) override;

    static bool exists(const char* name);
    static bool remove(const char* name);
    static bool mounted();
    // Refreshes the store's information: bytes in use and total size.
    static bool get_free_space(unsigned& in_use, unsigned& total);
    // Copies src to dst in pieces; false when the store is not mounted, src
    // is missing, dst is src, the store is busy for too long, the store has
    // no room (receivers also get EVENT_STORE_FULL) or a write fails. A
    // failed copy leaves no dst behind.
    static bool copy(const char* dst, const char* src);

    // Gives the store's events their module id; run once at start-up.
    static void static_init(module_man& mm);
    // False when 10 receivers are registered.
    static bool register_waiter(waiter_descriptor* waiter);
    static bool deregister_waiter(waiter_descriptor* waiter);
    static void send_event(events_t e);
    static bool is_event(const waiter_event& event);

    // Walks the store's files by index.
    class Iterator {
    public:
        Iterator();
        void reset();
        unsigned next();
        // The current file's name; null at the end or when it cannot be had.
        const char* get_name();

    private:
        unsigned index_ = 0;
        unsigned count_ = 0;
        char name_[PCF_NAME_MAX + 1] = {};
    };

private:
    void set_stream_name(const char* file, char mode);
    static void send_event_locked(events_t e);
    static bool refresh_info_locked();
    static bool copy_piece(const char* dst, const char* src, unsigned offset, int& copied);

    bool read_open_ = false;
    bool write_open_ = false;

    static Mutex mutex;
    static JIN::Waiter_list<10> waiters;
    static PcfInfo pcf_info;
};
