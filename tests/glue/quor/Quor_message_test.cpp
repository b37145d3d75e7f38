#include "glue/quor/Quor_message.h"
#include "glue/quor/Quor_response.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A 16-byte history-style record "SP" with an 11-byte body.
struct Sp_record {
    unsigned char bytes[17] = {};
    Sp_record()
    {
        Quor_message m(bytes, 16);
        m.setup("SP", 16);
        for (int i = 5; i < 15; i++)
            bytes[i] = static_cast<unsigned char>(i * 7);
        EXPECT_TRUE(m.set_checksum());
        bytes[16] = '\n';
    }
};

TEST(Quor_message, ChecksumRotatesLeftTwoAndXors)
{
    const unsigned char abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(0xF3, Quor_message::checksum(abc, 3));
    EXPECT_EQ(0, Quor_message::checksum(abc, 0));
    unsigned char buf[3] = {'a', 'b', 'c'};
    Quor_message m(buf, 3);
    EXPECT_EQ(0xF3, m.compute_8bit_checksum(3));
    EXPECT_EQ(0xF3, m.compute_8bit_checksum(50)) << "never reads past the view";
    EXPECT_EQ(0, m.compute_8bit_checksum(0));
}

TEST(Quor_message, SetupWritesHeaderAndChecksumValidates)
{
    Sp_record r;
    EXPECT_EQ(0, memcmp(r.bytes, "SP00B", 5));
    EXPECT_EQ(Quor_message::checksum(r.bytes, 15), r.bytes[15]);
    Quor_message m(r.bytes, 17);
    EXPECT_EQ(11u, m.get_msg_len());
    EXPECT_EQ(20563, m.get_id());
    EXPECT_TRUE(m.validate(20563));
    EXPECT_FALSE(m.validate(Quor_message::id_code('R', 'E')));

    Quor_message without_terminator(r.bytes, 16);
    EXPECT_FALSE(without_terminator.check_checksum()) << "a delivered frame keeps its terminator";

    r.bytes[7] ^= 0x01;
    EXPECT_FALSE(m.validate(20563));
}

TEST(Quor_message, TextChecksumForm)
{
    // "XY005ab@hh" + CR: the checksum covers everything up to the '@'.
    unsigned char buf[16] = {'X', 'Y', '0', '0', '5', 'a', 'b', '@', 0, 0, '\r'};
    char digits[3];
    snprintf(digits, sizeof digits, "%02x", Quor_message::checksum(buf, 8));
    buf[8] = static_cast<unsigned char>(digits[0]);
    buf[9] = static_cast<unsigned char>(digits[1]);
    Quor_message m(buf, 11);
    EXPECT_TRUE(m.check_checksum());
    buf[6] = 'c';
    EXPECT_FALSE(m.check_checksum());
}

TEST(Quor_message, LengthDigitsAndResizing)
{
    struct Case {
        const char* header;
        unsigned len;
    };
    const Case cases[] = {{"AB00B", 11}, {"ABfff", 4095}, {"ABFFF", 4095}, {"AB0G1", 0}, {"AB000", 0}};
    for (const Case& c : cases) {
        unsigned char buf[8];
        memcpy(buf, c.header, 5);
        EXPECT_EQ(c.len, Quor_message(buf, 5).get_msg_len()) << c.header;
    }
    unsigned char short_buf[4] = {'A', 'B', '0', '1'};
    EXPECT_EQ(0u, Quor_message(short_buf, 4).get_msg_len());

    Sp_record r;
    Quor_message m(r.bytes, 16);
    EXPECT_FALSE(m.reduce_size_to(4096));
    EXPECT_FALSE(m.reduce_size_to(12)) << "12 + 5 exceeds the 16-byte view";
    EXPECT_TRUE(m.reduce_size_to(3));
    EXPECT_EQ(8u, m.get_length());
    EXPECT_EQ(0, memcmp(r.bytes, "SP003", 5));
}

TEST(Quor_message, ZeroLengthBodyHasNoChecksumByte)
{
    unsigned char buf[8] = {'A', 'B', '0', '0', '0', '\n'};
    Quor_message m(buf, 6);
    EXPECT_FALSE(m.set_checksum()) << "would overwrite the length digits";
    EXPECT_EQ(0, memcmp(buf, "AB000\n", 6));
    EXPECT_FALSE(m.check_checksum());
}

TEST(Quor_message, SetupNeverWritesPastTheHeader)
{
    unsigned char buf[8];
    memset(buf, '#', sizeof buf);
    Quor_message m(buf, 5);
    m.setup("AB", 5000 + 5);  // a body length that three digits cannot hold
    EXPECT_EQ(0, memcmp(buf, "AB###", 5)) << "length left untouched";
    EXPECT_EQ('#', buf[5]);
    Quor_message tiny(buf, 3);
    tiny.setup("CD", 10);
    EXPECT_EQ('A', buf[0]) << "a view shorter than the header is not written";
}

TEST(Quor_response, ReplyTextAndStatus)
{
    unsigned char buf[16] = {'R', 'E', '0', '0', '5', 'h', 'e', 'l', 'l', 'o', '\r', '\n', 0, 0};
    Quor_response reply(buf, 14);
    EXPECT_TRUE(reply.get_response_status());
    EXPECT_STREQ("hello\r\n", reply.get_response_string());
    EXPECT_TRUE(reply.check_response_string("hel"));
    EXPECT_FALSE(reply.check_response_string("help"));

    buf[0] = 'E';
    buf[1] = 'R';
    EXPECT_FALSE(reply.get_response_status());

    Quor_response unterminated(buf, 12);
    EXPECT_STREQ("", unterminated.get_response_string()) << "no 0 byte within reach";

    EXPECT_TRUE(reply.set_msg_len(0xabc));
    EXPECT_EQ(0, memcmp(buf + 2, "abc", 3));
    EXPECT_FALSE(reply.set_msg_len(4096));
}

TEST(Quor_response, StripIdentifier)
{
    char text[] = "RE01A%SI%  1,2,3\r\n";
    Quor_response reply(reinterpret_cast<unsigned char*>(text), sizeof text);
    unsigned len = 99;
    char* start = reply.strip_identifier(len);
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(5u, len);
    EXPECT_EQ(0, strncmp(start, "1,2,3", len));
    EXPECT_EQ(reinterpret_cast<unsigned char*>(start), reply.get_buffer());

    char one_percent[] = "RE003%ab\r\n";
    Quor_response r2(reinterpret_cast<unsigned char*>(one_percent), sizeof one_percent);
    EXPECT_EQ(nullptr, r2.strip_identifier(len));

    // No 0 byte in the view: the search stops at the view's end.
    unsigned char unterminated[10] = {'R', 'E', '0', '0', '5', '%', 'A', '%', 'x', '%'};
    Quor_response r3(unterminated, 9);
    start = r3.strip_identifier(len);
    ASSERT_NE(nullptr, start);
    EXPECT_EQ(1u, len);

    char blank[] = "RE005%A%  \r\n";
    Quor_response r4(reinterpret_cast<unsigned char*>(blank), sizeof blank);
    EXPECT_EQ(nullptr, r4.strip_identifier(len));
    EXPECT_EQ(0u, len);
}

} // namespace
