// The run screen ("main") with its alternate area page, the shared unit
// texts, the tank selector, and the tank fill screen.
#include "apps/sowvane/pool/Key_codes.h"
#include "apps/sowvane/pool/Screen_builders.h"
#include "apps/sowvane/pool/Screen_object_ids.h"
#include "apps/sowvane/pool/Screen_scaffolding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The output string option that wraps its text over the field's lines.
constexpr uint32_t output_string_wraps = 2;

// The unit texts that screens show through pointers; the masks replace the
// texts at run time. Placed nowhere themselves.
void create_unit_texts(Screen_object_ids& table, Pool_layout& layout)
{
    auto unit = [&](uint32_t& field, const char* text) { field = create_unit_text(layout, text)->getOid(); };
    unit(table.common.total_distance_units, "12345");
    unit(table.common.distance_units, "12345");
    unit(table.main.speed_units, "12345");
    unit(table.main.area_units, "12345");
    unit(table.main.pressure_units, "12345");
    unit(table.main.area_rate_units, "12345");
    unit(table.common.density_units, "123456");
    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        unit(table.common.rate_units[i], "123456");
        unit(table.common.volume_units[i], "123456");
        unit(table.tank_settings_mask.capacity_units[i], "123456");
    }
    unit(table.common.rpm_units, "rpm");
    unit(table.common.minute_units, "min");
}

// Size of the run screen's small fields (selector lists and value numbers).
int small_field_width(const Pool_layout& layout)
{
    return layout.column_width - 2 * layout.inset;
}

int small_field_height(const Pool_layout& layout)
{
    return layout.row_height / 3;
}

// The tank list "1" to "4" and " All " in the column; its element texts also
// sit in a hidden container so that each has a parent on the mask.
VtObjectInputFieldList* create_tank_selector(Screen_object_ids& table, Pool_layout& layout,
                                             VtObjectContainer* column, uint32_t selected)
{
    Pool_builder& builder = layout.builder;
    const int width = small_field_width(layout);
    const int height = small_field_height(layout);
    VtObjectInputFieldList* list = builder.create_input_list(width, height, nullptr);
    list->setValue(selected);
    list->setEnabled(true);
    VtObjectContainer* holder = builder.create_container(width, height);
    holder->setHidden(true);
    static const char* const entries[] = {"  1  ", "  2  ", "  3  ", "  4  ", " All "};
    for (int i = 0; i < 5; ++i) {
        VtObjectOutputFieldString* text = builder.create_list_item_text(entries[i], layout.font(12), width, height);
        list->addElement(text->getOid());
        builder.add_child(holder, 0, 0, text);
        (i < 4 ? table.common.tank_entry[i] : table.common.all_tanks_entry) = text->getOid();
    }
    builder.add_child(column, layout.inset, layout.row_height / 2, list);
    builder.add_child(column, 0, 0, holder);
    return list;
}

VtObjectOutputFieldNumber* create_small_number(Pool_layout& layout)
{
    return layout.builder.create_output_number(small_field_width(layout), small_field_height(layout), nullptr,
                                               layout.font(3));
}

// A value spanning row 1 of 2 of its column.
uint32_t add_small_value(Pool_layout& layout, VtObjectContainer* column)
{
    VtObjectOutputFieldNumber* value = create_small_number(layout);
    layout.builder.span_output_number(column, value, 2, 1, 1);
    return value->getOid();
}

// A value of the run screen shown inside its own frame, which the mask shows
// or hides by the number of fans.
VtObjectContainer* add_framed_value(Pool_layout& layout, VtObjectContainer* column, VtObjectOutputFieldNumber* value,
                                    int rows, int row, int span)
{
    VtObjectContainer* frame = layout.builder.create_container(0, 0);
    layout.builder.span_output_number_in_frame(column, value, frame, rows, row, span);
    return frame;
}

void add_headings(Pool_layout& layout, const Oid_list& columns, std::initializer_list<const char*> headings,
                  int font_slot, int rows)
{
    int column = 0;
    for (const char* heading : headings)
        layout.builder.add_text_centred(columns[column++], heading, layout.font(font_slot), rows, 0);
}

