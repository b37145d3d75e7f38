#include "apps/sowvane/pool/Screen_scaffolding.h"

#include "apps/sowvane/pool/Key_codes.h"

#include <algorithm>
#include <cstring>
#include <vector>

void Oid_list::clear()
{
    std::fill(std::begin(items_), std::end(items_), nullptr);
    count_ = 0;
}

void Oid_list::add(VtObjectContainer* object)
{
    if (count_ < capacity)
        items_[count_++] = object;
}

void Oid_grid::clear()
{
    std::fill(std::begin(cells_), std::end(cells_), nullptr);
    stride_ = 4;
}

VtObjectContainer* Oid_grid::get(int column, int row) const
{
    return inside(column, row) ? cells_[column + row * stride_] : nullptr;
}

void Oid_grid::set(int column, int row, VtObjectContainer* object)
{
    if (inside(column, row))
        cells_[column + row * stride_] = object;
}

namespace {

VtObjectContainer* add_band(Pool_layout& layout, Oid_list& list, VtObjectDataMask* mask, int y, int height)
{
    VtObjectContainer* band = layout.builder.create_container(layout.width, height);
    list.add(band);
    layout.builder.add_to_mask(mask, 0, y, band);
    return band;
}

} // namespace

void add_bands(Pool_layout& layout, Oid_list& list, int mode, VtObjectDataMask* mask)
{
    const int row_height = layout.row_height;
    if (mode == 1) {
        add_band(layout, list, mask, 0, row_height);
        add_band(layout, list, mask, row_height, layout.margin);
        for (int i = 0; i < layout.rows; ++i)
            add_band(layout, list, mask, row_height + layout.margin + i * row_height, row_height);
    } else if (mode == 2) {
        // Each band below the one before, so that none draws into another.
        const int band_height = layout.height / 5;
        for (int i = 0; i < 5; ++i)
            add_band(layout, list, mask, i * band_height, band_height);
    }
}

void add_columns(Pool_layout& layout, Oid_list& list, int mode, VtObjectContainer* band)
{
    list.clear();
    if (band == nullptr)
        return;
    const int w = layout.width;
    int widths[5] = {};
    int count = 0;
    bool separators = true;
    auto set = [&](std::initializer_list<int> values) {
        for (int value : values)
            widths[count++] = value;
    };
    switch (mode) {
    case 1: set({layout.column_width, layout.column_width, layout.column_width, layout.column_width,
                 layout.column_width}); break;
    case 2: set({layout.column_width, w - layout.column_width}); break;
    case 3: set({layout.half_width, layout.quarter_width, layout.quarter_width}); break;
    case 4: set({w / 5, 2 * (w / 5), 2 * (w / 5)}); break;
    case 5: set({w}); break;
    case 6: set({w / 4, w / 4, w / 4, w / 4}); break;
    case 7: set({w / 2, w / 2}); break;
    case 8: set({w / 2, w / 2}); separators = false; break;
    case 9: set({w / 3, w / 3, w / 3}); break;
    default: return;
    }
    Pool_builder& builder = layout.builder;
    const int band_height = int(band->getHeight());
    int x = 0;
    for (int i = 0; i < count; ++i) {
        VtObjectContainer* column = builder.create_container(widths[i] - layout.line_width, band_height);
        list.add(column);
        builder.add_child(band, x, 0, column);
        x += widths[i];
        if (separators && i + 1 < count)
            builder.add_child(band, x - layout.line_width, 0,
                              builder.create_vertical_line(band_height, layout.line_body));
    }
}

void add_grid_page(Pool_layout& layout, Oid_list& bands, Oid_grid& grid, int band_mode, int columns, int rows,
                   VtObjectDataMask* mask)
{
    columns = std::min(columns, 4);
    rows = std::min(rows, 4);
    add_bands(layout, bands, band_mode, mask);
    if (columns != 4)
        grid.set_stride(columns);
    static const int mode_by_columns[5] = {0, 5, 7, 9, 6};
    Oid_list cells;
    for (int r = 0; r < rows; ++r) {
        VtObjectContainer* band = bands[r + 1];
        add_columns(layout, cells, mode_by_columns[std::max(columns, 0)], band);
        for (int c = 0; c < columns; ++c)
            grid.set(c, r, cells[c]);
        add_separator(layout, band);
    }
}

namespace {

// The width of the text in the largest size from the font's down that fits
// width x height (the smallest when none does).
int fitted_width(const VtObjectFontAttribute* font, const char* text, int width, int height)
{
    const int characters = text != nullptr ? int(std::strlen(text)) : 0;
    const uint32_t size =
        Pool_builder::fitting_size(font != nullptr ? font->getFontSize() : 0, characters, width, height);
    return Pool_builder::text_width(size, characters);
}

} // namespace

int label_width(const Pool_layout& layout, const char* label, int font_slot, int button_width, int button_height)
{
    return fitted_width(layout.font(font_slot), label, button_width - 2 * Pool_builder::button_border,
                        button_height - 2 * Pool_builder::button_border - 1);
}

