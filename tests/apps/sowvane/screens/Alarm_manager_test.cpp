// The alarm queues: urgency first, turns within a priority, newcomers first,
// repeat limits; and the pop-up's acknowledge on any soft key.
#include "apps/sowvane/screens/Mask_helpers.h"
#include "apps/sowvane/screens/Seeder_alarm_screen.h"
#include "apps/sowvane/screens/TAlarmManager.h"
#include "vtui/screen/Global_stat_manager.h"
#include "vtui/screen/Screen_man.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Alarms : testing::Test {
    Screen_man man{stat_man};
    Global_stat_manager stat_man{"stat_man", &man};
    std::vector<std::unique_ptr<VT::Alarm_mask_obj>> masks;
    std::vector<std::unique_ptr<Seeder_alarm_screen>> screens;

    Seeder_alarm_screen* alarm(const char* name, unsigned char priority, unsigned short limit = 0,
                               ds_alarm* record = nullptr)
    {
        masks.push_back(std::make_unique<VT::Alarm_mask_obj>(uint16_t(700 + masks.size()), name, 0,
                                                             VT::Object_pool::NULL_ID, priority, 0));
        screens.push_back(std::make_unique<Seeder_alarm_screen>(masks.back().get(), &man, limit, record));
        return screens.back().get();
    }
    std::vector<Seeder_alarm_screen*> picks(TAlarmManager& m, int n)
    {
        std::vector<Seeder_alarm_screen*> out;
        for (int i = 0; i < n; ++i)
            out.push_back(m.next());
        return out;
    }
};

} // namespace

TEST_F(Alarms, OnePriorityTakesTurnsAndANewcomerComesFirst)
{
    TAlarmManager m;
    auto* a = alarm("a", 1);
    auto* b = alarm("b", 1);
    m.add(a);
    m.add(b);
    m.add(a); // queued already: nothing
    EXPECT_EQ(picks(m, 4), (std::vector<Seeder_alarm_screen*>{b, a, b, a}));
    auto* c = alarm("c", 1);
    m.add(c);
    EXPECT_EQ(m.next(), c);
    EXPECT_EQ(m.current(), c);
}

TEST_F(Alarms, AMoreUrgentQueueIsShownWhileItHoldsAnything)
{
    TAlarmManager m;
    auto* low = alarm("low", 2);
    auto* high = alarm("high", 0);
    auto* odd = alarm("odd", 5); // taken as low
    EXPECT_EQ(odd->get_priority(), 2u);
    m.add(low);
    m.add(odd);
    m.add(high);
    EXPECT_EQ(picks(m, 2), (std::vector<Seeder_alarm_screen*>{high, high}));
    bool removed = false;
    m.remove(high, removed);
    EXPECT_TRUE(removed);
    EXPECT_EQ(picks(m, 3), (std::vector<Seeder_alarm_screen*>{odd, low, odd}));
}

TEST_F(Alarms, ARepeatLimitStopsTheAlarmUntilItIsTakenOut)
{
    TAlarmManager m;
    auto* a = alarm("a", 1, 2);
    m.add(a);
    EXPECT_EQ(picks(m, 3), (std::vector<Seeder_alarm_screen*>{a, a, nullptr}));
    m.add(a); // still flagged: stays out
    EXPECT_EQ(m.next(), nullptr);
    bool removed = true;
    m.remove(a, removed);
    EXPECT_FALSE(removed); // out of its queue already
    EXPECT_FALSE(a->is_queued());
    m.add(a);
    EXPECT_EQ(m.next(), a);
    m.remove(a, removed);
    EXPECT_TRUE(removed);
    EXPECT_EQ(a->get_shown_count(), 0u);
}

TEST_F(Alarms, NullAlarmsAreIgnored)
{
    TAlarmManager m;
    bool removed = true;
    m.add(nullptr);
    m.remove(nullptr, removed);
    EXPECT_FALSE(removed);
    EXPECT_EQ(m.next(), nullptr);
}

TEST_F(Alarms, AnySoftKeyAcknowledgesTheAlarmInTheStore)
{
    ds_alarm& record = ds().alarms.temperature;
    bool no = false;
    cds_set_bool(ds_head(), &record.acknowledged, &no);
    auto* a = alarm("alarm_mask_TEMPERATURE", 1, 0, &record);
    Soft_key_activation_event pressed(Activation_event::PRESSED | 7 << 8, 999);
    a->send_soft_key_event(pressed, 0);
    EXPECT_TRUE(cds_get_byte(ds_head(), &record.acknowledged));

    // Without a record nothing is written and nothing breaks.
    auto* bare = alarm("bare", 1);
    bare->send_soft_key_event(pressed, 0);
    EXPECT_EQ(bare->get_record(), nullptr);
    cds_set_bool(ds_head(), &record.acknowledged, &no);
}
