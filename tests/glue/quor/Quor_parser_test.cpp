#include "glue/quor/Quor_parser.h"
#include "glue/quor/Quor_message.h"
#include "glue/quor/Quor_response.h"

#include "Byte_source_stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// A binary frame with a valid checksum: id, body (checksum byte added), terminator.
std::string frame(const char* id, const std::string& body, const char* terminator = "\n")
{
    std::string f(id, 2);
    char len[8];
    snprintf(len, sizeof len, "%03X", static_cast<unsigned>(body.size() + 1));
    f += len;
    f += body;
    f += static_cast<char>(Quor_message::checksum(reinterpret_cast<const unsigned char*>(f.data()),
                                                  static_cast<unsigned>(f.size())));
    return f + terminator;
}

struct Item {
    Quor_parser::Packet_kind kind;
    std::string bytes;
};

Item next(Quor_parser& parser, int size = 300)
{
    std::string buf(static_cast<size_t>(size), '\0');
    int len = -1;
    auto kind = parser.get_packet(reinterpret_cast<unsigned char*>(&buf[0]), size, len);
    EXPECT_GE(len, 0);
    EXPECT_LE(len, size);
    buf.resize(static_cast<size_t>(len < 0 ? 0 : len));
    return {kind, buf};
}

bool validates(const std::string& bytes, const char* id)
{
    std::string copy = bytes;
    Quor_message m(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<unsigned>(copy.size()));
    return m.validate(Quor_message::id_code(id[0], id[1]));
}

TEST(Quor_parser, RecordParsesBackAndValidates)
{
    std::string record = frame("SP", std::string("\x01\x02\x00\x03\x04\x05\x06\x07\x08\x09", 10));
    ASSERT_EQ(17u, record.size());
    Byte_source_stream stream(record);
    Quor_parser parser(&stream);
    unsigned char buf[300];
    EXPECT_EQ(17, parser.get_packet(buf, 300));
    Quor_message m(buf, 17);
    EXPECT_TRUE(m.validate(20563));
    EXPECT_EQ(0, parser.get_packet(buf, 300));

    std::string damaged = record;
    damaged[8] ^= 0x40;
    Byte_source_stream stream2(damaged);
    Quor_parser parser2(&stream2);
    EXPECT_EQ(17, parser2.get_packet(buf, 300)) << "the parser does not judge checksums";
    EXPECT_FALSE(Quor_message(buf, 17).validate(20563));
}

TEST(Quor_parser, FramesEndInCrOrLfAndExtraLineEndsAreDropped)
{
    for (const char* t : {"\n", "\r", "\r\n", "\n\n\r"}) {
        std::string f = frame("AB", "xyz", t);
        Byte_source_stream stream(f + frame("CD", "12"));
        Quor_parser parser(&stream);
        Item a = next(parser);
        EXPECT_EQ(Quor_parser::FRAME, a.kind);
        EXPECT_EQ(f.substr(0, 10), a.bytes);
        EXPECT_TRUE(validates(a.bytes, "AB"));
        Item b = next(parser);
        EXPECT_EQ(Quor_parser::FRAME, b.kind);
        EXPECT_TRUE(validates(b.bytes, "CD"));
    }
}

TEST(Quor_parser, ZeroLengthBody)
{
    Byte_source_stream stream(std::string("AB000\r") + frame("CD", "1"));
    Quor_parser parser(&stream);
    Item a = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, a.kind);
    EXPECT_EQ("AB000\r", a.bytes);
    EXPECT_EQ(Quor_parser::FRAME, next(parser).kind);
}

TEST(Quor_parser, RepliesAndTextLines)
{
    Byte_source_stream stream("RE005hello\r\nhello\r\nER003bad\r\n");
    Quor_parser parser(&stream);
    Item reply = next(parser);
    ASSERT_EQ(Quor_parser::REPLY, reply.kind);
    ASSERT_EQ(14u, reply.bytes.size());
    EXPECT_EQ(std::string("RE005hello\r\n\0\0", 14), reply.bytes);
    Quor_response r(reinterpret_cast<unsigned char*>(&reply.bytes[0]), 14);
    EXPECT_TRUE(r.get_response_status());
    EXPECT_STREQ("hello\r\n", r.get_response_string());

    // "he" passes as an identifier, "llo" fails as a length: one byte goes,
    // the rest of the line comes out as a text line.
    Item line = next(parser);
    EXPECT_EQ(Quor_parser::TEXT_LINE, line.kind);
    EXPECT_EQ("ello\r\n", line.bytes);

    unsigned char buf[64];
    EXPECT_EQ(0, parser.get_packet(buf, sizeof buf)) << "a reply is consumed and reported as 0";
    EXPECT_EQ(0u, stream.bytes_avail());
}