// "(Manual)" over the speed, in a frame the mask shows while the speed is
// set by hand. Centred on the speed column; in the smallest font the text
// may be wider than the column and then reaches over its edges.
VtObjectContainer* add_manual_speed_marker(Pool_layout& layout, VtObjectContainer* band, VtObjectContainer* column)
{
    Pool_builder& builder = layout.builder;
    const char* text = "(Manual)";
    const int column_width = int(column->getWidth());
    VtObjectFontAttribute* font =
        builder.fitting_font(layout.font(1), int(std::strlen(text)), column_width, int(column->getHeight()) - 1);
    VtObjectOutputFieldString* label = builder.create_text(text, font, 2);
    VtObjectContainer* frame = builder.create_container(int(label->getWidth()), int(label->getHeight()));
    builder.add_child(frame, 0, 0, label);
    const int row_h = int(band->getHeight()) / 6;
    const int x = layout.column_width + (column_width - int(label->getWidth())) / 2;
    builder.add_child(band, std::max(x, 0), 2 * row_h + (row_h - int(label->getHeight())) / 2, frame);
    return frame;
}

void build_values_page(Screen_object_ids& table, Pool_layout& layout, VtObjectContainer* band)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.main;
    Oid_list columns;
    add_columns(layout, columns, 1, band);
    add_headings(layout, columns, {"Select", "Speed", "CovRate", "Fan RPM", "Press."}, 1, 3);
    ids.select_list = create_tank_selector(table, layout, columns[0], 4)->getOid();

    ids.manual_speed_group = add_manual_speed_marker(layout, band, columns[1])->getOid();

    ids.speed = add_small_value(layout, columns[1]);
    ids.area_rate = add_small_value(layout, columns[2]);

    // Fan speed and pressure: one frame for a single fan, two frames (the
    // first one three rows high) for two fans.
    VtObjectOutputFieldNumber* fan_speed_1 = create_small_number(layout);
    ids.single_fan_group = add_framed_value(layout, columns[3], fan_speed_1, 2, 1, 1)->getOid();
    ids.fan_group[0] = add_framed_value(layout, columns[3], fan_speed_1, 10, 4, 3)->getOid();
    VtObjectOutputFieldNumber* fan_speed_2 = create_small_number(layout);
    ids.fan_group[1] = add_framed_value(layout, columns[3], fan_speed_2, 2, 1, 1)->getOid();
    VtObjectOutputFieldNumber* pressure_1 = create_small_number(layout);
    ids.single_fan_pressure_group = add_framed_value(layout, columns[4], pressure_1, 2, 1, 1)->getOid();
    ids.fan_pressure_group[0] = add_framed_value(layout, columns[4], pressure_1, 10, 4, 3)->getOid();
    VtObjectOutputFieldNumber* pressure_2 = create_small_number(layout);
    ids.fan_pressure_group[1] = add_framed_value(layout, columns[4], pressure_2, 2, 1, 1)->getOid();
    ids.fan_speed[0] = fan_speed_1->getOid();
    ids.fan_speed[1] = fan_speed_2->getOid();
    ids.fan_pressure[0] = pressure_1->getOid();
    ids.fan_pressure[1] = pressure_2->getOid();

    const uint32_t units[] = {ids.speed_units, ids.area_rate_units, table.common.rpm_units, ids.pressure_units};
    for (int i = 0; i < 4; ++i)
        builder.add_unit_pointer(columns[i + 1], units[i], 10, 9, -3, 0);
}

