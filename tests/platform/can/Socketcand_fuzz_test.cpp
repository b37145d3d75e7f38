// What a TCP peer can send the socketcand text reader and parsers: random
// byte streams in random pieces, and random frames through the writers and
// back.
#include "platform/can/Socketcand_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

using Reader = Socketcand::Message_reader;

TEST(Socketcand_fuzz, RandomStreamsGiveOnlyWholeBoundedMessages)
{
    std::mt19937 rng(7);
    // Bytes weighted towards the protocol's own characters.
    const std::string alphabet = "<<>> sendframe0123456789ABCDEFabcdef.\r\n\t\x01\xff";
    for (int round = 0; round < 300; ++round) {
        std::string stream(1 + rng() % 3000, ' ');
        for (char& c : stream) c = alphabet[rng() % alphabet.size()];
        Reader reader;
        size_t at = 0;
        while (at < stream.size()) {
            size_t left = std::min<size_t>(1 + rng() % 64, stream.size() - at);
            const char* p = stream.data() + at;
            at += left;
            while (left) {
                Reader::Kind kind;
                size_t used = reader.feed(p, left, kind);
                ASSERT_GE(used, 1u);
                ASSERT_LE(used, left);
                p += used;
                left -= used;
                if (kind != Reader::MESSAGE) continue;
                const std::string_view m = reader.message();
                ASSERT_GE(m.size(), 2u);
                ASSERT_LE(m.size(), Socketcand::MAX_MESSAGE);
                ASSERT_EQ('<', m.front());
                ASSERT_EQ('>', m.back());
                CAN_packet frame;
                if (!Socketcand::parse_send(m, frame)) {
                    EXPECT_LE(frame.length, 8);
                    EXPECT_LE(frame.id, 0x1FFFFFFFu);
                }
                if (!Socketcand::parse_frame(m, frame)) {
                    EXPECT_LE(frame.length, 8);
                    EXPECT_LE(frame.id, 0x1FFFFFFFu);
                }
            }
        }
    }
}

TEST(Socketcand_fuzz, RandomFramesSurviveTheWritersAndParsers)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 5000; ++round) {
        CAN_packet in;
        in.set_extended(rng() % 2);
        in.id = in.is_extended() ? rng() & 0x1FFFFFFF : rng() & 0x7FF;
        in.length = uint8_t(rng() % 9);
        for (int i = 0; i < in.length; ++i) in.data[i] = uint8_t(rng());
        char text[Socketcand::MAX_MESSAGE];
        CAN_packet out;
        size_t n = Socketcand::format_send(in, text);
        ASSERT_LT(n, Socketcand::MAX_MESSAGE);
        ASSERT_EQ(nullptr, Socketcand::parse_send(std::string_view(text, n), out)) << std::string(text, n);
        EXPECT_EQ(0, std::memcmp(&in, &out, sizeof in)) << std::string(text, n);
        n = Socketcand::format_frame(in, int64_t(rng()), long(rng() % 1000000), text);
        ASSERT_LT(n, Socketcand::MAX_MESSAGE);
        ASSERT_EQ(nullptr, Socketcand::parse_frame(std::string_view(text, n), out)) << std::string(text, n);
        EXPECT_EQ(0, std::memcmp(&in, &out, sizeof in)) << std::string(text, n);
    }
}

} // namespace
