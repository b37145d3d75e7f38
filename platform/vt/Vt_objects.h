// The object classes of the working set's pool, one per ISO 11783-6 object
// type. Constructors take the attributes in the standard's order (child lists
// and macros are added afterwards). Getters return the pool's value; setters
// change the pool and, while the pool runs, queue the standard's command that
// makes the VT show the change.
#pragma once

#include "platform/vt/Vt_obj.h"

#include <cstdint>

namespace VT {

// Justification of strings: low two bits horizontal (0 left, 1 middle,
// 2 right).
using justification = unsigned char;

// Objects that place child objects at positions: working set, masks,
// container, key and button.
class Parent_obj : public VT_obj {
public:
    using VT_obj::VT_obj;

    int num_children() const;
    unsigned short get_child_id(int index) const;
    short get_child_x(int index) const;
    short get_child_y(int index) const;
    // While building the pool: one more child at (x, y).
    void add_child(unsigned short id, short x, short y);
    // The pool's copy only (the VT sees it with the object's next upload):
    // child `index` becomes `id` at (x, y) (index == count appends), and the
    // list keeps its first `count` children.
    bool set_child_at(int index, unsigned short id, short x, short y);
    void set_num_children(int count);
    // Moves every placement of the child by (dx, dy) (Change Child Location;
    // a move beyond -127..128 goes as Change Child Position instead).
    bool set_child_location(unsigned short child, int dx, int dy);
    // Places every placement of the child at (x, y) (Change Child Position).
    bool set_child_position(unsigned short child, short x, short y);
    // The background colour (where the type has one: Change Background Colour).
    bool set_background_colour(unsigned char colour);
};

class Working_set_obj : public Parent_obj {
public:
    static constexpr VT_obj_type TYPE = WORKING_SET;
    Working_set_obj(unsigned short id, const char* name, unsigned char background_colour,
                    bool selectable, unsigned short active_mask);
    unsigned short get_active_mask() const;
    // The mask the VT shows first when the pool arrives (before upload).
    void set_active_mask(unsigned short mask);
};

// Data and alarm masks.
class Mask_obj : public Parent_obj {
public:
    using Parent_obj::Parent_obj;
    unsigned short get_soft_key_mask() const;
    // Change Soft Key Mask.
    bool set_soft_key_mask(unsigned short soft_key_mask);
};

class Data_mask_obj : public Mask_obj {
public:
    static constexpr VT_obj_type TYPE = DATA_MASK;
    Data_mask_obj(unsigned short id, const char* name, unsigned char background_colour,
                  unsigned short soft_key_mask);
};

namespace Base {
class Alarm_mask_obj : public Mask_obj {
public:
    static constexpr VT_obj_type TYPE = ALARM_MASK;
    Alarm_mask_obj(unsigned short id, const char* name, unsigned char background_colour,
                   unsigned short soft_key_mask, unsigned char priority, unsigned char acoustic_signal);
    // 0 high, 1 medium, 2 low.
    unsigned char get_priority() const;
    unsigned char get_acoustic_signal() const;
    // Change Priority.
    bool set_priority(unsigned char priority);
};
} // namespace Base
using Alarm_mask_obj = Base::Alarm_mask_obj;

class Container_obj : public Parent_obj {
public:
    static constexpr VT_obj_type TYPE = CONTAINER;
    Container_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                  bool hidden);
    bool get_hidden() const;
    // Non-zero hides the container and its children (Hide/Show Object).
    bool set_hidden(unsigned char hidden);
    unsigned short get_width() const;
    unsigned short get_height() const;
    bool set_size(unsigned short width, unsigned short height);
};

class Soft_key_mask_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = SOFT_KEY_MASK;
    Soft_key_mask_obj(unsigned short id, const char* name, unsigned char background_colour);
    int num_keys() const;
    unsigned short get_key_id(int index) const;
    void add_key(unsigned short id);
};

class Key_obj : public Parent_obj {
public:
    static constexpr VT_obj_type TYPE = KEY;
    Key_obj(unsigned short id, const char* name, unsigned char background_colour, unsigned char key_code);
    unsigned char get_key_code() const;
};

