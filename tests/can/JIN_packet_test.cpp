#include "can/JIN_packet.h"

#include <gtest/gtest.h>

namespace {

JIN_packet frame(uint32_t id, bool extended)
{
    JIN_packet p;
    p.id = id;
    p.set_extended(extended);
    return p;
}

struct Id_case {
    uint32_t id;
    bool extended;
    unsigned pgn;
    unsigned dest;
    unsigned src;
    unsigned prio;
    bool pdu2;
};

class JIN_packet_unpack : public ::testing::TestWithParam<Id_case> {};

TEST_P(JIN_packet_unpack, FieldsOfTheIdentifier)
{
    const Id_case& c = GetParam();
    JIN_packet p = frame(c.id, c.extended);
    EXPECT_EQ(p.get_pgn(), c.pgn);
    EXPECT_EQ(p.get_dest(), c.dest);
    EXPECT_EQ(p.get_src(), c.src);
    EXPECT_EQ(p.get_prio(), c.prio);
    EXPECT_EQ(p.is_pdu2(), c.pdu2);
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, JIN_packet_unpack,
    ::testing::Values(
        Id_case{0x18EAFF1C, true, 0xEA00, 255, 0x1C, 6, false},  // request to all (PDU1)
        Id_case{0x18EA261C, true, 0xEA00, 0x26, 0x1C, 6, false}, // request to 0x26
        Id_case{0x18FECA1C, true, 0xFECA, 255, 0x1C, 6, true},   // DM1 (PDU2)
        Id_case{0x1DEF801C, true, 0x1EF00, 0x80, 0x1C, 7, false}, // data page set
        Id_case{0x09F80126, true, 0x1F801, 255, 0x26, 2, true},  // NMEA 2000 rapid position
        Id_case{0x0CF00400, true, 0xF004, 255, 0x00, 3, true},
        Id_case{0x35A, false, 0xF005A, 255, 0x5A, 3, false}));   // 11-bit frame

TEST(JIN_packet, PackingKeepsPriorityAndSource)
{
    JIN_packet p;
    p.set_extended_id(6, 0xEA00, 0x26, 0x1C);
    EXPECT_EQ(p.id, 0x18EA261Cu);
    p.set_extended_id(3, 0xFECA, 0x26, 0x80);
    EXPECT_EQ(p.id, 0x0CFECA80u) << "a PDU2 PGN ignores the destination";
    p.set_extended_id(7, 0x1EF00, 0x42, 0x1C);
    EXPECT_EQ(p.id, 0x1DEF421Cu);
    p.set_prio(2);
    EXPECT_EQ(p.get_prio(), 2u);
    EXPECT_EQ(p.get_src(), 0x1C);
    p.set_src(0x99);
    EXPECT_EQ(p.id, 0x09EF4299u);
}

TEST(JIN_packet, SetDestOnlyForPdu1)
{
    JIN_packet p = frame(0x18EAFF1C, true);
    EXPECT_FALSE(p.set_dest(0x26, 0xEA00));
    EXPECT_EQ(p.get_pdus(), 0x26u);
    EXPECT_EQ(p.get_dest(), 0x26);
    EXPECT_TRUE(p.set_dest(0x26, 0xFECA));
    EXPECT_EQ(p.get_pdus(), 0xCAu) << "PS holds the group extension";
    EXPECT_EQ(p.get_pgn(), 0xFECAu);
    EXPECT_EQ(p.get_src(), 0x1C);
    EXPECT_EQ(p.get_prio(), 6u);
}

TEST(JIN_packet, ElevenBitFramesIgnorePgnSetters)
{
    JIN_packet p = frame(0x35A, false);
    p.set_pgn(0xEA00);
    p.set_dest(0x26, 0xEA00);
    EXPECT_EQ(p.id, 0x35Au);
    EXPECT_EQ(p.get_pduf(), 0u);
    p.set_prio(5);
    EXPECT_EQ(p.id, 0x55Au);
}

} // namespace
