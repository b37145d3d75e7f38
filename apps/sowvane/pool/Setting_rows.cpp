#include "apps/sowvane/pool/Setting_rows.h"

#include "vt_object_model/terminal/VtSystemInterface.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

void set_items(Pool_layout& layout, VtObjectInputFieldList* list, const std::vector<const char*>& items,
               uint32_t* item_fields)
{
    for (size_t i = 0; i < items.size(); ++i) {
        VtObjectOutputFieldString* text = layout.builder.create_list_item_text(
            items[i], layout.font(3), int(list->getWidth()), int(list->getHeight()));
        list->addElement(text->getOid());
        if (item_fields != nullptr)
            item_fields[i] = text->getOid();
    }
}

int width_of(Pool_builder& builder, uint32_t oid)
{
    auto* sized = dynamic_cast<VtSizedObject*>(builder.find_object(oid));
    return sized != nullptr ? int(sized->getWidth()) : 0;
}

// What an object shows: a pointer's target, or itself.
const VtObject* shown_by(Pool_builder& builder, const VtObject* object)
{
    if (auto* pointer = dynamic_cast<const VtObjectPointer*>(object))
        return builder.find_object(pointer->getValue());
    return object;
}

// The font a text or number is drawn in (that of what a pointer shows).
VtObjectFontAttribute* font_of(Pool_builder& builder, const VtObject* object)
{
    object = shown_by(builder, object);
    uint32_t font = VT_NULL_ID;
    if (auto* text = dynamic_cast<const VtObjectOutputFieldString*>(object))
        font = text->getFontAttributes();
    else if (auto* output = dynamic_cast<const VtObjectOutputFieldNumber*>(object))
        font = output->getFontAttributes();
    else if (auto* input = dynamic_cast<const VtObjectInputFieldNumber*>(object))
        font = input->getFontAttributes();
    return dynamic_cast<VtObjectFontAttribute*>(builder.find_object(font));
}

// The character cell height of a font size code.
int cell_height(uint32_t size_code)
{
    uint32_t width = 0;
    uint32_t height = 0;
    VtSystemInterface::getFontSizePixels(size_code, width, height);
    return int(height);
}

// The characters of a number's widest text: at least `characters`, and an
// input's limits as it shows them.
int widest_text(const VtSizedObject* number, int characters)
{
    if (auto* input = dynamic_cast<const VtObjectInputFieldNumber*>(number))
        for (uint32_t raw : {input->getMinValue(), input->getMaxValue()}) {
            char text[48];
            const double shown = (double(raw) + double(input->getOffset())) * input->getScale();
            characters = std::max(
                characters, std::snprintf(text, sizeof text, "%.*f", int(input->getNumberOfDecimals()), shown));
        }
    return characters;
}

// A number in the font, from its own down, that holds its widest text in
// its field.
void fit_number(Pool_builder& builder, VtSizedObject* number, int characters)
{
    VtObjectFontAttribute* font = builder.fitting_font(font_of(builder, number), widest_text(number, characters),
                                                       int(number->getWidth()), int(number->getHeight()));
    if (auto* input = dynamic_cast<VtObjectInputFieldNumber*>(number))
        input->setFontAttributes(oid_of(font));
    else if (auto* output = dynamic_cast<VtObjectOutputFieldNumber*>(number))
        output->setFontAttributes(oid_of(font));
}

// Where the place holds the child.
const VtObjectRef* child_ref(VtObjectContainer* place, const VtObject* child)
{
    if (place == nullptr || child == nullptr)
        return nullptr;
    VtObjectRefList& children = place->getChilds();
    for (uint32_t i = 0; i < children.size(); ++i)
        if (children.at(i)->oid == child->getOid())
            return children.at(i);
    return nullptr;
}

void store(uint32_t* field, const VtObject* object)
{
    if (field != nullptr)
        *field = oid_of(object);
}

} // namespace

