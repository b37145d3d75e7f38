#include "Uploaded_pool.h"

#include "tests/support/app_data_dir.h"

#include "apps/sowvane/data_model.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Seeder_pool.h"
#include "platform/vt/DOM_xerces_spec_man.h"
#include "platform/vt/Object_deserial.h"
#include "platform/vt/Object_pool.h"
#include "vt_object_model/VtMessageWriter.h"

#include <initializer_list>
#include <memory>

namespace {

// The pointers the masks aim at run time, with what they may show.
void add_switchable_targets(Pool_geometry_options& options, const Screen_object_ids& t)
{
    auto add = [&](uint32_t pointer, std::initializer_list<uint32_t> targets) {
        options.pointer_targets[pointer].insert(options.pointer_targets[pointer].end(), targets);
    };
    add(t.wheel_calibration_mask.distance_pointer,
        {t.wheel_calibration_mask.distance_input, t.wheel_calibration_mask.distance_output});
    add(t.area_test_mask.target_area_pointer,
        {t.area_test_mask.target_area_input, t.area_test_mask.target_area_output});
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
                         t.tank_calibration_settings_mask.step_text, t.tank_calibration_settings_mask.product_name,
                         t.tank_fill_mask.message})
        options.runtime_texts.insert(oid);
    for (int i = 0; i < Screen_object_ids::tank_count; ++i)
        for (uint32_t oid : {t.multi_tank_cal_1_mask.tank_name[i], t.multi_tank_cal_2_mask.tank_name[i],
                             t.multi_tank_cal_3_mask.tank_name[i], t.tank_records[i]->name})
            options.runtime_texts.insert(oid);
}

} // namespace

Pool_geometry_options generated_pool_geometry_options(int mask_size, const Screen_object_ids& table)
{
    Pool_geometry_options options;
    options.mask_width = options.mask_height = mask_size;
    add_switchable_targets(options, table);
    add_runtime_texts(options, table);
    return options;
}

Uploaded_pool::Uploaded_pool(const VtSize& mask_size)
    : pool(std::make_unique<VT::Object_pool>(&sowvane_module_man)), table(std::make_unique<Screen_object_ids>())
{
    VT::DOM_xerces_spec_man spec(pool.get());
    const std::string path = test_support::vt_spec_dir() + "test_pool.xml";
    if (!spec.init() || !spec.load(path.c_str())) {
        error = "pool specification: " + spec.error();
        return;
    }
    VtMessageWriter writer(80000, nullptr);
    if (build_seeder_pool(*table, writer, mask_size) != 0) {
        error = "pool generation failed";
        return;
    }
    VT::Object_deserial image;
    if (!image.init(pool.get()) || !image.run(writer.getData(), writer.getLength())) {
        error = "pool image: " + image.error();
        return;
    }
    pool->serialise_pool(stream);
}

Uploaded_pool::~Uploaded_pool() = default;

uint32_t Uploaded_pool::id(const char* name) const
{
    VT::VT_obj* object = pool->find<VT::VT_obj>(name);
    return object != nullptr ? object->get_id() : 0xFFFF;
}

Pool_geometry_options Uploaded_pool::geometry_options(int mask_size) const
{
    return whole_pool_geometry_options(mask_size, *table, [this](const char* name) { return id(name); });
}

Pool_geometry_options whole_pool_geometry_options(int mask_size, const Screen_object_ids& table,
                                                  const std::function<uint32_t(const char*)>& id_of)
{
    Pool_geometry_options options = generated_pool_geometry_options(mask_size, table);
    // The soft key marks: the edit picture, or the red cross while an edit
    // is not committed; the cycle widget's border, selected or not.
    options.pointer_targets[id_of("skptr_edit_pic")] = {id_of("skpic_edit"), id_of("skpic_cross_red")};
    options.pointer_targets[id_of("ptr_widget_bdr")] = {id_of("rec_cycle_selected"), id_of("rec_cycle_unselected")};
    return options;
}
