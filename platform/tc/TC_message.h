// The ISO 11783-10 process-data message (PGN 0xCB00) and the codes the task
// controller and its clients exchange in it.
#pragma once

#include "can/JIN_message.h"
#include "platform/tc/TC_attribute.h"

#include <cstdint>

namespace TC {

constexpr unsigned PGN_PROCESS_DATA = 0xCB00;
constexpr unsigned PGN_WORKING_SET_MASTER = 0xFE0D;
constexpr unsigned PGN_ACKNOWLEDGEMENT = 0xE800;
constexpr unsigned PGN_REQUEST = 0xEA00;
constexpr unsigned PGN_ADDRESS_CLAIMED = 0xEE00;
constexpr int PD_PRIORITY = 3;
constexpr int WORKING_SET_PRIORITY = 7;
constexpr unsigned char NO_ADDRESS = 254;
constexpr unsigned char GLOBAL_ADDRESS = 255;
// The DDI of the task controller's request for every default-set value.
constexpr ddi_t DDI_DEFAULT_DATA = 0xDFFF;

// The low nibble of byte 0.
enum command_t {
    CMD_TECHNICAL = 0x0,
    CMD_DEVICE_DESCRIPTOR = 0x1,
    CMD_REQUEST_VALUE = 0x2,
    CMD_VALUE = 0x3,
    CMD_TIME_INTERVAL = 0x4,
    CMD_DISTANCE_INTERVAL = 0x5,
    CMD_MINIMUM_THRESHOLD = 0x6,
    CMD_MAXIMUM_THRESHOLD = 0x7,
    CMD_CHANGE_THRESHOLD = 0x8,
    CMD_PEER_CONTROL = 0x9,
    CMD_SET_VALUE_ACK = 0xA,
    CMD_ACKNOWLEDGE = 0xD,
    CMD_STATUS = 0xE,
    CMD_CLIENT_TASK = 0xF,
};

// The whole byte 0 of the technical and device-descriptor messages.
enum subcommand_t {
    SUB_REQUEST_VERSION = 0x00,
    SUB_VERSION = 0x10,
    SUB_REQUEST_STRUCTURE_LABEL = 0x01,
    SUB_STRUCTURE_LABEL = 0x11,
    SUB_REQUEST_LOCALISATION_LABEL = 0x21,
    SUB_LOCALISATION_LABEL = 0x31,
    SUB_REQUEST_POOL_TRANSFER = 0x41,
    SUB_POOL_TRANSFER_RESPONSE_SPACE = 0x51,
    SUB_POOL_TRANSFER = 0x61,
    SUB_POOL_TRANSFER_RESPONSE = 0x71,
    SUB_ACTIVATE = 0x81,
    SUB_ACTIVATE_RESPONSE = 0x91,
    SUB_DELETE = 0xA1,
    SUB_DELETE_RESPONSE = 0xB1,
};

// Error bits of the process-data acknowledge (byte 4).
enum pdack_error_t {
    PDACK_NO_ERROR = 0x00,
    PDACK_COMMAND_NOT_SUPPORTED = 0x01,
    PDACK_INVALID_ELEMENT = 0x02,
    PDACK_DDI_NOT_SUPPORTED = 0x04,
    PDACK_TRIGGER_NOT_SUPPORTED = 0x08,
    PDACK_NOT_SETTABLE = 0x10,
    PDACK_INVALID_INTERVAL = 0x20,  // an interval or threshold out of range
    PDACK_VALUE_NOT_CONFORMING = 0x40,  // a value the DDI does not define
    PDACK_VALUE_OUT_OF_RANGE = 0x80,    // a value outside what the device can take
};

// A process-data message: command, element number, DDI and value.
class TC_message : public JIN_message {
public:
    explicit TC_message(int length = 8);

    command_t get_command() const { return command_t(get_data()[0] & 0x0F); }
    void set_command(command_t c);
    unsigned short get_element() const;
    void set_element(unsigned short element);
    ddi_t get_ddi() const;
    void set_ddi(ddi_t ddi);
    int32_t get_value() const;
    void set_value(int32_t value);
};

// The 8-byte form of the process-data message.
class TC_status_message : public TC_message {
public:
    TC_status_message() : TC_message(8) {}
};

// The fields of an 8-byte process-data message in a plain buffer.
inline unsigned short pd_element(const unsigned char* d) { return (d[0] >> 4) | (d[1] << 4); }
inline ddi_t pd_ddi(const unsigned char* d) { return ddi_t(d[2] | d[3] << 8); }
inline int32_t pd_value(const unsigned char* d)
{
    return int32_t(uint32_t(d[4]) | uint32_t(d[5]) << 8 | uint32_t(d[6]) << 16 |
                   uint32_t(d[7]) << 24);
}
void pd_encode(unsigned char* d, command_t cmd, unsigned short element, ddi_t ddi, int32_t value);

} // namespace TC