VtObjectButton* create_two_line_button(Pool_layout& layout, int width, int height, uint32_t key_code,
                                       VtObjectOutputFieldString* line1, VtObjectOutputFieldString* line2)
{
    Pool_builder& builder = layout.builder;
    VtObjectButton* button = builder.create_button(width, height, 1, key_code, nullptr);
    if (line1 == nullptr)
        return button;
    const int face_width = Pool_builder::face_width(button);
    const int face_height = Pool_builder::face_height(button);
    const int lines = line2 != nullptr ? 2 : 1;
    builder.fit_text(line1, face_width, face_height / lines);
    builder.fit_text(line2, face_width, face_height / lines);
    const int h1 = int(line1->getHeight());
    const int h2 = line2 != nullptr ? int(line2->getHeight()) : 0;
    // A line's height apart, one above and one below the middle; close
    // together when the face is too low for that.
    const int h = (face_height - h1) / 2;
    int y1 = h - h1;
    int y2 = h + h2;
    if (y1 < 0 || y2 + h2 > face_height) {
        y1 = (face_height - h1 - h2) / 2;
        y2 = y1 + h1;
    }
    builder.add_to_button(button, (face_width - int(line1->getWidth())) / 2, y1, line1);
    if (line2 != nullptr)
        builder.add_to_button(button, (face_width - int(line2->getWidth())) / 2, y2, line2);
    return button;
}

VtObjectButton* add_two_line_button(Pool_layout& layout, VtObjectContainer* container, uint32_t key_code,
                                    VtObjectOutputFieldString* line1, VtObjectOutputFieldString* line2)
{
    if (container == nullptr || line1 == nullptr)
        return nullptr;
    const int room = int(container->getWidth());
    const int height = int(container->getHeight()) - 2 * layout.inset;
    // The widest line as the standard button's face would draw it: a label
    // that cannot shrink enough takes more of the place.
    const int face_width = room - 2 * layout.inset - 2 * Pool_builder::button_border;
    const int line_height = (height - 2 * Pool_builder::button_border) / (line2 != nullptr ? 2 : 1) - 1;
    int widest = 0;
    for (VtObjectOutputFieldString* line : {line1, line2})
        if (line != nullptr)
            widest = std::max(widest, fitted_width(dynamic_cast<VtObjectFontAttribute*>(
                                                       layout.builder.find_object(line->getFontAttributes())),
                                                   line->getValue().c_str(), face_width, line_height));
    const int inset = button_inset(layout, room, widest);
    VtObjectButton* button = create_two_line_button(layout, room - 2 * inset, height, key_code, line1, line2);
    layout.builder.add_child(container, inset, layout.inset, button);
    return button;
}

VtObjectButton* add_menu_button(Pool_layout& layout, VtObjectContainer* container, uint32_t key_code,
                                const char* line1, const char* line2)
{
    if (container == nullptr || line1 == nullptr)
        return nullptr;
    Pool_builder& builder = layout.builder;
    if (line2 == nullptr) {
        const int room = int(container->getWidth());
        const int height = int(container->getHeight()) - 2 * layout.inset;
        const int inset = button_inset(layout, room, label_width(layout, line1, 15, room - 2 * layout.inset, height));
        VtObjectButton* button =
            builder.create_label_button(room - 2 * inset, height, 1, key_code, line1, layout.font(15));
        builder.add_child(container, inset, layout.inset, button);
        return button;
    }
    VtObjectOutputFieldString* first = builder.create_text(line1, layout.font(15), 2);
    VtObjectOutputFieldString* second = builder.create_text(line2, layout.font(15), 2);
    return add_two_line_button(layout, container, key_code, first, second);
}

VtObjectDataMask* create_screen_mask(Pool_layout& layout, uint32_t& field)
{
    VtObjectDataMask* mask = layout.builder.create_data_mask();
    mask->setBackgroundColour(VtColour(1));
    field = mask->getOid();
    return mask;
}

VtObjectDataMask* begin_titled_screen(Pool_layout& layout, uint32_t& field, Oid_list& bands, const char* title)
{
    VtObjectDataMask* mask = create_screen_mask(layout, field);
    add_bands(layout, bands, 2, mask);
    add_title(layout, bands[0], title);
    return mask;
}

void set_number_input(Pool_layout& layout, VtObjectInputFieldNumber* input, uint32_t min, uint32_t max, double scale,
                      uint32_t decimals)
{
    input->setOptions(1);
    input->setMinValue(min);
    input->setMaxValue(max);
    // A terminal refuses (or clamps) a value outside the limits; the screens
    // send the real value once they run.
    input->setValue(std::min(std::max(input->getValue(), min), max));
    input->setOffset(0);
    input->setScale(scale);
    input->setNumberOfDecimals(decimals);
    input->setFormat(false);
    input->setHorizontalJustification(2);
    input->setEnabled(true);
    layout.builder.fit_number_font(input);
}

