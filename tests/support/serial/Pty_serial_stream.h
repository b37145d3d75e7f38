// The project's threaded serial stream opened on the slave of a
// pseudo-terminal, as the control code opens its ports; the test plays the
// device on the master (pty.master(), or a Scripted_device on pty).
#pragma once

#include "glue/data_stream/Posix_threaded_serial_data_stream.h"
#include "tests/support/serial/Pty_pair.h"

#include <memory>

namespace test_support {

struct Pty_serial_stream {
    Pty_pair pty;
    std::unique_ptr<Posix_threaded_serial_data_stream> stream;

    // Opens the stream at 57,600 baud; false when the pair or the port failed.
    bool open()
    {
        if (!pty.ok())
            return false;
        stream = std::make_unique<Posix_threaded_serial_data_stream>(pty.port_spec().c_str());
        return stream->is_open();
    }
    ~Pty_serial_stream()
    {
        if (stream)
            stream->close();
    }
};

} // namespace test_support