TEST(Quor_parser, TextLineThroughTwoArgumentForm)
{
    Byte_source_stream stream("hello\r\n");
    Quor_parser parser(&stream);
    unsigned char buf[64];
    EXPECT_EQ(-6, parser.get_packet(buf, sizeof buf));
}

TEST(Quor_parser, ZeroBytesBeforeAFrameAreSkipped)
{
    Byte_source_stream stream(std::string("\0\0", 2) + frame("AB", "q"));
    Quor_parser parser(&stream);
    Item a = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, a.kind);
    EXPECT_TRUE(validates(a.bytes, "AB"));
}

TEST(Quor_parser, ResynchronisesAfterACorruptedFrame)
{
    struct Case {
        const char* name;
        std::string garbage;
    };
    const Case cases[] = {
        {"bad length digits", "SP0Z1abc\n"},
        {"bad identifier", "\x01P00Bxxxxxxxxxxx\n"},
        {"missing terminator", "AB003xyzQQ\n"},
        {"reply without LF", "RE002ok\rX\n"},
        {"truncated frame", "AB00Axyz\n"},
    };
    for (const Case& c : cases) {
        std::string good = frame("SP", "0123456789");
        Byte_source_stream stream(c.garbage + good + good);
        Quor_parser parser(&stream);
        int frames = 0;
        for (int i = 0; i < 20; i++) {
            Item it = next(parser);
            if (it.kind == Quor_parser::NOTHING)
                break;
            if (it.kind == Quor_parser::FRAME && validates(it.bytes, "SP"))
                frames++;
        }
        EXPECT_EQ(2, frames) << c.name;
    }
}

TEST(Quor_parser, FrameSplitOverSeveralReads)
{
    std::string f = frame("PV", std::string(40, 'v'));
    Byte_source_stream stream("", 3);
    Quor_parser parser(&stream);
    size_t fed = 0;
    Item it{Quor_parser::NOTHING, ""};
    while (fed < f.size()) {
        it = next(parser);
        if (it.kind != Quor_parser::NOTHING)
            break;
        stream.feed(f.substr(fed, 7));
        fed += 7;
    }
    while (it.kind == Quor_parser::NOTHING && !stream.exhausted())
        it = next(parser);
    if (it.kind == Quor_parser::NOTHING)
        it = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, it.kind);
    EXPECT_TRUE(validates(it.bytes, "PV"));
}

TEST(Quor_parser, SmallBufferDeliversTheFrontAndKeepsTheRest)
{
    Byte_source_stream stream(frame("AB", "0123456789"));
    Quor_parser parser(&stream);
    Item a = next(parser, 8);
    EXPECT_EQ(Quor_parser::FRAME, a.kind);
    EXPECT_EQ("AB00B012", a.bytes);
    EXPECT_EQ(9u, stream.bytes_avail()) << "the remainder stays in the stream";
}

TEST(Quor_parser, LongLineWithoutNewlineIsDiscardedInPieces)
{
    std::string junk(5000, '\x80');
    std::string good = frame("SP", "0123456789");
    Byte_source_stream stream(junk + "\n" + good);
    Quor_parser parser(&stream);
    Item line = next(parser, 1000);
    EXPECT_EQ(Quor_parser::TEXT_LINE, line.kind);
    EXPECT_EQ(5000u - 4190u + 1u, line.bytes.size());
    Item f = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, f.kind);
    EXPECT_TRUE(validates(f.bytes, "SP"));
}

TEST(Quor_parser, CheckerVetoesHeaders)
{
    struct Only_sp : Quor_parser::Checker {
        int calls = 0;
        bool check(Data_stream&, unsigned short id, int frame_size) override
        {
            calls++;
            return id == Quor_message::id_code('S', 'P') && frame_size == 16;
        }
    } checker;
    Byte_source_stream stream(frame("XY", "abc") + frame("SP", "0123456789"));
    Quor_parser parser(&stream);
    parser.set_checker(&checker);
    Item a = next(parser);
    EXPECT_EQ(Quor_parser::TEXT_LINE, a.kind) << "the vetoed frame's rest is a text line";
    Item b = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, b.kind);
    EXPECT_TRUE(validates(b.bytes, "SP"));
    EXPECT_GE(checker.calls, 2);
}

TEST(Quor_parser, WithoutNewlineModeAFrameGetsALineEnd)
{
    std::string f = frame("AB", "xyz", "");
    Byte_source_stream stream(f + "\r\n" + f);
    Quor_parser parser(&stream);
    parser.set_newline_mode(false);
    Item a = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, a.kind);
    EXPECT_EQ(f + "\n", a.bytes);
    Item b = next(parser);
    EXPECT_EQ(Quor_parser::FRAME, b.kind);
    EXPECT_TRUE(validates(b.bytes, "AB"));
}