VtObjectOutputFieldString* create_unit_text(Pool_layout& layout, const char* text)
{
    const int characters = text != nullptr ? int(std::strlen(text)) : 0;
    VtObjectFontAttribute* font = layout.builder.fitting_font(
        layout.font(16), characters, layout.column_width - 2 * layout.inset, layout.row_height / 4);
    return layout.builder.create_text(text, font, 2);
}

int button_inset(const Pool_layout& layout, int room, int label_width)
{
    const int spare = room - 2 * Pool_builder::button_border - label_width;
    return std::max(0, std::min(layout.inset, spare / 2));
}

VtObjectRectangle* add_key_indicator(Pool_layout& layout, VtObjectKey* key)
{
    constexpr int size = 12;
    constexpr int edge = 2;
    VtObjectRectangle* indicator = layout.builder.create_rectangle(size, size, layout.line_first, layout.fill_red);
    layout.builder.add_to_key(key, Pool_builder::key_width - edge - size, Pool_builder::key_height - edge - size,
                              indicator);
    return indicator;
}

VtObjectContainer* add_title(Pool_layout& layout, VtObjectContainer* band, const char* title)
{
    Oid_list columns;
    add_columns(layout, columns, 5, band);
    layout.builder.add_text_centred(columns[0], title, layout.font(8), 1, 0);
    return columns[0];
}

void add_separator(Pool_layout& layout, VtObjectContainer* band)
{
    layout.builder.add_child(band, 0, 0, layout.builder.create_horizontal_line(layout.width, layout.line_body));
}

VtObjectContainer* add_room_under_separator(Pool_layout& layout, VtObjectContainer* band)
{
    VtObjectContainer* room =
        layout.builder.create_container(int(band->getWidth()), std::max(int(band->getHeight()) - layout.line_width, 0));
    layout.builder.add_child(band, 0, layout.line_width, room);
    return room;
}

namespace {

VtObjectFontAttribute* key_font_of(Pool_layout& layout, const std::vector<Key_label>& labels)
{
    int characters = 0;
    int lines = 1;
    for (const Key_label& label : labels) {
        for (const char* line : {label.line1, label.line2})
            if (line != nullptr)
                characters = std::max(characters, int(std::strlen(line)));
        if (label.line2 != nullptr)
            lines = 2;
    }
    const int inset = Pool_builder::key_label_inset;
    return layout.builder.fitting_font(layout.font(2), characters, Pool_builder::key_width - inset,
                                       (Pool_builder::key_height - inset) / lines - 1);
}

VtObjectFontAttribute* key_font_of(Pool_layout& layout, std::initializer_list<Soft_key_row> keys)
{
    std::vector<Key_label> labels;
    for (const Soft_key_row& row : keys)
        labels.push_back({row.line1, row.line2});
    return key_font_of(layout, labels);
}

} // namespace

VtObjectFontAttribute* key_font(Pool_layout& layout, std::initializer_list<Key_label> labels)
{
    return key_font_of(layout, std::vector<Key_label>(labels));
}

VtObjectSoftKeyMask* add_soft_keys(Pool_layout& layout, std::initializer_list<Soft_key_row> keys)
{
    Pool_builder& builder = layout.builder;
    VtObjectSoftKeyMask* mask = builder.create_soft_key_mask(1);
    VtObjectFontAttribute* font = key_font_of(layout, keys);
    for (const Soft_key_row& row : keys) {
        VtObjectKey* key = builder.create_soft_key(mask, 1, row.code, row.line1, row.line2, font);
        if (row.field != nullptr)
            *row.field = key->getOid();
    }
    return mask;
}

VtObjectSoftKeyMask* add_seeder_page_keys(Pool_layout& layout, uint32_t& seeder_menu, uint32_t& settings_menu,
                                          uint32_t& main)
{
    return add_soft_keys(layout, {{"Seeder", "Menu", Key_code::seeder_menu, &seeder_menu},
                                  {"Settings", "Menu", Key_code::settings_menu, &settings_menu},
                                  {"Main", "Screen", Key_code::main_screen, &main}});
}

void add_body_separators(Pool_layout& layout, const Oid_list& bands)
{
    for (int band = 1; band <= 4; ++band)
        add_separator(layout, bands[band]);
}

VtObjectSoftKeyMask* add_switchable_soft_keys(Pool_layout& layout, std::initializer_list<Soft_key_row> keys,
                                              std::initializer_list<uint32_t*> slot_fields)
{
    Pool_builder& builder = layout.builder;
    VtObjectSoftKeyMask* mask = builder.create_soft_key_mask(1);
    VtObjectFontAttribute* font = key_font_of(layout, keys);
    uint32_t* const* slot = slot_fields.begin();
    for (const Soft_key_row& row : keys) {
        VtObjectPointer* pointer = builder.create_soft_key_pointer(mask);
        VtObjectKey* key = builder.create_key(1, row.code, row.line1, row.line2, font);
        pointer->setValue(VT_NULL_ID);
        if (row.field != nullptr)
            *row.field = key->getOid();
        if (slot != slot_fields.end()) {
            if (*slot != nullptr)
                **slot = pointer->getOid();
            ++slot;
        }
    }
    return mask;
}