namespace Base {
class Button_obj : public Parent_obj {
public:
    static constexpr VT_obj_type TYPE = BUTTON;
    Button_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
               unsigned char background_colour, unsigned char border_colour, unsigned char key_code,
               bool latchable);
    unsigned char get_key_code() const;
    // Focuses the button on the VT (Select Input Object).
    bool select();
};
} // namespace Base
using Button_obj = Base::Button_obj;

// Size, value and input options shared by the input fields.
class Input_obj : public VT_obj {
public:
    using VT_obj::VT_obj;
    // The input options: bit 0 enabled, bit 1 real-time editing (the VT
    // reports the value at every step while the operator edits it). An input
    // number keeps them in its options 2, an input list in its options; an
    // input string or boolean has the enabled bit alone.
    static constexpr unsigned char INPUT_ENABLED = 0x01;
    static constexpr unsigned char INPUT_REAL_TIME = 0x02;
    unsigned char get_input_options() const;
    // Sets the input options, but for bits the object or the VT in use does
    // not have, and tells the VT what it can take: a VT of version 3 or later
    // the enabled state (Enable/Disable Object), one of version 4 or later a
    // changed real-time editing bit of a number or list too (Change
    // Attribute of its options), an older one nothing. A VT not yet known
    // counts as version 3.
    bool set_input_options(unsigned char options);
    // The enabled bit of the input options, the other bits kept.
    bool set_enabled(bool enabled);
    bool set_size(unsigned short width, unsigned short height);

private:
    int vt_version() const;
};

class Input_boolean_obj : public Input_obj {
public:
    static constexpr VT_obj_type TYPE = INPUT_BOOLEAN;
    Input_boolean_obj(unsigned short id, const char* name, unsigned char background_colour,
                      unsigned short width, unsigned short foreground_colour,
                      unsigned short variable_reference, unsigned char value, bool enabled);
    unsigned char get_value() const;
    bool set_value(unsigned char value);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    // The font attributes object that gives the foreground colour.
    bool set_foreground_colour(unsigned short font_attributes);
};

class Input_string_obj : public Input_obj {
public:
    static constexpr VT_obj_type TYPE = INPUT_STRING;
    Input_string_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                     unsigned char background_colour, unsigned short font_attributes,
                     unsigned short input_attributes, unsigned char options,
                     unsigned short variable_reference, justification just, const char* value,
                     bool enabled);
    const char* get_string() const;
    // The text, cut to the field's length (Change String Value).
    bool set_string(const char* text);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    unsigned short get_font_attributes() const;
    bool set_font_attributes(unsigned short id);
    // Characters the field's own value holds.
    int get_length() const;
};

class Input_number_obj : public Input_obj {
public:
    static constexpr VT_obj_type TYPE = INPUT_NUMBER;
    Input_number_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                     unsigned char background_colour, unsigned short font_attributes,
                     unsigned char options, unsigned short variable_reference, unsigned int value,
                     unsigned int min_value, unsigned int max_value, int offset, float scale,
                     unsigned char decimals, unsigned char format, justification just, bool enabled);
    unsigned int get_value() const;
    bool set_value(unsigned int value);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    // The display options (bit 0 transparent, bit 1 leading zeros, bit 2
    // zero as blank, bit 3 truncate); the input options are apart.
    unsigned char get_options() const;
    unsigned int get_min_value() const;
    unsigned int get_max_value() const;
    bool set_min_value(unsigned int v);
    bool set_max_value(unsigned int v);
    int get_offset() const;
    float get_scale() const;
    bool set_offset(int offset);
    bool set_scale(float scale);
    unsigned char get_no_decimals() const;
    bool set_no_decimals(unsigned char decimals);
    unsigned short get_font_attributes() const;
    bool set_font_attributes(unsigned short id);
    unsigned short get_width() const;
    unsigned short get_height() const;
};

class Input_list_obj : public Input_obj {
public:
    static constexpr VT_obj_type TYPE = INPUT_LIST;
    Input_list_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                   unsigned short variable_reference, unsigned char value, bool enabled);
    unsigned char get_value() const;
    bool set_value(unsigned char value);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    int num_items() const;
    unsigned short get_child_objects_val(unsigned int item) const;
    // While building the pool: one more item.
    void add_item(unsigned short id);
    // The object item `item` shows (65535: the item cannot be chosen); with
    // `send` false only the pool changes (Change List Item).
    bool set_child_objects_val(unsigned int item, unsigned short object, bool send);
};

