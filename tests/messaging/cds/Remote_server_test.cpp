// The server answers each request byte by byte, refuses malformed requests
// and partial writes, keeps subscriptions per peer and pushes changes one at
// a time, coalesced per item.
#include "Remote_fixture.h"

#include "glue/cds/Byte_codec.h"
#include "glue/cds/Send_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <zlib.h>

using namespace remote_test;
using namespace CDS::Remote;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes request(unsigned char kind, unsigned short id, unsigned short resume)
{
    Bytes b(5);
    Msg_request_value::build(b.data(), kind, id, resume);
    return b;
}

Bytes request_ids(unsigned short id, unsigned offset, unsigned char depth)
{
    Bytes b(7);
    Msg_request_ids::build(b.data(), id, offset, depth);
    return b;
}

template <typename T> Bytes le_bytes(T value)
{
    Bytes b(sizeof(T));
    Byte_codec::put<T>(b.data(), value);
    return b;
}

Bytes value_reply(unsigned short id, unsigned short resume, const Bytes& value)
{
    Bytes b{3, static_cast<unsigned char>(id & 0xFF), static_cast<unsigned char>(id >> 8),
            static_cast<unsigned char>(resume & 0xFF), static_cast<unsigned char>(resume >> 8)};
    b.insert(b.end(), value.begin(), value.end());
    return b;
}

class Server_test : public ::testing::Test {
protected:
    World world;
    Test_backend peer{1, &world.sent};
    Test_backend other{2, &world.sent};

    void send(Test_backend& from, const Bytes& message)
    {
        world.server.dispatch(from, message.data(), int(message.size()));
    }
    // The messages sent since the last call.
    std::vector<Sent> take()
    {
        std::vector<Sent> out;
        out.swap(world.sent);
        return out;
    }
    // Reports every transmission as done and runs a tick.
    void settle()
    {
        while (world.server.in_flight() > 0)
            world.server.handle_tx_event(Server::CODE_SENT);
        world.server.handle_tx_event(Server::CODE_TICK);
    }
};

TEST_F(Server_test, ChecksumReplyCarriesTheTextsCrcAndLength)
{
    const std::string text = world.structure_text();
    send(peer, {133});
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    const unsigned crc = unsigned(crc32(0, reinterpret_cast<const Bytef*>(text.data()), uInt(text.size())));
    Bytes expected{5};
    for (Bytes part : {le_bytes<unsigned>(crc), le_bytes<unsigned>(unsigned(text.size()))})
        expected.insert(expected.end(), part.begin(), part.end());
    EXPECT_EQ(out[0].bytes, expected);
    EXPECT_EQ(world.server.ids_text_length(), text.size());
}

TEST_F(Server_test, StructureTextOfAnItemFollowsTheDepth)
{
    const unsigned short id = world.lookup.values.get_id();
    char expected[4096];
    std::snprintf(expected, sizeof expected, "1:%x:values", unsigned(id));
    send(peer, request_ids(id, 0, 0));
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    const std::string header(expected);
    Bytes reply{2, 0, 0, 0};
    reply.insert(reply.end(), header.begin(), header.end());
    reply.push_back(0);
    EXPECT_EQ(out[0].bytes, reply);

    // Depth 1: the leaves in braces, each "type:id:name".
    std::string full = header + "{";
    const char* names[] = {"flag", "letter", "level", "count", "total", "offset", "trim", "position",
                           "rate", "area", "hours", "balance"};
    const int types[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16};
    for (int i = 0; i < 12; ++i) {
        char item[64];
        std::snprintf(item, sizeof item, "%s%x:%x:%s", i ? "," : "", unsigned(types[i]),
                      unsigned(id + 1 + i), names[i]);
        full += item;
    }
    full += "}";
    std::string got;
    for (unsigned offset = 0;; offset += unsigned(out[0].bytes.size() - 5)) {
        send(peer, request_ids(id, offset, 1));
        out = take();
        ASSERT_EQ(out.size(), 1u);
        ASSERT_EQ(out[0].bytes[0], 2);
        ASSERT_EQ(out[0].bytes[1] | out[0].bytes[2] << 8 | out[0].bytes[3] << 16, int(offset));
        ASSERT_LE(out[0].bytes.size(), 99u);
        if (out[0].bytes.size() == 5)
            break;
        got.append(out[0].bytes.begin() + 4, out[0].bytes.end() - 1);
    }
    EXPECT_EQ(got, full);
}

