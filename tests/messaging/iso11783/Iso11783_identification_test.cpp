#include "messaging/iso11783/Iso11783_identification.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace Iso11783;

std::vector<unsigned char> bytes_of(const Binary_message& m)
{
    return std::vector<unsigned char>(m.get_buffer(), m.get_buffer() + m.get_length());
}

std::string text_of(const Binary_message& m)
{
    return std::string(reinterpret_cast<const char*>(m.get_buffer()), m.get_length());
}

TEST(Star_delimited, MissingFieldsAreAddedEmptyUpToTheOneSet)
{
    Msg_ECUIdentification ecu;
    EXPECT_EQ(0, ecu.field_count());
    ASSERT_TRUE(ecu.set_field(4, "Maker"));
    ASSERT_TRUE(ecu.finish());
    EXPECT_EQ("****Maker*", text_of(ecu));
    EXPECT_EQ(5, ecu.field_count());
}

TEST(Star_delimited, ReplacingAFieldKeepsTheOthers)
{
    Msg_ProductIdentification p;
    ASSERT_TRUE(p.set_field(0, "0"));
    ASSERT_TRUE(p.set_field(1, "Brand"));
    ASSERT_TRUE(p.set_field(2, "M1"));
    ASSERT_TRUE(p.set_field(1, "A much longer brand"));
    ASSERT_TRUE(p.finish());
    EXPECT_EQ("0*A much longer brand*M1*", text_of(p));
    ASSERT_TRUE(p.set_field(1, "B"));
    ASSERT_TRUE(p.finish());
    EXPECT_EQ("0*B*M1*", text_of(p));

    char buf[8];
    unsigned len = 0;
    ASSERT_TRUE(p.get_field(2, buf, sizeof buf, len));
    EXPECT_STREQ("M1", buf);
    EXPECT_EQ(2u, len);
    EXPECT_FALSE(p.get_field(3, buf, sizeof buf, len));
    EXPECT_FALSE(p.get_field(2, buf, 2, len)) << "no room for the terminating 0";
}

TEST(Star_delimited, RefusedTexts)
{
    Msg_ECUIdentification ecu;
    EXPECT_FALSE(ecu.set_field(0, nullptr));
    EXPECT_FALSE(ecu.set_field(-1, "x"));
    EXPECT_FALSE(ecu.set_field(0, "a*b"));
    ecu.set_field_count_max(3);
    EXPECT_FALSE(ecu.set_field(3, "x")) << "beyond the field-count maximum";
    EXPECT_TRUE(ecu.set_field(2, "x"));

    Msg_ECUIdentification full;
    std::string big(1000, 'a');
    EXPECT_TRUE(full.set_field(0, big.c_str()));
    EXPECT_FALSE(full.set_field(1, big.c_str())) << "does not fit the buffer";
    ASSERT_TRUE(full.finish());
    EXPECT_EQ(1001u, full.get_length());
    char buf[1024];
    unsigned len = 0;
    EXPECT_TRUE(full.get_field(0, buf, sizeof buf, len));
    EXPECT_EQ(1000u, len);
}

TEST(Star_delimited, SoftwareIdentificationCountsItsFields)
{
    Msg_SoftwareIdentification sw;
    ASSERT_TRUE(sw.append_field(""));
    ASSERT_TRUE(sw.finish());
    EXPECT_EQ((std::vector<unsigned char>{0x01, '*'}), bytes_of(sw));
    ASSERT_TRUE(sw.append_field("v1.2"));
    ASSERT_TRUE(sw.finish());
    EXPECT_EQ((std::vector<unsigned char>{0x02, '*', 'v', '1', '.', '2', '*'}), bytes_of(sw));

    Msg_SoftwareIdentification copy;
    copy.static_copy_from(sw);
    EXPECT_EQ(bytes_of(sw), bytes_of(copy));
}

TEST(Functionalities, EntriesAndPadding)
{
    Msg_Functionalities f;
    ASSERT_TRUE(f.set_entry(0, 0, 1));
    ASSERT_TRUE(f.finish(1));
    EXPECT_EQ((std::vector<unsigned char>{0xFF, 0x01, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF}), bytes_of(f));

    unsigned char zero = 0;
    f.set_generation(1);
    ASSERT_TRUE(f.set_entry(0, 0, 1, &zero));
    ASSERT_TRUE(f.set_entry(1, 2, 1, &zero));
    ASSERT_TRUE(f.set_entry(2, 12, 1, &zero));
    ASSERT_TRUE(f.finish(3));
    EXPECT_EQ((std::vector<unsigned char>{0x01, 0x03, 0, 1, 1, 0, 2, 1, 1, 0, 12, 1, 1, 0}), bytes_of(f));

    // An entry with several option bytes, and one after it.
    const unsigned char booms_sections[2] = {2, 7};
    f.set_generation(0xFF);
    ASSERT_TRUE(f.set_entry(0, 12, 1, booms_sections, 2));
    ASSERT_TRUE(f.set_entry(1, 8, 1, &zero));
    ASSERT_TRUE(f.finish(2));
    EXPECT_EQ((std::vector<unsigned char>{0xFF, 0x02, 12, 1, 2, 2, 7, 8, 1, 1, 0}), bytes_of(f));
}

TEST(Compliance_certification, BitFields)
{
    Msg_IsobusComplianceCerts c;
    c.set_3bit(7);
    c.set_6bit(0);
    c.set_11bit(0);
    c.set_bytes_6_7(0);
    c.set_4bit(7);
    c.set_bytes_3_4(0);
    c.set_byte_5(0);
    EXPECT_EQ((std::vector<unsigned char>{0xC0, 0x0F, 0, 0, 0, 0, 0, 0}), bytes_of(c));

    c.set_6bit(0x2A);
    c.set_3bit(5);
    c.set_4bit(9);
    c.set_11bit(0x5A5);
    c.set_bytes_3_4(0x1234);
    c.set_byte_5(0x56);
    c.set_bytes_6_7(0xBEEF);
    EXPECT_EQ((std::vector<unsigned char>{0x6A, 0xB3, 0xB4, 0x34, 0x12, 0x56, 0xEF, 0xBE}), bytes_of(c));
    EXPECT_EQ(0x2Au, c.get_6bit());
    EXPECT_EQ(5u, c.get_3bit());
    EXPECT_EQ(9u, c.get_4bit());
    EXPECT_EQ(0x5A5u, c.get_11bit());
}

TEST(Diagnostic_protocol, OneByteThenPadding)
{
    Msg_DiagnosticProtocol d;
    d.set_protocols(0);
    EXPECT_EQ((std::vector<unsigned char>{0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), bytes_of(d));
}

} // namespace
