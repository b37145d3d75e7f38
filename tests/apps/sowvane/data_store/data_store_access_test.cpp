// The locked accessors of the live data store: reads and writes under the
// store's lock, change events for exactly the written field, and the lock's
// deadlock reports.

#include "apps/sowvane/data_store/data_store.h"
#include "apps/sowvane/data_store/data_store_lookup.h"
#include "glue/diner/Mutex.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"
#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

class DataStoreAccess : public ::testing::Test {
protected:
    void SetUp() override { waiter.init(mm.get()); }

    // The payload of every pending event of the store's plain registrations.
    std::vector<long> take_codes()
    {
        std::vector<long> codes;
        while (waiter.num_pending() > 0) {
            waiter_event e;
            waiter.get_event(&e);
            EXPECT_EQ(e.module_id, store->head.get_plain_id());
            codes.push_back(long(e.code));
        }
        return codes;
    }

    std::unique_ptr<module_man> mm = std::make_unique<module_man>();
    std::unique_ptr<Data_store> store = std::make_unique<Data_store>(mm.get());
    data_store_body& b = store->body;
    CDS::Head* head = &store->head;
    waiter_descriptor waiter;
};

TEST_F(DataStoreAccess, ReadsAndWritesGoThroughTheLock)
{
    EXPECT_EQ(cds_get_byte(head, &b.system.alive), 1);
    EXPECT_EQ(cds_get_word(head, &b.system.hardware_id), 1u);
    EXPECT_EQ(cds_get_double(head, &b.channels.channels[0].min_rate), 1000000.0);

    float speed = 12.5f;
    cds_set_float(head, &b.vehicle.speed, &speed);
    EXPECT_EQ(cds_get(head, &b.vehicle.speed), 12.5f);
    ds_ulong period = 0xFFFFFFFFu;
    cds_set_ulong(head, &b.vehicle.ground_speed_sensor.period, &period);
    EXPECT_EQ(b.vehicle.ground_speed_sensor.period, 0xFFFFFFFFu);
    EXPECT_EQ(b.vehicle.ground_speed_sensor.pulse_count, 0u);
    double rate = 3.25;
    cds_set_double(head, &b.channels.channels[7].requested_rate, &rate);

    ds_channel copy;
    cds_get_channel(&copy, head, &b.channels.channels[7]);
    EXPECT_EQ(copy.requested_rate, 3.25);
    EXPECT_EQ(copy.rate_control_mode, 1);

    unsigned char states[4] = {1, 2, 3, 4};
    cds_set_array(head, b.diagnostics.spray_ecu[1].boom_state, states, sizeof states);
    EXPECT_EQ(b.diagnostics.spray_ecu[1].boom_state[3], 4);
    EXPECT_EQ(b.diagnostics.spray_ecu[1].button_box_found, 0);

    char version[12];
    cds_get_firmware_version(version, head, &b.system.firmware_version);
    EXPECT_STREQ(version, "4.04-r12");
}

TEST_F(DataStoreAccess, ARegistrationCoversExactlyItsFieldsOwnBytes)
{
    // Neighbouring one-byte flags of the system record.
    const int vt_code = cds_change_code(&b.system.vt_alive, 1);
    ASSERT_EQ(cds_event_register_byte(head, &waiter, &b.system.vt_alive, CDS::REG_APP, vt_code), 0);
    // Neighbouring 4-byte words of the vehicle record.
    const int speed_code = cds_change_code(&b.vehicle.speed, 4);
    ASSERT_EQ(cds_event_register(head, &waiter, &b.vehicle.speed, CDS::REG_APP, speed_code), 0);
    EXPECT_EQ(speed_code, 0x40000 | int(reinterpret_cast<unsigned long>(&b.vehicle.speed) & 0xFFFF));

    bool on = true;
    cds_set_bool(head, &b.system.alive, &on);   // the byte before
    cds_set_bool(head, &b.system.tc_alive, &on);  // the byte after
    float gps = 7.0f;
    cds_set_float(head, &b.vehicle.source_speed, &gps);
    EXPECT_TRUE(take_codes().empty());

    cds_set_bool(head, &b.system.vt_alive, &on);
    cds_set_float(head, &b.vehicle.speed, &gps);
    EXPECT_EQ(take_codes(), (std::vector<long>{vt_code, speed_code}));

    // The same value again changes nothing and sends nothing.
    cds_set_bool(head, &b.system.vt_alive, &on);
    EXPECT_TRUE(take_codes().empty());

    // A write of the whole record reaches the field's registration.
    ds_system system = b.system;
    system.vt_alive = false;
    cds_set(head, &b.system, system);
    EXPECT_EQ(take_codes(), (std::vector<long>{vt_code}));
}

TEST_F(DataStoreAccess, SetFromTextThatFailsChangesNothingAndSendsNoEvent)
{
    auto lookup = std::make_unique<CDS::Lookup_data_store_body>(store->head, store->body);
    const int code = cds_change_code(&b.channels.channels[3].rate_control_mode, 4);
    ASSERT_EQ(cds_event_register_word(head, &waiter, &b.channels.channels[3].rate_control_mode,
                                      CDS::REG_APP, code),
              0);
    CDS::Lookup_item* item = lookup->find_item("channels.channels.3.rate_control_mode", '.');
    ASSERT_NE(item, nullptr);

    for (const char* bad : {"", "x12", "-"}) {
        EXPECT_EQ(item->set_from_string(bad, head), nullptr) << bad;
        EXPECT_EQ(b.channels.channels[3].rate_control_mode, 1) << bad;
    }
    EXPECT_TRUE(take_codes().empty());

    EXPECT_NE(item->set_from_string("2", head), nullptr);
    EXPECT_EQ(b.channels.channels[3].rate_control_mode, 2);
    EXPECT_EQ(take_codes(), (std::vector<long>{code}));
}

TEST_F(DataStoreAccess, AWaitForTheLockIsReportedAndItsEndToo)
{
    Debug_capture capture;
    head->lock();
    unsigned int read = 0;
    std::thread reader([&] { read = cds_get_word(head, &b.system.hardware_id); });
    // The reader reports its first failed 500 ms try; only then is the lock
    // released, so the reader must report the late success as well.
    const bool waited = capture.wait_for("Deadlock assumed");
    head->unlock();
    reader.join();
    EXPECT_TRUE(waited) << "the other thread never waited for the lock";
    EXPECT_EQ(read, 1u);
    std::string text = capture.text();
    EXPECT_NE(text.find("(owner "), std::string::npos) << text;
    EXPECT_NE(text.find("Deadlock avoided"), std::string::npos) << text;
}

// The holder locking again waits out every try, reporting each (numbered from
// 0), and ends the process after the last one: the reports run from 0 to
// MAX_FAILED_TRIES - 1 and the last of them is the last thing written.
TEST_F(DataStoreAccess, ASecondLockByTheHolderEndsTheProcessAfterTheReports)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string last = std::to_string(Mutex::MAX_FAILED_TRIES - 1);
    const std::string before_last = std::to_string(Mutex::MAX_FAILED_TRIES - 2);
    const std::string reports = "Deadlock assumed [^ ]+ 0 \\(.*Deadlock assumed [^ ]+ " + before_last +
                                " \\(.*Deadlock assumed [^ ]+ " + last + " \\([^\n]*\n$";
    EXPECT_DEATH(
        {
            head->lock();
            cds_get_byte(head, &b.system.alive);
        },
        reports);
}

}  // namespace
