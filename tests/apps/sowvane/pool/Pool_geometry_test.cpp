// The generated pool as a VT draws it, at every data-mask size class the
// generator knows: every object inside its parent and the mask, every text
// inside its field in its font, every soft key label inside the designator,
// and a working set that a VT lists and lets the operator choose.
#include "Pool_geometry.h"

#include <gtest/gtest.h>

namespace {

// The pointers the masks aim at run time, with what they may show.
void add_switchable_targets(pool_geometry::Checker& checker, const Screen_object_ids& t)
{
    checker.add_pointer_targets(t.wheel_calibration_mask.distance_pointer,
                                {t.wheel_calibration_mask.distance_input, t.wheel_calibration_mask.distance_output});
    checker.add_pointer_targets(t.area_test_mask.target_area_pointer,
                                {t.area_test_mask.target_area_input, t.area_test_mask.target_area_output});
    const auto& tank_cal = t.tank_calibration_settings_mask;
    checker.add_pointer_targets(tank_cal.weight_pointer, {tank_cal.weight_input, tank_cal.weight_output});
    checker.add_pointer_targets(tank_cal.factor_pointer, {tank_cal.factor_input, tank_cal.factor_output});
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        const auto& run = t.multi_tank_cal_1_mask;
        checker.add_pointer_targets(run.preset_pointer[i], {run.preset_input[i], run.preset_output[i]});
        const auto& weighing = t.multi_tank_cal_2_mask;
        checker.add_pointer_targets(weighing.weight_pointer[i], {weighing.weight_input[i], weighing.weight_output[i]});
        checker.add_pointer_targets(t.main.volume_units_pointer, {t.common.volume_units[i]});
    }
}

// Texts the masks write while they run (names, instructions, firmware
// versions, bit patterns): their placeholders stand for no real text.
void add_runtime_texts(pool_geometry::Checker& checker, const Screen_object_ids& t)
{
    checker.add_runtime_text(t.wheel_calibration_mask.instructions);
    checker.add_runtime_text(t.area_test_mask.step_text);
    checker.add_runtime_text(t.tank_calibration_settings_mask.step_text);
    checker.add_runtime_text(t.tank_calibration_settings_mask.product_name);
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        checker.add_runtime_text(t.multi_tank_cal_1_mask.tank_name[i]);
        checker.add_runtime_text(t.multi_tank_cal_2_mask.tank_name[i]);
        checker.add_runtime_text(t.multi_tank_cal_3_mask.tank_name[i]);
        checker.add_runtime_text(t.tank_records[i]->name);
    }
}

std::string listed(const std::vector<std::string>& faults)
{
    std::string out;
    for (const std::string& fault : faults)
        out += fault + "\n";
    return out;
}

TEST(PoolGeometryTest, EveryMaskFitsAsTheVtDrawsIt)
{
    for (int size : {240, 320, 480}) {
        Generated_pool pool(VtSize(size, size));
        ASSERT_EQ(pool.result, 0) << size;
        pool_geometry::Checker checker(pool, size, size);
        add_switchable_targets(checker, *pool.table);
        add_runtime_texts(checker, *pool.table);
        const std::vector<std::string> faults = checker.check();
        EXPECT_TRUE(faults.empty()) << "mask size " << size << ": " << faults.size() << " faults\n" << listed(faults);
    }
}

} // namespace
