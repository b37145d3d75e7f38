// A serial port read and written directly (no reader thread), set up from a
// port text device[:baud[:mode]].
#pragma once

#include "glue/data_stream/Posix_data_stream.h"
#include "glue/data_stream/Posix_serial_port.h"

class Posix_serial_data_stream : public Posix_data_stream, public Posix_serial_port {
public:
    Posix_serial_data_stream();
    // Opens and sets up the port; a failure leaves the stream closed.
    explicit Posix_serial_data_stream(const char* spec);
    ~Posix_serial_data_stream() override;

    int get_fd() const override;
    // Opens the device and makes it raw; false when either fails.
    bool open(const char* path, bool create, bool blocking, bool append);
    bool open_default(const char* device) override;
    bool close();

    static const char* get_help();

protected:
    void update_name() override;
};
