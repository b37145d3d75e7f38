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

// The pointers the masks aim at run time, with what they may show.
void add_switchable_targets(Pool_geometry_options& options, const Screen_object_ids& t)
{
    auto add = [&](uint32_t pointer, std::initializer_list<uint32_t> targets) {
        options.pointer_targets[pointer].insert(options.pointer_targets[pointer].end(), targets);
    };
    add(t.wheel_calibration_mask.distance_pointer,
        {t.wheel_calibration_mask.distance_input, t.wheel_calibration_mask.distance_output});
    add(t.area_test_mask.target_area_pointer, {t.area_test_mask.target_area_input, t.area_test_mask.target_area_output});
    const auto& tank_cal = t.tank_calibration_settings_mask;
    add(tank_cal.weight_pointer, {tank_cal.weight_input, tank_cal.weight_output});
    add(tank_cal.factor_pointer, {tank_cal.factor_input, tank_cal.factor_output});
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        const auto& run = t.multi_tank_cal_1_mask;
        add(run.preset_pointer[i], {run.preset_input[i], run.preset_output[i]});
        const auto& weighing = t.multi_tank_cal_2_mask;
        add(weighing.weight_pointer[i], {weighing.weight_input[i], weighing.weight_output[i]});
        add(t.main.volume_units_pointer, {t.common.volume_units[i]});
    }
}

// Texts the masks write while they run (names, instructions, firmware
// versions, bit patterns): their placeholders stand for no real text.
void add_runtime_texts(Pool_geometry_options& options, const Screen_object_ids& t)
{
    for (uint32_t oid : {t.wheel_calibration_mask.instructions, t.area_test_mask.step_text,
                         t.tank_calibration_settings_mask.step_text, t.tank_calibration_settings_mask.product_name})
        options.runtime_texts.insert(oid);
    for (int i = 0; i < Screen_object_ids::tank_count; ++i)
        for (uint32_t oid : {t.multi_tank_cal_1_mask.tank_name[i], t.multi_tank_cal_2_mask.tank_name[i],
                             t.multi_tank_cal_3_mask.tank_name[i], t.tank_records[i]->name})
            options.runtime_texts.insert(oid);
}

Pool_geometry_options options_for(int mask_size, const Screen_object_ids& table)
{
    Pool_geometry_options options;
    options.mask_width = options.mask_height = mask_size;
    add_switchable_targets(options, table);
    add_runtime_texts(options, table);
    return options;
}

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
        const std::vector<std::string> faults = check_pool_geometry(pool.objects, options_for(size, *pool.table));
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
        Pool_builder objects;
        VtMessageReader reader;
        reader.setData(uploaded.stream.data(), uint32_t(uploaded.stream.size()));
        ASSERT_EQ(objects.read_pool(reader), 1) << "the written pool reads back whole at " << size;
        ASSERT_NE(objects.find_object(uploaded.id("alarm_mask_FAN_PRESSURE_LOW")), nullptr);

        Pool_geometry_options options = options_for(size, *uploaded.table);
        // The soft key marks: the edit picture, or the red cross while an
        // edit is not committed; the cycle widget's border, selected or not.
        options.pointer_targets[uploaded.id("skptr_edit_pic")] = {uploaded.id("skpic_edit"),
                                                                  uploaded.id("skpic_cross_red")};
        options.pointer_targets[uploaded.id("ptr_widget_bdr")] = {uploaded.id("rec_cycle_selected"),
                                                                  uploaded.id("rec_cycle_unselected")};
        for (const VtSize& designator : designators) {
            options.key_width = int(designator.width);
            options.key_height = int(designator.height);
            const std::vector<std::string> faults = check_pool_geometry(objects, options);
            EXPECT_TRUE(faults.empty()) << "mask size " << size << ", soft key " << designator.width << " x "
                                        << designator.height << ": " << faults.size() << " faults\n"
                                        << listed(faults);
        }
    }
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
        {"Tank 1 alternate rate in use", 14, 3},  // "Tank 1" "alternate rate" "in use"
        {"Tank 1 alternate rate in use", 19, 2},
        {"abcdefghij", 4, 3},
        {"a  b", 3, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wrapped_lines(c.text, c.per_line), c.lines) << '"' << c.text << "\" in " << c.per_line;
}

} // namespace
