// The values the data dictionary defines for the implement's DDIs.
#include "platform/tc/TC_ddi_range.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TcDdiRange, SetValuesOutsideTheDictionarysRangeAreNotDefined)
{
    struct Case {
        TC::ddi_t ddi;
        int32_t value;
        bool defined;
    };
    const Case cases[] = {
        // Rates and contents: 0 to 2^31-1.
        {0x0006, 0, true},
        {0x0006, INT32_MAX, true},
        {0x0006, -5, false},
        {0x0006, -20000, false},
        {0x0001, -1, false},
        {0x000B, INT32_MIN, false},
        {0x004A, -1, false},
        // Work and prescription states: 0 to 3.
        {0x008D, 3, true},
        {0x008D, 4, false},
        {0x008D, -1, false},
        {0x009E, 7, false},
        // The condensed setpoint: two bits a section, none of them 2.
        {0x0122, int32_t(0xFFFFFF55u), true},
        {0x0122, int32_t(0xFFFFFFFFu), true},
        {0x0122, 0, true},
        {0x0122, int32_t(0xFFFFFF59u), false},
        {0x0122, int32_t(0x80000000u), false},
        // A DDI with the whole range, and one the table does not know.
        {0x016D, -2500, true},
        {0x4321, INT32_MIN, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TC::ddi_defines_value(c.ddi, c.value), c.defined)
            << "DDI 0x" << std::hex << c.ddi << std::dec << " value " << c.value;
}

} // namespace
