// The implement's diagnostics: one trouble code per alarm of the store, and
// the alarms active in the store reported as active codes.

#include "App_model.h"

#include "apps/sowvane/diagnostics/Implement_diag.h"
#include "can/Known_names.h"
#include "platform/tc/TC_object_pool.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class ImplementDiag : public ::testing::Test {
protected:
    void SetUp() override
    {
        const JIN_name::RAWNAME own(Known_names::get_seeder(0));
        ASSERT_EQ(1, diag.init(*model.mm, nullptr, own, false));
    }
    void poll()
    {
        Diner::Protection lock(diag);
        diag._poll_alarms();
    }
    // The SPN and FMI of each active code, in the DM1 entry's terms.
    std::set<std::pair<unsigned, unsigned>> active_codes()
    {
        Diner::Protection lock(diag);
        std::set<std::pair<unsigned, unsigned>> out;
        for (const auto* item = diag.active_list().first(); item; item = diag.active_list().next(item))
            if (item->is(Implement_diag::Item::ACTIVE))
                out.insert({item->spn(), item->fmi()});
        return out;
    }

    App_model model;
    Implement_diag diag{*model.store, "diag"};
};

TEST_F(ImplementDiag, EveryAlarmElementHasItsOwnCodeAndSpn)
{
    const unsigned elements = sizeof(ds_alarms) / sizeof(ds_alarm);
    ASSERT_EQ(diag.code_count(), elements);
    ASSERT_LE(diag.code_count(), 255u);  // one error report names them all
    std::set<unsigned> spns, codes;
    for (unsigned i = 0; i < diag.code_count(); i++) {
        const auto& c = diag.code(i);
        EXPECT_GE(c.spn, 520192u);
        EXPECT_LE(c.spn, 524287u);
        EXPECT_LE(c.fmi, 31u);
        EXPECT_EQ(c.src, Implement_diag::ALARM_SOURCE);
        spns.insert(c.spn);
        codes.insert(c.err_code);
        EXPECT_TRUE(c.text && c.text[0]);
    }
    EXPECT_EQ(spns.size(), elements);
    EXPECT_EQ(codes.size(), elements);
}

TEST_F(ImplementDiag, ActiveAlarmsAreActiveCodesAndGoBackWhenCleared)
{
    poll();
    EXPECT_TRUE(active_codes().empty());

    // tank_low is the sixth row: SPN 520192 + 5 x 16, per tank; tank 3 adds 3.
    model.body().alarms.tank_low[3].active = true;
    model.body().alarms.temperature.active = true;
    model.body().alarms.tank_empty[0].triggered = true;  // not active: no code
    poll();
    EXPECT_EQ(active_codes(), (std::set<std::pair<unsigned, unsigned>>{{520192 + 80 + 3, 17},
                                                                      {520192 + 144, 16}}));
    {
        Diner::Protection lock(diag);
        uint32_t entries[Implement_diag::MAX_DM_ENTRIES];
        EXPECT_EQ(diag.collect_dm1_entries(entries, Implement_diag::MAX_DM_ENTRIES), 2u);
    }

    model.body().alarms.tank_low[3].active = false;
    poll();
    EXPECT_EQ(active_codes(), (std::set<std::pair<unsigned, unsigned>>{{520192 + 144, 16}}));
}

TEST_F(ImplementDiag, IdentifiesSoftwareEcuAndProductFromTheProgram)
{
    Diner::Protection lock(diag);
    char field[64];
    unsigned len = 0;
    ASSERT_TRUE(diag.software_id().get_field(0, field, sizeof field, len));
    EXPECT_EQ(std::string(field), "sowvane 4.04-r12");
    ASSERT_TRUE(diag.software_id().get_field(1, field, sizeof field, len));
    EXPECT_EQ(std::string(field).rfind("build ", 0), 0u);
    EXPECT_EQ(diag.software_id().get_uint8(0), 2);
    ASSERT_TRUE(diag.ecu_id().get_field(Iso11783::Msg_ECUIdentification::HARDWARE_ID, field,
                                        sizeof field, len));
    EXPECT_EQ(std::string(field), "1");
    ASSERT_TRUE(diag.product_id().get_field(Iso11783::Msg_ProductIdentification::MODEL, field,
                                            sizeof field, len));
    EXPECT_EQ(std::string(field), "Air seeder and planter");
}

TEST_F(ImplementDiag, FunctionalitiesListWhatTheProgramOffers)
{
    auto answer = [&] {
        Diner::Protection lock(diag);
        diag.handle_pgn_request(Iso11783::PGN_FUNCTIONALITIES, 0x80, 0x1C, 0);
        const auto& f = diag.functionalities();
        return std::vector<unsigned char>(f.get_buffer(), f.get_buffer() + f.get_length());
    };
    // Byte 0 FF; then per functionality: its number, generation, option
    // byte count and option bytes.
    const std::vector<unsigned char> base = {0xFF, 2, 0, 1, 1, 0, 2, 1, 1, 0};
    EXPECT_EQ(answer(), base) << "minimum control function and VT working set";

    TC::Object_pool pool(nullptr, nullptr, 0);
    diag.set_tc_client(&pool);
    EXPECT_EQ(answer(), base) << "the TC client switched off offers nothing";
    pool.set_enabled(true);
    auto params = TC::Object_pool::version_params(TC::Object_pool::OPTION_DOCUMENTATION, 0, 0, 2);
    pool.set_version_params(3, &params);
    EXPECT_EQ(answer(), (std::vector<unsigned char>{0xFF, 3, 0, 1, 1, 0, 2, 1, 1, 0, 8, 1, 1, 0}))
        << "TC basic client";
    params = TC::Object_pool::version_params(
        TC::Object_pool::OPTION_DOCUMENTATION | TC::Object_pool::OPTION_SECTION_CONTROL, 2, 7, 2);
    pool.set_version_params(3, &params);
    EXPECT_EQ(answer(), (std::vector<unsigned char>{0xFF, 4, 0, 1, 1, 0, 2, 1, 1, 0, 8, 1, 1, 0,
                                                   12, 1, 2, 2, 7}))
        << "and section control with its booms and sections";
    diag.set_tc_client(nullptr);
    EXPECT_EQ(answer(), base);
}

}  // namespace
