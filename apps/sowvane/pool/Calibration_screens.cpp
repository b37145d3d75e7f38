// The step-by-step screens (wheel calibration, area test, tank calibration)
// and the product settings screen. The step screens switch their soft keys
// and their editable values through object pointers that the masks set.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Setting_rows.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Output strings whose text the masks replace: a product or tank name.
const std::string name_placeholder = "?????" + std::string(26, ' ');

uint32_t add_unit_text(Pool_layout& layout, const char* text)
{
    return create_unit_text(layout, text)->getOid();
}

// Size of a switchable value in a half band.
int value_width(const Pool_layout& layout, const VtObjectContainer* place)
{
    return int(place->getWidth()) - 2 * layout.inset;
}

int value_height(const VtObjectContainer* place)
{
    return int(place->getHeight()) / 2;
}

// The foot (the y under it) of a text the place holds.
int foot_in(VtObjectContainer* place, const VtObjectOutputFieldString* label)
{
    VtObjectRefList& children = place->getChilds();
    for (uint32_t i = 0; i < children.size(); ++i)
        if (children.at(i)->oid == label->getOid())
            return children.at(i)->y + int(label->getHeight());
    return 0;
}

} // namespace

void build_wheel_calibration_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.wheel_calibration_mask;
    const uint32_t distance = table.common.distance_units;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Wheel Calibration");

    Oid_list halves;
    add_columns(layout, halves, 8, bands[1]);
    builder.add_text_left(halves[0], "Wheel Factor", layout.font(13), 1, 0, 1);
    VtObjectOutputFieldNumber* factor = builder.add_output_number_row(halves[1], layout.font(3), 2, 1, 0, 0);
    // Up to 50 m, or 164.042 ft, a pulse.
    add_value_units(layout, halves[1], factor, {factor}, distance, "/pulse", int(sizeof "164.042") - 1);
    ids.factor_output = factor->getOid();
    add_separator(layout, bands[1]);

    add_columns(layout, halves, 8, bands[2]);
    builder.add_text_left(halves[0], "Pulses", layout.font(13), 1, 0, 1);
    ids.pulses_output = builder.add_output_number_row(halves[1], layout.font(3), 2, 1, 0, 0)->getOid();
    add_separator(layout, bands[2]);

    add_columns(layout, halves, 7, bands[3]);
    builder.add_text_centred(halves[0], "Estimated", layout.font(13), 2, 0);
    builder.add_text_centred(halves[0], "Distance", layout.font(13), 2, 1);
    // Up to 50 km, or 164042.0 ft.
    const int distance_characters = int(sizeof "164042.0") - 1;
    // The estimate in the band's top row, under its separator.
    VtObjectOutputFieldNumber* estimate = builder.add_output_number_row(halves[1], layout.font(3), 4, 0, 0, 0);
    builder.move_child(halves[1], estimate, 0, layout.line_width + 1, false);
    add_value_units(layout, halves[1], estimate, {estimate}, distance, nullptr, distance_characters);
    ids.estimated_distance_output = estimate->getOid();
    Switchable_value measured = create_switchable_value(layout, value_width(layout, halves[1]), value_height(halves[1]));
    place_switchable_value(layout, halves[1], measured, 4, 2, 2);
    add_value_units(layout, halves[1], measured.pointer, {measured.output, measured.input}, distance, nullptr,
                    distance_characters);
    measured.store(ids.distance_variable, ids.distance_pointer, ids.distance_output, ids.distance_input);
    add_separator(layout, bands[3]);

    ids.instructions = add_instruction_text(layout, bands[4])->getOid();
    add_separator(layout, bands[4]);

    VtObjectSoftKeyMask* keys = add_switchable_soft_keys(
        layout,
        {{"Start", nullptr, Key_code::start, &ids.key_start},
         {"Accept", nullptr, Key_code::accept, &ids.key_accept},
         {"Next", nullptr, Key_code::next, &ids.key_next}},
        {&ids.key_pointer_start, &ids.key_pointer_accept, &ids.key_pointer_next});
    ids.key_cancel = builder.create_soft_key(keys, 1, Key_code::cancel, "Cancel", nullptr, layout.font(2))->getOid();
}

