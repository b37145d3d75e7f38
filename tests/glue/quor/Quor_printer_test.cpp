#include "glue/quor/Quor_error_decoder.h"
#include "glue/quor/Quor_printer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace GNSS_messages;

// A frame with the given body (checksum byte included in the length) and LF.
struct Frame {
    std::vector<unsigned char> bytes;
    Frame(const char* id, unsigned body_len)
        : bytes(body_len + 6, 0)
    {
        Quor_message m(bytes.data(), static_cast<unsigned>(bytes.size()));
        m.setup(id, static_cast<int>(body_len + 5));
        bytes.back() = '\n';
    }
    Quor_message view() { return Quor_message(bytes.data(), static_cast<unsigned>(bytes.size())); }
};

std::string print(const Quor_message& m, bool labelled, int size = 512)
{
    std::vector<char> buf(static_cast<size_t>(size) + 16, '#');
    Quor_printer printer(labelled);
    int len = printer.snprint(m, buf.data(), size);
    EXPECT_LE(len, size > 0 ? size - 1 : 0);
    for (size_t i = static_cast<size_t>(size); i < buf.size(); i++)
        EXPECT_EQ('#', buf[i]) << "written past the buffer";
    return std::string(buf.data(), static_cast<size_t>(len));
}

TEST(Quor_printer, ValueLists)
{
    Frame az("AZ", 3);
    az.bytes[5] = 10;
    az.bytes[6] = 20;
    EXPECT_EQ("AZ,20,40", print(az.view(), false));
    EXPECT_EQ("AZ 20 40", print(az.view(), true));

    Frame el("EL", 3);
    el.bytes[5] = 0xFF;
    el.bytes[6] = 5;
    EXPECT_EQ("EL -1 5", print(el.view(), true));

    Frame tc("TC", 5);
    tc.bytes[5] = 0x34;
    tc.bytes[6] = 0x12;
    tc.bytes[7] = 1;
    EXPECT_EQ("TC,4660,1", print(tc.view(), false));

    Frame ss("SS", 3);
    ss.bytes[5] = 7;
    EXPECT_EQ("SS 7", print(ss.view(), true)) << "SS carries one more trailing byte";
}