class Output_string_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = OUTPUT_STRING;
    Output_string_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                      unsigned char background_colour, unsigned short font_attributes,
                      unsigned char options, unsigned short variable_reference, justification just,
                      const char* value);
    const char* get_string() const;
    // Replaces the text, cut to the field's length, and the justification.
    bool __set_string(const char* text, justification just);
    // Characters the field's own value holds.
    int get_length() const;
    // Options (bit 0 transparent, bit 1 auto-wrap) and justification.
    unsigned char get_options() const;
    bool set_options(unsigned char options);
    justification get_justification() const;
    bool set_justification(justification just);
    unsigned char get_background_colour() const;
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    unsigned short get_font_attributes() const;
    bool set_font_attributes(unsigned short id);
    bool set_background_colour(unsigned char colour);
    bool set_size(unsigned short width, unsigned short height);
};

class Output_number_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = OUTPUT_NUMBER;
    Output_number_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                      unsigned char background_colour, unsigned short font_attributes,
                      unsigned char options, unsigned short variable_reference, unsigned int value,
                      int offset, float scale, unsigned char decimals, unsigned char format,
                      justification just);
    unsigned int get_value() const;
    bool set_value(unsigned int value);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
    unsigned char get_no_decimals() const;
    bool set_no_decimals(unsigned char decimals);
    int get_offset() const;
    float get_scale() const;
    bool set_offset(int offset);
    bool set_scale(float scale);
    bool set_background_colour(unsigned char colour);
    bool set_size(unsigned short width, unsigned short height);
    unsigned short get_font_attributes() const;
    bool set_font_attributes(unsigned short id);
    unsigned short get_width() const;
    unsigned short get_height() const;
};

class Line_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = LINE;
    Line_obj(unsigned short id, const char* name, unsigned short line_attributes, unsigned short width,
             unsigned short height, unsigned char direction);
    // Change End Point.
    bool set_end_point(unsigned short width, unsigned short height, unsigned char direction);
};

class Rectangle_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = RECTANGLE;
    Rectangle_obj(unsigned short id, const char* name, unsigned short line_attributes,
                  unsigned short width, unsigned short height, unsigned char line_suppression,
                  unsigned short fill_attributes);
    unsigned short get_fill_attributes() const;
    bool set_fill_attributes(unsigned short id);
    unsigned short get_line_attributes() const;
    bool set_line_attributes(unsigned short id);
    bool set_size(unsigned short width, unsigned short height);
};

class Ellipse_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = ELLIPSE;
    Ellipse_obj(unsigned short id, const char* name, unsigned short line_attributes, unsigned short width,
                unsigned short height, unsigned char ellipse_type, unsigned char start_angle,
                unsigned char end_angle, unsigned short fill_attributes);
    bool set_fill_attributes(unsigned short id);
};

class Polygon_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = POLYGON;
    Polygon_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                unsigned short line_attributes, unsigned short fill_attributes, unsigned char polygon_type);
    void add_point(unsigned short x, unsigned short y);
    int num_points() const;
    bool set_fill_attributes(unsigned short id);
};

// Meter and bar graphs: a value shown against a range.
class Gauge_obj : public VT_obj {
public:
    using VT_obj::VT_obj;
    unsigned short get_value() const;
    bool set_value(unsigned short value);
    unsigned short get_variable_reference() const;
    bool set_variable_reference(unsigned short id);
};

class Meter_obj : public Gauge_obj {
public:
    static constexpr VT_obj_type TYPE = METER;
    Meter_obj(unsigned short id, const char* name, unsigned short width, unsigned char needle_colour,
              unsigned char border_colour, unsigned char arc_and_tick_colour, unsigned char options,
              unsigned char ticks, unsigned char start_angle, unsigned char end_angle,
              unsigned short min_value, unsigned short max_value, unsigned short variable_reference,
              unsigned short value);
};

