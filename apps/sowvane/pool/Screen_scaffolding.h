// The skeleton that every generated screen shares: a data mask cut into
// horizontal bands, bands cut into columns, grid pages, menu buttons, titles,
// separator lines and soft key masks built from rows of labels and codes.
#pragma once

#include "apps/sowvane/pool/Pool_layout.h"

#include <cstdint>
#include <initializer_list>

// Up to 10 containers in creation order; an eleventh add is ignored.
class Oid_list {
public:
    static constexpr int capacity = 10;

    Oid_list() { clear(); }
    void clear();
    void add(VtObjectContainer* object);
    // The entry at index, or null.
    VtObjectContainer* at(int index) const
    {
        return index >= 0 && index < count_ && index < capacity ? items_[index] : nullptr;
    }
    VtObjectContainer* operator[](int index) const { return at(index); }
    int count() const { return count_; }

private:
    VtObjectContainer* items_[capacity];
    int count_;
};

// 4 x 4 cells (column, row) of a grid page.
class Oid_grid {
public:
    Oid_grid() { clear(); }
    void clear();
    VtObjectContainer* get(int column, int row) const;
    void set(int column, int row, VtObjectContainer* object);
    int stride() const { return stride_; }
    void set_stride(int stride) { stride_ = stride; }

private:
    static bool inside(int column, int row) { return column <= 3 && row <= 3 && column >= 0 && row >= 0; }

    VtObjectContainer* cells_[16];
    int stride_;
};

// Mode 1: a title band, a margin band and four body rows; mode 2: five equal
// bands filling the mask, one under the other. Appends every band to `list` and adds it to the mask.
void add_bands(Pool_layout& layout, Oid_list& list, int mode, VtObjectDataMask* mask);
// Splits the band into columns by mode (1 to 9), with separator lines.
void add_columns(Pool_layout& layout, Oid_list& list, int mode, VtObjectContainer* band);
// Bands by band_mode, then body row r (band r + 1) split into `columns`
// columns (at most 4) that go to the grid's cells (c, r).
void add_grid_page(Pool_layout& layout, Oid_list& bands, Oid_grid& grid, int band_mode, int columns, int rows,
                   VtObjectDataMask* mask);
// A button filling the container (less the inset) with one or two centred
// lines in font slot 15; nothing without line 1.
VtObjectButton* add_menu_button(Pool_layout& layout, VtObjectContainer* container, uint32_t key_code,
                                const char* line1, const char* line2);
// The same with two texts the caller created.
VtObjectButton* add_two_line_button(Pool_layout& layout, VtObjectContainer* container, uint32_t key_code,
                                    VtObjectOutputFieldString* line1, VtObjectOutputFieldString* line2);

// A button of the size carrying two texts one above the other, placed nowhere.
VtObjectButton* create_two_line_button(Pool_layout& layout, int width, int height, uint32_t key_code,
                                       VtObjectOutputFieldString* line1, VtObjectOutputFieldString* line2);

// --- shared pieces of the screen builders ---------------------------------

// A data mask of background colour 1 whose ID goes to `field`.
VtObjectDataMask* create_screen_mask(Pool_layout& layout, uint32_t& field);
// The typical screen: that mask, five equal bands (into `bands`) and the
// title centred in band 0.
VtObjectDataMask* begin_titled_screen(Pool_layout& layout, uint32_t& field, Oid_list& bands, const char* title);
// An editable number: options 1, offset 0, format 0, right-justified and
// enabled, with its raw range and display scale, in a font in which both
// limits fit the field.
void set_number_input(Pool_layout& layout, VtObjectInputFieldNumber* input, uint32_t min, uint32_t max, double scale,
                      uint32_t decimals);
// A unit text (font slot 16, right-justified) that screens show through
// pointers, in a font small enough for the narrowest place it is shown in.
VtObjectOutputFieldString* create_unit_text(Pool_layout& layout, const char* text);
// The inset of a button in a place `room` pixels wide: the layout's, or
// less when a label `label_width` wide would not fit the button's face.
int button_inset(const Pool_layout& layout, int room, int label_width);
// The width of a one-line label (font slot) on a button of that size, in
// the font create_label_button gives it.
int label_width(const Pool_layout& layout, const char* label, int font_slot, int button_width, int button_height);
// The on/off indicator of a key: a small rectangle in the key's lower right
// corner, clear of its label.
VtObjectRectangle* add_key_indicator(Pool_layout& layout, VtObjectKey* key);
// Splits the band into one column and centres the title in it (font slot 8).
VtObjectContainer* add_title(Pool_layout& layout, VtObjectContainer* band, const char* title);
// A horizontal separator of the mask's width at the top of the band.
void add_separator(Pool_layout& layout, VtObjectContainer* band);
// The room of the band under the separator at its top: a container of the
// band's width that the band holds under the line.
VtObjectContainer* add_room_under_separator(Pool_layout& layout, VtObjectContainer* band);

// One soft key: its label lines, code and the table field for its ID (null
// when the table does not keep it).
struct Soft_key_row {
    const char* line1;
    const char* line2;
    uint32_t code;
    uint32_t* field;
};
// The lines of one key's label.
struct Key_label {
    const char* line1;
    const char* line2;
};
// The font of the keys shown together: slot 2, or the largest smaller size
// in which every line of every label fits the soft key designator, so that
// the keys of one mask share one font.
VtObjectFontAttribute* key_font(Pool_layout& layout, std::initializer_list<Key_label> labels);

// A soft key mask of colour 1 with the keys in order (font slot 2, or
// smaller where a label needs it).
VtObjectSoftKeyMask* add_soft_keys(Pool_layout& layout, std::initializer_list<Soft_key_row> keys);
// "Seeder"/"Menu", "Settings"/"Menu" and "Main"/"Screen": the keys of the
// pages under the seeder settings menu.
VtObjectSoftKeyMask* add_seeder_page_keys(Pool_layout& layout, uint32_t& seeder_menu, uint32_t& settings_menu,
                                          uint32_t& main);
// Separator lines at the top of bands 1 to 4.
void add_body_separators(Pool_layout& layout, const Oid_list& bands);
// Switchable keys: per row a soft key pointer (its ID to *slot_field, null
// for none) and the key outside any mask; every pointer is left empty.
VtObjectSoftKeyMask* add_switchable_soft_keys(Pool_layout& layout, std::initializer_list<Soft_key_row> keys,
                                              std::initializer_list<uint32_t*> slot_fields);
