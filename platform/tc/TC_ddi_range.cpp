#include "platform/tc/TC_ddi_range.h"

namespace TC {

namespace {

constexpr int32_t MAX = INT32_MAX;

// How a DDI's value is read.
enum value_kind_t {
    RANGE,              // a number from low to high
    CONDENSED_SETPOINT, // two bits a section: 0 off, 1 on, 3 no change; 2 is no command
};

struct Ddi_row {
    ddi_t ddi;
    value_kind_t kind;
    int32_t low;
    int32_t high;
};

// The implement's DDIs with a range narrower than the 32 bits, by number.
const Ddi_row ddi_rows[] = {
    {0x0001, RANGE, 0, MAX},     // setpoint volume per area rate
    {0x0002, RANGE, 0, MAX},     // actual volume per area rate
    {0x0003, RANGE, 0, MAX},     // default volume per area rate
    {0x0006, RANGE, 0, MAX},     // setpoint mass per area rate
    {0x0007, RANGE, 0, MAX},     // actual mass per area rate
    {0x0008, RANGE, 0, MAX},     // default mass per area rate
    {0x000B, RANGE, 0, MAX},     // setpoint count per area rate
    {0x000C, RANGE, 0, MAX},     // actual count per area rate
    {0x000D, RANGE, 0, MAX},     // default count per area rate
    {0x0025, RANGE, 0, MAX},     // actual volume per time rate
    {0x002A, RANGE, 0, MAX},     // actual mass per time rate
    {0x002F, RANGE, 0, MAX},     // actual count per time rate
    {0x0043, RANGE, 0, MAX},     // actual working width
    {0x0046, RANGE, 0, MAX},     // maximum working width
    {0x0047, RANGE, 0, MAX},     // setpoint volume content
    {0x0048, RANGE, 0, MAX},     // actual volume content
    {0x0049, RANGE, 0, MAX},     // maximum volume content
    {0x004A, RANGE, 0, MAX},     // setpoint mass content
    {0x004C, RANGE, 0, MAX},     // maximum mass content
    {0x004D, RANGE, 0, MAX},     // setpoint count content
    {0x004E, RANGE, 0, MAX},     // actual count content
    {0x004F, RANGE, 0, MAX},     // maximum count content
    {0x0074, RANGE, 0, MAX},     // total area
    {0x0075, RANGE, 0, MAX},     // effective total distance
    {0x0077, RANGE, 0, MAX},     // effective total time
    {0x008D, RANGE, 0, 3},       // actual work state
    {0x009E, RANGE, 0, 3},       // prescription control state
    {0x00B2, RANGE, 0, 65533},   // element type instance
    {0x00B3, RANGE, 0, MAX},     // actual cultural practice
    {0x0122, CONDENSED_SETPOINT, 0, 0}, // setpoint condensed work state 1-16
};

bool condensed_setpoint_defined(int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int section = 0; section < 16; ++section)
        if (((bits >> (2 * section)) & 3u) == 2u)
            return false;
    return true;
}

} // namespace

bool ddi_defines_value(ddi_t ddi, int32_t value)
{
    for (const Ddi_row& row : ddi_rows)
        if (row.ddi == ddi)
            return row.kind == CONDENSED_SETPOINT ? condensed_setpoint_defined(value)
                                                  : row.low <= value && value <= row.high;
    return true;
}

} // namespace TC