TEST(Quor_printer, TooShortValueListsPrintNothing)
{
    Frame e1("E1", 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ("", print(e1.view(), true));
    EXPECT_EQ("E1 message too short\n", testing::internal::GetCapturedStdout());
    Frame ss("SS", 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ("", print(ss.view(), false));
    EXPECT_EQ("SS message too short\n", testing::internal::GetCapturedStdout());
}

TEST(Quor_printer, FixedLayouts)
{
    Frame pg("PG", 30);
    Quor_message v = pg.view();
    v.set_double(5, 3.141592653589793);
    v.set_double(13, -3.141592653589793 / 2);
    v.set_double(21, 12.5);
    v.set_float(29, 0.25f);
    pg.bytes[33] = 2;
    EXPECT_EQ("    PG lat=180.0000000000 lon=-90.0000000000 hgt=12.500m sigma=0.25 type=2",
              print(pg.view(), true));

    Frame rd("RD", 6);
    rd.bytes[5] = 26;
    rd.bytes[7] = 3;
    rd.bytes[8] = 9;
    rd.bytes[9] = 1;
    EXPECT_EQ("RD date=09/03/26 base=1", print(rd.view(), true));
    EXPECT_EQ("RD,09/03/26,1", print(rd.view(), false));

    Frame dp("DP", 14);
    Quor_message d = dp.view();
    d.set_float(5, 3.0f);
    d.set_float(9, 4.0f);
    d.set_float(13, 12.0f);
    Msg_DP dop(d);
    EXPECT_FLOAT_EQ(13.0f, dop.get_gdop());
    EXPECT_FLOAT_EQ(5.0f, dop.get_pdop());
    EXPECT_EQ("    DP,3.00,4.00,12.00,13.00,5.00,0", print(d, false));

    Frame rt("~~", 5);
    rt.bytes[8] = 0xFF;  // 0xFF000000: printed unsigned
    EXPECT_EQ("RT ms=4278190080", print(rt.view(), true));

    Frame ee("||", 1);
    EXPECT_EQ("EE", print(ee.view(), false));
}

TEST(Quor_printer, FieldsBeyondTheViewPrintAsZero)
{
    Frame ps("PS", 1);  // far too short for its fields
    ps.bytes[5] = 3;
    EXPECT_EQ("    PS,3,{0,0},{0,0},{0,0},0", print(Quor_message(ps.bytes.data(), 6), false));
}

TEST(Quor_printer, RepliesPrintAsTextWithinTheView)
{
    unsigned char reply[] = {'R', 'E', '0', '0', '2', 'o', 'k', '\r', '\n', 0};
    EXPECT_EQ("RE002ok\r\n", print(Quor_message(reply, sizeof reply), true));
    // No 0 byte: the text stops at the view's end.
    EXPECT_EQ("RE002ok", print(Quor_message(reply, 7), true));
}

TEST(Quor_printer, UnknownIdentifierDumpsTheBytes)
{
    unsigned char zz[] = {'Z', 'Z', '0', '0', '1', 0xAB, '\n'};
    testing::internal::CaptureStderr();
    std::vector<char> buf(128);
    Quor_printer printer(false);
    EXPECT_EQ(0, printer.snprint(Quor_message(zz, sizeof zz), buf.data(), 128));
    EXPECT_EQ("UNKNOWN ZZ\n", testing::internal::GetCapturedStderr());
    EXPECT_STREQ("ZZ ???:  5a 5a 30 30 31 ab 0a\n", buf.data());
}

// Whatever the length digits say and however small the buffer, nothing is
// written past it.
TEST(Quor_printer, NeverWritesPastTheBuffer)
{
    const char* ids[] = {"E1", "E2", "EC", "AZ", "SS", "NN", "SI", "EL", "TC", "PS", "SG",
                         "NA", "PV", "PG", "GA", "RD", "ST", "NT", "GT", "~~", "DP", "||",
                         "RE", "ER", "DL", "NP", "ZZ"};
    std::vector<unsigned char> bytes(64, 'x');
    for (const char* id : ids) {
        bytes[0] = static_cast<unsigned char>(id[0]);
        bytes[1] = static_cast<unsigned char>(id[1]);
        memcpy(&bytes[2], "FFF", 3);  // claims 4095 body bytes
        Quor_message m(bytes.data(), static_cast<unsigned>(bytes.size()));
        testing::internal::CaptureStderr();
        for (int size : {0, 1, 2, 5, 17, 100}) {
            print(m, true, size);
            print(m, false, size);
        }
        testing::internal::GetCapturedStderr();
    }
}

TEST(Quor_error_decoder, TextsAndCodes)
{
    EXPECT_EQ(nullptr, errcode2str(0));
    EXPECT_EQ(nullptr, errcode2str(42));
    EXPECT_STREQ(",dup loop", errcode2str(24));
    EXPECT_EQ(37, Quor_error_decoder::get("file not found"));
    EXPECT_EQ(-1, Quor_error_decoder::get("not an error"));
    EXPECT_EQ(-1, Quor_error_decoder::get(nullptr));
    for (int code = 1; code <= Quor_error_decoder::NUM_ERRORS; code++)
        EXPECT_EQ(code, Quor_error_decoder::get(errcode2str(code) + 1)) << code;
}

TEST(Quor_error_decoder, ExtractTakesTheLastField)
{
    EXPECT_EQ(1, Quor_error_decoder::extract("%set%,/par/x,wrong command}\r\n"));
    EXPECT_EQ(-1, Quor_error_decoder::extract("%set%,ab}\r\n"));
    EXPECT_EQ(41, Quor_error_decoder::extract("RE,data transfer delay}"));
    // Entry 40 holds a ',': only its last part is seen, which is no error text.
    EXPECT_EQ(-1, Quor_error_decoder::extract("ER,device busy,invalid file length}"));
    EXPECT_EQ(-1, Quor_error_decoder::extract(nullptr));
    EXPECT_EQ(-1, Quor_error_decoder::extract(std::string(500, 'w').c_str()));
}

// The table is filled on first use; here the first use comes from several
// threads at once, in a fresh process, so that no earlier test has filled it.
TEST(Quor_error_decoder_death, FirstUseFromManyThreadsGivesEveryCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto decode_everything_at_once = [] {
        std::vector<std::thread> threads;
        std::atomic<int> wrong{0};
        for (int t = 0; t < 8; t++) {
            threads.emplace_back([&wrong] {
                for (int round = 0; round < 50; round++) {
                    for (int code = 1; code <= Quor_error_decoder::NUM_ERRORS; code++) {
                        if (Quor_error_decoder::get(errcode2str(code) + 1) != code)
                            wrong++;
                    }
                }
            });
        }
        for (std::thread& t : threads)
            t.join();
        std::exit(wrong == 0 ? 0 : 1);
    };
    EXPECT_EXIT(decode_everything_at_once(), ::testing::ExitedWithCode(0), "");
}

} // namespace
