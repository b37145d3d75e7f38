#include "util/Mspace.h"

#include "platform/util/Debug_dumper.h"
#include "util/Boundary_tag_heap.h"
#include "util/Debug_base.h"
#include "util/Debug_print.h"
#include "util/Tagged_allocation.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A space over a region of its own.
template <size_t N>
struct Test_space {
    alignas(16) unsigned char region[N];
    Mspace space{region, N, "test_space"};
};

bool inside(const void* p, const void* base, size_t size)
{
    auto c = static_cast<const unsigned char*>(p);
    auto b = static_cast<const unsigned char*>(base);
    return c >= b && c < b + size;
}

// Collects a dumper's output as "name=value" lines.
class Recording_dumper : public Debug::Dumper {
public:
    bool begin(const char* name) override
    {
        out << "begin " << name << "\n";
        return accept;
    }
    void end(const char* name) override { out << "end " << name << "\n"; }
    void value(const char* name, const char* text) override { out << name << "=" << text << "\n"; }
    std::ostringstream out;
    bool accept = true;
};

// Sends the debug output to a file for the life of the object.
class Debug_capture {
public:
    Debug_capture() : path_(std::string(::testing::TempDir()) + "mspace_debug_" + std::to_string(::getpid()) + ".txt")
    {
        Debug_print::set_debug_file(path_.c_str());
    }
    ~Debug_capture()
    {
        Debug_print::set_debug_file(nullptr);
        std::remove(path_.c_str());
    }
    std::string text()
    {
        std::fflush(Debug_print::get_debug_file());
        std::ifstream in(path_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

private:
    std::string path_;
};

} // namespace

TEST(Mspace, ExhaustionReturnsNullAndNeverUsesTheHeap)
{
    Test_space<8192> t;
    ASSERT_TRUE(t.space.valid());
    std::vector<void*> blocks;
    while (void* p = t.space.malloc(100)) {
        EXPECT_TRUE(inside(p, t.region, sizeof t.region));
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 16);
        std::memset(p, 0xA5, 100);
        blocks.push_back(p);
    }
    EXPECT_GT(blocks.size(), 40u);
    EXPECT_EQ(nullptr, t.space.malloc(1u << 20));
    EXPECT_EQ(nullptr, t.space.malloc(0xFFFFFFFFu));
    // One freed block makes room for exactly one more.
    t.space.free(blocks.back());
    blocks.back() = t.space.malloc(100);
    EXPECT_NE(nullptr, blocks.back());
    for (void* p : blocks) {
        t.space.free(p);
    }
    EXPECT_EQ(1u, t.space.usage().ordblks);
}

TEST(Mspace, FreeingEverythingCoalescesBackIntoOneChunk)
{
    Test_space<65536> t;
    const Mspace::Usage fresh = t.space.usage();
    EXPECT_EQ(1u, fresh.ordblks);

    std::mt19937 rng(7);
    for (int round = 0; round < 4; ++round) {
        std::vector<void*> blocks;
        for (int i = 0; i < 200; ++i) {
            if (void* p = t.space.malloc(1 + rng() % 700)) {
                blocks.push_back(p);
            }
        }
        std::shuffle(blocks.begin(), blocks.end(), rng);
        // Free half, allocate again in the holes, then free everything.
        for (size_t i = 0; i < blocks.size() / 2; ++i) {
            t.space.free(blocks[i]);
            blocks[i] = t.space.malloc(1 + rng() % 300);
        }
        EXPECT_GT(t.space.usage().ordblks, 1u);
        std::shuffle(blocks.begin(), blocks.end(), rng);
        for (void* p : blocks) {
            t.space.free(p);
        }
        Mspace::Usage u = t.space.usage();
        EXPECT_EQ(1u, u.ordblks);
        EXPECT_EQ(fresh.fordblks, u.fordblks);
        EXPECT_EQ(fresh.keepcost, u.keepcost);
    }
}

