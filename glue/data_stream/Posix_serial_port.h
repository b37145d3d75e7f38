// The terminal settings of a serial port (speed, character format, handshake,
// modem lines) and the RS232/RS485 line selection, applied to the descriptor
// that the stream class provides.
#pragma once

#include "glue/data_stream/Serial_port_spec.h"

#include <cstdint>
#include <termios.h>

class Posix_serial_port {
public:
    enum bits_t { BITS_5 = 5, BITS_6 = 6, BITS_7 = 7, BITS_8 = 8 };
    enum stop_bits_t { STOP_1 = 1, STOP_2 = 2 };
    enum parity_t { PARITY_NONE = 0, PARITY_ODD = 1, PARITY_EVEN = 2 };
    enum handshake_t { HANDSHAKE_NONE = 0, HANDSHAKE_HARDWARE = 1, HANDSHAKE_SOFTWARE = 2 };

    struct Format {
        bits_t bits = BITS_8;
        stop_bits_t stop_bits = STOP_1;
        parity_t parity = PARITY_NONE;
        bool operator==(const Format& o) const
        {
            return bits == o.bits && stop_bits == o.stop_bits && parity == o.parity;
        }
    };
    struct Status {
        handshake_t handshake = HANDSHAKE_HARDWARE;
        uint16_t dtr = 0, rts = 0, cts = 0, dsr = 0;
        bool operator==(const Status& o) const
        {
            return handshake == o.handshake && dtr == o.dtr && rts == o.rts && cts == o.cts
                   && dsr == o.dsr;
        }
    };
    struct State {
        long baud_rate = 9600;
        Format format;
        Status status;
        bool operator==(const State& o) const
        {
            return baud_rate == o.baud_rate && format == o.format && status == o.status;
        }
    };

    Posix_serial_port() = default;
    virtual ~Posix_serial_port();

    virtual int get_fd() const = 0;
    virtual bool open_default(const char* device) = 0;

    // Saves the port's settings, then makes it raw: each read waits for at
    // least one byte, no hang-up on close, modem status ignored, receiver on.
    bool init();
    // Forgets the settings without applying the saved ones.
    void deinit();
    // Applies the settings saved by init.
    bool restore();
    bool is_set_up() const { return set_up_; }

    bool set_baud_rate(long rate);
    // The input speed; 2400 when it is not one of the table, 0 when the port
    // is not set up.
    long get_baudRate() const;
    bool set_format(const Format& format);
    bool get_format(Format& format) const;
    bool set_handshake(handshake_t handshake);
    bool get_status(Status& status);
    bool set_state(const State& state);
    bool set_rts_state(bool on);
    bool set_dtr_state(bool on);
    bool switch_rts(handshake_t handshake);

    // Opens and sets up the port from a device[:baud[:mode]] text; false
    // with the reason on standard error when the text is refused, the device
    // cannot be opened or the line cannot be selected.
    bool open_from_args(const char* spec);

protected:
    // The modem-control lines (TIOCMGET / TIOCMSET); overridable for tests.
    virtual bool get_modem_lines(int& lines);
    virtual bool set_modem_lines(int lines);

private:
    bool usable() const { return set_up_ && get_fd() >= 0; }
    bool apply();

    bool set_up_ = false;
    termios current_{};
    termios saved_{};
};
