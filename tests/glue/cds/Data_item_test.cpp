#include "glue/cds/Data_item.h"
#include "glue/cds/Data_item_text.h"

#include "platform/util/Debug_dumper.h"

#include "tests/support/item_id_scope.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

class Plain_item : public Data_item {
public:
    Plain_item() = default;
    explicit Plain_item(unsigned short id) : Data_item(id) {}
    const char* get_name() const override { return "plain"; }
    Data_item* find_data_item(const char*) override { return nullptr; }
    Data_item* find_data_item(unsigned short) override { return nullptr; }
    Serial_ret serialise(CDS::Remote::Send_buffer&, unsigned short&) override { return {}; }
    Serial_ret deserialise(CDS::Remote::Receive_buffer&, unsigned short&) override { return {}; }
};

} // namespace

TEST(Data_item, IdsRunOutAtTheTopWithOneMessage)
{
    Item_id_scope id_scope(65533);
    testing::internal::CaptureStderr();
    Plain_item a, b, c, d;
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(a.get_id(), 65533);
    EXPECT_EQ(b.get_id(), 65534);
    EXPECT_EQ(c.get_id(), 65535);
    EXPECT_EQ(d.get_id(), 65535);
    const std::string message = "Lookup IDs are exhausted, time to move to 24 bit IDs\n";
    ASSERT_NE(err.find(message), std::string::npos);
    EXPECT_EQ(err.find(message), err.rfind(message)) << "printed more than once";
}

TEST(Data_item, ExplicitIdLeavesTheCounterAlone)
{
    Item_id_scope id_scope(10);
    Plain_item fixed(500);
    Plain_item next;
    EXPECT_EQ(fixed.get_id(), 500);
    EXPECT_EQ(next.get_id(), 10);
}

TEST(Data_item, IdsAreUniqueWhenItemsAreBuiltOnManyThreads)
{
    Item_id_scope id_scope(1);
    constexpr int threads = 4, per_thread = 2000;
    std::vector<std::vector<unsigned short>> ids(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&ids, t] {
            for (int i = 0; i < per_thread; ++i) {
                Plain_item item;
                ids[t].push_back(item.get_id());
            }
        });
    for (auto& w : workers)
        w.join();
    std::set<unsigned short> all;
    for (auto& list : ids)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), size_t(threads * per_thread));
    EXPECT_EQ(*all.begin(), 1);
    EXPECT_EQ(*all.rbegin(), threads * per_thread);
}

TEST(Data_item, TypeBytePacksClassAndType)
{
    EXPECT_EQ(Data_item::get_type_byte(1, 4), 0x24);
    EXPECT_EQ(Data_item::get_type_byte(0, Data_item::ITEM_FLOAT), 0x0A);
    EXPECT_EQ(Data_item::get_type_byte(0, Data_item::ITEM_STRUCT), 0x01);
    int cls = -1, type = -1;
    EXPECT_TRUE(Data_item::decode_type_byte(cls, type, 0x24));
    EXPECT_EQ(cls, 1);
    EXPECT_EQ(type, 4);
}

TEST(Data_item, ResumePointStartsTheStep)
{
    Plain_item item(42);
    unsigned short resume = 0;
    EXPECT_TRUE(item.serial_action_started(resume));
    EXPECT_EQ(resume, 0);
    resume = 42;
    EXPECT_TRUE(item.serial_action_started(resume));
    EXPECT_EQ(resume, 0);
    resume = 43;
    EXPECT_FALSE(item.serial_action_started(resume));
    EXPECT_EQ(resume, 43);
    EXPECT_EQ(item.serial_fail().stop(), 42);
    EXPECT_TRUE(item.serial_check(true).ok());
}