TEST(Mspace, BlocksReturnToTheSpaceThatOwnsThem)
{
    Test_space<4096> a;
    Test_space<4096> b;
    const uint32_t a_free = a.space.usage().fordblks;
    const uint32_t b_free = b.space.usage().fordblks;
    void* p = a.space.malloc(200);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(&a.space, Mspace::owner_of(p));
    EXPECT_LT(a.space.usage().fordblks, a_free);
    b.space.free(p);
    EXPECT_EQ(a_free, a.space.usage().fordblks);
    EXPECT_EQ(b_free, b.space.usage().fordblks);

    // realloc through the other space stays in the owner.
    p = a.space.malloc(64);
    std::memset(p, 0x5A, 64);
    void* q = b.space.realloc(p, 1000);
    ASSERT_NE(nullptr, q);
    EXPECT_TRUE(a.space.owns(q));
    EXPECT_EQ(0x5A, static_cast<unsigned char*>(q)[63]);
    b.space.free(q);
    EXPECT_EQ(a_free, a.space.usage().fordblks);
}

TEST(Mspace, ReallocGrowsShrinksAndKeepsTheBytes)
{
    Test_space<16384> t;
    auto* p = static_cast<unsigned char*>(t.space.malloc(40));
    for (int i = 0; i < 40; ++i) {
        p[i] = static_cast<unsigned char>(i);
    }
    void* blocker = t.space.malloc(16);
    auto* q = static_cast<unsigned char*>(t.space.realloc(p, 3000)); // must move
    ASSERT_NE(nullptr, q);
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(i, q[i]);
    }
    auto* r = static_cast<unsigned char*>(t.space.realloc(q, 5000)); // grows into the top
    EXPECT_EQ(q, r);
    r = static_cast<unsigned char*>(t.space.realloc(r, 10)); // shrinks in place
    EXPECT_EQ(q, r);
    EXPECT_EQ(9, r[9]);
    EXPECT_EQ(nullptr, t.space.realloc(r, 1u << 20)); // no room: untouched
    EXPECT_EQ(9, r[9]);
    t.space.free(r);
    t.space.free(blocker);
    EXPECT_EQ(1u, t.space.usage().ordblks);
}

