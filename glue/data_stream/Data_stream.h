// The byte-stream interface of files, serial ports, descriptors and loop-back
// pairs. Inbound bytes collect in a ring of BUFFER_SIZE bytes: readers peek at
// them by index, copy them out without consuming and drop them when done; the
// stream pulls more from its source on demand through get_data(int). Writes
// go straight to the sink through _write.
//
// Subclasses implement:
//   bool get_data(int n): read up to n more bytes from the source into the
//     ring (ring_append); true when n bytes were obtained. A source that can
//     keep its bytes (a file, a descriptor, the loop-back pipe) stops when the
//     ring is full; the threaded reader, which cannot wait, loses what does
//     not fit.
//   int _write(const unsigned char*, unsigned n): bytes written, negative
//     when the stream is not open.
// A subclass that overrides get_data(int) should add
// `using Data_stream::get_data;` to keep the copying form visible.
//
// With a buffer lock set (threaded streams), every buffer operation holds it,
// including the get_data(int) call made from inside; get_data(int) must then
// not take it again.
#pragma once

#include "glue/data_stream/Byte_ring.h"

#include <cstdarg>
#include <cstdint>

class Binary_message;
class Mutex;

class Data_stream {
public:
    static constexpr unsigned BUFFER_SIZE = 4200;

    // Sends a line break on the stream's device.
    class Commander {
    public:
        virtual ~Commander();
        virtual bool send_break(int duration) = 0;
    };

    Data_stream();
    virtual ~Data_stream();
    Data_stream(const Data_stream&) = delete;
    Data_stream& operator=(const Data_stream&) = delete;

    // Overridable settings; the base supports none (false) and flushes nothing.
    virtual void flush();
    virtual bool set_read_timeout(int ms);
    virtual bool set_default_read_timeout();
    virtual bool set_write_timeout(int ms);
    virtual bool set_default_write_timeout();

    // Buffered bytes.
    unsigned bytes_avail();
    // True when at least n bytes are buffered, pulling the missing ones first.
    bool bytes_avail(unsigned n);
    // The byte at index i, pulling up to it first; 0 when it cannot be had.
    unsigned char operator[](unsigned i);
    // Copies the first n bytes without consuming them, pulling the missing
    // ones first; false (nothing copied) when the source cannot supply them.
    bool get_data(unsigned char* dst, unsigned n);
    // Drops n bytes from the front, pulling the missing ones first; drops
    // nothing and returns false when they cannot be had.
    bool drop(unsigned n);
    void drop_all();

    // Writes through _write; its result.
    int __write(const unsigned char* src, unsigned n);
    // Writes the message's bytes and, with newline, a 0x0A; true when all
    // went out, else prints "Failed write ..." and returns false.
    bool write(const Binary_message& message, bool newline);
    // Writes the bytes buffered in other (without consuming them).
    bool write(Data_stream& other);
    // Formats at most 255 characters and writes them; true when the write
    // returned non-zero.
    bool printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool vprintf(const char* format, va_list args);

    // Calls the source's get_data(n).
    bool _get_data(int n) { return get_data(n); }

    // The subclass's source and sink (see the top of this file).
    virtual bool get_data(int n) = 0;
    virtual int _write(const unsigned char* src, unsigned n) = 0;

    void set_echo(bool on) { echo_ = on; }
    const char* get_name() const { return name_; }
    uint32_t get_bytes_read() const { return bytes_read_; }
    uint32_t get_bytes_written() const { return bytes_written_; }

protected:
    // Hooks called for every byte read and after each pull; nothing here.
    virtual void log_data(unsigned char* data, int len);
    virtual void flush_log_data();

    // Ring access for subclasses (no locking: callers hold the buffer lock
    // when there is one).
    unsigned ring_count() const { return ring_.count(); }
    unsigned ring_append(const unsigned char* src, unsigned n) { return ring_.append(src, n); }
    int ring_append(unsigned char byte) { return ring_.append(byte); }
    void ring_clear() { ring_.clear(); }

    void set_name(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void set_buffer_lock(Mutex* lock) { buffer_lock_ = lock; }

    uint32_t bytes_read_ = 0;
    uint32_t bytes_written_ = 0;

private:
    class Buffer_guard;

    // Pulls from the source until n bytes are buffered (the caller holds the
    // buffer lock). False, without asking the source, when n is more than
    // the ring holds: bytes pulled beyond its room would be lost.
    bool fill_to(unsigned n);

    Byte_ring<BUFFER_SIZE> ring_;
    bool echo_ = false;
    Mutex* buffer_lock_ = nullptr;
    char name_[32];
};
