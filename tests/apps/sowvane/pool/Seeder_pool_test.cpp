#include "Generated_pool.h"

#include "tests/support/debug_capture.h"
#include "tests/support/pool/Whole_pool_check.h"

#include <gtest/gtest.h>

namespace {

TEST(SeederPoolTest, WholePoolPassesTheChecks)
{
    Generated_pool pool;
    ASSERT_EQ(pool.result, 0);
    Whole_pool_report report = check_whole_pool(pool.image, *pool.table);
    EXPECT_TRUE(report.problems.empty()) << describe(report);
    EXPECT_LT(report.bytes, Generated_pool::writer_capacity);
    RecordProperty("pool_bytes", int(report.bytes));
    RecordProperty("pool_objects", int(report.objects));
}

TEST(SeederPoolTest, GenerationIsDeterministic)
{
    Generated_pool first;
    Generated_pool second;
    EXPECT_EQ(first.image, second.image);
    EXPECT_TRUE(first.table->same_as(*second.table));
}

TEST(SeederPoolTest, PoolOpensWithTheWorkingSetAndItsLabel)
{
    Generated_pool pool;
    VtObjectWorkingSet& working_set = pool.get<VtObjectWorkingSet>(10000);
    EXPECT_EQ(working_set.getActiveMask(), pool.table->main.data_mask);
    ASSERT_EQ(working_set.getChilds().size(), 1u);
    EXPECT_EQ(working_set.getChilds().at(0)->oid, 10024u);
    EXPECT_EQ(working_set.getChilds().at(0)->x, 5);
    EXPECT_STREQ(pool.get<VtObjectOutputFieldString>(10024).getValue().c_str(), "SEEDER");
    EXPECT_EQ(pool.table->main.data_mask, 10025u) << "the run screen's mask follows the label";
    // A VT lists and activates only a selectable working set; its designator
    // is black on white.
    ASSERT_GE(pool.image.size(), 5u);
    EXPECT_EQ(pool.image[3], 1u) << "background colour white";
    EXPECT_EQ(pool.image[4], 1u) << "selectable";
}

TEST(SeederPoolTest, TableHoldsTheSharedFillsAndTheTankFillSelector)
{
    Generated_pool pool;
    const Screen_object_ids& table = *pool.table;
    EXPECT_EQ(table.common.indicator_off, 10002u);
    EXPECT_EQ(table.common.indicator_on, 10003u);
    EXPECT_EQ(table.common.selected_off, 10004u);
    EXPECT_EQ(table.common.selected_on, 10005u);
    // The tank fill screen is built after the run screen: its selector's
    // texts are the ones the table keeps.
    EXPECT_GT(table.common.tank_entry[0], table.tank_fill_mask.data_mask);
    VtObjectInputFieldList& selector = pool.get<VtObjectInputFieldList>(table.tank_fill_mask.tank_list);
    ASSERT_EQ(selector.getElements().size(), 5u);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(selector.getElements().at(i)->oid, table.common.tank_entry[i]);
    EXPECT_EQ(selector.getElements().at(4)->oid, table.common.all_tanks_entry);
    EXPECT_STREQ(pool.get<VtObjectOutputFieldString>(table.common.all_tanks_entry).getValue().c_str(), " All ");
    EXPECT_EQ(selector.getValue(), 4u);
    EXPECT_EQ(table.settings_menu.reserved, 0u);
    EXPECT_EQ(table.tank_fill_mask.spare_a[0], VT_NULL_ID);
}

TEST(SeederPoolTest, PoolThatDoesNotFitFailsLoudly)
{
    Screen_object_ids table;
    VtMessageWriter writer(5000, nullptr);
    Debug_capture capture;
    EXPECT_EQ(build_seeder_pool(table, writer, VtSize(240, 240)), -1);
    EXPECT_EQ(writer.getLength(), 0u) << "no partial image is left for the loader";
    EXPECT_TRUE(writer.hasFailed());
    EXPECT_NE(capture.text().find("VT pool: the pool does not fit in 5000 bytes"), std::string::npos)
        << capture.text();
}

TEST(SeederPoolTest, HistoryMenuPoolIsATransferOfThatScreenAlone)
{
    Screen_object_ids table;
    VtMessageWriter writer(80000, nullptr);
    ASSERT_EQ(build_history_menu_pool(table, writer, VtSize(240, 240)), 0);
    ASSERT_GT(writer.getLength(), 4u);
    EXPECT_EQ(writer.getData()[0], 17);
    EXPECT_EQ(writer.getData()[1], 0x10);
    EXPECT_EQ(writer.getData()[2], 0x27);
    EXPECT_EQ(table.operating_history_menu_mask.data_mask, 10025u);
    EXPECT_EQ(table.main.data_mask, VT_NULL_ID);

    const std::vector<uint8_t> image(writer.getData() + 1, writer.getData() + writer.getLength());
    Whole_pool_options only_history;
    size_t count = 0;
    const Screen_object_field* fields = Screen_object_ids::fields(count);
    for (size_t i = 0; i < count; ++i)
        if (std::string(fields[i].group) != "operating_history_menu_mask" && std::string(fields[i].group) != "common")
            only_history.unfilled_groups.push_back(fields[i].group);
    only_history.unfilled_groups.push_back("common"); // its unit texts belong to the run screen
    Whole_pool_report report = check_whole_pool(image, table, only_history);
    // The tank records belong to the run screen, which this pool lacks.
    for (const std::string& line : report.problems)
        EXPECT_NE(line.find("tank_record"), std::string::npos) << line;
}

// The pool follows the VT's data-mask size: every class generates a whole
// pool whose bands span the mask.
TEST(SeederPoolTest, PoolScalesWithTheDataMaskSize)
{
    const VtSize sizes[] = {VtSize(200, 200), VtSize(240, 240), VtSize(320, 320), VtSize(480, 480),
                            VtSize(480, 240)};
    for (const VtSize& size : sizes) {
        Generated_pool pool(size);
        ASSERT_EQ(pool.result, 0) << size.width << " x " << size.height;
        Whole_pool_report report = check_whole_pool(pool.image, *pool.table);
        EXPECT_TRUE(report.problems.empty()) << size.width << " x " << size.height << "\n" << describe(report);
        VtObjectDataMask& mask = pool.get<VtObjectDataMask>(pool.table->main.data_mask);
        ASSERT_GE(mask.getChilds().size(), 6u);
        const int row_height = (int(size.height) - 20) / 5;
        for (uint32_t i = 0; i < 6; ++i) {
            auto& band = pool.get<VtObjectContainer>(mask.getChilds().at(i)->oid);
            EXPECT_EQ(band.getWidth(), size.width);
            EXPECT_LE(mask.getChilds().at(i)->y + int(band.getHeight()), int(size.height));
        }
        EXPECT_EQ(int(pool.get<VtObjectContainer>(pool.table->tank_records[0]->column).getHeight()), row_height);
        const uint32_t selector_width = pool.get<VtObjectInputFieldList>(pool.table->main.select_list).getWidth();
        EXPECT_EQ(selector_width, size.width / 5 - 6);
    }
}

} // namespace

namespace {

// The checker itself: a pool with a dangling child and a table field of the
// wrong type are reported.
TEST(WholePoolCheckTest, ReportsDanglingReferencesAndMistypedFields)
{
    Generated_pool pool;
    auto& mask = pool.get<VtObjectDataMask>(pool.table->main.data_mask);
    mask.getChilds().append(new VtObjectRef(60000, 0, 0));
    VtMessageWriter writer(100000, nullptr);
    ASSERT_EQ(pool.objects.write_pool(writer), 0);
    const std::vector<uint8_t> broken(writer.getData(), writer.getData() + writer.getLength());
    pool.table->main.speed = pool.table->main.key_inc;

    Whole_pool_report report = check_whole_pool(broken, *pool.table);
    const std::string text = describe(report);
    EXPECT_NE(text.find("holds child 60000, which is not in the pool"), std::string::npos) << text;
    EXPECT_NE(text.find("main.speed[0]"), std::string::npos) << text;
    EXPECT_EQ(report.problems.size(), 2u) << text;
}

} // namespace