void build_area_page(Screen_object_ids& table, Pool_layout& layout, VtObjectContainer* page)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.main;
    Oid_list columns;
    add_columns(layout, columns, 1, page);
    add_headings(layout, columns, {"AreaNum", "TotArea", "SubArea", "TankNum", "Weight"}, 1, 3);

    const int width = small_field_width(layout);
    const int height = small_field_height(layout);
    VtObjectInputFieldList* areas = builder.create_input_list(width, height, nullptr);
    areas->setValue(0);
    areas->setEnabled(true);
    for (int n = 1; n <= 10; ++n) {
        char text[8];
        std::snprintf(text, sizeof text, n < 10 ? "  %d  " : "  %d ", n);
        areas->addElement(builder.create_list_item_text(text, layout.font(12), width, height)->getOid());
    }
    builder.add_child(page, layout.inset, layout.row_height / 2, areas);
    ids.sub_area_list = areas->getOid();

    ids.total_area = add_small_value(layout, columns[1]);
    ids.sub_area = add_small_value(layout, columns[2]);
    ids.view_tank_list = builder.add_input_list_row(columns[3], layout.font(3), 2, 1, {"1", "2", "3", "4"})->getOid();
    ids.viewed_volume = add_small_value(layout, columns[4]);

    builder.add_unit_pointer(columns[1], ids.area_units, 10, 9, -3, 0);
    builder.add_unit_pointer(columns[2], ids.area_units, 10, 9, -3, 0);
    ids.volume_units_pointer = builder.add_unit_pointer(columns[4], table.common.volume_units[0], 10, 9, -3, 0)->getOid();
    page->setHidden(true);
}

// Column lines of the product rows and of their heading band.
void add_product_column_lines(Pool_layout& layout, VtObjectContainer* band)
{
    Pool_builder& builder = layout.builder;
    const int height = int(band->getHeight());
    add_separator(layout, band);
    builder.add_child(band, layout.half_width, 0, builder.create_vertical_line(height, layout.line_body));
    builder.add_child(band, layout.half_width + layout.quarter_width, 0,
                      builder.create_vertical_line(height, layout.line_body));
}

// The headings fit the heading band, a font size down where it is low.
void build_product_headings(Pool_layout& layout, VtObjectContainer* band)
{
    Pool_builder& builder = layout.builder;
    const int height = int(band->getHeight());
    struct Heading {
        const char* text;
        int x;
        int right;
    };
    const Heading headings[] = {{"Tank", layout.indent, layout.half_width},
                                {"Rate", layout.half_width + 2, layout.half_width + layout.quarter_width},
                                {"ProdRem", layout.half_width + layout.quarter_width + 2, layout.width}};
    for (const Heading& heading : headings) {
        VtObjectFontAttribute* font =
            builder.fitting_font(layout.font(7), int(std::strlen(heading.text)), heading.right - heading.x, height - 1);
        VtObjectOutputFieldString* text = builder.create_text(heading.text, font, 1);
        const int y = std::min(layout.text_top, std::max(height - int(text->getHeight()), 0));
        builder.add_child(band, heading.x, y, text);
    }
    add_product_column_lines(layout, band);
}

// A hidden container of the band's size holding one rate-mode button.
VtObjectContainer* add_mode_button(Pool_layout& layout, VtObjectContainer* band, const char* label, uint32_t colour,
                                   uint32_t key_code, int x, uint32_t& button_field)
{
    Pool_builder& builder = layout.builder;
    VtObjectContainer* group = builder.create_container_like(band);
    group->setHidden(true);
    VtObjectButton* button =
        builder.create_label_button(layout.quarter_width - 9 * layout.inset, layout.row_height / 2 - layout.inset,
                                    colour, key_code, label, layout.font(15));
    builder.add_child(group, x, layout.row_height - layout.text_top - int(button->getHeight()), button);
    builder.add_child(band, 0, 0, group);
    button_field = button->getOid();
    return group;
}

