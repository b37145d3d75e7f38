// Object factory of the implement's generated VT pool: hands out object IDs
// from 10000 upwards in creation order, creates every ISO 11783-6 object the
// screens need, keeps them in one table indexed by ID, places children in
// their parents and writes the whole table as one object-pool image.
//
// Geometry is in data-mask pixels, positions relative to the parent. Fonts
// are font attribute objects; a text's size follows from its font's character
// cell. A "row" is one of `rows` equal horizontal bands of a container.
#pragma once

#include "vt_object_model/VtObjects.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

class VtLogger;
class VtMessageReader;
class VtMessageWriter;

class Pool_builder {
public:
    static constexpr uint32_t first_oid = 10000;

    Pool_builder();
    ~Pool_builder();
    Pool_builder(const Pool_builder&) = delete;
    Pool_builder& operator=(const Pool_builder&) = delete;

    // --- the pool ---------------------------------------------------------

    // Enters the object under its ID, deleting an object already there; a
    // working set becomes the pool's working set. An object whose ID cannot
    // be entered (65535 or beyond the table) is kept until clear() and marks
    // the builder failed, so that no pool with holes is written.
    void add_to_pool(VtObject* object);
    VtObject* find_object(uint32_t oid) const;
    // Deletes every object.
    void clear();
    // Appends every object in ascending ID to the writer. 0 when the whole
    // pool was written; -1 when the writer ran out of room or an object could
    // not be entered, in which case the image must not be used.
    int write_pool(VtMessageWriter& writer) const;
    // Debug listing of every object, its attributes and children.
    void dump_pool(VtLogger& logger) const;
    // Fills the pool from an object-pool stream. 1 when the whole stream was
    // read, 0 at the first record that could not be.
    int read_pool(VtMessageReader& reader);

    VtObjectWorkingSet* working_set() const { return pool_->working_set; }
    VtObjectDataMask* current_mask() const { return pool_->current_mask; }
    uint32_t next_oid() const { return pool_->next_oid; }
    uint32_t object_count() const;
    bool failed() const { return pool_->failed; }
    void set_logger(VtLogger* logger) { pool_->logger = logger; }
    VtLogger* logger() const { return pool_->logger; }
    void set_verbose(bool verbose) { pool_->verbose = verbose; }

    // --- creation -----------------------------------------------------------