TEST_F(Server_test, WholeStructureIsTransferredCompressedInPieces)
{
    std::vector<unsigned char> packed;
    for (;;) {
        send(peer, request_ids(0, unsigned(packed.size()), 255));
        auto out = take();
        ASSERT_EQ(out.size(), 1u);
        const Bytes& r = out[0].bytes;
        ASSERT_GE(r.size(), 5u);
        ASSERT_LE(r.size(), 99u);
        EXPECT_EQ(r.back(), 0) << "spare byte";
        if (r.size() == 5)
            break;
        packed.insert(packed.end(), r.begin() + 4, r.end() - 1);
    }
    EXPECT_EQ(packed, world.server.compressed_ids());
    std::string text(world.server.ids_text_length(), '\0');
    uLongf size = text.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(&text[0]), &size, packed.data(), uLong(packed.size())), Z_OK);
    EXPECT_EQ(text, world.structure_text());
    EXPECT_EQ(text.rfind("1:", 0), 0u);
    EXPECT_NE(text.find(":remote{"), std::string::npos);
    EXPECT_NE(text.find(":cds{"), std::string::npos);
    EXPECT_NE(text.find(":data_store{"), std::string::npos);
    EXPECT_NE(text.find(":nv{"), std::string::npos);
    EXPECT_NE(text.find(":PS{"), std::string::npos);

    // An offset past the end gets the empty reply too, with its offset;
    // for the whole structure and for one item's.
    const unsigned short id = world.lookup.values.get_id();
    for (const Bytes& past : {request_ids(0, unsigned(packed.size() + 1), 255), request_ids(0, 0xFFFFFF, 255),
                              request_ids(id, 5000, 255)}) {
        send(peer, past);
        auto out = take();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].bytes, (Bytes{2, past[3], past[4], past[5], 0}));
    }
}

TEST_F(Server_test, UnpreparedServerAnswersTheWholeStructureEmpty)
{
    Server bare;
    bare.add_cds_item(world.lookup);
    const Bytes r = request_ids(0, 0, 255);
    bare.dispatch(peer, r.data(), int(r.size()));
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, (Bytes{2, 0, 0, 0, 0}));
    // An item the tree doesn't hold has an empty structure.
    send(peer, request_ids(60000, 0, 255));
    out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, (Bytes{2, 0, 0, 0, 0}));
}

// Reads and writes of every value type, byte by byte, in the data store.
TEST_F(Server_test, ReadsAndWritesEveryValueType)
{
    Values& v = world.block.values;
    Values_lookup& l = world.lookup.values;
#define CHECK_TYPE(T, name, value)                                                                 \
    {                                                                                              \
        SCOPED_TRACE(#name);                                                                       \
        const unsigned short id = l.name.get_id();                                                 \
        Bytes write = request(132, id, id);                                                        \
        const Bytes bytes = le_bytes<T>(value);                                                    \
        write.insert(write.end(), bytes.begin(), bytes.end());                                     \
        send(peer, write);                                                                         \
        EXPECT_TRUE(v.name == static_cast<T>(value));                                                         \
        auto out = take();                                                                         \
        ASSERT_EQ(out.size(), 1u);                                                                 \
        EXPECT_EQ(out[0].bytes, value_reply(id, id, bytes));                                       \
        send(peer, request(131, id, 0));                                                           \
        out = take();                                                                              \
        ASSERT_EQ(out.size(), 1u);                                                                 \
        EXPECT_EQ(out[0].bytes, value_reply(id, 0, bytes));                                        \
    }
    REMOTE_TEST_VALUES(CHECK_TYPE)
#undef CHECK_TYPE
}

TEST_F(Server_test, SettingsAreReadAndWrittenWithChangeNotification)
{
    const unsigned short id = world.settings.interval.get_id();
    Bytes write = request(132, id, id);
    write.push_back(0x34);
    write.push_back(0x12);
    send(peer, write);
    EXPECT_EQ(world.settings.interval.get(), 0x1234);
    EXPECT_TRUE(world.settings.get_flags() & NV_store::NV_FLAG_CHANGED);
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, id, {0x34, 0x12}));
}

TEST_F(Server_test, ValueLongerThanOneMessageIsReadFromResumeIds)
{
    for (int i = 0; i < HISTORY; ++i)
        world.block.history[i].position = 1000 + i;
    History_lookup& h = world.lookup.history;
    send(peer, request(131, h.get_id(), 0));
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    // 97 value bytes: two records of 44 bytes and the first 9 of the third.
    ASSERT_EQ(out[0].bytes.size(), 5u + 97u);
    // From the third record's "position" on (after flag..trim: 12 bytes).
    const unsigned short resume = h.elements[2]->position.get_id();
    send(peer, request(131, h.get_id(), resume));
    out = take();
    ASSERT_EQ(out.size(), 1u);
    const Bytes& r = out[0].bytes;
    ASSERT_EQ(r.size(), 5u + 32u + 44u);
    EXPECT_EQ(r[3] | r[4] << 8, resume);
    EXPECT_EQ(Byte_codec::get<int>(&r[5]), 1002);
    EXPECT_EQ(Byte_codec::get<int>(&r[5 + 32 + 12]), 1003);
}

