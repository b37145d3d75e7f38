#include "glue/data_stream/Serial_port_spec.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const long SPEEDS[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800};

// Longest text looked at, and the most fields after the device.
constexpr size_t MAX_TEXT = 255;
constexpr int MAX_FIELDS = 10;

} // namespace

long Serial_port_spec::round_up_baud(long requested)
{
    for (long speed : SPEEDS) {
        if (speed >= requested) {
            return speed;
        }
    }
    return SPEEDS[sizeof SPEEDS / sizeof SPEEDS[0] - 1];
}

bool Serial_port_spec::parse(const char* text)
{
    *this = Serial_port_spec();
    if (text == nullptr) {
        error = "no serial port given";
        return false;
    }
    std::string work(text, strnlen(text, MAX_TEXT));
    size_t colon = work.find(':');
    device = work.substr(0, colon);
    if (device.empty()) {
        error = "no device in serial port text";
        return false;
    }
    int field = 0;
    while (colon != std::string::npos && field < MAX_FIELDS) {
        size_t start = colon + 1;
        colon = work.find(':', start);
        std::string value = work.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        ++field;
        if (field == 1) {
            if (value.empty()) {
                continue;
            }
            char* end = nullptr;
            errno = 0;
            long rate = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || errno == ERANGE || rate <= 0) {
                error = "baud rate '" + value + "' is not a positive number";
                return false;
            }
            baud = round_up_baud(rate);
        } else if (field == 2) {
            if (value.compare(0, 5, "rs485") == 0) {
                mode = MODE_RS485;
            } else if (value.compare(0, 5, "rs232") == 0) {
                mode = MODE_RS232;
            } else if (!value.empty()) {
                error = "unknown line mode '" + value + "' (rs232 or rs485)";
                return false;
            }
        }
    }
    return true;
}