void build_area_test_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.area_test_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Area Test");

    Oid_list halves;
    add_columns(layout, halves, 7, bands[1]);
    builder.add_text_centred(halves[0], "Required Area", layout.font(13), 2, 0);
    Switchable_value target = create_switchable_value(layout, value_width(layout, halves[0]), value_height(halves[0]));
    place_switchable_value(layout, halves[0], target, 4, 2, 2);
    target.store(ids.target_area_variable, ids.target_area_pointer, ids.target_area_output, ids.target_area_input);
    ids.measured_area_units = add_unit_text(layout, "12345");
    builder.add_unit_pointer(halves[0], ids.measured_area_units, 10, 9, 0, 0);
    builder.add_text_centred(halves[1], "Area Covered", layout.font(13), 2, 0);
    ids.measured_area = builder.add_output_number_row(halves[1], layout.font(3), 4, 2, 0, 0)->getOid();
    builder.add_unit_pointer(halves[1], ids.measured_area_units, 10, 9, 0, 0);
    add_separator(layout, bands[1]);

    char text[16];
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[2 + i / 2];
        if (i % 2 == 0) {
            add_columns(layout, halves, 7, band);
            add_separator(layout, band);
        }
        VtObjectContainer* half = halves[i % 2];
        VtObjectContainer* tank = builder.create_container_like(half);
        builder.add_child(half, 0, 0, tank);
        std::snprintf(text, sizeof text, "Tank %d", i + 1);
        builder.add_text_centred(tank, text, layout.font(13), 2, 0);
        ids.tank_weight[i] = builder.add_output_number_row(tank, layout.font(3), 4, 2, 0, 0)->getOid();
        ids.tank_weight_units[i] = add_unit_text(layout, "12345");
        builder.add_unit_pointer(tank, ids.tank_weight_units[i], 10, 9, 0, 0);
        VtObjectRectangle* indicator =
            builder.create_rectangle(layout.height / 16, layout.height / 20, layout.line_first, layout.fill_red);
        builder.add_child(tank, layout.indent, layout.row_height / 3 + layout.text_top, indicator);
        ids.tank_row[i] = tank->getOid();
        ids.tank_indicator[i] = indicator->getOid();
    }
    ids.indicator_state_off = oid_of(layout.fill_red);
    ids.indicator_state_on = oid_of(layout.fill_green);

    ids.step_text = add_instruction_text(layout, bands[4])->getOid();

    // Four places; the run place shows "Start", "Pause" or "Resume".
    VtObjectSoftKeyMask* keys = builder.create_soft_key_mask(1);
    VtObjectPointer* settings_place = builder.create_soft_key_pointer(keys);
    VtObjectPointer* main_place = builder.create_soft_key_pointer(keys);
    VtObjectPointer* run_place = builder.create_soft_key_pointer(keys);
    VtObjectPointer* reset_place = builder.create_soft_key_pointer(keys);
    VtObjectFontAttribute* font = key_font(layout, {{"Settings", "Menu"}, {"Main", "Screen"}, {"Start", nullptr},
                                                    {"Pause", nullptr}, {"Resume", nullptr}, {"Reset", nullptr}});
    ids.key_settings_menu = builder.create_key(1, Key_code::settings_menu, "Settings", "Menu", font)->getOid();
    ids.key_main = builder.create_key(1, Key_code::main_screen, "Main", "Screen", font)->getOid();
    ids.key_start = builder.create_key(1, Key_code::start, "Start", nullptr, font)->getOid();
    ids.key_pause = builder.create_key(1, Key_code::pause, "Pause", nullptr, font)->getOid();
    ids.key_resume = builder.create_key(1, Key_code::resume, "Resume", nullptr, font)->getOid();
    ids.key_reset = builder.create_key(1, Key_code::reset, "Reset", nullptr, font)->getOid();
    settings_place->setValue(ids.key_settings_menu);
    main_place->setValue(ids.key_main);
    run_place->setValue(ids.key_start);
    reset_place->setValue(ids.key_reset);
    ids.settings_menu_key_slot = settings_place->getOid();
    ids.main_key_slot = main_place->getOid();
    ids.run_key_slot = run_place->getOid();
    ids.reset_key_slot = reset_place->getOid();
}

