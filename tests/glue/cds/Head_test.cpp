#include "glue/cds/Access.h"
#include "glue/cds/Event_space.h"
#include "glue/cds/Head.h"

#include "Cds_events.h"

#include <gtest/gtest.h>

#include "util/Mspace.h"

#include <algorithm>
#include <string>
#include <cstring>
#include <random>
#include <unistd.h>

using namespace CDS;

namespace {

class Head_fixture : public testing::Test {
protected:
    Head_fixture() : head(&mm, reinterpret_cast<unsigned long>(block))
    {
        std::memset(block, 0, sizeof block);
        a.init(&mm);
        b.init(&mm);
    }

    // Registers waiter for (offset, size) with a plain event id.
    void reg(waiter_descriptor& w, int offset, int size, int event_id)
    {
        ASSERT_EQ(head.event_register(&w, offset, size, REG_EVENT_ID, event_id, nullptr, nullptr), 0);
    }
    // Writes size bytes of value at offset through the locked write.
    void write(int offset, int size, unsigned char value, Options* options = nullptr)
    {
        unsigned char bytes[64];
        std::memset(bytes, value, sizeof bytes);
        head.write(block + offset, bytes, size, options);
    }
    std::vector<intptr_t> codes(waiter_descriptor& w)
    {
        std::vector<intptr_t> out;
        for (const Received& r : drain(w)) {
            EXPECT_EQ(r.module_id, head.get_plain_id());
            out.push_back(r.code);
        }
        return out;
    }

    module_man mm;
    unsigned char block[256];
    Head head;
    waiter_descriptor a, b;
};

using Codes = std::vector<intptr_t>;

} // namespace

TEST_F(Head_fixture, ThreeDistinctModuleIds)
{
    EXPECT_NE(head.get_plain_id(), head.get_access_id());
    EXPECT_NE(head.get_access_id(), head.get_virt_access_id());
    EXPECT_GE(head.get_plain_id(), 1026);
}

TEST_F(Head_fixture, FieldInsideRecordIsWokenWithItInEitherOrder)
{
    for (bool record_first : {true, false}) {
        Head local(&mm, reinterpret_cast<unsigned long>(block));
        auto reg_local = [&](int offset, int size, int id) {
            ASSERT_EQ(local.event_register(&a, offset, size, REG_EVENT_ID, id, nullptr, nullptr), 0);
        };
        if (record_first) {
            reg_local(100, 40, 1);
            reg_local(100, 4, 2);
        } else {
            reg_local(100, 4, 2);
            reg_local(100, 40, 1);
        }
        unsigned char value[4] = {1, 2, 3, 4};
        local.write(block + 100, value, 4);
        Codes got;
        for (const Received& r : drain(a))
            got.push_back(r.code);
        EXPECT_EQ(got, (Codes{1, 2})) << "record first: " << record_first;
        // The same value again wakes nobody.
        local.write(block + 100, value, 4);
        EXPECT_TRUE(drain(a).empty());
        std::memset(block, 0, sizeof block);
    }
}

TEST_F(Head_fixture, WholeRecordWriteWakesOnlyFieldsWhoseBytesChange)
{
    reg(a, 100, 40, 1);
    reg(a, 100, 4, 2);
    reg(a, 104, 4, 3);
    reg(a, 136, 4, 4);
    reg(a, 140, 4, 5); // outside the record
    unsigned char record[40] = {};
    record[5] = 9; // inside the field at 104
    head.write(block + 100, record, 40);
    EXPECT_EQ(codes(a), (Codes{1, 3}));
}

TEST_F(Head_fixture, StraddlingRangesAreLeftOutEnclosingOnesWoken)
{
    reg(a, 98, 4, 1);  // straddles the start of the write
    reg(a, 96, 8, 2);  // encloses the write
    reg(a, 102, 4, 3); // straddles the end
    write(100, 4, 7);
    EXPECT_EQ(codes(a), (Codes{2}));
}

// Two registrations that partly overlap stand side by side; a write inside
// both must wake both, and what is filed under either of them.
TEST_F(Head_fixture, EveryRegistrationEnclosingTheWriteIsWoken)
{
    reg(a, 96, 8, 1);  // 96 to 104
    reg(a, 100, 8, 2); // 100 to 108: partly overlaps the first
    reg(a, 100, 4, 3); // inside both, filed under the second
    reg(a, 98, 2, 4);  // inside the first only
    write(100, 4, 7);
    EXPECT_EQ(codes(a), (Codes{1, 2, 3}));
    write(101, 2, 8);
    EXPECT_EQ(codes(a), (Codes{1, 2, 3}));
    write(104, 4, 9); // only the second encloses this one
    EXPECT_EQ(codes(a), (Codes{2}));
    write(98, 4, 6); // inside the first; the second and the field straddle it
    EXPECT_EQ(codes(a), (Codes{1, 4}));
    write(96, 16, 5); // encloses all four
    EXPECT_EQ(codes(a), (Codes{1, 4, 2, 3}));
}