    VtObjectDataMask* create_data_mask();
    VtObjectSoftKeyMask* create_soft_key_mask(uint32_t colour);
    VtObjectKey* create_soft_key(VtObjectSoftKeyMask* mask, uint32_t colour, uint32_t key_code, const char* line1,
                                 const char* line2, VtObjectFontAttribute* font);
    VtObjectKey* create_key(uint32_t colour, uint32_t key_code, const char* line1, const char* line2,
                            VtObjectFontAttribute* font);
    VtObjectPointer* create_soft_key_pointer(VtObjectSoftKeyMask* mask);
    VtObjectPointer* create_pointer();
    VtObjectContainer* create_container(int width, int height);
    VtObjectContainer* create_container_like(VtObjectContainer* container);
    VtObjectButton* create_button(int width, int height, uint32_t colour, uint32_t key_code,
                                  VtObjectOutputFieldNumber* child);
    VtObjectButton* create_label_button(int width, int height, uint32_t colour, uint32_t key_code, const char* text,
                                        VtObjectFontAttribute* font);
    VtObjectRectangle* create_rectangle(int width, int height, VtObjectLineAttribute* line_attr,
                                        VtObjectFillAttribute* fill_attr);
    VtObjectLine* create_vertical_line(int height, VtObjectLineAttribute* line_attr);
    VtObjectLine* create_horizontal_line(int width, VtObjectLineAttribute* line_attr);
    VtObjectLine* create_line(int width, int height, VtObjectLineAttribute* line_attr);
    VtObjectLineAttribute* create_line_attribute(uint32_t colour, uint32_t line_width);
    VtObjectFontAttribute* create_font_attribute(uint32_t size_code, uint32_t colour);
    // The font in which `characters` characters fit in width x height: the
    // given font when they do, else the largest smaller size of the same
    // colour, type and style that fits (the smallest size when none does).
    // A font of the pool is reused; one that is missing is made once.
    VtObjectFontAttribute* fitting_font(VtObjectFontAttribute* font, int characters, int width, int height);
    // The largest font, from the given one down, in which a text of
    // `characters` characters wrapped over lines has room in width x height
    // (the smallest size when none has).
    VtObjectFontAttribute* wrapping_font(VtObjectFontAttribute* font, int characters, int width, int height);
    // The size code fitting_font picks, starting from size_code.
    static uint32_t fitting_size(uint32_t size_code, int characters, int width, int height);
    // The width of `characters` characters in the font of that size code.
    static int text_width(uint32_t size_code, int characters);
    VtObjectFillAttribute* create_fill_attribute(uint32_t colour);
    VtObjectNumberVariable* create_number_variable(uint32_t value);
    VtObjectStringVariable* create_string_variable(const char* text);
    VtObjectInputFieldList* create_input_list(int width, int height, VtObjectNumberVariable* variable);
    VtObjectInputFieldString* create_input_string(int width, int height, VtObjectStringVariable* variable,
                                                  VtObjectFontAttribute* font);
    VtObjectInputFieldNumber* create_input_number(int width, int height, VtObjectNumberVariable* variable,
                                                  VtObjectFontAttribute* font);
    VtObjectOutputFieldString* create_output_string(int width, int height, VtObjectStringVariable* variable,
                                                    VtObjectFontAttribute* font);
    VtObjectOutputFieldNumber* create_output_number(int width, int height, VtObjectNumberVariable* variable,
                                                    VtObjectFontAttribute* font);
    // An output string exactly as large as the text in the font.
    VtObjectOutputFieldString* create_text(const char* text, VtObjectFontAttribute* font, uint32_t justification);
    VtObjectOutputFieldString* create_list_item_text(const char* text, VtObjectFontAttribute* font, int width,
                                                     int height);
    // A text made before its place was known, moved to a font in which it
    // fits width x height and sized to its characters in that font.
    void fit_text(VtObjectOutputFieldString* text, int width, int height);
    // A string field (output or input) that the screens write a text of up
    // to `characters` into: on one line in the largest font, from its own
    // down, that holds them, else wrapped over the field's lines in the
    // smallest font.
    void fit_text_field(VtObject* field, int characters);
    // An input number drawn in a font in which both of its limits fit, and
    // at least that many characters.
    void fit_number_font(VtObjectInputFieldNumber* input, int at_least_characters = 0);
    // A container holding the text inside a one-pixel frame.
    VtObjectContainer* create_framed_text(const char* text, VtObjectFontAttribute* font,
                                          VtObjectLineAttribute* line_attr);

    // --- placement (null parent or child: nothing) --------------------------

    VtObject* add_child(VtObjectContainer* container, int x, int y, VtObject* child);
    VtObject* add_to_mask(VtObjectDataMask* mask, int x, int y, VtObject* child);
    VtObject* add_to_key(VtObjectKey* key, int x, int y, VtObject* child);
    VtObject* add_to_button(VtObjectButton* button, int x, int y, VtObject* child);
    VtObject* add_to_working_set(int x, int y, VtObject* child);
    // Centred in the button's face, the area inside the border a VT draws.
    VtObject* centre_in_button(VtObjectButton* button, VtSizedObject* child);
    void move_child(VtObject* parent, VtObject* child, int x, int y, bool relative);

    // --- row placement --------------------------------------------------------

    VtObjectOutputFieldString* add_text_left(VtObjectContainer* container, const char* text,
                                             VtObjectFontAttribute* font, int rows, int row, int lines);
    VtObjectOutputFieldString* add_text_centred(VtObjectContainer* container, const char* text,
                                                VtObjectFontAttribute* font, int rows, int row);
    VtObjectOutputFieldString* add_text_in_frame(VtObjectContainer* container, const char* text,
                                                 VtObjectContainer* frame, VtObjectFontAttribute* font, int rows,
                                                 int row);
    VtObjectOutputFieldString* add_output_string_row(VtObjectContainer* container, VtObjectStringVariable* variable,
                                                     VtObjectFontAttribute* font, int rows, int row);
    VtObjectOutputFieldNumber* add_output_number_row(VtObjectContainer* container, VtObjectFontAttribute* font,
                                                     int rows, int row, int dx, int dy);
    VtObjectOutputFieldNumber* add_output_number_row_by_pointer(VtObjectContainer* container,
                                                                VtObjectPointer* pointer,
                                                                VtObjectFontAttribute* font, int rows, int row);
    VtObjectInputFieldString* add_input_string_row(VtObjectContainer* container, VtObjectStringVariable* variable,
                                                   VtObjectFontAttribute* font, int rows, int row);
    // Accepts 0 to 999 without decimals until the caller says otherwise.
    VtObjectInputFieldNumber* add_input_number_row(VtObjectContainer* container, VtObjectNumberVariable* variable,
                                                   VtObjectFontAttribute* font, int rows, int row, int dx, int dy);
    // Up to ten element texts, in order; null texts are skipped.
    VtObjectInputFieldList* add_input_list_row(VtObjectContainer* container, VtObjectFontAttribute* font, int rows,
                                               int row, std::initializer_list<const char*> texts);
    // A pointer at the output string named by oid, right-aligned in the row.
    VtObjectPointer* add_unit_pointer(VtObjectContainer* container, uint32_t oid, int rows, int row, int dx, int dy);