void build_product_settings_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.product_settings_mask;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    Oid_list bands;
    Oid_grid grid;
    add_grid_page(layout, bands, grid, 2, 2, 4, mask);
    add_title(layout, bands[0], "Product Settings");
    auto label = [&](VtObjectContainer* cell, const char* text) {
        builder.add_text_centred(cell, text, layout.font(13), 2, 0);
    };
    // A number under its label, its unit right after it (or under it,
    // where its widest text leaves no room beside it).
    auto number = [&](VtObjectContainer* cell, uint32_t& field, uint32_t unit, const char* widest) {
        VtObjectInputFieldNumber* input = builder.add_input_number_row(cell, nullptr, layout.font(3), 2, 1, 0, 0);
        add_value_units(layout, cell, input, {input}, unit, nullptr, int(std::strlen(widest)));
        field = input->getOid();
    };
    // A rate of up to 99999.0, a density of up to 1000 kg/l (62427.96 lb/ft3),
    // an NH3 factor of up to 50000 pulses a kg N.
    const char* const rate = "99999.0";

    VtObjectContainer* cell = grid.get(0, 0);
    label(cell, "Product Name");
    VtObjectInputFieldString* name = builder.add_input_string_row(cell, nullptr, layout.font(3), 2, 1);
    name->setValue(VtString(std::string(21, ' ').c_str()));
    // A typed name of the longest length kept shows whole (on a 240-pixel
    // mask over two lines of 19, which hold any 20 characters).
    builder.fit_text_field(name, Screen_object_ids::name_length);
    ids.name_input = name->getOid();

    cell = grid.get(1, 0);
    label(cell, "Tank Number");
    VtObjectInputFieldList* tanks = builder.create_input_list(int(cell->getWidth()) - 2 * layout.inset,
                                                              int(cell->getHeight()) / 2, nullptr);
    tanks->setValue(0);
    tanks->setEnabled(true);
    for (const char* item : {"1", "2", "3", "4", "OFF"})
        tanks->addElement(builder.create_text(item, layout.font(4), 1)->getOid());
    builder.span_input_list(cell, tanks, 2, 1, 1);
    ids.tank_list = tanks->getOid();

    cell = grid.get(0, 1);
    label(cell, "Density");
    number(cell, ids.density_input, table.common.density_units, "62427.96");

    cell = grid.get(1, 1);
    label(cell, "Preset Rate 1");
    ids.rate_units = add_unit_text(layout, "123456");
    number(cell, ids.preset_rate_1_input, ids.rate_units, rate);

    // Calibration factor: a button to the tank calibration for seed and
    // granular products, a pulse factor for NH3; both hidden until the mask
    // picks one.
    cell = grid.get(0, 2);
    label(cell, "Cal. Factor");
    VtObjectContainer* standard = builder.create_container_like(cell);
    standard->setHidden(true);
    builder.add_child(cell, 0, 0, standard);
    VtObjectButton* calibrate =
        builder.create_label_button(int(cell->getWidth()) - 2 * layout.inset, int(cell->getHeight()) / 2, 1,
                                    Key_code::cal_factor, "Cal Factor", layout.font(15));
    builder.span_button(standard, calibrate, 2, 1, 1);
    ids.standard_row = standard->getOid();
    ids.calibrate_button = calibrate->getOid();
    VtObjectContainer* nh3 = builder.create_container_like(cell);
    nh3->setHidden(true);
    builder.add_child(cell, 0, 0, nh3);
    ids.factor_units = add_unit_text(layout, "pulses/gal");
    number(nh3, ids.factor_input, ids.factor_units, "50000.000");
    ids.nh3_row = nh3->getOid();

    cell = grid.get(1, 2);
    label(cell, "Preset Rate 2");
    number(cell, ids.preset_rate_2_input, ids.rate_units, rate);

    cell = grid.get(0, 3);
    label(cell, "INC/DEC");
    number(cell, ids.inc_dec_input, ids.rate_units, rate);

    add_soft_keys(layout, {{"Product", "Settings", Key_code::alarms_menu, &ids.key_product_settings_menu},
                           {"Settings", "Menu", Key_code::settings_menu, &ids.key_settings_menu},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}

void build_tank_calibration_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.tank_calibration_settings_mask;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Tank Calibration Settings");
    auto label = [&](VtObjectContainer* place, const char* text, int rows, int row) {
        return builder.add_text_centred(place, text, layout.font(13), rows, row);
    };

    // Band 1: product and tank on the left; the rate or the actuator preset
    // on the right.
    Oid_list halves;
    add_columns(layout, halves, 7, bands[1]);
    label(halves[0], "Product Name", 4, 0);
    VtObjectOutputFieldString* tank_label = label(halves[0], "Tank Number", 4, 2);
    VtObjectOutputFieldString* product = builder.add_output_string_row(halves[0], nullptr, layout.font(3), 4, 1);
    product->setValue(VtString(name_placeholder.c_str()));
    builder.fit_text_field(product, Screen_object_ids::name_length);
    ids.product_name = product->getOid();
    // The tank's number right under its label, in the room left above the
    // band's foot.
    VtObjectOutputFieldNumber* tank = builder.add_output_number_row(halves[0], layout.font(3), 4, 3, 0, 0);
    const int tank_top = foot_in(halves[0], tank_label);
    tank->setHeight(uint32_t(std::min(int(tank->getHeight()), int(halves[0]->getHeight()) - tank_top)));
    builder.move_child(halves[0], tank, 0, tank_top, false);
    ids.tank_number = tank->getOid();

    // A number under its label, its unit right after it (or under it,
    // where its widest text leaves no room beside it).
    auto number = [&](VtObjectContainer* place, const char* text, uint32_t& field, uint32_t unit, const char* widest) {
        label(place, text, 2, 0);
        VtObjectInputFieldNumber* input = builder.add_input_number_row(place, nullptr, layout.font(3), 2, 1, 0, 0);
        add_value_units(layout, place, input, {input}, unit, nullptr, int(std::strlen(widest)));
        field = input->getOid();
    };
    // A rate of up to 99999.0, a weight of up to 50000 kg (110231.131 lb), a
    // factor of up to 50000 pulses a litre (227304.602 a gallon).
    const char* const weight_text = "110231.131";
    const char* const factor_text = "227304.602";
    VtObjectContainer* rate_row = builder.create_container_like(halves[1]);
    builder.add_child(halves[1], 0, 0, rate_row);
    ids.rate_units = add_unit_text(layout, "123456");
    number(rate_row, "Set Rate", ids.rate_input, ids.rate_units, "99999.0");
    rate_row->setHidden(true);
    ids.rate_row = rate_row->getOid();

    VtObjectContainer* preset_row = builder.create_container_like(halves[1]);
    builder.add_child(halves[1], 0, 0, preset_row);
    ids.text = add_unit_text(layout, "%");
    number(preset_row, "Actuator Extension", ids.preset_input, ids.text, "100");
    ids.preset_row = preset_row->getOid();
    add_separator(layout, bands[1]);

    // Band 2: revolutions and the estimated weight.
    add_columns(layout, halves, 7, bands[2]);
    ids.revs_label = label(halves[0], "Revs   ", 2, 0)->getOid();
    ids.revs_output = builder.add_output_number_row(halves[0], layout.font(3), 2, 1, 0, 0)->getOid();
    label(halves[1], "Estimated Weight", 2, 0);
    VtObjectOutputFieldNumber* estimate = builder.add_output_number_row(halves[1], layout.font(3), 2, 1, 0, 0);
    ids.estimated_weight_units = add_unit_text(layout, "12345");
    add_value_units(layout, halves[1], estimate, {estimate}, ids.estimated_weight_units, nullptr,
                    int(std::strlen(weight_text)));
    ids.estimated_weight = estimate->getOid();
    add_separator(layout, bands[2]);

    // Band 3: the calibration factor and the collected weight, each shown
    // read-only or editable as the step needs.
    add_columns(layout, halves, 7, bands[3]);
    label(halves[0], "Cal. Factor", 2, 0);
    label(halves[1], "Weight", 2, 0);
    Switchable_value factor = create_switchable_value(layout, value_width(layout, halves[0]), value_height(halves[0]));
    place_switchable_value(layout, halves[0], factor, 4, 2, 2);
    ids.factor_units = add_unit_text(layout, "pulses/gal");
    add_value_units(layout, halves[0], factor.pointer, {factor.output, factor.input}, ids.factor_units, nullptr,
                    int(std::strlen(factor_text)));
    factor.store(ids.factor_variable, ids.factor_pointer, ids.factor_output, ids.factor_input);

    Switchable_value weight = create_switchable_value(layout, value_width(layout, halves[1]), value_height(halves[1]));
    place_switchable_value(layout, halves[1], weight, 4, 2, 2);
    // One unit text serves the estimated and the collected weight.
    add_value_units(layout, halves[1], weight.pointer, {weight.output, weight.input}, ids.estimated_weight_units,
                    nullptr, int(std::strlen(weight_text)));
    weight.store(ids.weight_variable, ids.weight_pointer, ids.weight_output, ids.weight_input);
    add_separator(layout, bands[3]);

    ids.step_text = add_instruction_text(layout, bands[4])->getOid();
    add_separator(layout, bands[4]);

    add_switchable_soft_keys(layout,
                             {{"Start", nullptr, Key_code::start, &ids.key_start},
                              {"Next", nullptr, Key_code::next, &ids.key_next},
                              {"Cancel", nullptr, Key_code::cancel, &ids.key_cancel},
                              {"Accept", nullptr, Key_code::accept, &ids.key_accept},
                              {"Cal.", "Style", Key_code::cal_style, &ids.key_preset},
                              {"Product", "Settings", Key_code::product_settings, &ids.key_back}},
                             {&ids.start_key_slot, &ids.next_key_slot, &ids.cancel_key_slot, &ids.accept_key_slot,
                              &ids.preset_key_slot, &ids.back_key_slot});
}
