#include "glue/data_stream/Virtual_pair_data_stream.h"
#include "glue/diner/module_man.h"
#include "glue/diner/waiter_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string take(Data_stream& s, unsigned n)
{
    std::string out(n, '\0');
    if (!s.get_data(reinterpret_cast<unsigned char*>(&out[0]), n)) {
        return "<fail>";
    }
    s.drop(n);
    return out;
}

int write_text(Data_stream& s, const std::string& text)
{
    return s.__write(reinterpret_cast<const unsigned char*>(text.data()),
                     static_cast<unsigned>(text.size()));
}

struct Pair_fixture : ::testing::Test {
    module_man mm;
    Virtual_pair_data_stream pair{&mm};
};

} // namespace

TEST_F(Pair_fixture, WhatOneEndWritesTheOtherReads)
{
    EXPECT_EQ(5, write_text(pair.a(), "hello"));
    EXPECT_EQ(3, write_text(pair.b(), "abc"));
    EXPECT_EQ("hello", take(pair.b(), 5));
    EXPECT_EQ("abc", take(pair.a(), 3));
    EXPECT_NE(pair.a().get_module_id(), pair.b().get_module_id());
    EXPECT_GE(pair.a().get_module_id(), module_man::FIRST_PLAIN_ID);
}

TEST_F(Pair_fixture, EventsTellArrivalFullnessAndFreedSpace)
{
    waiter_descriptor rx;
    waiter_descriptor tx;
    rx.init(&mm);
    tx.init(&mm);
    pair.b().reg_rx_waiter(&rx, false);
    pair.a().reg_tx_waiter(&tx, false);

    write_text(pair.a(), "12");
    waiter_event ev;
    ASSERT_EQ(0, rx.get_event(&ev, Atime::now()));
    EXPECT_EQ(pair.b().get_module_id(), ev.module_id);
    EXPECT_EQ(0u, ev.data);

    pair.a().set_write_timeout(0);
    write_text(pair.a(), std::string(200, 'z')); // fills the pipe
    ASSERT_EQ(0, rx.get_event(&ev, Atime::now()));
    EXPECT_EQ(1u, ev.data);

    pair.b().set_read_timeout(0);
    take(pair.b(), 10);
    ASSERT_EQ(0, tx.get_event(&ev, Atime::now()));
    EXPECT_EQ(pair.a().get_module_id(), ev.module_id);
    EXPECT_EQ(2u, ev.data);
    take(pair.b(), 118);
    ASSERT_EQ(0, tx.get_event(&ev, Atime::now()));
    EXPECT_EQ(3u, ev.data);

    // A quiet receiver hears only "full".
    pair.b().reg_rx_waiter(&rx, true);
    rx.flush_events();
    write_text(pair.a(), "q");
    EXPECT_EQ(-1, rx.get_event(&ev, Atime::now()));
    pair.b().reg_rx_waiter(nullptr, false);
    pair.a().reg_tx_waiter(nullptr, false);
}

// A receiver that is busy while the events queue up still learns that the
// buffer became full: events of different states do not merge into one.
TEST_F(Pair_fixture, FullAfterPlainArrivalSurvivesMerging)
{
    waiter_descriptor rx;
    rx.init(&mm);
    pair.b().reg_rx_waiter(&rx, false);
    pair.a().set_write_timeout(0);
    write_text(pair.a(), "12");
    write_text(pair.a(), "34");
    write_text(pair.a(), std::string(200, 'z')); // fills the pipe
    std::vector<uint32_t> states;
    waiter_event ev;
    while (rx.get_event(&ev, Atime::now()) == 0)
        states.push_back(ev.data);
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front(), 0u);
    EXPECT_EQ(states.back(), 1u) << "the full state is delivered";
    pair.b().reg_rx_waiter(nullptr, false);
}

TEST_F(Pair_fixture, ReadTimeoutKeepsWhatArrived)
{
    pair.b().set_read_timeout(30);
    write_text(pair.a(), "1234");
    EXPECT_FALSE(pair.b().bytes_avail(10));
    EXPECT_EQ(4u, pair.b().bytes_avail());
    EXPECT_EQ("1234", take(pair.b(), 4));
}

// Asked directly for more than its buffer holds, a part takes only what fits
// and leaves the rest in the pipe.
TEST_F(Pair_fixture, FullBufferLeavesBytesInThePipe)
{
    pair.a().set_write_timeout(0);
    pair.b().set_read_timeout(0);
    while (pair.b().bytes_avail() < Data_stream::BUFFER_SIZE - 50) {
        ASSERT_EQ(50, write_text(pair.a(), std::string(50, 'f')));
        ASSERT_TRUE(pair.b()._get_data(50));
    }
    std::string sent;
    for (int i = 0; i < 100; i++)
        sent += static_cast<char>('A' + i % 26);
    ASSERT_EQ(100, write_text(pair.a(), sent));
    EXPECT_FALSE(pair.b()._get_data(100)) << "only 50 fit";
    EXPECT_EQ(Data_stream::BUFFER_SIZE, pair.b().bytes_avail());
    EXPECT_TRUE(pair.b().drop(Data_stream::BUFFER_SIZE - 50));
    EXPECT_EQ(sent, take(pair.b(), 100)) << "the bytes that did not fit arrive later";
}

TEST_F(Pair_fixture, WriteWithoutReaderStopsAtThePipeSize)
{
    pair.a().set_write_timeout(30);
    EXPECT_EQ(128, write_text(pair.a(), std::string(200, 'w')));
    EXPECT_EQ(0, write_text(pair.a(), "more"));
    pair.b().flush(); // the bytes are lost
    pair.b().set_read_timeout(0);
    EXPECT_FALSE(pair.b().bytes_avail(1));
}

TEST_F(Pair_fixture, LongTransferBetweenTwoThreads)
{
    // Far longer than the pipe: the writer must be woken as the reader makes
    // room, long before any timeout.
    constexpr unsigned TOTAL = 20000;
    std::string sent(TOTAL, '\0');
    for (unsigned i = 0; i < TOTAL; ++i) {
        sent[i] = static_cast<char>(i * 7 + i / 256);
    }
    pair.a().set_write_timeout(60000);
    pair.b().set_read_timeout(60000);
    int written = -1;
    std::thread writer([&] { written = write_text(pair.a(), sent); });
    std::string received;
    while (received.size() < TOTAL) {
        unsigned n = std::min<unsigned>(1000, TOTAL - static_cast<unsigned>(received.size()));
        std::string piece = take(pair.b(), n);
        ASSERT_NE("<fail>", piece);
        received += piece;
    }
    writer.join();
    EXPECT_EQ(static_cast<int>(TOTAL), written);
    EXPECT_TRUE(received == sent);
}
