// A serial port with a reader thread: construct it with the port text
// device[:baud[:mode]] (opens the device, makes it raw, sets the speed and
// the line, starts the reader), call init(module_man&) for the module id of
// its arrival events, then register_waiter with the consumer's receiver;
// close() at the end.
#pragma once

#include "glue/data_stream/Posix_serial_port.h"
#include "glue/data_stream/Posix_threaded_data_stream.h"

class Posix_threaded_serial_data_stream : public Posix_threaded_data_stream,
                                          public Posix_serial_port {
public:
    Posix_threaded_serial_data_stream();
    // Opens and sets up the port; a failure leaves the stream closed.
    explicit Posix_threaded_serial_data_stream(const char* spec);
    ~Posix_threaded_serial_data_stream() override;

    // Takes the module id for events (no id left ends the process with
    // -132), then sets the port up again; the set-up's result.
    bool init(module_man& mm);
    using Posix_serial_port::init;

    int get_fd() const override { return fd_; }
    // Opens the device, makes it raw, then starts the reader.
    bool open(const char* device);
    // open(device); on failure "OPEN BAD" through the stream and false.
    bool open_default(const char* device) override;
    bool close();

    static const char* get_help();

protected:
    void update_name() override;
};