void add_value_units(Pool_layout& layout, VtObjectContainer* place, VtObject* placed,
                     std::initializer_list<VtSizedObject*> numbers, uint32_t unit, const char* suffix, int characters)
{
    Pool_builder& builder = layout.builder;
    const VtObjectRef* at = child_ref(place, placed);
    if (at == nullptr || (unit == VT_NULL_ID && suffix == nullptr))
        return;
    const int y = at->y;
    VtObjectOutputFieldString* suffix_text = suffix != nullptr ? create_unit_text(layout, suffix) : nullptr;
    const int unit_width = width_of(builder, unit);
    const int suffix_width = suffix_text != nullptr ? int(suffix_text->getWidth()) : 0;
    const int units_height = std::max(font_char_height(font_of(builder, builder.find_object(unit))),
                                      font_char_height(font_of(builder, suffix_text)));
    const int gap = 3;
    const int units_x = int(place->getWidth()) - layout.inset - unit_width - suffix_width;
    const int value_end = std::max(units_x - gap, 0);

    // On the value's line where its widest text has room there in a font
    // no smaller than the units'; the value keeps its width where it still
    // fits and moves up to the units.
    int width = 0;
    for (VtSizedObject* number : numbers)
        width = std::max(width, int(number->getWidth()));
    const int beside_x = std::max(value_end - width, 0);
    bool beside = true;
    for (VtSizedObject* number : numbers) {
        const int widest = widest_text(number, characters);
        const uint32_t size = Pool_builder::fitting_size(font_of(builder, number)->getFontSize(), widest,
                                                         value_end - beside_x, int(number->getHeight()));
        beside = beside && Pool_builder::text_width(size, widest) <= value_end - beside_x &&
                 cell_height(size) >= units_height;
    }
    if (beside) {
        for (VtSizedObject* number : numbers)
            number->setWidth(uint32_t(std::min(int(number->getWidth()), value_end - beside_x)));
        builder.move_child(place, placed, beside_x, y, false);
    }
    int text_height = 0;
    for (VtSizedObject* number : numbers) {
        fit_number(builder, number, characters);
        text_height = std::max(text_height, font_char_height(font_of(builder, number)));
    }

    // Else on the line under the value's text, at the place's right edge.
    const int foot = beside ? y + text_height : y + text_height + units_height;
    const auto place_text = [&](VtObject* text, int text_x) {
        const int top = foot - font_char_height(font_of(builder, text));
        const int lowest = int(place->getHeight()) - object_height(shown_by(builder, text));
        builder.add_child(place, text_x, std::max(std::min(top, lowest), 0), text);
    };
    if (unit != VT_NULL_ID) {
        VtObjectPointer* pointer = builder.create_pointer();
        pointer->setValue(unit);
        place_text(pointer, units_x);
    }
    if (suffix_text != nullptr)
        place_text(suffix_text, units_x + unit_width);
}

Switchable_value create_switchable_value(Pool_layout& layout, int width, int height)
{
    Pool_builder& builder = layout.builder;
    Switchable_value value;
    value.variable = builder.create_number_variable(0);
    value.pointer = builder.create_pointer();
    value.output = builder.create_output_number(width, height, value.variable, layout.font(3));
    value.input = builder.create_input_number(width, height, value.variable, layout.font(3));
    value.input->setOptions(1);
    value.input->setValue(0);
    value.input->setFormat(false);
    value.input->setHorizontalJustification(2);
    value.input->setEnabled(true);
    return value;
}

VtObjectContainer* place_switchable_value(Pool_layout& layout, VtObjectContainer* place, const Switchable_value& value,
                                          int rows, int row, int span)
{
    VtObjectContainer* hidden =
        layout.builder.add_hidden_number_pair(place, value.output, value.input, value.pointer, rows, row, span);
    value.pointer->setValue(VT_NULL_ID);
    return hidden;
}

VtObjectInputFieldList* add_spanning_list(Pool_layout& layout, VtObjectContainer* place,
                                          const std::vector<const char*>& items, uint32_t selected,
                                          uint32_t* item_fields)
{
    VtObjectInputFieldList* list = layout.builder.create_input_list(int(place->getWidth()) - 2 * layout.inset,
                                                                    layout.row_height / 2, nullptr);
    set_items(layout, list, items, item_fields);
    list->setValue(selected);
    list->setEnabled(true);
    layout.builder.span_input_list(place, list, 3, 1, 2);
    return list;
}

VtObjectButton* add_centred_button(Pool_layout& layout, VtObjectContainer* place, const char* label, uint32_t code)
{
    const int width = int(place->getWidth()) - 2 * layout.inset;
    const int height = int(place->getHeight()) / 2;
    VtObjectButton* button = layout.builder.create_label_button(width, height, 1, code, label, layout.font(15));
    layout.builder.add_child(place, (int(place->getWidth()) - width) / 2, (int(place->getHeight()) - height) / 2,
                             button);
    return button;
}