class Linear_bar_graph_obj : public Gauge_obj {
public:
    static constexpr VT_obj_type TYPE = LINEAR_BAR_GRAPH;
    Linear_bar_graph_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                         unsigned char colour, unsigned char target_line_colour, unsigned char options,
                         unsigned char ticks, unsigned short min_value, unsigned short max_value,
                         unsigned short variable_reference, unsigned short value,
                         unsigned short target_variable_reference, unsigned short target_value);
    unsigned short get_min_value() const;
    unsigned short get_max_value() const;
    bool set_min_value(unsigned short v);
    bool set_max_value(unsigned short v);
    bool set_target_value(unsigned short v);
    bool set_size(unsigned short width, unsigned short height);
};

class Arched_bar_graph_obj : public Gauge_obj {
public:
    static constexpr VT_obj_type TYPE = ARCHED_BAR_GRAPH;
    Arched_bar_graph_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                         unsigned char colour, unsigned char target_line_colour, unsigned char options,
                         unsigned char start_angle, unsigned char end_angle, unsigned short bar_width,
                         unsigned short min_value, unsigned short max_value,
                         unsigned short variable_reference, unsigned short value,
                         unsigned short target_variable_reference, unsigned short target_value);
};

class Picture_graphic_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = PICTURE_GRAPHIC;
    // `data` holds `data_len` bytes in the picture's format.
    Picture_graphic_obj(unsigned short id, const char* name, unsigned short width,
                        unsigned short actual_width, unsigned short actual_height, unsigned char format,
                        unsigned char options, unsigned char transparency_colour, const uint8_t* data,
                        uint32_t data_len);
};

class Number_variable_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = NUMBER_VARIABLE;
    Number_variable_obj(unsigned short id, const char* name, unsigned int value);
    unsigned int get_value() const;
    // Change Numeric Value.
    bool set_value(unsigned int value);
};

class String_variable_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = STRING_VARIABLE;
    // The variable's length is that of `value`, or `length` when given
    // (the value padded with spaces or cut to it).
    String_variable_obj(unsigned short id, const char* name, const char* value, int length = -1);
    // Characters the variable holds (its fixed length).
    int num_chars() const;
    const char* get_string() const;
    // The text, cut to the variable's length and padded with spaces
    // (Change String Value).
    bool set_string(const char* text);
    // A new length for the variable, before the pool goes up.
    void set_length(int length);
    // Layout hints of the widget toolkit: the shortest line and the rows a
    // text of this variable takes.
    int min_line_chars = 0;
    int num_rows = 1;
};

class Font_attributes_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = FONT_ATTRIBUTES;
    Font_attributes_obj(unsigned short id, const char* name, unsigned char colour, unsigned char size,
                        unsigned char type, unsigned char style);
    unsigned char get_font_colour() const;
    unsigned char get_font_size() const;
    unsigned char get_font_style() const;
    // Change Font Attributes.
    bool set_font(unsigned char colour, unsigned char size, unsigned char type, unsigned char style);
};

class Line_attributes_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = LINE_ATTRIBUTES;
    Line_attributes_obj(unsigned short id, const char* name, unsigned char colour, unsigned char width,
                        unsigned short line_art);
    unsigned char get_line_colour() const;
    unsigned char get_line_width() const;
    // Change Line Attributes.
    bool set_line(unsigned char colour, unsigned char width, unsigned short line_art);
};

class Fill_attributes_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = FILL_ATTRIBUTES;
    Fill_attributes_obj(unsigned short id, const char* name, unsigned char fill_type,
                        unsigned char fill_colour, unsigned short fill_pattern);
    unsigned char get_fill_colour() const;
    unsigned char get_fill_type() const;
    // Change Fill Attributes with the type and pattern kept.
    bool set_fill_colour(unsigned char colour);
};

class Input_attributes_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = INPUT_ATTRIBUTES;
    Input_attributes_obj(unsigned short id, const char* name, unsigned char validation_type,
                         const char* validation_string);
};

class Object_pointer_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = OBJECT_POINTER;
    Object_pointer_obj(unsigned short id, const char* name, unsigned short value);
    unsigned short get_value() const;
    // Points at another object; 65535 shows nothing (Change Numeric Value).
    bool set_value(unsigned short value);
};

class Macro_obj : public VT_obj {
public:
    static constexpr VT_obj_type TYPE = MACRO;
    Macro_obj(unsigned short id, const char* name, const uint8_t* commands, uint32_t len);
};

} // namespace VT
