#include "platform/can/Socketcand_text.h"
#include "tests/support/Socketcand_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = Socketcand::Message_reader::Kind;

// Feeds text in pieces of the given size and lists what the reader reports.
std::vector<std::string> read_all(const std::string& text, size_t piece)
{
    Socketcand::Message_reader r;
    std::vector<std::string> events;
    for (size_t at = 0; at < text.size(); at += piece) {
        const char* p = text.data() + at;
        size_t left = std::min(piece, text.size() - at);
        while (left) {
            Kind kind;
            size_t used = r.feed(p, left, kind);
            p += used;
            left -= used;
            if (kind == Socketcand::Message_reader::MESSAGE) events.emplace_back(r.message());
            if (kind == Socketcand::Message_reader::GARBAGE) events.emplace_back("GARBAGE");
            if (kind == Socketcand::Message_reader::TOO_LONG) events.emplace_back("TOO_LONG");
        }
    }
    return events;
}

TEST(Socketcand_reader, CutsMessagesWhateverThePieces)
{
    const std::string text = "< hi >< ok >\r\n  junk< frame 123 1.5 AB >< " +
                             std::string(300, 'x') + " >< echo >";
    const std::vector<std::string> expected{"< hi >", "< ok >", "GARBAGE", "< frame 123 1.5 AB >",
                                            "TOO_LONG", "< echo >"};
    for (size_t piece : {1u, 2u, 7u, 1000u}) EXPECT_EQ(read_all(text, piece), expected) << piece;
}

TEST(Socketcand_text, ParsesSendCommands)
{
    struct Case {
        const char* text;
        const char* fault;
        uint32_t id;
        bool extended;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"< send 123 2 1 ff >", nullptr, 0x123, false, {0x01, 0xFF}},
        {"< send 18EAFF1C 3 0 EE 0 >", nullptr, 0x18EAFF1C, true, {0x00, 0xEE, 0x00}},
        {"< send 00000100 0 >", nullptr, 0x100, true, {}},  // 8 digits: 29-bit
        {"< send 800 0 >", nullptr, 0x800, true, {}},       // above 0x7FF: 29-bit
        {"<send 7FF 1 a>", nullptr, 0x7FF, false, {0x0A}},
        {"< send 123 1 >", "byte count differs from length", 0, false, {}},
        {"< send 123 1 100 >", "bad data byte", 0, false, {}},
        {"< send 20000000 0 >", "identifier above 29 bits", 0, false, {}},
        {"< send g 0 >", "bad identifier", 0, false, {}},
        {"< send 123 >", "not a send command", 0, false, {}},
        {"< frame 123 1.0 00 >", "not a send command", 0, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CAN_packet f;
        const char* fault = Socketcand::parse_send(c.text, f);
        if (c.fault) {
            EXPECT_STREQ(fault, c.fault);
            continue;
        }
        ASSERT_EQ(fault, nullptr) << fault;
        EXPECT_EQ(f.id, c.id);
        EXPECT_EQ(f.is_extended(), c.extended);
        EXPECT_EQ(std::vector<uint8_t>(f.data, f.data + f.length), c.data);
    }
}

TEST(Socketcand_text, FormatsAndParsesFrames)
{
    char buf[Socketcand::MAX_MESSAGE];
    CAN_packet ext = make_frame(0x18EAFF1C, true, {0x00, 0xEE, 0x00});
    CAN_packet std11 = make_frame(0x5A, false, {});

    EXPECT_EQ(std::string(buf, Socketcand::format_send(ext, buf)), "< send 18EAFF1C 3 00 EE 00 >");
    EXPECT_EQ(std::string(buf, Socketcand::format_send(std11, buf)), "< send 05A 0 >");
    EXPECT_EQ(std::string(buf, Socketcand::format_frame(ext, 1700000000, 42, buf)),
              "< frame 18EAFF1C 1700000000.000042 00EE00 >");
    // No data leaves an empty field between the two spaces, as socketcand does.
    EXPECT_EQ(std::string(buf, Socketcand::format_frame(std11, 5, 999999, buf)),
              "< frame 05A 5.999999  >");
    EXPECT_EQ(std::string(buf, Socketcand::format_candump_line(ext, 12, 3, "can0", buf)),
              "(12.000003) can0 18EAFF1C#00EE00\n");

    for (const CAN_packet& f : {ext, std11}) {
        CAN_packet back;
        size_t n = Socketcand::format_frame(f, 1, 2, buf);
        ASSERT_EQ(Socketcand::parse_frame(std::string_view(buf, n), back), nullptr);
        EXPECT_TRUE(same_frame(back, f));
        n = Socketcand::format_send(f, buf);
        ASSERT_EQ(Socketcand::parse_send(std::string_view(buf, n), back), nullptr);
        EXPECT_TRUE(same_frame(back, f));
    }
    CAN_packet f;
    EXPECT_STREQ(Socketcand::parse_frame("< frame 123 1.0 ABC >", f), "bad data");
    EXPECT_STREQ(Socketcand::parse_frame("< frame 123 x 00 >", f), "bad time stamp");
    EXPECT_STREQ(Socketcand::parse_frame("< frame 123 1.0 00112233445566778899 >", f), "bad data");
}

}  // namespace
