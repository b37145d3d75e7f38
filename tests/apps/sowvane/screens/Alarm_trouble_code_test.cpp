// An alarm's pop-up shows the alarm's trouble code as the diagnostics report
// it in DM1: its SPN and FMI, and its occurrence count, which follows the
// diagnostics while the pop-up is up.
#include "tests/apps/sowvane/screens/Seeder_vt.h"

#include "apps/sowvane/diagnostics/Implement_diag.h"
#include "apps/sowvane/screens/Seeder_alarm_screen.h"
#include "can/Known_names.h"

#include <memory>
#include <ostream>

namespace {

// SPN, FMI and occurrence count.
struct Code {
    unsigned spn, fmi, count;
    bool operator==(const Code& o) const { return spn == o.spn && fmi == o.fmi && count == o.count; }
};
std::ostream& operator<<(std::ostream& os, const Code& c)
{
    return os << "SPN " << c.spn << " FMI " << c.fmi << " count " << c.count;
}

class Alarm_pop_up : public Screens_fixture {
protected:
    void SetUp() override
    {
        Screens_fixture::SetUp();
        ASSERT_EQ(1, diag.init(sowvane_module_man, nullptr, JIN_name::RAWNAME(Known_names::get_seeder(0)), false));
        ui.set_diagnostics(&diag);
        start();
    }
    // The module goes before the diagnostics it reads.
    void TearDown() override { ui.set_diagnostics(nullptr); }

    // The diagnostics read the store's alarms, as their module does once a
    // second, and the user interface hears of the codes that changed.
    void poll()
    {
        {
            Diner::Protection lock(diag);
            diag._poll_alarms();
        }
        pump();
    }
    // The DM1 entry of the code with this SPN; count 999 when DM1 has none.
    Code dm1(unsigned spn)
    {
        Diner::Protection lock(diag);
        uint32_t entries[Implement_diag::MAX_DM_ENTRIES];
        const unsigned n = diag.collect_dm1_entries(entries, Implement_diag::MAX_DM_ENTRIES);
        for (unsigned i = 0; i < n; ++i) {
            const uint32_t e = entries[i];
            const Code c{(e & 0xFFFF) | ((e >> 21) & 0x7) << 16, (e >> 16) & 0x1F, (e >> 24) & 0x7F};
            if (c.spn == spn)
                return c;
        }
        return Code{spn, 0, 999};
    }
    // What the pop-up's shared objects hold on the VT.
    Code shown()
    {
        vt.sent();
        auto value = [&](const char* name) {
            auto* v = vt.pool.find<VT::Number_variable_obj>(name);
            EXPECT_NE(v, nullptr) << name;
            return v ? unsigned(v->get_value()) : 0u;
        };
        return Code{value("var_alarm_spn"), value("var_alarm_fmi"), value("var_alarm_occurance_count")};
    }

    Implement_diag diag{sowvane_data_store, "diag"};
};

} // namespace

// A low fan speed: SPN 520224, FMI 18. Up before the diagnostics counted it,
// the pop-up takes the count once they have; each time the alarm comes back
// it is counted again, and a count beyond what DM1 carries shows as DM1's.
TEST_F(Alarm_pop_up, ShowsTheCodeTheDm1OfTheAlarmCarries)
{
    const unsigned spn = 520224;
    store(&ds().alarms.fan_speed_low.active, true);
    ASSERT_STREQ(current(), "alarm_mask_FAN_SPEED_LOW");
    EXPECT_EQ(shown(), (Code{spn, 18, 0}));
    poll();
    EXPECT_EQ(dm1(spn), (Code{spn, 18, 1}));
    EXPECT_EQ(shown(), dm1(spn));

    store(&ds().alarms.fan_speed_low.active, false);
    poll();
    EXPECT_STREQ(current(), "main");
    store(&ds().alarms.fan_speed_low.active, true);
    fire(run_screen().get_alarm_cycle_timeout());
    poll();
    ASSERT_STREQ(current(), "alarm_mask_FAN_SPEED_LOW");
    EXPECT_EQ(dm1(spn), (Code{spn, 18, 2}));
    EXPECT_EQ(shown(), dm1(spn));

    store(&ds().alarms.fan_speed_low.active, false);
    poll();
    {
        Diner::Protection lock(diag);
        Alarm_trouble_code code;
        ASSERT_TRUE(find_alarm_trouble_code(ds().alarms, &ds().alarms.fan_speed_low, code));
        auto* item = diag._find_error(code.err_code);
        ASSERT_NE(item, nullptr);
        item->count = 300;
    }
    store(&ds().alarms.fan_speed_low.active, true);
    fire(run_screen().get_alarm_cycle_timeout());
    poll();
    ASSERT_STREQ(current(), "alarm_mask_FAN_SPEED_LOW");
    EXPECT_EQ(dm1(spn), (Code{spn, 18, 127}));
    EXPECT_EQ(shown(), dm1(spn));
}

// Pop-ups taking turns each show their own code; an alarm kept per tank adds
// the tank to its row's SPN (tank 3's low level: 520272 + 2, FMI 17).
TEST_F(Alarm_pop_up, PopUpsTakingTurnsEachShowTheirOwnCode)
{
    store(&ds().alarms.tank_low[2].active, true);
    store(&ds().alarms.no_comms.active, true);
    poll();
    fire(run_screen().get_alarm_cycle_timeout());
    ASSERT_STREQ(current(), "alarm_mask_NO_COMMS");
    EXPECT_EQ(shown(), (Code{520560, 9, 1}));
    EXPECT_EQ(shown(), dm1(520560));
    fire(run_screen().get_alarm_cycle_timeout());
    ASSERT_STREQ(current(), "alarm_mask_TANK_LOW_3");
    EXPECT_EQ(shown(), (Code{520274, 17, 1}));
    EXPECT_EQ(shown(), dm1(520274));
}

// The module listens to the diagnostics only while it has them, and takes
// back its registration when it goes.
TEST_F(Alarm_pop_up, TheModuleTakesBackItsRegistrationWithTheDiagnostics)
{
    EXPECT_EQ(diag.waiters().get_count(), 1);
    {
        auto other = std::make_unique<Scripted_ui>(&sowvane_module_man);
        other->set_diagnostics(&diag);
        EXPECT_EQ(diag.waiters().get_count(), 2);
    }
    EXPECT_EQ(diag.waiters().get_count(), 1);
    ui.set_diagnostics(nullptr);
    EXPECT_EQ(diag.waiters().get_count(), 0);

    // Without them the pop-up counts nothing, but has its SPN and FMI.
    store(&ds().alarms.temperature.active, true);
    poll();
    ASSERT_STREQ(current(), "alarm_mask_TEMPERATURE");
    EXPECT_EQ(shown(), (Code{520336, 16, 0}));
}
