// The client fetches and caches the structure, mirrors the served tree and
// reads, writes and subscribes values of every type through it.
#include "Remote_fixture.h"

#include "tests/support/temp_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace remote_test;
using namespace CDS::Remote;

namespace {

class Client_test : public ::testing::Test {
protected:
    World world;
    std::string cache_dir = test_support::temp_path("cds_cache_" + std::string(
        ::testing::UnitTest::GetInstance()->current_test_info()->name()) + "/");
    Recording_listener listener;

    void TearDown() override
    {
        std::remove(cache_file().c_str());
        rmdir(cache_dir.c_str());
    }
    std::string cache_file()
    {
        char name[64];
        std::snprintf(name, sizeof name, "cds_cache_%x_%d", world.server.ids_crc(),
                      int(world.server.ids_text_length()));
        return cache_dir + name;
    }
    static int count_kind(const Loop_client& c, unsigned char kind)
    {
        int n = 0;
        for (auto& r : c.requests)
            n += !r.empty() && r[0] == kind;
        return n;
    }
    std::string path(const char* leaf) { return std::string("cds.data_store.") + leaf; }
};

TEST_F(Client_test, FetchesTheStructureAndCachesIt)
{
    Loop_client client(world, 1, cache_dir, &listener);
    ASSERT_TRUE(client.start(true));
    client.pump();
    ASSERT_TRUE(client.has_mirror());
    ASSERT_FALSE(listener.states.empty());
    EXPECT_EQ(listener.states.back(), Client::STATE_READY);
    EXPECT_GT(count_kind(client, 130), 1);
    EXPECT_EQ(client.cache_path(), cache_file());

    std::ifstream cached(cache_file(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(cached)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, world.structure_text());

    // Every item of the served tree has its id in the mirror.
    EXPECT_EQ(client.get_id(path("values.flag").c_str()), world.lookup.values.flag.get_id());
    EXPECT_EQ(client.get_id(path("history.3.balance").c_str()),
              world.lookup.history.elements[3]->balance.get_id());
    EXPECT_EQ(client.get_id("nv.PS.width"), world.settings.width.get_id());
    EXPECT_EQ(client.get_id("cds.data_store.nothing"), -1);

    // A second client finds the cache and asks for no structure.
    Recording_listener second_listener;
    Loop_client second(world, 2, cache_dir, &second_listener);
    second.start(true);
    second.pump();
    EXPECT_TRUE(second.has_mirror());
    EXPECT_EQ(count_kind(second, 130), 0);
    EXPECT_EQ(second_listener.states, std::vector<int>{Client::STATE_READY});
}

TEST_F(Client_test, FetchesWithoutChecksumAndKeysTheCacheTheSameWay)
{
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(false);
    client.pump();
    ASSERT_TRUE(client.has_mirror());
    EXPECT_EQ(client.cache_path(), cache_file());
    struct stat info;
    EXPECT_EQ(stat(cache_file().c_str(), &info), 0);
}

// A cache file that is short, long or corrupt is ignored: the structure is
// fetched again and the file replaced.
TEST_F(Client_test, BadCacheFileIsRefetched)
{
    const std::string good = world.structure_text();
    struct Case {
        const char* what;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"truncated", good.substr(0, good.size() / 2)},
        {"one byte long", good + "x"},
        {"corrupt", std::string(good.size(), '{')},
        {"same length, broken text", "1:1:x{" + std::string(good.size() - 6, 'z')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            mkdir(cache_dir.c_str(), 0755);
            std::ofstream out(cache_file(), std::ios::binary | std::ios::trunc);
            out << c.content;
        }
        Loop_client client(world, 1, cache_dir, &listener);
        client.start(true);
        client.pump();
        EXPECT_TRUE(client.has_mirror());
        EXPECT_GT(count_kind(client, 130), 0);
        std::ifstream cached(cache_file(), std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(cached)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, good);
    }
}

TEST_F(Client_test, MalformedStructureTextBuildsNoMirror)
{
    Loop_client client(world, 1, cache_dir);
    const char* texts[] = {"", "1:1:root", "1:1:root{", "1:1:root{2:2:a", "1:1:root{2:2:a,",
                           "1:1:root{2:2:a;}", "x:1:root{}", "1:1:root{1:2:s{2:3:a}"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(client.process_ids_list(text, int(std::strlen(text))));
        EXPECT_FALSE(client.has_mirror());
    }
    // Nesting deeper than any served tree is refused, not recursed into.
    std::string deep = "1:1:r";
    for (int i = 0; i < 10000; ++i)
        deep += "{1:2:s";
    EXPECT_FALSE(client.process_ids_list(deep.data(), int(deep.size())));
    // A record array (with braces) is a structure; a pointer has no mirror.
    const char* good = "1:1:root{1:2:s{},2:3:a,d:4:list{5:6:0},e:5:pointer}";
    EXPECT_TRUE(client.process_ids_list(good, int(std::strlen(good))));
    EXPECT_EQ(client.get_id("a"), 3);
    EXPECT_EQ(client.get_id("list.0"), 6);
    EXPECT_EQ(client.get_id("pointer"), -1);
}

TEST_F(Client_test, ReadsWritesAndSubscribesEveryValueType)
{
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(true);
    client.pump();
    ASSERT_TRUE(client.has_mirror());
    Values& v = world.block.values;
#define CHECK_TYPE(T, name, sample)                                                                 \
    {                                                                                              \
        SCOPED_TRACE(#name);                                                                       \
        const std::string p = path("values." #name);                                              \
        const int id = client.get_id(p.c_str());                                                   \
        ASSERT_GT(id, 0);                                                                          \
        ASSERT_TRUE(client.write_value(p.c_str(), QVariant::fromValue<T>(sample)));                 \
        client.pump();                                                                             \
        EXPECT_TRUE(v.name == static_cast<T>(sample));                                              \
        ASSERT_TRUE(client.request_subscribe(p.c_str()));                                          \
        client.pump();                                                                             \
        EXPECT_EQ(client.get_value(id).value<T>(), static_cast<T>(sample));                         \
        const T zero{};                                                                            \
        world.head.write(&v.name, &zero, int(sizeof zero));                                        \
        client.tick();                                                                             \
        EXPECT_EQ(client.get_value(id).value<T>(), zero);                                          \
        EXPECT_EQ(listener.changed.back(), id);                                                    \
        ASSERT_TRUE(client.request_unsubscribe(p.c_str()));                                        \
        client.pump();                                                                             \
    }
    REMOTE_TEST_VALUES(CHECK_TYPE)
#undef CHECK_TYPE
    EXPECT_EQ(world.server.subscription_count(client.backend()), 0);
    // A text that isn't a number is not written.
    EXPECT_FALSE(client.write_value(path("values.count").c_str(), QVariant("many")));
    EXPECT_FALSE(client.write_value("cds.data_store.nothing", QVariant(1)));
}

TEST_F(Client_test, StructureLongerThanOneMessageIsReadInSteps)
{
    for (int i = 0; i < HISTORY; ++i) {
        world.block.history[i].balance = -100 - i;
        world.block.history[i].rate = 0.5f + float(i);
    }
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(true);
    client.pump();
    ASSERT_TRUE(client.request_value(path("history").c_str()));
    client.pump();
    EXPECT_GE(count_kind(client, 131), 2);
    for (int i = 0; i < HISTORY; ++i) {
        const std::string p = path("history.") + std::to_string(i);
        EXPECT_EQ(client.get_value(unsigned(client.get_id((p + ".balance").c_str()))).toLongLong(), -100 - i);
        EXPECT_EQ(client.get_value(unsigned(client.get_id((p + ".rate").c_str()))).toFloat(), 0.5f + float(i));
    }
    EXPECT_EQ(client.get_update_count(unsigned(client.get_id(path("history").c_str()))), 0)
        << "no single reply carried the whole record array";
}

// A leaf that needs more than one message can't be read: the client skips
// it and goes on with the leaf after it.
TEST_F(Client_test, LeafLongerThanOneMessageIsSkipped)
{
    world.block.history[0].flag = true;
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(true);
    client.pump();
    const int series = client.get_id(path("series").c_str());
    ASSERT_TRUE(client.request_value(unsigned(series)));
    client.pump();
    EXPECT_FALSE(client.get_value(unsigned(series)).isValid());
    EXPECT_EQ(listener.changed.back(), series);

    // Read from the top: the array is skipped, the records after it arrive.
    ASSERT_TRUE(client.request_value("cds.data_store"));
    client.pump();
    EXPECT_TRUE(client.get_value(unsigned(client.get_id(path("history.0.flag").c_str()))).toBool());
    EXPECT_TRUE(client.get_value(unsigned(client.get_id(path("values.flag").c_str()))).isValid());
}

TEST_F(Client_test, WriteThatDoesNotFitIntoOneMessageIsNotSent)
{
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(true);
    client.pump();
    QVariantList many;
    for (int i = 0; i < SERIES; ++i)
        many.append(double(i));
    const size_t before = client.requests.size();
    EXPECT_FALSE(client.write_value(path("series").c_str(), many));
    EXPECT_EQ(client.requests.size(), before);
}

TEST_F(Client_test, ChecksumAfterTheMirrorIsBuiltIsIgnored)
{
    Loop_client client(world, 1, cache_dir, &listener);
    client.start(true);
    client.pump();
    const size_t before = client.requests.size();
    client.start(true);
    client.pump();
    EXPECT_EQ(client.requests.size(), before + 1) << "no structure request after the second checksum";
}

TEST_F(Client_test, PieceAtTheWrongOffsetBreaksTheTransfer)
{
    Loop_client client(world, 1, cache_dir, &listener);
    const unsigned char piece[] = {2, 0, 0, 0, 0x78, 0};
    client.handle_message(piece, sizeof piece);
    const unsigned char wrong[] = {2, 9, 0, 0, 1, 0};
    client.handle_message(wrong, sizeof wrong);
    ASSERT_FALSE(listener.states.empty());
    EXPECT_EQ(listener.states.back(), Client::STATE_BROKEN);
    // A transfer whose block doesn't uncompress fails without a mirror.
    client.handle_message(piece, sizeof piece);
    const unsigned char end[] = {2, 1, 0, 0, 0};
    client.handle_message(end, sizeof end);
    EXPECT_EQ(listener.states.back(), Client::STATE_FAILED);
    EXPECT_FALSE(client.has_mirror());
}

} // namespace