TEST(Quor_parser, InitDropsWhatIsBuffered)
{
    Byte_source_stream stream(frame("AB", "x") + frame("CD", "y"));
    Quor_parser parser(&stream);
    ASSERT_TRUE(stream.bytes_avail(7));
    parser.init();
    EXPECT_EQ(0u, stream.bytes_avail());
    Quor_parser no_stream(nullptr);
    unsigned char buf[8];
    int len = 5;
    EXPECT_EQ(Quor_parser::NOTHING, no_stream.get_packet(buf, 8, len));
    EXPECT_EQ(0, len);
}

// Random streams: garbage, frames, replies and text lines in random pieces,
// parsed with random buffer sizes. Nothing may overrun, hang or crash.
TEST(Quor_parser, FuzzRandomStreams)
{
    std::mt19937 rng(20260601);
    for (int round = 0; round < 300; round++) {
        std::string input;
        int parts = 1 + static_cast<int>(rng() % 30);
        for (int p = 0; p < parts; p++) {
            switch (rng() % 5) {
            case 0: {
                std::string body(rng() % 60, '\0');
                for (char& c : body)
                    c = static_cast<char>(rng());
                input += frame("SP", body, (rng() & 1) ? "\n" : "\r\n");
                break;
            }
            case 1:
                input += "RE00" + std::string(1, "0123456789"[rng() % 10]) + "okokokokok\r\n";
                break;
            case 2: {
                std::string junk(rng() % 5000, '\0');
                for (char& c : junk)
                    c = static_cast<char>(rng());
                input += junk;
                break;
            }
            case 3: {
                char header[8];
                snprintf(header, sizeof header, "%c%c%03x", 0x30 + static_cast<int>(rng() % 79),
                         0x30 + static_cast<int>(rng() % 79), static_cast<unsigned>(rng() % 4096));
                input += header;
                break;
            }
            default:
                input += "some text line\r\n";
            }
        }
        Byte_source_stream stream(input, 1 + rng() % 700);
        Quor_parser parser(&stream, false);
        parser.set_newline_mode(rng() % 4 != 0);
        parser.set_keep_on_reject(rng() % 4 == 0);
        int idle = 0;
        for (int call = 0; call < 200000 && idle < 3; call++) {
            int size = 1 + static_cast<int>(rng() % 400);
            std::vector<unsigned char> buf(static_cast<size_t>(size));
            int len = -1;
            auto kind = parser.get_packet(buf.data(), size, len);
            ASSERT_GE(len, 0);
            ASSERT_LE(len, size);
            ASSERT_LE(stream.bytes_avail(), 4200u);
            if (kind == Quor_parser::NOTHING)
                idle = stream.exhausted() ? idle + 1 : 0;
            else
                idle = 0;
        }
        ASSERT_EQ(3, idle) << "parsing did not come to an end in round " << round;
    }
}

// Frames separated by garbage that cannot start a header (bytes 0x80 and up,
// and zeros) ending in a line end: every frame comes out intact.
TEST(Quor_parser, FuzzEveryFrameSurvivesLineGarbage)
{
    std::mt19937 rng(77);
    for (int round = 0; round < 200; round++) {
        std::string input;
        int expected = 0;
        int parts = 1 + static_cast<int>(rng() % 20);
        for (int p = 0; p < parts; p++) {
            if (rng() % 2) {
                std::string body(rng() % 80, '\0');
                for (char& c : body)
                    c = static_cast<char>(rng());
                input += frame("SP", body, (rng() & 1) ? "\n" : "\r");
                expected++;
            } else {
                std::string junk(1 + rng() % 300, '\0');
                for (char& c : junk)
                    c = (rng() % 8) ? static_cast<char>(0x80 | rng()) : '\0';
                input += junk + "\r\n";
            }
        }
        Byte_source_stream stream(input, 1 + rng() % 64);
        Quor_parser parser(&stream);
        int frames = 0;
        int idle = 0;
        while (idle < 3) {
            unsigned char buf[300];
            int len = 0;
            auto kind = parser.get_packet(buf, sizeof buf, len);
            if (kind == Quor_parser::FRAME) {
                Quor_message m(buf, static_cast<unsigned>(len));
                EXPECT_TRUE(m.validate(20563));
                frames++;
            }
            idle = (kind == Quor_parser::NOTHING && stream.exhausted()) ? idle + 1 : 0;
        }
        EXPECT_EQ(expected, frames) << "round " << round;
    }
}

} // namespace