TEST(Data_item, SyncNextKeepsAKnownNextAndIgnoresNull)
{
    Plain_item first(7), second(8);
    Data_item::Serial_ret ret(3);
    ret.sync_next(nullptr);
    EXPECT_FALSE(ret.next_set());
    ret.sync_next(&first);
    EXPECT_EQ(ret.next(), 7);
    ret.sync_next(&second);
    EXPECT_EQ(ret.next(), 7);
    EXPECT_TRUE(ret.fail());
    EXPECT_EQ(ret.stop(), 3);
}

TEST(Data_item_text, ValuesPrint)
{
    char buf[32];
    char c = char(200);
    EXPECT_EQ(Data_item_stringify<char>(&c).to_string(buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "200");
    float f = 0.5f;
    Data_item_stringify<float>(&f).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "0.5");
    bool b = true;
    Data_item_stringify<bool>(&b).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "true");
    b = false;
    Data_item_stringify<bool>(&b).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "false");
    long long ll = -5;
    Data_item_stringify<long long>(&ll).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "-5");
}

TEST(Data_item_text, BoolParsing)
{
    struct Case {
        const char* text;
        bool parses;
        bool value;
        int consumed;
    } cases[] = {
        {"Yes", true, true, 1}, {"true", true, true, 1}, {"n", true, false, 1},
        {"F", true, false, 1},  {"0x10", true, true, 4}, {"0", true, false, 1},
        {"maybe", false, true, 0}, {"", false, true, 0},
    };
    for (const Case& c : cases) {
        bool value = true;
        const char* end = Data_item_destringify<bool>(&value).from_string(c.text);
        EXPECT_EQ(end != nullptr, c.parses) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        if (end) {
            EXPECT_EQ(end - c.text, c.consumed) << c.text;
        }
    }
}

TEST(Data_item_text, NumbersParseInAnyBaseAndTruncate)
{
    unsigned short us = 0;
    EXPECT_NE(Data_item_destringify<unsigned short>(&us).from_string("0x12345"), nullptr);
    EXPECT_EQ(us, 0x2345);
    int i = 0;
    const char* text = "010 rest";
    EXPECT_EQ(Data_item_destringify<int>(&i).from_string(text), text + 3);
    EXPECT_EQ(i, 8);
    double d = 1.0;
    EXPECT_EQ(Data_item_destringify<double>(&d).from_string("abc"), nullptr);
    EXPECT_EQ(d, 0.0);
}

TEST(Data_item_text, CharArrayBrackets)
{
    struct Case {
        const char* text;
        bool parses;
        const char* expect; // 4 bytes
    } cases[] = {
        {"[ab]", true, "ab\0\0"},  {"[abcd]", true, "abcd"}, {"[abcde]", false, nullptr},
        {"[ab]x", false, nullptr}, {"ab]", false, nullptr},  {"[ab", false, nullptr},
    };
    for (const Case& c : cases) {
        char array[4] = {'x', 'x', 'x', 'x'};
        const char* end = Data_item_array_destringify<char>(array, 4).from_string(c.text);
        EXPECT_EQ(end != nullptr, c.parses) << c.text;
        if (c.parses) {
            EXPECT_EQ(std::memcmp(array, c.expect, 4), 0) << c.text;
            EXPECT_EQ(*end, '\0');
        }
    }
}

TEST(Data_item_text, CharArrayPrintsQuotedUpToTheFirstZero)
{
    char full[4] = {'a', 'b', 'c', 'd'};
    char shortened[4] = {'h', 'i', '\0', 'z'};
    char buf[16];
    Data_item_array_stringify<char>(full, 4).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "\"abcd\"");
    Data_item_array_stringify<char>(shortened, 4).to_string(buf, sizeof buf);
    EXPECT_STREQ(buf, "\"hi\"");

    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    {
        Debug::Debug_dumper dumper(out);
        Data_item_array_stringify<char>(shortened, 4).print("label", dumper);
    }
    fclose(out);
    EXPECT_NE(std::string(text).find("\"hi\""), std::string::npos);
    free(text);
}