TEST(Mspace, ConcurrentAllocAndFreeFromOneSpace)
{
    static Test_space<262144> t;
    constexpr int THREADS = 4;
    std::vector<std::thread> threads;
    std::vector<int> failures(THREADS, 0);
    for (int n = 0; n < THREADS; ++n) {
        threads.emplace_back([n, &failures] {
            std::mt19937 rng(n);
            std::vector<unsigned char*> mine;
            for (int i = 0; i < 4000; ++i) {
                if (mine.size() < 50 && (rng() % 3 != 0 || mine.empty())) {
                    size_t len = 1 + rng() % 400;
                    auto* p = static_cast<unsigned char*>(t.space.malloc(static_cast<uint32_t>(len)));
                    if (p == nullptr) {
                        ++failures[n];
                        continue;
                    }
                    std::memset(p, n + 1, len);
                    p[0] = static_cast<unsigned char>(n + 1);
                    mine.push_back(p);
                } else {
                    size_t k = rng() % mine.size();
                    if (mine[k][0] != n + 1) {
                        ++failures[n]; // another thread wrote into this block
                    }
                    t.space.free(mine[k]);
                    mine.erase(mine.begin() + static_cast<long>(k));
                }
            }
            for (unsigned char* p : mine) {
                t.space.free(p);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    for (int f : failures) {
        EXPECT_EQ(0, f);
    }
    EXPECT_EQ(1u, t.space.usage().ordblks);
}

TEST(Mspace, RegionTooSmallGivesAnInvalidSpace)
{
    alignas(16) static unsigned char region[4096];
    const size_t min = Boundary_tag_heap::min_region();
    ASSERT_LT(min + 1, sizeof region);
    {
        Mspace refused(region, static_cast<uint32_t>(min), "tiny");
        EXPECT_FALSE(refused.valid());
        EXPECT_EQ(nullptr, refused.malloc(1));
        Recording_dumper d;
        Debug_capture capture;
        refused.print_usage(d);
        EXPECT_EQ("", d.out.str());
        EXPECT_EQ(std::string(16, ' ') + "tiny INVALID\n", capture.text());
    }
    Mspace smallest(region, static_cast<uint32_t>(min + 1), "smallest");
    EXPECT_TRUE(smallest.valid());
    EXPECT_EQ(nullptr, smallest.malloc(1)); // too small for any block
}

TEST(Mspace, UsagePrintAndAllocationFailureTrace)
{
    Test_space<4096> t;
    void* p = t.space.malloc(100);
    Recording_dumper d;
    t.space.print_usage(d);
    Mspace::Usage u = t.space.usage();
    char expected[512];
    std::snprintf(expected, sizeof expected,
                  "begin test_space\nfixed_space=%x\nfree_chunks=%x\nmax_alloc=%x\n"
                  "total_alloc=%x\ntotal_free=%x\nreleasable=%x\nend test_space\n",
                  u.arena, u.ordblks, u.usmblks, u.uordblks, u.fordblks, u.keepcost);
    EXPECT_EQ(expected, d.out.str());
    EXPECT_EQ(4096u, u.usmblks);
    EXPECT_EQ(4096u, u.uordblks + u.fordblks);
    EXPECT_EQ(4096u, u.arena + u.hblkhd);

    Recording_dumper declining;
    declining.accept = false;
    t.space.print_usage(declining);
    EXPECT_EQ("begin test_space\n", declining.out.str());

    {
        Debug_capture capture;
        EXPECT_EQ(nullptr, t.space.malloc(300000));
        JDB::set_filters("14"); // code 20
        EXPECT_EQ(nullptr, jin_message_space().malloc(300000));
        JDB::set_filters("00");
        EXPECT_EQ("add 0x14\nFailed to allocate 300000 bytes in JIN_Message allocator\n",
                  capture.text());
    }
    t.space.free(p);
}

TEST(Mspace, TheSystemSpacesExistInOrder)
{
    EXPECT_EQ(&cds_event_space(), Mspace_manager::get().find("cds_event"));
    EXPECT_EQ(&jin_message_space(), Mspace_manager::get().find("JIN_Message"));
    EXPECT_EQ(&jin_trans_space(), Mspace_manager::get().find("JIN_trans"));
    EXPECT_EQ(CDS_EVENT_SPACE_BYTES, cds_event_space().get_size());
    EXPECT_EQ(256000u, jin_message_space().get_size());
    EXPECT_EQ(819200u, jin_trans_space().get_size());

    Recording_dumper d;
    Mspace_manager::print_global_usage(d);
    std::string text = d.out.str();
    size_t a = text.find("begin cds_event");
    size_t b = text.find("begin JIN_Message");
    size_t c = text.find("begin JIN_trans");
    ASSERT_NE(std::string::npos, a);
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);

    // A space that ends leaves the list.
    int before = Mspace_manager::get().count();
    {
        Test_space<2048> t;
        EXPECT_EQ(before + 1, Mspace_manager::get().count());
    }
    EXPECT_EQ(before, Mspace_manager::get().count());
}

TEST(Mspace, TaggedAllocation)
{
    EXPECT_EQ(0, tallocation_init());
    EXPECT_EQ(0, tallocation_usage(5));
    EXPECT_EQ(-1, tallocation_usage(6));
    void* p = talloc(2, 100);
    ASSERT_NE(nullptr, p);
    tdealloc(p);
    EXPECT_EQ(0, tallocation_usage(2));
}

using Mspace_death = ::testing::Test;

TEST(Mspace_death, MisuseEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Test_space<4096> t;
    EXPECT_DEATH(
        {
            void* p = t.space.malloc(50);
            t.space.free(p);
            t.space.free(p);
        },
        "freed twice");
    EXPECT_DEATH(
        {
            void* p = t.space.malloc(50);
            void* q = t.space.malloc(50);
            t.space.free(p); // merged with nothing yet; then merged below
            t.space.free(q);
            t.space.free(p);
        },
        "freed twice");
    EXPECT_DEATH(
        {
            auto* p = static_cast<unsigned char*>(t.space.malloc(48));
            std::memset(p, 0, 64); // runs over the block's footer
            t.space.free(p);
        },
        "footer corrupted");
    EXPECT_DEATH(
        {
            int on_stack = 0;
            t.space.free(&on_stack);
        },
        "no memory space handed out");
    EXPECT_DEATH(
        {
            auto* p = static_cast<unsigned char*>(t.space.malloc(48));
            t.space.free(p + 16);
        },
        "in use|corrupted");
}