// Requests that get no reply and change nothing.
TEST_F(Server_test, MalformedRequestsGetNoReplyAndChangeNothing)
{
    const unsigned short id = world.lookup.values.count.get_id();
    const unsigned short leaf_elsewhere = world.lookup.values.rate.get_id();
    struct Case {
        const char* what;
        Bytes message;
    } cases[] = {
        {"empty", {}},
        {"unknown kind", {136, 0, 0, 0, 0}},
        {"reply kind from a peer", {3, 1, 0, 0, 0}},
        {"read cut short", {131, static_cast<unsigned char>(id), 0}},
        {"read too long", {131, static_cast<unsigned char>(id), 0, 0, 0, 0}},
        {"read of an unknown id", request(131, 60000, 0)},
        {"read resuming outside the item", request(131, id, leaf_elsewhere)},
        {"write of an unknown id", {132, 0x60, 0xEA, 0x60, 0xEA, 1, 2}},
        {"write cut short", {132, static_cast<unsigned char>(id), 0}},
        {"subscribe of an unknown id", request(134, 60000, 0)},
        {"subscribe cut short", {134, static_cast<unsigned char>(id)}},
        {"unsubscribe of an unknown id", request(135, 60000, 0)},
        {"structure request cut short", {130, 0, 0, 0, 0, 0}},
        {"structure request too long", {130, 0, 0, 0, 0, 0, 255, 0}},
        {"checksum request too long", {133, 0}},
    };
    const Block before = world.block;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        send(peer, c.message);
        EXPECT_TRUE(take().empty());
        EXPECT_EQ(std::memcmp(&before, &world.block, sizeof before), 0);
        EXPECT_EQ(world.server.subscription_count(peer), 0);
    }
}

// A write whose value bytes don't match the item is refused whole; the
// reply carries the value as stored.
TEST_F(Server_test, WritesOfTheWrongSizeAreRefusedWhole)
{
    world.block.values.count = 7;
    for (int i = 0; i < SERIES; ++i)
        world.block.series[i] = i;
    const Block before = world.block;
    const unsigned short count = world.lookup.values.count.get_id();
    const unsigned short values = world.lookup.values.get_id();
    const unsigned short series = world.lookup.series.get_id();
    Bytes whole_values = request(132, values, values);
    whole_values.resize(5 + 44, 0x55);
    Bytes short_array = request(132, series, series);
    short_array.push_back(3); // three elements instead of twenty, padded to the full size
    short_array.resize(5 + 1 + SERIES * 8, 0);
    struct Case {
        const char* what;
        Bytes message;
        unsigned short id;
    } cases[] = {
        {"one byte short", {132, static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                            static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8), 9}, count},
        {"one byte too many", {132, static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
                               static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8), 9, 9, 9}, count},
        {"record one byte short", Bytes(whole_values.begin(), whole_values.end() - 1), values},
        {"array count that differs", short_array, series},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        send(peer, c.message);
        EXPECT_EQ(std::memcmp(&before, &world.block, sizeof before), 0);
        auto out = take();
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].bytes[0], 3);
        EXPECT_EQ(out[0].bytes[1] | out[0].bytes[2] << 8, c.id);
    }
    // The record written whole is taken.
    send(peer, whole_values);
    EXPECT_EQ(world.block.values.count, 0x5555);
}

TEST_F(Server_test, SubscribedItemIsPushedAfterAChangeFromAnotherThread)
{
    const unsigned short id = world.lookup.values.position.get_id();
    send(peer, request(134, id, 0));
    ASSERT_EQ(take().size(), 1u);
    settle();
    EXPECT_TRUE(take().empty());

    std::thread writer([&] {
        int value = 42;
        world.head.write(&world.block.values.position, &value, sizeof value);
        value = 43;
        world.head.write(&world.block.values.position, &value, sizeof value);
    });
    writer.join();
    settle();
    // Two changes before the push: one push, of the latest value.
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, 0, le_bytes<int>(43)));
    settle();
    EXPECT_TRUE(take().empty());
}