// The tank's name over its active bar, with room for the longest name the
// settings keep up to the column line: on one line in the largest font (from
// slot 9 down) that holds it, else wrapped over the lines of the smallest
// font that fit between the band's separator and the bar (two of 18 on a
// 240-pixel mask, which hold any 20 characters, broken at spaces or not).
uint32_t add_tank_name(Pool_layout& layout, VtObjectContainer* band, int i, int bar_top)
{
    Pool_builder& builder = layout.builder;
    const int length = Screen_object_ids::name_length;
    const int room = layout.half_width - layout.indent - layout.line_width;
    VtObjectFontAttribute* font = builder.fitting_font(layout.font(9), length, room, bar_top - layout.text_top);
    const int lines = length * font_char_width(font) <= room
                          ? 1
                          : std::max((bar_top - layout.line_width) / font_char_height(font), 1);
    const int height = lines == 1 ? font_char_height(font) + 1 : lines * font_char_height(font);
    char placeholder[32];
    std::snprintf(placeholder, sizeof placeholder, "%d: Product%d", i + 1, i + 1);
    VtObjectOutputFieldString* name = builder.create_output_string(
        lines == 1 ? length * font_char_width(font) : room, height, nullptr, font);
    name->setValue(VtString((placeholder + std::string(length - std::strlen(placeholder), ' ')).c_str()));
    name->setHorizontalJustification(1);
    if (lines > 1)
        name->setOptions(name->getOptions() | output_string_wraps);
    builder.add_child(band, layout.indent,
                      lines == 1 ? layout.text_top : std::max(bar_top - height, layout.line_width), name);
    return name->getOid();
}

