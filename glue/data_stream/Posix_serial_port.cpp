#include "glue/data_stream/Posix_serial_port.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

#ifndef TIOCM_OUT1
#define TIOCM_OUT1 0x2000 // the line that selects the RS485 driver
#endif

namespace {

struct Speed {
    long rate;
    speed_t code;
};

const Speed SPEEDS[] = {
    {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800},
};

} // namespace

Posix_serial_port::~Posix_serial_port() = default;

bool Posix_serial_port::apply()
{
    return ::tcsetattr(get_fd(), TCSANOW, &current_) == 0;
}

bool Posix_serial_port::init()
{
    int fd = get_fd();
    if (fd < 0) {
        return false;
    }
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        deinit();
        return false;
    }
    saved_ = settings;
    current_ = settings;
    ::cfmakeraw(&current_);
    current_.c_cc[VMIN] = 1;
    current_.c_cc[VTIME] = 0;
    current_.c_cflag &= ~HUPCL;
    current_.c_cflag |= CLOCAL | CREAD;
    set_up_ = true;
    if (!apply()) {
        deinit();
        return false;
    }
    return true;
}

void Posix_serial_port::deinit()
{
    set_up_ = false;
}

bool Posix_serial_port::restore()
{
    return usable() && ::tcsetattr(get_fd(), TCSANOW, &saved_) == 0;
}

bool Posix_serial_port::set_baud_rate(long rate)
{
    if (!usable()) {
        return false;
    }
    long wanted = Serial_port_spec::round_up_baud(rate);
    for (const Speed& s : SPEEDS) {
        if (s.rate == wanted) {
            ::cfsetispeed(&current_, s.code);
            ::cfsetospeed(&current_, s.code);
            return apply();
        }
    }
    return false;
}

long Posix_serial_port::get_baudRate() const
{
    if (!usable()) {
        return 0;
    }
    termios now{};
    speed_t code = ::tcgetattr(get_fd(), &now) == 0 ? ::cfgetispeed(&now) : ::cfgetispeed(&current_);
    for (const Speed& s : SPEEDS) {
        if (s.code == code) {
            return s.rate;
        }
    }
    return 2400;
}

bool Posix_serial_port::set_format(const Format& format)
{
    if (!usable()) {
        return false;
    }
    tcflag_t size;
    switch (format.bits) {
    case BITS_5: size = CS5; break;
    case BITS_6: size = CS6; break;
    case BITS_7: size = CS7; break;
    default: size = CS8; break;
    }
    current_.c_cflag = (current_.c_cflag & ~CSIZE) | size;
    switch (format.parity) {
    case PARITY_ODD: current_.c_cflag |= PARENB | PARODD; break;
    case PARITY_EVEN:
        current_.c_cflag |= PARENB;
        current_.c_cflag &= ~PARODD;
        break;
    default: current_.c_cflag &= ~PARENB; break;
    }
    if (format.stop_bits == STOP_2) {
        current_.c_cflag |= CSTOPB;
    } else {
        current_.c_cflag &= ~CSTOPB;
    }
    return apply();
}

bool Posix_serial_port::get_format(Format& format) const
{
    if (!usable()) {
        return false;
    }
    switch (current_.c_cflag & CSIZE) {
    case CS5: format.bits = BITS_5; break;
    case CS6: format.bits = BITS_6; break;
    case CS7: format.bits = BITS_7; break;
    default: format.bits = BITS_8; break;
    }
    if ((current_.c_cflag & PARENB) == 0) {
        format.parity = PARITY_NONE;
    } else {
        format.parity = (current_.c_cflag & PARODD) ? PARITY_ODD : PARITY_EVEN;
    }
    format.stop_bits = (current_.c_cflag & CSTOPB) ? STOP_2 : STOP_1;
    return true;
}

bool Posix_serial_port::set_handshake(handshake_t handshake)
{
    if (!usable()) {
        return false;
    }
    current_.c_cflag &= ~CRTSCTS;
    current_.c_iflag &= ~(IXON | IXOFF);
    if (handshake == HANDSHAKE_HARDWARE) {
        current_.c_cflag |= CRTSCTS;
    } else if (handshake == HANDSHAKE_SOFTWARE) {
        current_.c_iflag |= IXON | IXOFF;
    }
    if (!apply()) {
        return false;
    }
    return switch_rts(handshake);
}

