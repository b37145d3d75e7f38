// The serial port text device[:baud[:mode]], for example
// "/dev/ttymxc3:57600:rs232": the baud rate is rounded up to the next
// supported speed (300 to 460,800; default 9600), the mode selects the RS485
// or RS232 line driver (texts beginning "rs485" or "rs232"; none leaves the
// line alone).
#pragma once

#include <string>

struct Serial_port_spec {
    enum Mode { MODE_NONE, MODE_RS232, MODE_RS485 };

    std::string device;
    long baud = 9600;
    Mode mode = MODE_NONE;
    // Why the text was refused; empty when it was accepted.
    std::string error;

    // Parses the text. Refused (error set, false): no device, a baud field
    // that is not a positive decimal number, or a mode other than rs232 /
    // rs485. An empty baud field keeps the default.
    bool parse(const char* text);

    // The first supported speed at or above the request; 460,800 above that.
    static long round_up_baud(long requested);
};