VtObjectOutputFieldString* add_instruction_text(Pool_layout& layout, VtObjectContainer* band)
{
    Pool_builder& builder = layout.builder;
    const std::string text = "Instructions String " + std::string(69, '.');
    VtObjectOutputFieldString* instructions = builder.add_text_left(band, text.c_str(), layout.font(4), 1, 0, 4);
    // Under the band's separator, in a font in which the whole text wraps
    // into the room left there.
    const int top = layout.line_width + 1;
    const int width = int(instructions->getWidth());
    const int height = std::min(int(instructions->getHeight()), int(band->getHeight()) - top);
    instructions->setFontAttributes(oid_of(builder.wrapping_font(layout.font(4), int(text.size()), width, height)));
    instructions->setHeight(uint32_t(height));
    const int y = std::max(int(band->getHeight()) - height, 0) / 2;
    builder.move_child(band, instructions, child_ref(band, instructions)->x, std::max(y, top), false);
    // Left-justified, transparent and wrapping, so that a step's text fills the band.
    instructions->setHorizontalJustification(0);
    instructions->setOptions(3);
    return instructions;
}

void add_setting_rows(Pool_layout& layout, const Oid_list& bands, const std::vector<Setting_row>& rows)
{
    Pool_builder& builder = layout.builder;
    for (size_t r = 0; r < rows.size(); ++r) {
        const Setting_row& row = rows[r];
        VtObjectContainer* band = bands[int(r) + 1];
        Oid_list halves;
        add_columns(layout, halves, 8, band);
        builder.add_text_left(halves[0], row.label, layout.font(13), 1, 0, 1);
        VtObjectContainer* place = halves[1];
        store(row.cell_field, band);
        switch (row.kind) {
        case Setting_row::list:
            store(row.field, add_spanning_list(layout, place, row.items, row.initial, row.item_fields));
            break;
        case Setting_row::number:
        case Setting_row::number_or_output: {
            VtObjectInputFieldNumber* input = builder.create_input_number(
                int(place->getWidth()) - 2 * layout.inset, layout.row_height / 2, nullptr, layout.font(3));
            input->setValue(row.initial);
            set_number_input(layout, input, row.min, row.max, row.scale, row.decimals);  // keeps the value in its limits
            builder.span_input_number(place, input, 3, 1, 2);
            add_value_units(layout, place, input, {input}, row.unit, row.suffix, row.shown_characters);
            builder.fit_number_font(input, row.shown_characters);
            store(row.field, input);
            break;
        }
        case Setting_row::button:
            store(row.field, add_centred_button(layout, place, row.items.empty() ? nullptr : row.items[0], row.code));
            break;
        case Setting_row::label_only: break;
        }
        add_separator(layout, band);
    }
}

void add_setting_cells(Pool_layout& layout, const Oid_grid& grid, int columns, const std::vector<Setting_row>& rows)
{
    Pool_builder& builder = layout.builder;
    for (size_t i = 0; i < rows.size(); ++i) {
        const Setting_row& row = rows[i];
        VtObjectContainer* cell = grid.get(int(i) % columns, int(i) / columns);
        store(row.cell_field, cell);
        if (row.label != nullptr)
            builder.add_text_centred(cell, row.label, layout.font(13), 2, 0);
        switch (row.kind) {
        case Setting_row::list: {
            VtObjectInputFieldList* list = builder.add_input_list_row(cell, layout.font(3), 2, 1, {});
            set_items(layout, list, row.items, row.item_fields);
            list->setValue(row.initial);
            store(row.field, list);
            break;
        }
        case Setting_row::number: {
            VtObjectInputFieldNumber* input = builder.add_input_number_row(cell, nullptr, layout.font(3), 2, 1, 0, 0);
            set_number_input(layout, input, row.min, row.max, row.scale, row.decimals);
            store(row.field, input);
            break;
        }
        case Setting_row::number_or_output: {
            // The mask shows the value either editable or read-only.
            VtObjectContainer* input_row = builder.create_container_like(cell);
            input_row->setHidden(true);
            builder.add_child(cell, 0, 0, input_row);
            VtObjectInputFieldNumber* input =
                builder.add_input_number_row(input_row, nullptr, layout.font(3), 2, 1, 0, 0);
            set_number_input(layout, input, row.min, row.max, row.scale, row.decimals);
            VtObjectContainer* output_row = builder.create_container_like(cell);
            output_row->setHidden(true);
            builder.add_child(cell, 0, 0, output_row);
            VtObjectOutputFieldNumber* output = builder.add_output_number_row(output_row, layout.font(3), 2, 1, 0, 0);
            store(row.field, input);
            store(row.output_field, output);
            store(row.input_row_field, input_row);
            store(row.output_row_field, output_row);
            break;
        }
        case Setting_row::button:
            store(row.field, add_centred_button(layout, cell, row.items.empty() ? nullptr : row.items[0], row.code));
            break;
        case Setting_row::label_only: break;
        }
    }
}