void build_product_row(Screen_object_ids& table, Pool_layout& layout, VtObjectContainer* band, int i)
{
    Pool_builder& builder = layout.builder;
    Screen_object_ids::Record& record = *table.tank_records[i];
    const int half = layout.half_width;
    const int quarter = layout.quarter_width;
    const int inset = layout.inset;
    const int row_height = layout.row_height;
    const int text_top = layout.text_top;
    const int band_height = int(band->getHeight());
    record.column = band->getOid();

    VtObjectRectangle* selected = builder.create_rectangle(int(band->getWidth()), int(band->getHeight()),
                                                           layout.line_first, layout.fill_white);
    selected->setLineSuppression(15);
    builder.add_child(band, 0, 0, selected);
    record.selected_rect = selected->getOid();
    add_product_column_lines(layout, band);

    // The name stands under the band's separator, the bar under the name.
    const int bar_top = row_height / 3 + text_top + layout.line_width;
    record.name = add_tank_name(layout, band, i, bar_top);

    VtObjectRectangle* bar =
        builder.create_rectangle(layout.height / 16, layout.height / 20, layout.line_first, layout.fill_red);
    builder.add_child(band, layout.indent, bar_top, bar);
    record.active_rect = bar->getOid();

    VtObjectNumberVariable* rate = builder.create_number_variable(record.initial_rate);
    record.rate_variable = rate->getOid();
    uint32_t* markers[2] = {&record.preset_1_marker, &record.preset_2_marker};
    const char* marker_texts[2] = {"1", "2"};
    for (int m = 0; m < 2; ++m) {
        VtObjectContainer* marker = builder.create_framed_text(marker_texts[m], layout.font(14), layout.line_thin);
        marker->setHidden(true);
        // Clear of the band's foot, where the next band's separator is drawn:
        // a frame flush with the edge loses its bottom line on a VT that
        // draws the border across the edge or scales the mask.
        const int foot = band_height - int(marker->getHeight()) - layout.line_width;
        builder.add_child(band, half + 2, std::min(row_height - layout.gap, foot), marker);
        *markers[m] = marker->getOid();
    }

    // The rate column, line under line: the rate, its unit, and a liquid
    // tank's pressure and its unit.
    const auto text_height = [&](uint32_t font) {
        return font_char_height(static_cast<VtObjectFontAttribute*>(builder.find_object(font)));
    };
    VtObjectInputFieldNumber* input = builder.create_input_number(quarter - inset, row_height / 2, rate, layout.font(10));
    set_number_input(layout, input, 0, 1000, 0.1, 1);
    builder.add_child(band, inset + half, text_top, input);
    record.rate_input = input->getOid();
    VtObjectPointer* rate_unit = builder.create_pointer();
    rate_unit->setValue(table.common.rate_units[i]);
    const int rate_unit_top = text_top + text_height(input->getFontAttributes());
    builder.add_child(band, half + 20 + inset, rate_unit_top, rate_unit);
    const auto* rate_units = static_cast<const VtObjectOutputFieldString*>(builder.find_object(table.common.rate_units[i]));
    const int pressure_top = rate_unit_top + text_height(rate_units->getFontAttributes());

    // Alarm marker: the actual rate in red over the requested one.
    VtObjectContainer* alarm =
        builder.create_container(int(input->getWidth()) + 1, int(input->getHeight()) - 9);
    alarm->setHidden(true);
    builder.add_child(alarm, 0, 0,
                      builder.create_rectangle(int(alarm->getWidth()), int(alarm->getHeight()), layout.line_first,
                                               layout.fill_red));
    // In the rate's line, clear of the rate's unit under it: no taller than
    // the rate's text, in a font that holds the rate's limits ("100.0").
    VtObjectOutputFieldNumber* actual = builder.create_output_number(int(alarm->getWidth()) - inset,
                                                                     int(alarm->getHeight()), nullptr, layout.font(11));
    actual->setFontAttributes(oid_of(builder.fitting_font(layout.font(11), int(sizeof "100.0") - 1,
                                                          int(actual->getWidth()),
                                                          text_height(input->getFontAttributes()))));
    builder.add_child(alarm, (int(alarm->getWidth()) - int(actual->getWidth())) / 2, 0, actual);
    builder.add_child(band, inset + half, text_top, alarm);
    record.alarm_marker = alarm->getOid();
    record.actual_rate = actual->getOid();

    // Pressure of a liquid tank under its rate.
    VtObjectContainer* pressure_group = builder.create_container_like(band);
    pressure_group->setHidden(true);
    VtObjectOutputFieldNumber* pressure = builder.create_output_number(
        quarter - inset, std::min(row_height / 2, band_height - pressure_top), nullptr, layout.font(3));
    builder.add_child(pressure_group, inset + half, pressure_top, pressure);
    VtObjectPointer* pressure_unit = builder.create_pointer();
    pressure_unit->setValue(table.main.pressure_units);
    const int unit_height = object_height(builder.find_object(table.main.pressure_units));
    builder.add_child(pressure_group, half + 14 + quarter / 4,
                      std::min(pressure_top + text_height(pressure->getFontAttributes()), band_height - unit_height),
                      pressure_unit);
    builder.add_child(band, 0, 0, pressure_group);
    record.pressure_group = pressure_group->getOid();
    record.pressure = pressure->getOid();

    // Remaining product on a button that opens tank fill; the number takes
    // the button's face.
    VtObjectButton* fill =
        builder.create_button(quarter - 2 * inset, row_height / 2 - inset, 1, Key_code::remaining_first + i, nullptr);
    VtObjectOutputFieldNumber* remaining = builder.create_output_number(
        Pool_builder::face_width(fill), Pool_builder::face_height(fill), nullptr, layout.font(15));
    builder.centre_in_button(fill, remaining);
    builder.add_child(band, quarter + half + inset, text_top + row_height / 4, fill);
    record.fill_button = fill->getOid();
    record.remaining = remaining->getOid();
    VtObjectPointer* volume_unit = builder.create_pointer();
    volume_unit->setValue(table.common.volume_units[i]);
    const VtObject* volume_units = builder.find_object(table.common.volume_units[i]);
    builder.add_child(band, std::min(half + quarter + 16 + inset, layout.width - object_width(volume_units)),
                      std::min(text_top + row_height / 4 + 20, band_height - object_height(volume_units)), volume_unit);

    VtObjectButton* select = builder.create_label_button(quarter - 4 * inset, row_height / 2 - inset, 1,
                                                         Key_code::select_first + i, "SELECT", layout.font(15));
    builder.add_child(band, half - inset - int(select->getWidth()), row_height - text_top - int(select->getHeight()),
                      select);
    record.select_button = select->getOid();

    const int mode_x = int(1.5 * layout.indent) + int(bar->getWidth());
    record.mode_2_group =
        add_mode_button(layout, band, "MAN", 12, Key_code::manual_first + i, mode_x, record.mode_1_button)->getOid();
    record.other_mode_group =
        add_mode_button(layout, band, "AUTO", 2, Key_code::auto_first + i, mode_x, record.mode_2_button)->getOid();
}

