// A stream over operating-system descriptors (files, pipes, terminals), with
// optional time-outs that bound a whole read or write.
#pragma once

#include "glue/data_stream/Data_stream.h"

class Posix_data_stream : public Data_stream {
public:
    // Sends a break on the descriptor it is bound to.
    class Commander : public Data_stream::Commander {
    public:
        Commander() = default;
        explicit Commander(int fd) : fd_(fd) {}
        void bind(int fd) { fd_ = fd; }
        int get_fd() const { return fd_; }
        // A break of the default duration (the argument is not used).
        bool send_break(int duration) override;

    private:
        int fd_ = -1;
    };

    // Takes existing descriptors (-1 for none); the stream closes them.
    Posix_data_stream(int read_fd = -1, int write_fd = -1);
    ~Posix_data_stream() override;

    // Opens path read-write (create: create if missing, mode 0644; blocking:
    // else non-blocking; append: append mode). A descriptor that is open
    // already is closed first. False with "Error opening file [path]" on
    // standard error.
    bool open(const char* path, bool create, bool blocking, bool append);
    // Write only, never becoming the controlling terminal.
    bool open_write(const char* path, bool create, bool blocking, bool append);
    bool open_read(const char* path, bool blocking);
    // Only when one descriptor serves both directions.
    bool close();
    // Only when that side has a descriptor of its own.
    bool close_write();
    bool close_read();

    // Milliseconds for a whole read or write; -1 (the default) waits forever.
    bool set_read_timeout(int ms) override;
    bool set_default_read_timeout() override;
    bool set_write_timeout(int ms) override;
    bool set_default_write_timeout() override;

    // False when no write descriptor is open.
    bool init_commander(Commander& commander);

    int get_read_fd() const { return read_fd_; }
    int get_write_fd() const { return write_fd_; }

    using Data_stream::get_data;
    // Reads n bytes one at a time into the buffer; false when the descriptor
    // is closed, the time budget ran out or a read gave no byte (what came
    // stays buffered).
    bool get_data(int n) override;
    // Without a write timeout one write of all bytes; with one, byte by byte
    // until the budget runs out. The count written, -1 when not open.
    int _write(const unsigned char* src, unsigned n) override;

protected:
    virtual void update_name();

    int read_fd_;
    int write_fd_;
    int read_timeout_ms_ = -1;
    int write_timeout_ms_ = -1;
    char path_[200] = {};
    const char* mode_ = "";
};
