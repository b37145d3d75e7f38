#include "platform/can/CAN_bus.h"

CAN_bus::~CAN_bus() = default;

int CAN_bus::write(const CAN_packet& frame, int prio)
{
    if (frame.length > 8) return 0;
    return send_frame(frame, prio & 7);
}

int CAN_bus::error_check() { return check_errors(); }