void build_run_soft_keys(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.main;
    VtObjectFontAttribute* font = key_font(layout, {{"Toggle", "Screen"}, {"Tank", "ON/Off"}, {"Preset", nullptr},
                                                    {"INC", nullptr}, {"DEC", nullptr}, {"Master", nullptr}});

    // Page A: the tank on/off key stands in a pointer, so that the mask can
    // take it away.
    VtObjectSoftKeyMask* page_a = builder.create_soft_key_mask(1);
    ids.soft_keys_page_a = page_a->getOid();
    ids.key_to_page_b =
        builder.create_soft_key(page_a, 1, Key_code::toggle_screen, "Toggle", "Screen", font)->getOid();
    VtObjectPointer* master_pointer = builder.create_soft_key_pointer(page_a);
    ids.master_key_pointer = master_pointer->getOid();
    ids.key_master = builder.create_key(1, Key_code::accept, "Tank", "ON/Off", font)->getOid();
    master_pointer->setValue(VT_NULL_ID);
    ids.key_preset = builder.create_soft_key(page_a, 1, Key_code::preset, "Preset", nullptr, font)->getOid();
    ids.key_inc = builder.create_soft_key(page_a, 1, Key_code::inc, "INC", nullptr, font)->getOid();
    ids.key_dec = builder.create_soft_key(page_a, 1, Key_code::dec, "DEC", nullptr, font)->getOid();
    VtObjectKey* master = builder.create_soft_key(page_a, 1, Key_code::master, "Master", nullptr, font);
    ids.key_master_switch = master->getOid();
    ids.master_switch_rect = add_key_indicator(layout, master)->getOid();

    // Page B, attached to no mask (page A already is): the mask switches to it.
    VtObjectSoftKeyMask* page_b =
        add_soft_keys(layout, {{"Toggle", "Screen", Key_code::toggle_screen, &ids.key_to_page_a},
                               {"Settings", nullptr, Key_code::settings_menu, &ids.key_settings},
                               {"Reset", "SubArea", Key_code::reset_sub_area, &ids.key_reset_sub_area},
                               {"Reset", "Area", Key_code::reset_area, &ids.key_reset_area},
                               {"Manual", "Speed", Key_code::manual_speed, &ids.key_manual_speed},
                               {"Diags.", nullptr, Key_code::diagnostics, &ids.key_actuator_diagnostics}});
    ids.soft_keys_page_b = page_b->getOid();
    auto* manual = static_cast<VtObjectKey*>(builder.find_object(ids.key_manual_speed));
    ids.manual_speed_rect = add_key_indicator(layout, manual)->getOid();
}

} // namespace

void build_run_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    VtObjectDataMask* mask = create_screen_mask(layout, table.main.data_mask);
    Oid_list bands;
    add_bands(layout, bands, 1, mask);
    VtObjectContainer* area_page = builder.create_container_like(bands[0]);
    builder.add_to_mask(mask, 0, 0, area_page);
    table.main.page_a = bands[0]->getOid();
    table.main.page_b = area_page->getOid();

    create_unit_texts(table, layout);
    build_values_page(table, layout, bands[0]);
    build_area_page(table, layout, area_page);
    build_product_headings(layout, bands[1]);
    for (int i = 0; i < Screen_object_ids::tank_count; ++i)
        build_product_row(table, layout, bands[i + 2], i);
    build_run_soft_keys(table, layout);
}

