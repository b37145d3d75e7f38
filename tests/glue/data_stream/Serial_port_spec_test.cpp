#include "glue/data_stream/Serial_port_spec.h"

#include <gtest/gtest.h>

TEST(Serial_port_spec, ParsesDeviceBaudAndMode)
{
    using S = Serial_port_spec;
    struct Case {
        const char* text;
        bool ok;
        const char* device;
        long baud;
        S::Mode mode;
    };
    const Case cases[] = {
        {"/dev/ttymxc3:57600:rs232", true, "/dev/ttymxc3", 57600, S::MODE_RS232},
        {"/dev/ttyS1", true, "/dev/ttyS1", 9600, S::MODE_NONE},
        {"/dev/ttyS1:100000:rs485", true, "/dev/ttyS1", 115200, S::MODE_RS485},
        {"/dev/ttyS1:1:rs485x", true, "/dev/ttyS1", 300, S::MODE_RS485},
        {"/dev/ttyS1:2401", true, "/dev/ttyS1", 4800, S::MODE_NONE},
        {"/dev/ttyS1:460801", true, "/dev/ttyS1", 460800, S::MODE_NONE},
        {"/dev/ttyS1::rs232", true, "/dev/ttyS1", 9600, S::MODE_RS232},
        {"/dev/ttyS1:19200:", true, "/dev/ttyS1", 19200, S::MODE_NONE},
        {"/dev/ttyS1:19200:rs232:ignored:x", true, "/dev/ttyS1", 19200, S::MODE_RS232},
        // Refused with a reason rather than run at a surprising speed or line.
        {"/dev/ttyS1:fast", false, "", 0, S::MODE_NONE},
        {"/dev/ttyS1:96x", false, "", 0, S::MODE_NONE},
        {"/dev/ttyS1:-9600", false, "", 0, S::MODE_NONE},
        {"/dev/ttyS1:0", false, "", 0, S::MODE_NONE},
        {"/dev/ttyS1:9600:RS485", false, "", 0, S::MODE_NONE},
        {"/dev/ttyS1:9600:rs422", false, "", 0, S::MODE_NONE},
        {":9600", false, "", 0, S::MODE_NONE},
        {"", false, "", 0, S::MODE_NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        S spec;
        EXPECT_EQ(c.ok, spec.parse(c.text));
        if (c.ok) {
            EXPECT_EQ(c.device, spec.device);
            EXPECT_EQ(c.baud, spec.baud);
            EXPECT_EQ(c.mode, spec.mode);
            EXPECT_TRUE(spec.error.empty());
        } else {
            EXPECT_FALSE(spec.error.empty());
        }
    }
    S spec;
    EXPECT_FALSE(spec.parse(nullptr));
}
