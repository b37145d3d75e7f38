#include "platform/iso/Iso_attribute.h"
#include "platform/iso/Iso_locale.h"
#include "platform/iso/Iso_object_base.h"
#include "platform/iso/Object_pool_base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using U16 = Iso::Attribute_integer<unsigned short, 2>;
using U8 = Iso::Attribute_integer<unsigned char, 1>;
using I32 = Iso::Attribute_integer<int, 3>;

struct Thing : Iso::Iso_object_base<int, Iso::Attribute, U16> {
    Thing(unsigned short id, const char* name = nullptr) : Iso_object_base(id, 7, name)
    {
        add_attribute(&id_attribute());
        add_attribute(&kind);
        add_attribute(&value);
    }
    U8 kind{"kind", 0xAB};
    I32 value{"value", -2};
};

TEST(IsoObject, BinaryFormIsTheAttributesInOrderAndResumesAtAnyOffset)
{
    Thing t(0x1234);
    const std::vector<unsigned char> whole = {0x34, 0x12, 0xAB, 0xFE, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(t.binary_size(), 7);
    unsigned char buf[16] = {};
    ASSERT_EQ(t.serialise(0, buf, sizeof buf), 7);
    EXPECT_EQ(std::vector<unsigned char>(buf, buf + 7), whole);

    // Written one to three bytes at a time, the pieces join to the same bytes.
    for (int piece = 1; piece <= 3; ++piece) {
        std::vector<unsigned char> joined;
        for (int off = 0; off < 7;) {
            unsigned char p[3];
            int n = t.serialise(off, p, piece);
            ASSERT_GT(n, 0);
            joined.insert(joined.end(), p, p + n);
            off += n;
        }
        EXPECT_EQ(joined, whole) << "piece " << piece;
    }
    EXPECT_EQ(t.serialise(7, buf, 4), 0);
}

TEST(IsoObject, IntegerAttributeReadsBackInPieces)
{
    I32 v("v");
    const unsigned char bytes[] = {0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(v.deserialise(0, bytes, 1), 1);
    EXPECT_EQ(v.deserialise(1, bytes + 1, 3), 3);
    EXPECT_EQ(v.get(), 0x12345678);
    EXPECT_EQ(v.deserialise(4, bytes, 4), 0);
    EXPECT_EQ(v.deserialise(-1, bytes, 4), 0);
}

TEST(ObjectPool, AddRefusesNullIdDuplicateIdsAndNames)
{
    Object_pool_base<Thing> pool;
    auto* a = new Thing(10, "a");
    ASSERT_TRUE(pool.add_object(a));
    Thing dup_id(10, "b"), dup_name(11, "a"), null_id(Thing::NULL_ID, "c");
    EXPECT_FALSE(pool.add_object(&dup_id));
    EXPECT_FALSE(pool.add_object(&dup_name));
    EXPECT_FALSE(pool.add_object(&null_id));
    EXPECT_FALSE(pool.add_object(nullptr));
    ASSERT_TRUE(pool.add_object(new Thing(12)));  // unnamed objects do not clash
    ASSERT_TRUE(pool.add_object(new Thing(13)));

    EXPECT_EQ(Object_pool_base<Thing>::find_object(&pool, "a", false), a);
    EXPECT_EQ(Object_pool_base<Thing>::find_object(&pool, 10), a);
    EXPECT_EQ(Object_pool_base<Thing>::find_object(&pool, "zz", false), nullptr);
    EXPECT_EQ(Object_pool_base<Thing>::find_object(&pool, "", false), nullptr);
    EXPECT_EQ(Object_pool_base<Thing>::find_object(&pool, 99), nullptr);
    EXPECT_EQ(pool.object_count(), 3);
    EXPECT_TRUE(pool.delete_object(12));
    EXPECT_FALSE(pool.delete_object(12));
    EXPECT_EQ(pool.object_count(), 2);
}

TEST(ObjectPool, LockIsRecursiveAndTimesOutForOthers)
{
    Object_pool_base<Thing> pool;
    ASSERT_TRUE(pool.lock(-1));
    EXPECT_TRUE(pool.lock(0));
    pool.unlock();
    pool.unlock();
}

TEST(IsoLocale, LanguageCommandBytesRoundTrip)
{
    const uint8_t bytes[8] = {'d', 'e', 0x4F, 0x02, 0x5A, 0x1B, 0xFF, 0xFF};
    Iso::Locale l;
    ASSERT_TRUE(l.decode(bytes, 8));
    EXPECT_TRUE(l.language == "de");
    EXPECT_FALSE(l.language == "en");
    EXPECT_EQ(l.decimal_mark, 1);
    EXPECT_EQ(l.time_format, 0);
    EXPECT_EQ(l.date_format, 2);
    EXPECT_EQ(l.distance, 1);
    EXPECT_EQ(l.area, 1);
    EXPECT_EQ(l.volume, 2);
    EXPECT_EQ(l.mass, 2);
    EXPECT_EQ(l.temperature, 0);
    EXPECT_EQ(l.pressure, 1);
    EXPECT_EQ(l.force, 2);
    EXPECT_EQ(l.generic, 3);
    uint8_t out[8];
    l.encode(out);
    Iso::Locale back;
    ASSERT_TRUE(back.decode(out, 8));
    EXPECT_EQ(back, l);
    EXPECT_FALSE(back.decode(out, 7));
}

} // namespace
