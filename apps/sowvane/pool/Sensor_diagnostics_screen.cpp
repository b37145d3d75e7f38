// The sensor diagnostics page: raw readings of the ground speed, fans,
// shafts, drives and bin level sensors in four columns, with two soft key
// masks that share one set of keys.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Screen_scaffolding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void add_headings(Pool_layout& layout, const Oid_list& columns, const char* format, int rows)
{
    char text[24];
    for (int i = 0; i < 4; ++i) {
        std::snprintf(text, sizeof text, format, i + 1);
        layout.builder.add_text_centred(columns[i], text, layout.font(1), rows, 0);
    }
}

uint32_t add_reading(Pool_layout& layout, VtObjectContainer* column, int row)
{
    return layout.builder.add_output_number_row(column, layout.font(3), 3, row, 0, 0)->getOid();
}

// A reading shown through a pointer of its own, which the mask can empty.
uint32_t add_pointed_reading(Pool_layout& layout, VtObjectContainer* column, int row, uint32_t& pointer_field)
{
    VtObjectPointer* pointer = layout.builder.create_pointer();
    pointer_field = pointer->getOid();
    return layout.builder.add_output_number_row_by_pointer(column, pointer, layout.font(3), 3, row)->getOid();
}

// A heading in a frame of its own at the top of the column, hidden until the
// mask shows the one of the tank's drive.
uint32_t add_drive_heading(Pool_layout& layout, VtObjectContainer* column, const char* format, int tank)
{
    char text[24];
    std::snprintf(text, sizeof text, format, tank + 1);
    VtObjectContainer* frame = layout.builder.create_container(0, 0);
    layout.builder.add_text_in_frame(column, text, frame, layout.font(1), 3, 0);
    frame->setHidden(true);
    return frame->getOid();
}

// A heading centred in row 0 of 3 of its column; one wider than the column
// even in the smallest font is centred over the column in the band instead,
// reaching over the column's separator.
void add_reading_heading(Pool_layout& layout, VtObjectContainer* band, VtObjectContainer* column, int column_x,
                         const char* text)
{
    Pool_builder& builder = layout.builder;
    const int width = int(column->getWidth());
    const int row_height = int(column->getHeight()) / 3;
    VtObjectFontAttribute* font = builder.fitting_font(layout.font(1), int(std::strlen(text)), width, row_height - 1);
    if (Pool_builder::text_width(font->getFontSize(), int(std::strlen(text))) <= width) {
        builder.add_text_centred(column, text, font, 3, 0);
        return;
    }
    VtObjectOutputFieldString* heading = builder.create_text(text, font, 2);
    builder.add_child(band, std::max(column_x + (width - int(heading->getWidth())) / 2, 0),
                      std::max((row_height - int(heading->getHeight())) / 2, 0), heading);
}

} // namespace

void build_sensor_diagnostics_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.actuator_diagnostics;
    Oid_list bands;
    begin_titled_screen(layout, ids.data_mask, bands, "Diagnostics");

    Oid_list columns;
    add_columns(layout, columns, 6, bands[1]);
    const char* const headings[4] = {"Ground Spd", "Fan1", "Fan2", "Fan ADC"};
    for (int c = 0; c < 4; ++c)
        add_reading_heading(layout, bands[1], columns[c], c * (layout.width / 4), headings[c]);
    ids.fan_row[0] = columns[1]->getOid();
    ids.fan_row[1] = columns[2]->getOid();
    ids.ground_speed_period = add_reading(layout, columns[0], 1);
    ids.ground_speed_pulses = add_reading(layout, columns[0], 2);
    for (int fan = 0; fan < 2; ++fan) {
        ids.fan_period[fan] = add_reading(layout, columns[fan + 1], 1);
        ids.fan_pulses[fan] = add_reading(layout, columns[fan + 1], 2);
    }
    for (int fan = 0; fan < 2; ++fan)
        ids.fan_adc[fan] = add_pointed_reading(layout, columns[3], fan + 1, ids.fan_adc_pointer[fan]);
    add_separator(layout, bands[1]);

    add_columns(layout, columns, 6, bands[2]);
    add_headings(layout, columns, "Shaft%d", 3);
    for (int i = 0; i < 4; ++i) {
        ids.shaft_period[i] = add_reading(layout, columns[i], 1);
        ids.shaft_pulses[i] = add_reading(layout, columns[i], 2);
        ids.tank_row_2[i] = columns[i]->getOid();
    }
    add_separator(layout, bands[2]);

    add_columns(layout, columns, 6, bands[3]);
    for (int i = 0; i < 4; ++i) {
        ids.actuator_position[i] = add_pointed_reading(layout, columns[i], 1, ids.actuator_position_pointer[i]);
        ids.motor_current[i] = add_pointed_reading(layout, columns[i], 2, ids.motor_current_pointer[i]);
        ids.actuator_row[i] = add_drive_heading(layout, columns[i], "Act %d %%", i);
        ids.electric_row[i] = add_drive_heading(layout, columns[i], "Elec %d", i);
        ids.prop_valve_row[i] = add_drive_heading(layout, columns[i], "PV %d %%", i);
    }
    add_separator(layout, bands[3]);

    add_columns(layout, columns, 6, bands[4]);
    add_headings(layout, columns, "Bin %d Lev", 2);
    for (int i = 0; i < 4; ++i) {
        VtObjectContainer* empty = builder.create_container(0, 0);
        VtObjectContainer* full = builder.create_container(0, 0);
        builder.add_text_in_frame(columns[i], "Empty", empty, layout.font(3), 2, 1);
        builder.add_text_in_frame(columns[i], "Full", full, layout.font(3), 2, 1);
        ids.level_on_row[i] = full->getOid();
        ids.level_off_row[i] = empty->getOid();
        ids.tank_row[i] = columns[i]->getOid();
    }
    add_separator(layout, bands[4]);

    // Two soft key masks over the same four keys; the second adds the key to
    // the pressure page in front of them.
    VtObjectFontAttribute* font = key_font(
        layout, {{"System", "Info"}, {"Main", "Screen"}, {"Reset", nullptr}, {"Blocked", "Head"}, {"Toggle", "Screen"}});
    VtObjectSoftKeyMask* first = builder.create_soft_key_mask(1);
    VtObjectPointer* places[4];
    for (VtObjectPointer*& place : places)
        place = builder.create_soft_key_pointer(first);
    ids.key_system_info = builder.create_key(1, Key_code::system_info, "System", "Info", font)->getOid();
    ids.key_main = builder.create_key(1, Key_code::main_screen, "Main", "Screen", font)->getOid();
    ids.key_reset = builder.create_key(1, Key_code::reset, "Reset", nullptr, font)->getOid();
    ids.key_blocked_head = builder.create_key(1, Key_code::blocked_head, "Blocked", "Head", font)->getOid();
    const uint32_t shared_keys[4] = {ids.key_system_info, ids.key_main, ids.key_reset, ids.key_blocked_head};
    for (int k = 0; k < 4; ++k)
        places[k]->setValue(shared_keys[k]);

    VtObjectSoftKeyMask* second = builder.create_soft_key_mask(1);
    ids.key_pressures = builder.create_soft_key(second, 1, Key_code::toggle_screen, "Toggle", "Screen", font)->getOid();
    for (uint32_t key : shared_keys)
        builder.create_soft_key_pointer(second)->setValue(key);
    ids.soft_key_mask = first->getOid();
    ids.soft_key_mask_liquid = second->getOid();
}
