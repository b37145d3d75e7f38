#include "can/JIN_name.h"
#include "can/Known_names.h"

#include <gtest/gtest.h>

#include <vector>

using namespace J1939;
using JIN_name::NAME;
using JIN_name::RAWNAME;

namespace {

std::vector<unsigned> bytes_of(const RAWNAME& n)
{
    return std::vector<unsigned>(n.bytes(), n.bytes() + 8);
}

TEST(RAWNAME, EmptyName)
{
    RAWNAME n;
    EXPECT_EQ(bytes_of(n), (std::vector<unsigned>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x7F}));
    EXPECT_EQ(n.get_identity_number(), 0x1FFFFFu);
    EXPECT_EQ(n.get_manufacturer_code(), 0x7FFu);
    EXPECT_FALSE(n.get_is_self_configurable());
    EXPECT_FALSE(n.get_reserved());
    EXPECT_TRUE(RAWNAME::GLOBAL_NAME == n);
}

TEST(RAWNAME, GoldenBytesOfTheImplementName)
{
    const unsigned m = SOWVANE_MANUFACTURER_CODE;
    RAWNAME n(IND_CODE_AG_OR_FORESTRY, 0, DEV_CODE_PLANTER, static_cast<function_code_t>(128), 0,
              0, MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 5, true);
    EXPECT_EQ(bytes_of(n), (std::vector<unsigned>{0x05, 0x00, (m << 5) & 0xE0, m >> 3, 0x00, 0x80,
                                                  0x08, 0xA0}));
    EXPECT_EQ(bytes_of(Known_names::get_seeder(5)), bytes_of(n));
    EXPECT_EQ(n.get_industry_group(), 2u);
    EXPECT_EQ(n.get_device_class(), 4u);
    EXPECT_EQ(n.get_function(), 128u);
    EXPECT_EQ(n.get_manufacturer_code(), m);
    EXPECT_EQ(n.get_identity_number(), 5u);
}

TEST(RAWNAME, NumberFormIsBigEndian)
{
    RAWNAME n(0x0102030405060708ULL);
    EXPECT_EQ(bytes_of(n), (std::vector<unsigned>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(n.to_u64(), 0x0102030405060708ULL);
    RAWNAME copy;
    copy = n;
    EXPECT_TRUE(copy == n);
    EXPECT_EQ(copy.get_buffer(), copy.bytes()) << "a copy views its own bytes";
}

TEST(RAWNAME, OrderingIsByLittleEndianValue)
{
    RAWNAME fixed(IND_CODE_AG_OR_FORESTRY, 0, DEV_CODE_PLANTER, static_cast<function_code_t>(128),
                  0, 0, MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 5, false);
    RAWNAME configurable(IND_CODE_AG_OR_FORESTRY, 0, DEV_CODE_PLANTER,
                         static_cast<function_code_t>(128), 0, 0,
                         MAN_CODE_VORMEK_POSITIONING_SYSTEMS, 5, true);
    EXPECT_EQ(RAWNAME::compare(&fixed, &configurable), -1);
    EXPECT_EQ(RAWNAME::compare(&configurable, &fixed), 1);
    EXPECT_EQ(RAWNAME::compare(&fixed, &fixed), 0);
    EXPECT_TRUE(fixed < configurable);
    // The identity number weighs least: byte 0 decides only when all else is equal.
    RAWNAME low(0x0100000000000000ULL), high(0x0000000000000001ULL);
    EXPECT_TRUE(low < high);
}

TEST(NAME, SettersWriteOneFieldEach)
{
    NAME n;
    n.set_identity_number(0x1FFFFF, false);
    EXPECT_EQ(n.get_manufacturer_code(), 0x7FFu);
    n.set_manufacturer_code(static_cast<manufacturer_code_t>(0), false);
    EXPECT_EQ(std::vector<unsigned>(n.bytes(), n.bytes() + 4),
              (std::vector<unsigned>{0xFF, 0xFF, 0x1F, 0x00}));
    n.set_function_instance(31, false);
    n.set_ECU_instance(0, false);
    EXPECT_EQ(n.bytes()[4], 0xF8);
}

TEST(NAME, MatchingWithDontCareFields)
{
    const RAWNAME seeder = Known_names::get_seeder(77);
    RAWNAME other_identity = Known_names::get_seeder(78);
    unsigned char reserved_set[8];
    for (int i = 0; i < 8; ++i)
        reserved_set[i] = seeder.bytes()[i];
    reserved_set[6] |= 0x01;
    RAWNAME with_reserved;
    with_reserved.set_bytes(0, reserved_set, 8);

    EXPECT_TRUE(NAME().match(RAWNAME::GLOBAL_NAME));
    EXPECT_TRUE(NAME().match(seeder));

    NAME exact(seeder);
    EXPECT_TRUE(exact.match(seeder));
    EXPECT_TRUE(exact.match(with_reserved)) << "the reserved bit is never compared";
    EXPECT_FALSE(exact.match(other_identity));

    NAME any_seeder = Known_names::get_seeder(0);
    any_seeder.set_identity_number(0, true);
    EXPECT_TRUE(any_seeder.match(seeder));
    EXPECT_TRUE(any_seeder.match(other_identity));
    EXPECT_FALSE(any_seeder.match(Known_names::get_tmc(77)));
}

TEST(Known_names, PatternsMatchTheirDevices)
{
    // get_mmi is get_config with function instance 1.
    const RAWNAME config_tool(IND_CODE_AG_OR_FORESTRY, 0, DEV_CODE_NON_SPECIFIC, FUNC_CODE_NAVIGATION,
                              2, 0, Known_names::maker, 1234, true);
    EXPECT_TRUE(Known_names::get_config().match(config_tool));
    EXPECT_FALSE(Known_names::get_mmi().match(config_tool));
    EXPECT_FALSE(Known_names::get_config().cares(NAME::CARE_IDENTITY_NUMBER));

    const NAME vt = Known_names::get_vt_server(9);
    EXPECT_EQ(vt.get_function(), 29u);
    EXPECT_EQ(vt.get_function_instance(), 5u);
    EXPECT_EQ(vt.get_identity_number(), 9u);
    EXPECT_TRUE(vt.cares(NAME::CARE_IDENTITY_NUMBER));

    const NAME helm = Known_names::get_proposed_helmor7();
    EXPECT_FALSE(helm.get_is_self_configurable());
    EXPECT_EQ(helm.get_industry_group(), 0u);
    EXPECT_EQ(helm.get_function(), 16u);
    EXPECT_EQ(helm.get_function_instance(), 3u);
}

} // namespace
