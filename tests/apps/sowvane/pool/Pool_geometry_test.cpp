// The pool as a VT draws it, at every data-mask size class the generator
// knows and on soft key designators of the sizes VTs report: the generated
// screens alone, and the whole pool the program uploads with the named
// objects of the pool specification (alarm masks, keys and key masks, the
// pencil, the widgets the screens place at run time). Every object inside its
// parent, key and mask; every text inside its field in its font; a working
// set that a VT lists and lets the operator choose.
#include "Generated_pool.h"

#include "tests/support/pool/Pool_geometry.h"
#include "tests/support/pool/Uploaded_pool.h"

#include <gtest/gtest.h>

namespace {

std::string listed(const std::vector<std::string>& faults)
{
    std::string out;
    for (const std::string& fault : faults)
        out += fault + "\n";
    return out;
}

const int mask_sizes[] = {240, 320, 480};

TEST(PoolGeometryTest, EveryGeneratedMaskFitsAsTheVtDrawsIt)
{
    for (int size : mask_sizes) {
        Generated_pool pool(VtSize(size, size));
        ASSERT_EQ(pool.result, 0) << size;
        const std::vector<std::string> faults =
            check_pool_geometry(pool.objects, generated_pool_geometry_options(size, *pool.table));
        EXPECT_TRUE(faults.empty()) << "mask size " << size << ": " << faults.size() << " faults\n" << listed(faults);
    }
}

TEST(PoolGeometryTest, WholeUploadedPoolFitsAsTheVtDrawsIt)
{
    // The smallest designator a VT may report, which this program's own VT
    // reports too, and larger ones of other VTs.
    const VtSize designators[] = {VtSize(60, 32), VtSize(64, 64), VtSize(80, 80)};
    for (int size : mask_sizes) {
        Uploaded_pool uploaded(VtSize(size, size));
        ASSERT_EQ(uploaded.error, "") << size;
        ASSERT_NE(uploaded.id("alarm_mask_FAN_PRESSURE_LOW"), VT_NULL_ID) << "the specification's objects are there";
        Pool_geometry_options options = uploaded.geometry_options(size);
        for (const VtSize& designator : designators) {
            options.key_width = int(designator.width);
            options.key_height = int(designator.height);
            const std::vector<std::string> faults = check_pool_geometry(uploaded.stream, options);
            EXPECT_TRUE(faults.empty()) << "mask size " << size << ", soft key " << designator.width << " x "
                                        << designator.height << ": " << faults.size() << " faults\n"
                                        << listed(faults);
        }
    }
}

// The check finds what a VT would not show: a title wider than its field in
// its font, a key's mark below the key, a picture larger than its frame.
TEST(PoolGeometryTest, FindsTextsAndMarksThatDoNotShow)
{
    Uploaded_pool uploaded(VtSize(240, 240));
    ASSERT_EQ(uploaded.error, "");
    Pool_builder objects;
    VtMessageReader reader;
    reader.setData(uploaded.stream.data(), uint32_t(uploaded.stream.size()));
    ASSERT_EQ(objects.read_pool(reader), 1);
    auto& title =
        dynamic_cast<VtObjectOutputFieldString&>(*objects.find_object(uploaded.id("os_alarm_title_TANK_ALT_RATE_1")));
    title.setFontAttributes(uploaded.id("font_title"));
    vtChildRefsOf(objects.find_object(uploaded.id("key_cross")))
        ->moveObject(uploaded.id("skpic_cross_red"), 24, 30, false);
    auto& pencil = dynamic_cast<VtObjectContainer&>(*objects.find_object(uploaded.id("pencil")));
    pencil.setSize(VtSize(12, 12));

    const std::string faults = listed(check_pool_geometry(objects, uploaded.geometry_options(240)));
    for (const char* expected : {"text \"Tank 1 alternate rate in use\" needs 448 x 16 in",
                                 "(VtObjectTypePictureGraphic) at (24, 30) size 16 x 16 lies outside",
                                 "(VtObjectTypePictureGraphic) at (2, 2) size 16 x 16 lies outside"})
        EXPECT_NE(faults.find(expected), std::string::npos) << expected << "\nin\n" << faults;
}

TEST(PoolGeometryTest, WrappedLinesBreakAtSpaces)
{
    struct Case {
        const char* text;
        int per_line;
        int lines;
    };
    const Case cases[] = {
        {"", 10, 0},
        {"Tank 1 alternate rate in use", 28, 1},
        {"Tank 1 alternate rate in use", 14, 3}, // "Tank 1" "alternate rate" "in use"
        {"Tank 1 alternate rate in use", 19, 2},
        {"abcdefghij", 4, 3},
        {"a  b", 3, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapped_lines(c.text, c.per_line), c.lines) << '"' << c.text << "\" in " << c.per_line;
}

} // namespace