// A peer's write is a change like any other: the store's subscribers and
// the other peers' subscriptions hear of it.
TEST_F(Server_test, WriteOfOnePeerIsPushedToAnother)
{
    const unsigned short id = world.lookup.history.elements[1]->rate.get_id();
    send(other, request(134, world.lookup.history.get_id(), 0));
    take();
    settle();
    Bytes write = request(132, id, id);
    const Bytes bytes = le_bytes<float>(2.5f);
    write.insert(write.end(), bytes.begin(), bytes.end());
    send(peer, write);
    EXPECT_EQ(world.block.history[1].rate, 2.5f);
    settle();
    auto out = take();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].peer, 1);
    EXPECT_EQ(out[1].peer, 2) << "the record holding the written field is pushed";
    EXPECT_EQ(out[1].bytes[1] | out[1].bytes[2] << 8, world.lookup.history.get_id());
}

TEST_F(Server_test, PushWaitsForTheTransmissionInFlight)
{
    const unsigned short id = world.lookup.values.trim.get_id();
    send(peer, request(134, id, 0));
    ASSERT_EQ(take().size(), 1u);
    ASSERT_EQ(world.server.in_flight(), 1);
    short value = 5;
    world.head.write(&world.block.values.trim, &value, sizeof value);
    world.server.handle_tx_event(Server::CODE_TICK);
    EXPECT_TRUE(take().empty()) << "a reply is still in flight";
    world.server.handle_tx_event(-Server::CODE_SENT);
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, 0, le_bytes<short>(5)));
}

// A push the transport refuses (its queue full on a busy bus) is not lost:
// the change is pushed on a later tick.
TEST_F(Server_test, PushTheTransportRefusedIsSentOnALaterTick)
{
    const unsigned short id = world.lookup.values.trim.get_id();
    send(peer, request(134, id, 0));
    take();
    settle();
    short value = 5;
    world.head.write(&world.block.values.trim, &value, sizeof value);
    peer.refuse_sends(1);
    world.server.handle_tx_event(Server::CODE_TICK);
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(world.server.in_flight(), 0);
    EXPECT_EQ(world.server.pending_count(peer), 1);
    world.server.handle_tx_event(Server::CODE_TICK);
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, 0, le_bytes<short>(5)));
    EXPECT_EQ(world.server.pending_count(peer), 0);
}

TEST_F(Server_test, SettingChangesArePushedToo)
{
    const unsigned short id = world.settings.width.get_id();
    send(peer, request(134, id, 0));
    take();
    settle();
    world.settings.width.set(7.25f);
    settle();
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, 0, le_bytes<float>(7.25f)));
}

TEST_F(Server_test, PeersHaveIndependentSubscriptions)
{
    const unsigned short a = world.lookup.values.level.get_id();
    const unsigned short b = world.lookup.values.total.get_id();
    send(peer, request(134, a, 0));
    send(other, request(134, a, 0));
    send(other, request(134, b, 0));
    // A second subscription sends the value again but subscribes once.
    send(other, request(134, b, 0));
    EXPECT_EQ(take().size(), 4u);
    EXPECT_EQ(world.server.subscription_count(other), 2);

    // The first peer's checksum request ends only its own subscriptions.
    send(peer, {133});
    take();
    EXPECT_EQ(world.server.subscription_count(peer), 0);
    EXPECT_EQ(world.server.subscription_count(other), 2);
    settle();
    unsigned char level = 9;
    world.head.write(&world.block.values.level, &level, 1);
    settle();
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].peer, 2);

    // Unsubscribing one item leaves the other.
    send(other, request(135, a, 0));
    EXPECT_TRUE(take().empty());
    world.head.write(&world.block.values.level, &++level, 1);
    unsigned int total = 77;
    world.head.write(&world.block.values.total, &total, 4);
    settle();
    out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(b, 0, le_bytes<unsigned>(77)));

    // A peer that left has no subscriptions and gets no pushes.
    EXPECT_TRUE(world.server.drop_client(other));
    EXPECT_EQ(world.server.subscription_count(other), 0);
    world.head.write(&world.block.values.total, &++total, 4);
    settle();
    EXPECT_TRUE(take().empty());
}

TEST_F(Server_test, PendingPushesOfASlowPeerStayBounded)
{
    const unsigned short id = world.lookup.values.hours.get_id();
    send(peer, request(134, id, 0));
    take();
    // The reply never finishes: nothing is pushed, and the changes meanwhile
    // leave one pending push, not one per change.
    for (unsigned long long i = 1; i <= 1000; ++i)
        world.head.write(&world.block.values.hours, &i, 8);
    world.server.handle_tx_event(Server::CODE_TICK);
    EXPECT_TRUE(take().empty());
    EXPECT_EQ(world.server.pending_count(peer), 1);
    settle();
    auto out = take();
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, value_reply(id, 0, le_bytes<unsigned long long>(1000)));
}

} // namespace
