#include "apps/sowvane/pool/Setting_rows.h"

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

void store(uint32_t* field, const VtObject* object)
{
    if (field != nullptr)
        *field = oid_of(object);
}

} // namespace

int add_value_units(Pool_layout& layout, VtObjectContainer* place, uint32_t unit, const char* suffix, int rows,
                    int unit_row)
{
    Pool_builder& builder = layout.builder;
    int used = 0;
    if (suffix != nullptr) {
        VtObjectOutputFieldString* text = create_unit_text(layout, suffix);
        used = int(text->getWidth()) + 3;
        builder.add_child(place, int(place->getWidth()) - used, 22, text);
    }
    if (unit != VT_NULL_ID) {
        // A unit runs on into its suffix ("m/pulse"), so that the value
        // keeps the room for its widest text.
        const int gap = suffix != nullptr ? 0 : 3;
        builder.add_unit_pointer(place, unit, rows, unit_row, -gap - used, 0);
        used += width_of(builder, unit) + gap;
    }
    return used;
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
    const std::string text = "Instructions String " + std::string(69, '.');
    VtObjectOutputFieldString* instructions = layout.builder.add_text_left(band, text.c_str(), layout.font(4), 1, 0, 4);
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
            const int units = add_value_units(layout, place, row.unit, row.suffix, 10, 9);
            VtObjectInputFieldNumber* input = builder.create_input_number(
                int(place->getWidth()) - 2 * layout.inset - units, layout.row_height / 2, nullptr, layout.font(3));
            input->setValue(row.initial);
            set_number_input(layout, input, row.min, row.max, row.scale, row.decimals);  // keeps the value in its limits
            if (row.shown_characters > 0)
                builder.fit_number_font(input, row.shown_characters);
            builder.span_input_number(place, input, 3, 1, 2);
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