bool Posix_serial_port::switch_rts(handshake_t handshake)
{
    if (!usable()) {
        return false;
    }
    if (handshake == HANDSHAKE_HARDWARE) {
        return set_rts_state(true);
    }
    return true;
}

bool Posix_serial_port::get_status(Status& status)
{
    if (!usable()) {
        return false;
    }
    if (current_.c_cflag & CRTSCTS) {
        status.handshake = HANDSHAKE_HARDWARE;
    } else if (current_.c_iflag & (IXON | IXOFF)) {
        status.handshake = HANDSHAKE_SOFTWARE;
    } else {
        status.handshake = HANDSHAKE_NONE;
    }
    int lines = 0;
    get_modem_lines(lines);
    status.dtr = (lines & TIOCM_DTR) ? 1 : 0;
    status.rts = (lines & TIOCM_RTS) ? 1 : 0;
    status.cts = (lines & TIOCM_CTS) ? 1 : 0;
    status.dsr = (lines & TIOCM_DSR) ? 1 : 0;
    return true;
}

bool Posix_serial_port::set_state(const State& state)
{
    if (!usable()) {
        return false;
    }
    long wanted = Serial_port_spec::round_up_baud(state.baud_rate);
    for (const Speed& s : SPEEDS) {
        if (s.rate == wanted) {
            ::cfsetispeed(&current_, s.code);
            ::cfsetospeed(&current_, s.code);
        }
    }
    if (!set_format(state.format) || !set_handshake(state.status.handshake)) {
        return false;
    }
    if (state.status.handshake == HANDSHAKE_HARDWARE) {
        return true; // RTS raised by set_handshake
    }
    return set_dtr_state(state.status.dtr != 0) && set_rts_state(state.status.rts != 0);
}

bool Posix_serial_port::set_rts_state(bool on)
{
    if (!usable()) {
        return false;
    }
    int lines = 0;
    if (!get_modem_lines(lines)) {
        return false;
    }
    int changed = on ? (lines | TIOCM_RTS) : (lines & ~TIOCM_RTS);
    return changed == lines || set_modem_lines(changed);
}

bool Posix_serial_port::set_dtr_state(bool on)
{
    if (!usable()) {
        return false;
    }
    int lines = 0;
    if (!get_modem_lines(lines)) {
        return false;
    }
    int changed = on ? (lines | TIOCM_DTR) : (lines & ~TIOCM_DTR);
    return changed == lines || set_modem_lines(changed);
}

bool Posix_serial_port::get_modem_lines(int& lines)
{
    return ::ioctl(get_fd(), TIOCMGET, &lines) == 0;
}

bool Posix_serial_port::set_modem_lines(int lines)
{
    return ::ioctl(get_fd(), TIOCMSET, &lines) == 0;
}

bool Posix_serial_port::open_from_args(const char* text)
{
    Serial_port_spec spec;
    if (!spec.parse(text)) {
        std::fprintf(stderr, "Serial port [%s]: %s\n", text ? text : "", spec.error.c_str());
        return false;
    }
    if (!open_default(spec.device.c_str())) {
        return false;
    }
    if (!set_baud_rate(spec.baud)) {
        std::fprintf(stderr, "Serial port [%s]: cannot set %ld baud\n", spec.device.c_str(), spec.baud);
        return false;
    }
    if (spec.mode == Serial_port_spec::MODE_NONE) {
        return true;
    }
    int lines = 0;
    if (!get_modem_lines(lines)) {
        std::fprintf(stderr, "Serial port [%s]: cannot read the modem lines\n", spec.device.c_str());
        return false;
    }
    if (spec.mode == Serial_port_spec::MODE_RS485) {
        lines |= TIOCM_OUT1;
    } else {
        lines &= ~TIOCM_OUT1;
    }
    if (!set_modem_lines(lines)) {
        std::fprintf(stderr, "Serial port [%s]: cannot select the line mode\n", spec.device.c_str());
        return false;
    }
    return true;
}