    // --- span placement: size an existing field over `span` rows, centred ---

    VtObject* span_output_number(VtObjectContainer* container, VtObjectOutputFieldNumber* field, int rows, int row,
                                 int span);
    VtObject* span_input_number(VtObjectContainer* container, VtObjectInputFieldNumber* field, int rows, int row,
                                int span);
    VtObject* span_input_list(VtObjectContainer* container, VtObjectInputFieldList* field, int rows, int row,
                              int span);
    VtObject* span_button(VtObjectContainer* container, VtObjectButton* button, int rows, int row, int span);
    VtObject* span_output_number_in_frame(VtObjectContainer* container, VtObjectOutputFieldNumber* field,
                                          VtObjectContainer* frame, int rows, int row, int span);
    VtObject* span_output_number_by_pointer(VtObjectContainer* container, VtObjectOutputFieldNumber* field,
                                            VtObjectPointer* pointer, int rows, int row, int span);
    // Places `shown` (a pointer) where the input would stand and keeps output
    // and input in a new hidden 0 x 0 container; returns that container.
    VtObjectContainer* add_hidden_number_pair(VtObjectContainer* container, VtObjectOutputFieldNumber* output,
                                              VtObjectInputFieldNumber* input, VtObject* shown, int rows, int row,
                                              int span);

    // A VT draws a button's border inside the button and places and clips
    // its children in the face within: the face is the button less this
    // border on every side.
    static constexpr int button_border = 4;
    static int face_width(const VtObjectButton* button);
    static int face_height(const VtObjectButton* button);

    // The soft key designator the keys' labels are made for: 60 x 32, the
    // smallest a VT may have, so that they fit on every VT.
    static constexpr int key_width = 60;
    static constexpr int key_height = 32;
    // Where a key's label starts.
    static constexpr int key_label_inset = 5;

    uint32_t spacing() const { return pool_->spacing; }
    uint32_t margin_x() const { return pool_->margin_x; }
    uint32_t margin_y() const { return pool_->margin_y; }

private:
    struct Pool_record {
        VtLogger* logger = nullptr;
        uint32_t capacity = 65536;
        uint32_t next_oid = first_oid;
        std::vector<VtObject*> objects;
        VtObjectWorkingSet* working_set = nullptr;
        VtObjectDataMask* current_mask = nullptr;
        uint32_t spacing = 2;
        uint32_t margin_x = 2;
        uint32_t margin_y = 2;
        bool verbose = false;
        // Objects whose ID could not be entered, owned until clear().
        std::vector<VtObject*> unplaced;
        // Every font attribute made, for fitting_font to reuse.
        std::vector<VtObjectFontAttribute*> fonts;
        bool failed = false;
    };

    template <class T>
    T* make();
    // A field of the size on the variable (when given) in the font.
    template <class Field>
    Field* make_field(int width, int height, VtObject* variable, VtObjectFontAttribute* font);
    VtObject* span_input(VtObjectContainer* container, VtSizedObject* field, int rows, int row, int span);
    VtObject* append_ref(VtObjectRefList& list, int x, int y, VtObject* child);
    void add_key_label(VtObjectKey* key, const char* line1, const char* line2, VtObjectFontAttribute* font);
    // With verbose reading: the children of containers, masks and soft key masks.
    void trace_children(VtLogger& logger, VtObject* object) const;
    int row_input_width(VtObjectContainer* container) const;
    int row_input_height(VtObjectContainer* container, int rows) const;

    std::unique_ptr<Pool_record> pool_;
};

// Size of an object that has one; 0 for the others and for null.
int object_width(const VtObject* object);
int object_height(const VtObject* object);

// Character cell of the font in pixels.
int font_char_width(const VtObjectFontAttribute* font);
int font_char_height(const VtObjectFontAttribute* font);

inline uint32_t oid_of(const VtObject* object)
{
    return object != nullptr ? object->getOid() : VT_NULL_ID;
}
