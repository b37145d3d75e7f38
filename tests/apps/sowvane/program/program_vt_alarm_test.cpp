// The program as a process on the CAN hub with the test VT and a service
// tool that reads its DM1: an alarm raised through the test console pops up
// on the VT with the trouble code the DM1 on the bus carries.

#include "glue/diagnostics/J1939_messages.h"
#include "glue/diner/module_man.h"
#include "tests/support/Program_at_vt.h"
#include "tests/support/Service_tool.h"
#include "tests/support/pool/Uploaded_pool.h"
#include "tests/support/wait_until.h"
#include "vt_object_model/objects/VtVariableObjects.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

using test_support::wait_until;

namespace {

constexpr unsigned char NODE = 0x1C;
constexpr int WAIT_MS = 60000;

// SPN, FMI and occurrence count.
struct Code {
    unsigned spn, fmi, count;
    bool operator==(const Code& o) const { return spn == o.spn && fmi == o.fmi && count == o.count; }
};
std::ostream& operator<<(std::ostream& os, const Code& c)
{
    return os << "SPN " << c.spn << " FMI " << c.fmi << " count " << c.count;
}

class ProgramAlarmAtTheVt : public test_support::Program_at_vt {
protected:
    void SetUp() override
    {
        Program_at_vt::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(tool.open(hub.bus_spec(), mm, {J1939::PGN_DM1}));
    }

    // The first entry of the program's next DM1; SPN 0 when none came.
    Code next_dm1_entry()
    {
        const std::vector<unsigned char> data = tool.next_from(NODE, J1939::PGN_DM1, WAIT_MS);
        if (data.size() < 6)
            return Code{0, 0, 0};
        return Code{data[2] | unsigned(data[3]) << 8 | unsigned(data[4] >> 5) << 16, data[4] & 0x1Fu,
                    data[5] & 0x7Fu};
    }

    // What the alarm pop-up's shared number variables hold on the VT.
    Code vt_code()
    {
        Code shown{0, 0, 0};
        peers.vt.with_processor([&](VtCommandProcessor& p, RecordingVtDisplay&) {
            auto value = [&](const char* name) {
                auto* v = dynamic_cast<VtObjectNumberVariable*>(p.getObject(pool.id(name)));
                return v ? unsigned(v->getValue()) : 0u;
            };
            shown = Code{value("var_alarm_spn"), value("var_alarm_fmi"), value("var_alarm_occurance_count")};
        });
        return shown;
    }

    const Uploaded_pool pool{VtSize(240, 240)};
    module_man mm;
    test_support::Service_tool tool;
};

} // namespace

// A low fan speed: its DM1 entry is SPN 520224, FMI 18, once; the pop-up
// on the VT shows the same.
TEST_F(ProgramAlarmAtTheVt, AnAlarmFromTheConsolePopsUpWithTheCodeOfItsDm1)
{
    ASSERT_EQ(pool.error, "");
    start_program();
    ASSERT_TRUE(vt_shows(ids.main.data_mask));
    ASSERT_TRUE(program.write_input("set data_store.alarms.fan_speed_low.active=1\n"));
    Code on_bus{0, 0, 0};
    ASSERT_TRUE(wait_until([&] {
        on_bus = next_dm1_entry();
        return on_bus.spn == 520224;
    })) << "waited for a DM1 with the fan's alarm";
    EXPECT_EQ(on_bus, (Code{520224, 18, 1}));
    EXPECT_TRUE(vt_shows(pool.id("alarm_mask_FAN_SPEED_LOW")));
    EXPECT_TRUE(wait_until([&] { return vt_code() == on_bus; }))
        << "the VT's pop-up shows " << vt_code() << ", the DM1 carries " << on_bus;
    stop_program();
}