// Random registrations and writes against a plain model: a write wakes every
// registration that encloses it or lies inside it, when the bytes they share
// with the write change, and no registration that only partly overlaps it;
// a registration taken back is found wherever it was filed.
TEST_F(Head_fixture, WakeUpsMatchAModelOverRandomRanges)
{
    struct Range {
        int offset, size;
    };
    std::mt19937 rng(77);
    for (int round = 0; round < 20; round++) {
        Head fresh(&mm, reinterpret_cast<unsigned long>(block));
        std::memset(block, 0, sizeof block);
        std::vector<Range> ranges;
        for (int i = 0; i < 25; i++) {
            Range r{int(rng() % 200), 1 + int(rng() % 40)};
            ranges.push_back(r);
            ASSERT_EQ(fresh.event_register(&a, r.offset, r.size, REG_EVENT_ID, i, nullptr, nullptr), 0);
        }
        // Every registration can be taken back, wherever it was filed.
        for (int i = 0; i < 25; i += 3) {
            Range& r = ranges[size_t(i)];
            ASSERT_EQ(fresh.event_unregister(&a, r.offset, r.size, REG_EVENT_ID, i, nullptr, nullptr), 0) << i;
            ASSERT_EQ(fresh.event_unregister(&a, r.offset, r.size, REG_EVENT_ID, i, nullptr, nullptr), -1) << i;
            r.size = 0; // selects nothing in the model
        }
        for (int w = 0; w < 60; w++) {
            const int offset = int(rng() % 220);
            const int size = 1 + int(rng() % 36);
            unsigned char bytes[64];
            for (int i = 0; i < size; i++)
                bytes[i] = rng() % 3 ? block[offset + i] : static_cast<unsigned char>(rng() % 4);
            Codes expected;
            for (int i = 0; i < int(ranges.size()); i++) {
                const Range& r = ranges[size_t(i)];
                if (r.size == 0)
                    continue;
                const bool encloses = r.offset <= offset && r.offset + r.size >= offset + size;
                const bool inside = r.offset >= offset && r.offset + r.size <= offset + size;
                if (!encloses && !inside)
                    continue;
                const int from = std::max(r.offset, offset);
                const int to = std::min(r.offset + r.size, offset + size);
                if (std::memcmp(block + from, bytes + (from - offset), size_t(to - from)) != 0)
                    expected.push_back(i);
            }
            fresh.write(block + offset, bytes, size, nullptr);
            Codes got;
            for (const Received& r : drain(a))
                got.push_back(r.code);
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got, expected) << "round " << round << " write " << offset << "+" << size;
        }
    }
}

TEST_F(Head_fixture, NestedLevelsAreWokenDownTheChain)
{
    reg(a, 0, 64, 1);
    reg(a, 16, 16, 2);
    reg(a, 20, 4, 3);
    reg(a, 24, 4, 4);
    write(20, 2, 5);
    EXPECT_EQ(codes(a), (Codes{1, 2, 3}));
    write(16, 16, 6); // wakes the middle record and both fields inside it
    EXPECT_EQ(codes(a), (Codes{1, 2, 3, 4}));
}

TEST_F(Head_fixture, ExcludedWaiterIsSkipped)
{
    reg(a, 10, 4, 1);
    reg(b, 10, 4, 2);
    Options options;
    options.set_waiter_to_exclude(&a);
    write(10, 4, 1, &options);
    EXPECT_TRUE(drain(a).empty());
    EXPECT_EQ(codes(b), (Codes{2}));
}

TEST_F(Head_fixture, ValueAlreadyStoredWakesEveryoneInRange)
{
    reg(a, 10, 4, 1);
    reg(a, 12, 2, 2);
    EXPECT_EQ(head.event_signal(block + 10, nullptr, 10, 4, nullptr), 0);
    EXPECT_EQ(codes(a), (Codes{1, 2}));
}

TEST_F(Head_fixture, UnregisterRemovesOneOfTwoEqualRegistrations)
{
    reg(a, 10, 4, 7);
    reg(a, 10, 4, 7);
    EXPECT_EQ(head.event_unregister(&a, 10, 4, REG_EVENT_ID, 7, nullptr, nullptr), 0);
    write(10, 4, 1);
    // Two recipients left would give two deliveries.
    EXPECT_EQ(codes(a), (Codes{7}));
    EXPECT_EQ(head.event_unregister(&a, 10, 4, REG_EVENT_ID, 7, nullptr, nullptr), 0);
    EXPECT_EQ(head.event_unregister(&a, 10, 4, REG_EVENT_ID, 7, nullptr, nullptr), -1);
    EXPECT_EQ(head.event_unregister(&a, 11, 4, REG_EVENT_ID, 7, nullptr, nullptr), -1);
}