namespace {

// The line under the tank fill page's title that says what must be set
// before FILL or INC can fill a tank: one blank text the screen writes, red,
// wrapped over the lower half of the title row, shown in the title of
// either group (several tanks or one).
void add_tank_fill_message(Pool_layout& layout, Screen_object_ids::Group_tank_fill_mask& ids,
                           VtObjectContainer* multi_title, VtObjectContainer* single_title)
{
    // Room for the longest message, "Set the density of tank 4's product
    // first", and a little more.
    constexpr int characters = 48;
    Pool_builder& builder = layout.builder;
    const int width = int(std::min(multi_title->getWidth(), single_title->getWidth()));
    const int height = int(multi_title->getHeight()) / 2;
    VtObjectOutputFieldString* message = builder.create_output_string(width, height, nullptr, layout.font(5));
    message->setValue(VtString(std::string(characters, ' ').c_str()));
    message->setHorizontalJustification(1);
    builder.fit_text_field(message, characters);
    builder.add_child(multi_title, (int(multi_title->getWidth()) - width) / 2, height, message);
    builder.add_child(single_title, (int(single_title->getWidth()) - width) / 2, height, message);
    ids.message = message->getOid();
}

} // namespace

void build_tank_fill_screen(Screen_object_ids& table, Pool_layout& layout)
{
    Pool_builder& builder = layout.builder;
    auto& ids = table.tank_fill_mask;
    VtObjectDataMask* mask = create_screen_mask(layout, ids.data_mask);
    Oid_list bands;
    add_bands(layout, bands, 1, mask);
    VtObjectContainer* single = builder.create_container_like(bands[0]);
    builder.add_to_mask(mask, 0, 0, single);
    ids.multi_tank_group = bands[0]->getOid();
    ids.single_tank_group = single->getOid();

    Oid_list columns;
    add_columns(layout, columns, 2, bands[0]);
    builder.add_text_centred(columns[0], "Select", layout.font(1), 3, 0);
    ids.tank_list = create_tank_selector(table, layout, columns[0], 4)->getOid();
    VtObjectContainer* multi_title = columns[1];
    builder.add_text_centred(multi_title, "Tank Fill", layout.font(8), 2, 0);
    add_columns(layout, columns, 5, single);
    VtObjectContainer* single_title = columns[0];
    builder.add_text_centred(single_title, "Tank Fill", layout.font(8), 2, 0);
    single->setHidden(true);
    add_tank_fill_message(layout, ids, multi_title, single_title);

    add_columns(layout, columns, 4, add_room_under_separator(layout, bands[1]));
    add_headings(layout, columns, {"Tank", "Volume", "INC/DEC"}, 7, 1);
    add_separator(layout, bands[1]);

    for (int i = 0; i < Screen_object_ids::tank_count; ++i) {
        VtObjectContainer* band = bands[i + 2];
        ids.tank_row[i] = band->getOid();
        add_columns(layout, columns, 4, band);
        char number[4];
        std::snprintf(number, sizeof number, "%d", i + 1);
        builder.add_text_centred(columns[0], number, layout.font(10), 1, 0);
        uint32_t* fields[2] = {&ids.remaining_input[i], &ids.step_input[i]};
        for (int c = 0; c < 2; ++c) {
            VtObjectContainer* column = columns[c + 1];
            VtObjectInputFieldNumber* input =
                builder.create_input_number(int(column->getWidth()) - 2 * layout.inset, layout.row_height / 2,
                                            nullptr, layout.font(3));
            set_number_input(layout, input, 0, 1000, 0.1, 1);
            builder.span_input_number(column, input, 3, 1, 2);
            builder.add_unit_pointer(column, table.common.volume_units[i], 10, 6, -3, 0);
            *fields[c] = input->getOid();
        }
        add_separator(layout, band);
    }

    add_soft_keys(layout, {{"Fill", nullptr, Key_code::fill, &ids.key_fill},
                           {"INC", nullptr, Key_code::inc, &ids.key_inc},
                           {"DEC", nullptr, Key_code::dec, &ids.key_dec},
                           {"Settings", "Menu", Key_code::tank_settings, &ids.key_settings},
                           {"Main", "Screen", Key_code::main_screen, &ids.key_main}});
}