TEST_F(Head_fixture, HandlesCarryTheirKindAndThemselves)
{
    struct Listener {
        int calls = 0;
        void handle_virt_listener_event(Virt_listener<Listener>*) { ++calls; }
    } owner;
    Access_base access(&head, 20, 4);
    Virt_listener<Listener> listener(&owner, &head, 24, 4);
    EXPECT_EQ(access.reg(&a, 77), 0);
    EXPECT_EQ(access.autoreg(&a), 0);
    EXPECT_EQ(listener.autoreg(&a), 0);
    write(20, 8, 3);
    std::vector<Received> got = drain(a);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0], (Received{head.get_plain_id(), 77}));
    EXPECT_EQ(got[1], (Received{head.get_access_id(), reinterpret_cast<intptr_t>(&access)}));
    EXPECT_EQ(got[2], (Received{head.get_virt_access_id(), reinterpret_cast<intptr_t>(&listener)}));
    Virt_access::from_event_code(got[2].code)->handle_event();
    EXPECT_EQ(owner.calls, 1);
    EXPECT_EQ(listener.autounreg(&a), 0);
    EXPECT_EQ(access.autounreg(&a), 0);
    EXPECT_EQ(access.unreg(&a, 77), 0);
    write(20, 8, 4);
    EXPECT_TRUE(drain(a).empty());
}

TEST_F(Head_fixture, ExhaustedSpaceRefusesAndKeepsExistingRegistrations)
{
    reg(a, 0, 4, 1);
    testing::internal::CaptureStderr();
    int made = 0;
    while (head.event_register(&b, 8 + 8 * made, 4, REG_EVENT_ID, 2, nullptr, nullptr) == 0) {
        ++made;
        ASSERT_LT(size_t(made), CDS_EVENT_SPACE_BYTES / 32) << "the space never ran out";
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("ERROR: Could not get"), std::string::npos);
    EXPECT_NE(err.find("cds_event space exhausted"), std::string::npos);
    EXPECT_NE(err.find("registration of 4 bytes at offset " + std::to_string(8 + 8 * made) + " refused"),
              std::string::npos);
    EXPECT_GE(size_t(made), CDS_EVENT_REGISTRATIONS) << "the space holds what it is sized for";
    RecordProperty("distinct_ranges_held", made);
    write(0, 4, 9);
    EXPECT_EQ(codes(a), (Codes{1}));
    // What was registered still works, and freeing one makes room again.
    write(8, 4, 9);
    EXPECT_EQ(codes(b), (Codes{2}));
    EXPECT_EQ(head.event_unregister(&b, 8, 4, REG_EVENT_ID, 2, nullptr, nullptr), 0);
    EXPECT_EQ(head.event_register(&b, 8, 4, REG_EVENT_ID, 2, nullptr, nullptr), 0);
}

// The mix a program registers: whole records, fields inside them (which give
// the record a child level), and fields that two modules watch. The space
// holds the planned number of registrations of that mix too; the cost of
// one registration is recorded for the sizing.
TEST_F(Head_fixture, TheSpaceHoldsThePlannedRegistrationsOfRecordsAndFields)
{
    const size_t free_before = event_space_free();
    size_t made = 0;
    testing::internal::CaptureStderr();
    for (int record = 0; made < CDS_EVENT_REGISTRATIONS; ++record) {
        const int base = record * 64;
        if (head.event_register(&a, base, 32, REG_EVENT_ID, record, nullptr, nullptr) != 0)
            break;
        ++made;
        for (int field = 0; field < 6 && made < CDS_EVENT_REGISTRATIONS; ++field) {
            if (head.event_register(&a, base + 4 * field, 4, REG_EVENT_ID, field, nullptr, nullptr) != 0)
                break;
            ++made;
            if (field % 2 == 0) {
                if (head.event_register(&b, base + 4 * field, 4, REG_EVENT_ID, field, nullptr, nullptr) != 0)
                    break;
                ++made;
            }
        }
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(made, CDS_EVENT_REGISTRATIONS) << err;
    const size_t used = free_before - event_space_free();
    RecordProperty("bytes_per_registration", int(used / made));
    EXPECT_LE(used, CDS_EVENT_SPACE_BYTES);
}

TEST(Head_death, AutoregWithoutHeadIsABug)
{
    Access_base unbound;
    waiter_descriptor w;
    // The report goes to standard output; the death test reads standard error.
    EXPECT_DEATH(
        {
            dup2(2, 1);
            unbound.autoreg(&w);
        },
        "CDS: Tried to autoreg with no init");
}
