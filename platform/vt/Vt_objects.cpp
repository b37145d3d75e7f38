#include "platform/vt/Vt_objects.h"

#include "platform/vt/Object_pool.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace VT {

namespace {

constexpr uint8_t CMD_HIDE_SHOW = 0xA0;
constexpr uint8_t CMD_ENABLE_DISABLE = 0xA1;
constexpr uint8_t CMD_SELECT_INPUT = 0xA2;
constexpr uint8_t CMD_CHILD_LOCATION = 0xA5;
constexpr uint8_t CMD_SIZE = 0xA6;
constexpr uint8_t CMD_BACKGROUND = 0xA7;
constexpr uint8_t CMD_NUMERIC_VALUE = 0xA8;
constexpr uint8_t CMD_END_POINT = 0xA9;
constexpr uint8_t CMD_FONT = 0xAA;
constexpr uint8_t CMD_LINE = 0xAB;
constexpr uint8_t CMD_FILL = 0xAC;
constexpr uint8_t CMD_SOFT_KEY_MASK = 0xAE;
constexpr uint8_t CMD_PRIORITY = 0xB0;
constexpr uint8_t CMD_LIST_ITEM = 0xB1;
constexpr uint8_t CMD_STRING_VALUE = 0xB3;
constexpr uint8_t CMD_CHILD_POSITION = 0xB4;

// Pseudo attribute ids of the library's change operation for the background
// colour and the size.
constexpr int AID_BACKGROUND = 100;
constexpr int AID_SIZE = 101;
// The input options: options 2 of an input number, options of an input list.
constexpr int AID_NUMBER_OPTIONS_2 = 15;
constexpr int AID_LIST_OPTIONS = 5;

// The VT versions that brought Enable/Disable Object and the input options
// attributes; a VT that has not told its version counts as one of the
// version the working set follows.
constexpr int VT_VERSION_ENABLE_DISABLE = 3;
constexpr int VT_VERSION_INPUT_OPTIONS = 4;
constexpr int VT_VERSION_ASSUMED = 3;

uint8_t lo(unsigned v) { return uint8_t(v); }
uint8_t hi(unsigned v) { return uint8_t(v >> 8); }

uint32_t float_bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

// Builds a record body in the standard's field order.
class Body {
public:
    Body() : w_(70000, nullptr) {}
    Body& u8(unsigned v) { w_.writeByte(v, nullptr); return *this; }
    Body& u16(unsigned v) { w_.writeUShort(v, nullptr); return *this; }
    Body& u32(uint32_t v) { w_.writeUInt(v, nullptr); return *this; }
    Body& i32(int32_t v) { w_.writeSInt(v, nullptr); return *this; }
    Body& f32(float v) { w_.writeFloat(v, nullptr); return *this; }
    Body& str16(const std::string& s)
    {
        u16(unsigned(s.size()));
        w_.writeData(reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size()), nullptr);
        return *this;
    }
    Body& str8(const std::string& s)
    {
        u8(unsigned(s.size()));
        w_.writeData(reinterpret_cast<const uint8_t*>(s.data()), uint32_t(s.size()), nullptr);
        return *this;
    }
    Body& data(const uint8_t* d, uint32_t n)
    {
        if (n)
            w_.writeData(d, n, nullptr);
        return *this;
    }
    const uint8_t* bytes() const { return w_.getData(); }
    uint32_t length() const { return w_.getLength(); }

private:
    VtMessageWriter w_;
};

// A text of exactly `length` characters: cut, or padded with spaces.
std::string fitted(const char* text, size_t length)
{
    std::string s = text ? text : "";
    if (s.size() > length)
        s.resize(length);
    s.append(length - s.size(), ' ');
    return s;
}

// A text cut to at most `max` characters.
std::string cut(const char* text, size_t max)
{
    std::string s = text ? text : "";
    if (s.size() > max)
        s.resize(max);
    return s;
}

void load(VT_obj& obj, const Body& b)
{
    obj.load_body(b.bytes(), b.length());
}

// Applies a value through the library's attribute change; false when the
// type has no such attribute.
bool apply(VtObject& model, int aid, const uint8_t* bytes, uint32_t len)
{
    VtMessageReader reader;
    reader.setData(bytes, len);
    return model.changeAttribute(aid, reader) == 0;
}

bool apply32(VtObject& model, int aid, uint32_t v)
{
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    return apply(model, aid, b, 4);
}

std::vector<uint8_t> string_command(unsigned short id, const std::string& s)
{
    std::vector<uint8_t> c(5 + s.size());
    c[0] = CMD_STRING_VALUE;
    c[1] = lo(id);
    c[2] = hi(id);
    c[3] = lo(unsigned(s.size()));
    c[4] = hi(unsigned(s.size()));
    std::copy(s.begin(), s.end(), c.begin() + 5);
    return c;
}

std::vector<uint8_t> numeric_command(unsigned short id, uint32_t v)
{
    return {CMD_NUMERIC_VALUE, lo(id), hi(id), 0xFF, uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

std::vector<uint8_t> size_command(unsigned short id, unsigned w, unsigned h)
{
    return {CMD_SIZE, lo(id), hi(id), lo(w), hi(w), lo(h), hi(h), 0xFF};
}

} // namespace

// ---------------------------------------------------------------------------
// Attribute changes shared by the classes below.

#define VT_SIZE_SETTER(Class)                                                   \
    bool Class::set_size(unsigned short width, unsigned short height)          \
    {                                                                          \
        const uint8_t b[4] = {lo(width), hi(width), lo(height), hi(height)};   \
        if (!apply(model(), AID_SIZE, b, 4))                                   \
            return false;                                                      \
        send(size_command(get_id(), width, height));                           \
        return true;                                                           \
    }

#define VT_BACKGROUND_SETTER(Class)                                             \
    bool Class::set_background_colour(unsigned char colour)                    \
    {                                                                          \
        if (!apply(model(), AID_BACKGROUND, &colour, 1))                       \
            return false;                                                      \
        send({CMD_BACKGROUND, lo(get_id()), hi(get_id()), colour});            \
        return true;                                                           \
    }

// Change Attribute of a value that the library stores under the same id.
#define VT_ATTRIBUTE_SETTER(Class, method, type, aid, bits)                     \
    bool Class::method(type v)                                                 \
    {                                                                          \
        if (!apply32(model(), aid, bits))                                      \
            return false;                                                      \
        send_attribute(aid, bits);                                             \
        return true;                                                           \
    }

// ---------------------------------------------------------------------------
// Parents

int Parent_obj::num_children() const
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    return refs ? int(refs->size()) : 0;
}

unsigned short Parent_obj::get_child_id(int index) const
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    VtObjectRef* r = refs && index >= 0 ? refs->at(uint32_t(index)) : nullptr;
    return r ? uint16_t(r->oid) : NULL_ID;
}

short Parent_obj::get_child_x(int index) const
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    VtObjectRef* r = refs && index >= 0 ? refs->at(uint32_t(index)) : nullptr;
    return r ? short(r->x) : 0;
}

short Parent_obj::get_child_y(int index) const
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    VtObjectRef* r = refs && index >= 0 ? refs->at(uint32_t(index)) : nullptr;
    return r ? short(r->y) : 0;
}

void Parent_obj::add_child(unsigned short id, short x, short y)
{
    if (VtObjectRefList* refs = vtChildRefsOf(&model())) {
        refs->append(new VtObjectRef(id, x, y));
        touched();
    }
}

bool Parent_obj::set_child_at(int index, unsigned short id, short x, short y)
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    if (!refs || index < 0 || uint32_t(index) > refs->size())
        return false;
    if (uint32_t(index) == refs->size()) {
        add_child(id, x, y);
        return true;
    }
    VtObjectRef* r = refs->at(uint32_t(index));
    r->oid = id;
    r->x = x;
    r->y = y;
    touched();
    return true;
}

void Parent_obj::set_num_children(int count)
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    if (!refs || count < 0 || uint32_t(count) >= refs->size())
        return;
    struct Kept {
        unsigned short id;
        short x, y;
    };
    std::vector<Kept> kept;
    for (int i = 0; i < count; ++i)
        kept.push_back({get_child_id(i), get_child_x(i), get_child_y(i)});
    refs->clear();
    for (const Kept& k : kept)
        refs->append(new VtObjectRef(k.id, k.x, k.y));
    touched();
}

bool Parent_obj::set_child_location(unsigned short child, int dx, int dy)
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    if (!refs || dx < -127 || dx > 128 || dy < -127 || dy > 128) {
        // Too far for one relative move: place each placement absolutely.
        for (int i = 0; i < num_children(); ++i)
            if (get_child_id(i) == child)
                return set_child_position(child, short(get_child_x(i) + dx), short(get_child_y(i) + dy));
        return false;
    }
    bool found = false;
    for (int i = 0; i < num_children(); ++i)
        found = found || get_child_id(i) == child;
    if (!found)
        return false;
    refs->moveObject(child, dx, dy, true);
    send({CMD_CHILD_LOCATION, lo(get_id()), hi(get_id()), lo(child), hi(child), uint8_t(dx + 127),
          uint8_t(dy + 127)});
    return true;
}

bool Parent_obj::set_child_position(unsigned short child, short x, short y)
{
    VtObjectRefList* refs = vtChildRefsOf(&model());
    bool found = false;
    for (int i = 0; i < num_children(); ++i)
        found = found || get_child_id(i) == child;
    if (!refs || !found)
        return false;
    refs->moveObject(child, x, y, false);
    send({CMD_CHILD_POSITION, lo(get_id()), hi(get_id()), lo(child), hi(child), lo(uint16_t(x)),
          hi(uint16_t(x)), lo(uint16_t(y)), hi(uint16_t(y))});
    return true;
}

VT_BACKGROUND_SETTER(Parent_obj)

Working_set_obj::Working_set_obj(unsigned short id, const char* name, unsigned char background_colour,
                                 bool selectable, unsigned short active_mask)
    : Parent_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u8(selectable).u16(active_mask).u8(0).u8(0).u8(0));
}

unsigned short Working_set_obj::get_active_mask() const
{
    return uint16_t(m<VtObjectWorkingSet>().getActiveMask());
}

void Working_set_obj::set_active_mask(unsigned short mask)
{
    m<VtObjectWorkingSet>().setActiveMask(mask);
    touched();
}

unsigned short Mask_obj::get_soft_key_mask() const
{
    return uint16_t(vtSoftKeyMaskOf(&model()));
}

bool Mask_obj::set_soft_key_mask(unsigned short soft_key_mask)
{
    if (get_type() == DATA_MASK)
        m<VtObjectDataMask>().setSoftKeyMask(soft_key_mask);
    else
        m<VtObjectAlarmMask>().setSoftKeyMask(soft_key_mask);
    send({CMD_SOFT_KEY_MASK, uint8_t(get_type() == DATA_MASK ? 1 : 2), lo(get_id()), hi(get_id()),
          lo(soft_key_mask), hi(soft_key_mask)});
    return true;
}

Data_mask_obj::Data_mask_obj(unsigned short id, const char* name, unsigned char background_colour,
                             unsigned short soft_key_mask)
    : Mask_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u16(soft_key_mask).u8(0).u8(0));
}

namespace Base {
Alarm_mask_obj::Alarm_mask_obj(unsigned short id, const char* name, unsigned char background_colour,
                               unsigned short soft_key_mask, unsigned char priority,
                               unsigned char acoustic_signal)
    : Mask_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u16(soft_key_mask).u8(priority).u8(acoustic_signal).u8(0).u8(0));
}

unsigned char Alarm_mask_obj::get_priority() const
{
    return uint8_t(m<VtObjectAlarmMask>().getPriority());
}

unsigned char Alarm_mask_obj::get_acoustic_signal() const
{
    return uint8_t(m<VtObjectAlarmMask>().getAcousticSignal());
}

bool Alarm_mask_obj::set_priority(unsigned char priority)
{
    m<VtObjectAlarmMask>().setPriority(priority);
    send({CMD_PRIORITY, lo(get_id()), hi(get_id()), priority});
    return true;
}
} // namespace Base

Container_obj::Container_obj(unsigned short id, const char* name, unsigned short width,
                             unsigned short height, bool hidden)
    : Parent_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(hidden).u8(0).u8(0));
}

bool Container_obj::get_hidden() const
{
    return m<VtObjectContainer>().getHidden();
}

bool Container_obj::set_hidden(unsigned char hidden)
{
    m<VtObjectContainer>().setHidden(hidden != 0);
    send({CMD_HIDE_SHOW, lo(get_id()), hi(get_id()), uint8_t(hidden ? 0 : 1)});
    return true;
}

unsigned short Container_obj::get_width() const { return uint16_t(m<VtObjectContainer>().getWidth()); }
unsigned short Container_obj::get_height() const { return uint16_t(m<VtObjectContainer>().getHeight()); }

bool Container_obj::set_size(unsigned short width, unsigned short height)
{
    m<VtObjectContainer>().setSize(VtSize{width, height});
    send(size_command(get_id(), width, height));
    return true;
}

Soft_key_mask_obj::Soft_key_mask_obj(unsigned short id, const char* name, unsigned char background_colour)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u8(0).u8(0));
}

int Soft_key_mask_obj::num_keys() const
{
    return int(m<VtObjectSoftKeyMask>().getChilds().size());
}

unsigned short Soft_key_mask_obj::get_key_id(int index) const
{
    VtObjectListItem* item = index >= 0 ? m<VtObjectSoftKeyMask>().getChilds().at(uint32_t(index)) : nullptr;
    return item ? uint16_t(item->oid) : NULL_ID;
}

void Soft_key_mask_obj::add_key(unsigned short id)
{
    m<VtObjectSoftKeyMask>().getChilds().append(new VtObjectListItem(id));
    touched();
}

Key_obj::Key_obj(unsigned short id, const char* name, unsigned char background_colour, unsigned char key_code)
    : Parent_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u8(key_code).u8(0).u8(0));
}

unsigned char Key_obj::get_key_code() const
{
    return uint8_t(m<VtObjectKey>().getKeyCode());
}

namespace Base {
Button_obj::Button_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                       unsigned char background_colour, unsigned char border_colour,
                       unsigned char key_code, bool latchable)
    : Parent_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(background_colour).u8(border_colour).u8(key_code)
                    .u8(latchable).u8(0).u8(0));
}

unsigned char Button_obj::get_key_code() const
{
    return uint8_t(m<VtObjectButton>().getKeyCode());
}

bool Button_obj::select()
{
    send({CMD_SELECT_INPUT, lo(get_id()), hi(get_id()), 0xFF});
    return true;
}
} // namespace Base

// ---------------------------------------------------------------------------
// Inputs

int Input_obj::vt_version() const
{
    const int version = get_pool() ? get_pool()->get_vt_version() : 0;
    return version > 0 ? version : VT_VERSION_ASSUMED;
}

unsigned char Input_obj::get_input_options() const
{
    switch (get_type()) {
    case INPUT_BOOLEAN: return uint8_t(m<VtObjectInputFieldBoolean>().getEnabled() & INPUT_ENABLED);
    case INPUT_STRING: return uint8_t(m<VtObjectInputFieldString>().getEnabled() & INPUT_ENABLED);
    case INPUT_NUMBER: return uint8_t(m<VtObjectInputFieldNumber>().getEnabled());
    case INPUT_LIST: return uint8_t(m<VtObjectInputFieldList>().getEnabled());
    default: return 0;
    }
}

bool Input_obj::set_input_options(unsigned char options)
{
    const int version = vt_version();
    // The options of an input number (its options 2) and of an input list
    // are an attribute from version 4 on; else the enabled flag stands alone.
    const bool has_options =
        (get_type() == INPUT_NUMBER || get_type() == INPUT_LIST) && version >= VT_VERSION_INPUT_OPTIONS;
    const uint8_t held = uint8_t(options & (has_options ? INPUT_ENABLED | INPUT_REAL_TIME : INPUT_ENABLED));
    const uint8_t before = get_input_options();
    switch (get_type()) {
    case INPUT_BOOLEAN: m<VtObjectInputFieldBoolean>().setEnabled(held); break;
    case INPUT_STRING: m<VtObjectInputFieldString>().setEnabled(held); break;
    case INPUT_NUMBER: m<VtObjectInputFieldNumber>().setEnabled(held); break;
    case INPUT_LIST: m<VtObjectInputFieldList>().setEnabled(held); break;
    default: return false;
    }
    if (version < VT_VERSION_ENABLE_DISABLE) {
        if (held != before)
            touched();  // the VT sees it with the object's next upload
        return true;
    }
    // The enabled state goes by its own command, which every VT of these
    // versions has (some refuse it as an attribute); the options attribute
    // only for the real-time editing bit, which has none.
    if (has_options && ((held ^ before) & INPUT_REAL_TIME))
        send_attribute(get_type() == INPUT_NUMBER ? AID_NUMBER_OPTIONS_2 : AID_LIST_OPTIONS, held);
    send({CMD_ENABLE_DISABLE, lo(get_id()), hi(get_id()), uint8_t(held & INPUT_ENABLED)});
    return true;
}

bool Input_obj::set_enabled(bool enabled)
{
    const uint8_t others = uint8_t(get_input_options() & ~INPUT_ENABLED);
    return set_input_options(uint8_t(enabled ? others | INPUT_ENABLED : others));
}

VT_SIZE_SETTER(Input_obj)

Input_boolean_obj::Input_boolean_obj(unsigned short id, const char* name, unsigned char background_colour,
                                     unsigned short width, unsigned short foreground_colour,
                                     unsigned short variable_reference, unsigned char value, bool enabled)
    : Input_obj(id, TYPE, name)
{
    load(*this, Body().u8(background_colour).u16(width).u16(foreground_colour).u16(variable_reference)
                    .u8(value).u8(enabled).u8(0));
}

unsigned char Input_boolean_obj::get_value() const { return uint8_t(m<VtObjectInputFieldBoolean>().getValue()); }

bool Input_boolean_obj::set_value(unsigned char value)
{
    m<VtObjectInputFieldBoolean>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

unsigned short Input_boolean_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectInputFieldBoolean>().getVariableReference());
}

VT_ATTRIBUTE_SETTER(Input_boolean_obj, set_variable_reference, unsigned short, 4, v)
VT_ATTRIBUTE_SETTER(Input_boolean_obj, set_foreground_colour, unsigned short, 3, v)

Input_string_obj::Input_string_obj(unsigned short id, const char* name, unsigned short width,
                                   unsigned short height, unsigned char background_colour,
                                   unsigned short font_attributes, unsigned short input_attributes,
                                   unsigned char options, unsigned short variable_reference,
                                   justification just, const char* value, bool enabled)
    : Input_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(background_colour).u16(font_attributes)
                    .u16(input_attributes).u8(options).u16(variable_reference).u8(just)
                    .str8(cut(value, 255)).u8(enabled).u8(0));
}

const char* Input_string_obj::get_string() const
{
    const char* s = m<VtObjectInputFieldString>().getValue().c_str();
    return s ? s : "";
}

bool Input_string_obj::set_string(const char* text)
{
    std::string s = fitted(text, m<VtObjectInputFieldString>().getValue().length());
    m<VtObjectInputFieldString>().setValue(VtString(s.c_str()));
    send(string_command(get_id(), s));
    return true;
}

unsigned short Input_string_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectInputFieldString>().getVariableReference());
}

VT_ATTRIBUTE_SETTER(Input_string_obj, set_variable_reference, unsigned short, 7, v)
VT_ATTRIBUTE_SETTER(Input_string_obj, set_font_attributes, unsigned short, 4, v)

unsigned short Input_string_obj::get_font_attributes() const
{
    return uint16_t(m<VtObjectInputFieldString>().getFontAttributes());
}
int Input_string_obj::get_length() const { return int(m<VtObjectInputFieldString>().getValue().length()); }

Input_number_obj::Input_number_obj(unsigned short id, const char* name, unsigned short width,
                                   unsigned short height, unsigned char background_colour,
                                   unsigned short font_attributes, unsigned char options,
                                   unsigned short variable_reference, unsigned int value,
                                   unsigned int min_value, unsigned int max_value, int offset, float scale,
                                   unsigned char decimals, unsigned char format, justification just,
                                   bool enabled)
    : Input_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(background_colour).u16(font_attributes).u8(options)
                    .u16(variable_reference).u32(value).u32(min_value).u32(max_value).i32(offset)
                    .f32(scale).u8(decimals).u8(format).u8(just).u8(enabled).u8(0));
}

unsigned int Input_number_obj::get_value() const { return m<VtObjectInputFieldNumber>().getValue(); }

bool Input_number_obj::set_value(unsigned int value)
{
    m<VtObjectInputFieldNumber>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

unsigned short Input_number_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectInputFieldNumber>().getVariableReference());
}
unsigned char Input_number_obj::get_options() const { return uint8_t(m<VtObjectInputFieldNumber>().getOptions()); }
unsigned int Input_number_obj::get_min_value() const { return m<VtObjectInputFieldNumber>().getMinValue(); }
unsigned int Input_number_obj::get_max_value() const { return m<VtObjectInputFieldNumber>().getMaxValue(); }
int Input_number_obj::get_offset() const { return m<VtObjectInputFieldNumber>().getOffset(); }
float Input_number_obj::get_scale() const { return float(m<VtObjectInputFieldNumber>().getScale()); }
unsigned short Input_number_obj::get_font_attributes() const
{
    return uint16_t(m<VtObjectInputFieldNumber>().getFontAttributes());
}
unsigned short Input_number_obj::get_width() const { return uint16_t(m<VtObjectInputFieldNumber>().getWidth()); }
unsigned short Input_number_obj::get_height() const { return uint16_t(m<VtObjectInputFieldNumber>().getHeight()); }
unsigned char Input_number_obj::get_no_decimals() const
{
    return uint8_t(m<VtObjectInputFieldNumber>().getNumberOfDecimals());
}

VT_ATTRIBUTE_SETTER(Input_number_obj, set_variable_reference, unsigned short, 6, v)
VT_ATTRIBUTE_SETTER(Input_number_obj, set_font_attributes, unsigned short, 4, v)
VT_ATTRIBUTE_SETTER(Input_number_obj, set_min_value, unsigned int, 7, v)
VT_ATTRIBUTE_SETTER(Input_number_obj, set_max_value, unsigned int, 8, v)
VT_ATTRIBUTE_SETTER(Input_number_obj, set_offset, int, 9, uint32_t(v))
VT_ATTRIBUTE_SETTER(Input_number_obj, set_scale, float, 10, float_bits(v))
VT_ATTRIBUTE_SETTER(Input_number_obj, set_no_decimals, unsigned char, 11, v)

Input_list_obj::Input_list_obj(unsigned short id, const char* name, unsigned short width,
                               unsigned short height, unsigned short variable_reference,
                               unsigned char value, bool enabled)
    : Input_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u16(variable_reference).u8(value).u8(0).u8(enabled).u8(0));
}

unsigned char Input_list_obj::get_value() const { return uint8_t(m<VtObjectInputFieldList>().getValue()); }

bool Input_list_obj::set_value(unsigned char value)
{
    m<VtObjectInputFieldList>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

unsigned short Input_list_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectInputFieldList>().getVariableReference());
}

VT_ATTRIBUTE_SETTER(Input_list_obj, set_variable_reference, unsigned short, 3, v)

int Input_list_obj::num_items() const
{
    return int(m<VtObjectInputFieldList>().getElements().size());
}

unsigned short Input_list_obj::get_child_objects_val(unsigned int item) const
{
    VtObjectListItem* e = m<VtObjectInputFieldList>().getElements().at(item);
    return e ? uint16_t(e->oid) : NULL_ID;
}

void Input_list_obj::add_item(unsigned short id)
{
    VtObjectListItem* e = new VtObjectListItem(id);
    e->attach(&model());
    m<VtObjectInputFieldList>().getElements().append(e);
    touched();
}

bool Input_list_obj::set_child_objects_val(unsigned int item, unsigned short object, bool send_now)
{
    VtObjectListItem* e = m<VtObjectInputFieldList>().getElements().at(item);
    if (!e || item > 255)
        return false;
    e->oid = object;
    e->attach(&model());
    if (send_now)
        send({CMD_LIST_ITEM, lo(get_id()), hi(get_id()), uint8_t(item), lo(object), hi(object)});
    else
        touched();
    return true;
}

// ---------------------------------------------------------------------------
// Outputs

Output_string_obj::Output_string_obj(unsigned short id, const char* name, unsigned short width,
                                     unsigned short height, unsigned char background_colour,
                                     unsigned short font_attributes, unsigned char options,
                                     unsigned short variable_reference, justification just,
                                     const char* value)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(background_colour).u16(font_attributes).u8(options)
                    .u16(variable_reference).u8(just).str16(cut(value, 65535)).u8(0));
}

const char* Output_string_obj::get_string() const
{
    const char* s = m<VtObjectOutputFieldString>().getValue().c_str();
    return s ? s : "";
}

bool Output_string_obj::__set_string(const char* text, justification just)
{
    auto& o = m<VtObjectOutputFieldString>();
    if (o.getHorizontalJustification() != just) {
        o.setHorizontalJustification(just);
        send_attribute(7, just);
    }
    std::string s = fitted(text, o.getValue().length());
    o.setValue(VtString(s.c_str()));
    send(string_command(get_id(), s));
    return true;
}

unsigned short Output_string_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectOutputFieldString>().getVariableReference());
}
int Output_string_obj::get_length() const { return int(m<VtObjectOutputFieldString>().getValue().length()); }
unsigned short Output_string_obj::get_font_attributes() const
{
    return uint16_t(m<VtObjectOutputFieldString>().getFontAttributes());
}

VT_ATTRIBUTE_SETTER(Output_string_obj, set_variable_reference, unsigned short, 6, v)
VT_ATTRIBUTE_SETTER(Output_string_obj, set_options, unsigned char, 5, v)
unsigned char Output_string_obj::get_options() const { return uint8_t(m<VtObjectOutputFieldString>().getOptions()); }
justification Output_string_obj::get_justification() const
{
    return justification(m<VtObjectOutputFieldString>().getHorizontalJustification());
}
unsigned char Output_string_obj::get_background_colour() const
{
    return uint8_t(m<VtObjectOutputFieldString>().getBackgroundColour().getIndex());
}
VT_ATTRIBUTE_SETTER(Output_string_obj, set_justification, justification, 7, v)
VT_ATTRIBUTE_SETTER(Output_string_obj, set_font_attributes, unsigned short, 4, v)
VT_BACKGROUND_SETTER(Output_string_obj)
VT_SIZE_SETTER(Output_string_obj)

Output_number_obj::Output_number_obj(unsigned short id, const char* name, unsigned short width,
                                     unsigned short height, unsigned char background_colour,
                                     unsigned short font_attributes, unsigned char options,
                                     unsigned short variable_reference, unsigned int value, int offset,
                                     float scale, unsigned char decimals, unsigned char format,
                                     justification just)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(background_colour).u16(font_attributes).u8(options)
                    .u16(variable_reference).u32(value).i32(offset).f32(scale).u8(decimals).u8(format)
                    .u8(just).u8(0));
}

unsigned int Output_number_obj::get_value() const { return m<VtObjectOutputFieldNumber>().getValue(); }

bool Output_number_obj::set_value(unsigned int value)
{
    m<VtObjectOutputFieldNumber>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

unsigned short Output_number_obj::get_variable_reference() const
{
    return uint16_t(m<VtObjectOutputFieldNumber>().getVariableReference());
}
unsigned char Output_number_obj::get_no_decimals() const
{
    return uint8_t(m<VtObjectOutputFieldNumber>().getNumberOfDecimals());
}
int Output_number_obj::get_offset() const { return m<VtObjectOutputFieldNumber>().getOffset(); }
float Output_number_obj::get_scale() const { return float(m<VtObjectOutputFieldNumber>().getScale()); }
unsigned short Output_number_obj::get_font_attributes() const
{
    return uint16_t(m<VtObjectOutputFieldNumber>().getFontAttributes());
}
unsigned short Output_number_obj::get_width() const { return uint16_t(m<VtObjectOutputFieldNumber>().getWidth()); }
unsigned short Output_number_obj::get_height() const { return uint16_t(m<VtObjectOutputFieldNumber>().getHeight()); }

VT_ATTRIBUTE_SETTER(Output_number_obj, set_variable_reference, unsigned short, 6, v)
VT_ATTRIBUTE_SETTER(Output_number_obj, set_font_attributes, unsigned short, 4, v)
VT_ATTRIBUTE_SETTER(Output_number_obj, set_offset, int, 7, uint32_t(v))
VT_ATTRIBUTE_SETTER(Output_number_obj, set_scale, float, 8, float_bits(v))
VT_ATTRIBUTE_SETTER(Output_number_obj, set_no_decimals, unsigned char, 9, v)
VT_BACKGROUND_SETTER(Output_number_obj)
VT_SIZE_SETTER(Output_number_obj)

// ---------------------------------------------------------------------------
// Graphics

Line_obj::Line_obj(unsigned short id, const char* name, unsigned short line_attributes, unsigned short width,
                   unsigned short height, unsigned char direction)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(line_attributes).u16(width).u16(height).u8(direction).u8(0));
}

bool Line_obj::set_end_point(unsigned short width, unsigned short height, unsigned char direction)
{
    auto& o = m<VtObjectLine>();
    o.setSize(VtSize{width, height});
    o.setLineDirection(direction);
    send({CMD_END_POINT, lo(get_id()), hi(get_id()), lo(width), hi(width), lo(height), hi(height), direction});
    return true;
}

Rectangle_obj::Rectangle_obj(unsigned short id, const char* name, unsigned short line_attributes,
                             unsigned short width, unsigned short height, unsigned char line_suppression,
                             unsigned short fill_attributes)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(line_attributes).u16(width).u16(height).u8(line_suppression).u16(fill_attributes).u8(0));
}

unsigned short Rectangle_obj::get_fill_attributes() const { return uint16_t(m<VtObjectRectangle>().getFillAttributes()); }
unsigned short Rectangle_obj::get_line_attributes() const { return uint16_t(m<VtObjectRectangle>().getLineAttributes()); }

VT_ATTRIBUTE_SETTER(Rectangle_obj, set_fill_attributes, unsigned short, 5, v)
VT_ATTRIBUTE_SETTER(Rectangle_obj, set_line_attributes, unsigned short, 1, v)
VT_SIZE_SETTER(Rectangle_obj)

Ellipse_obj::Ellipse_obj(unsigned short id, const char* name, unsigned short line_attributes,
                         unsigned short width, unsigned short height, unsigned char ellipse_type,
                         unsigned char start_angle, unsigned char end_angle, unsigned short fill_attributes)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(line_attributes).u16(width).u16(height).u8(ellipse_type).u8(start_angle)
                    .u8(end_angle).u16(fill_attributes).u8(0));
}

VT_ATTRIBUTE_SETTER(Ellipse_obj, set_fill_attributes, unsigned short, 7, v)
VT_ATTRIBUTE_SETTER(Polygon_obj, set_fill_attributes, unsigned short, 4, v)

Polygon_obj::Polygon_obj(unsigned short id, const char* name, unsigned short width, unsigned short height,
                         unsigned short line_attributes, unsigned short fill_attributes,
                         unsigned char polygon_type)
    : VT_obj(id, TYPE, name)
{
    // The library reads a polygon with its points; one point at the origin
    // stands until add_point replaces the list.
    load(*this, Body().u16(width).u16(height).u16(line_attributes).u16(fill_attributes).u8(polygon_type)
                    .u8(0).u8(0));
}

void Polygon_obj::add_point(unsigned short x, unsigned short y)
{
    // Rebuild the body with one more point: size, attributes and type take
    // 9 bytes, then the point count, the macro count and the points.
    const std::vector<uint8_t> b = body();
    if (b.size() < 11 || b[9] == 255)
        return;
    const size_t points_end = 11 + 4 * size_t(b[9]);
    std::vector<uint8_t> nb(b.begin(), b.begin() + points_end);
    nb[9] = uint8_t(b[9] + 1);
    nb.push_back(lo(x));
    nb.push_back(hi(x));
    nb.push_back(lo(y));
    nb.push_back(hi(y));
    nb.insert(nb.end(), b.begin() + points_end, b.end());
    load_body(nb.data(), uint32_t(nb.size()));
}

int Polygon_obj::num_points() const
{
    return int(m<VtObjectPolygon>().getNumberOfPoints());
}

unsigned short Gauge_obj::get_value() const
{
    switch (get_type()) {
    case METER: return uint16_t(m<VtObjectMeter>().getValue());
    case LINEAR_BAR_GRAPH: return uint16_t(m<VtObjectLinearBarGraph>().getValue());
    default: return uint16_t(m<VtObjectArchedBarGraph>().getValue());
    }
}

bool Gauge_obj::set_value(unsigned short value)
{
    switch (get_type()) {
    case METER: m<VtObjectMeter>().setValue(value); break;
    case LINEAR_BAR_GRAPH: m<VtObjectLinearBarGraph>().setValue(value); break;
    default: m<VtObjectArchedBarGraph>().setValue(value); break;
    }
    send(numeric_command(get_id(), value));
    return true;
}

unsigned short Gauge_obj::get_variable_reference() const
{
    switch (get_type()) {
    case METER: return uint16_t(m<VtObjectMeter>().getVariableReference());
    case LINEAR_BAR_GRAPH: return uint16_t(m<VtObjectLinearBarGraph>().getVariableReference());
    default: return uint16_t(m<VtObjectArchedBarGraph>().getVariableReference());
    }
}

bool Gauge_obj::set_variable_reference(unsigned short id)
{
    // The variable reference is attribute 11 of the meter and both bar graphs.
    const int aid = 11;
    if (!apply32(model(), aid, id))
        return false;
    send_attribute(aid, id);
    return true;
}

Meter_obj::Meter_obj(unsigned short id, const char* name, unsigned short width, unsigned char needle_colour,
                     unsigned char border_colour, unsigned char arc_and_tick_colour, unsigned char options,
                     unsigned char ticks, unsigned char start_angle, unsigned char end_angle,
                     unsigned short min_value, unsigned short max_value, unsigned short variable_reference,
                     unsigned short value)
    : Gauge_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u8(needle_colour).u8(border_colour).u8(arc_and_tick_colour).u8(options)
                    .u8(ticks).u8(start_angle).u8(end_angle).u16(min_value).u16(max_value)
                    .u16(variable_reference).u16(value).u8(0));
}

Linear_bar_graph_obj::Linear_bar_graph_obj(unsigned short id, const char* name, unsigned short width,
                                           unsigned short height, unsigned char colour,
                                           unsigned char target_line_colour, unsigned char options,
                                           unsigned char ticks, unsigned short min_value,
                                           unsigned short max_value, unsigned short variable_reference,
                                           unsigned short value, unsigned short target_variable_reference,
                                           unsigned short target_value)
    : Gauge_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(colour).u8(target_line_colour).u8(options).u8(ticks)
                    .u16(min_value).u16(max_value).u16(variable_reference).u16(value)
                    .u16(target_variable_reference).u16(target_value).u8(0));
}

unsigned short Linear_bar_graph_obj::get_min_value() const { return uint16_t(m<VtObjectLinearBarGraph>().getMinValue()); }
unsigned short Linear_bar_graph_obj::get_max_value() const { return uint16_t(m<VtObjectLinearBarGraph>().getMaxValue()); }

VT_ATTRIBUTE_SETTER(Linear_bar_graph_obj, set_min_value, unsigned short, 7, v)
VT_ATTRIBUTE_SETTER(Linear_bar_graph_obj, set_max_value, unsigned short, 8, v)
VT_ATTRIBUTE_SETTER(Linear_bar_graph_obj, set_target_value, unsigned short, 10, v)
VT_SIZE_SETTER(Linear_bar_graph_obj)

Arched_bar_graph_obj::Arched_bar_graph_obj(unsigned short id, const char* name, unsigned short width,
                                           unsigned short height, unsigned char colour,
                                           unsigned char target_line_colour, unsigned char options,
                                           unsigned char start_angle, unsigned char end_angle,
                                           unsigned short bar_width, unsigned short min_value,
                                           unsigned short max_value, unsigned short variable_reference,
                                           unsigned short value, unsigned short target_variable_reference,
                                           unsigned short target_value)
    : Gauge_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(height).u8(colour).u8(target_line_colour).u8(options).u8(start_angle)
                    .u8(end_angle).u16(bar_width).u16(min_value).u16(max_value).u16(variable_reference)
                    .u16(value).u16(target_variable_reference).u16(target_value).u8(0));
}

Picture_graphic_obj::Picture_graphic_obj(unsigned short id, const char* name, unsigned short width,
                                         unsigned short actual_width, unsigned short actual_height,
                                         unsigned char format, unsigned char options,
                                         unsigned char transparency_colour, const uint8_t* data,
                                         uint32_t data_len)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(width).u16(actual_width).u16(actual_height).u8(format).u8(options)
                    .u8(transparency_colour).u32(data ? data_len : 0).u8(0).data(data, data ? data_len : 0));
}

// ---------------------------------------------------------------------------
// Variables, attributes, pointer, macro

Number_variable_obj::Number_variable_obj(unsigned short id, const char* name, unsigned int value)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u32(value));
}

unsigned int Number_variable_obj::get_value() const { return m<VtObjectNumberVariable>().getValue(); }

bool Number_variable_obj::set_value(unsigned int value)
{
    m<VtObjectNumberVariable>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

String_variable_obj::String_variable_obj(unsigned short id, const char* name, const char* value, int length)
    : VT_obj(id, TYPE, name)
{
    std::string s = length >= 0 ? fitted(value, size_t(length > 65535 ? 65535 : length)) : cut(value, 65535);
    load(*this, Body().str16(s));
}

int String_variable_obj::num_chars() const
{
    return int(m<VtObjectStringVariable>().getValue().length());
}

const char* String_variable_obj::get_string() const
{
    const char* s = m<VtObjectStringVariable>().getValue().c_str();
    return s ? s : "";
}

bool String_variable_obj::set_string(const char* text)
{
    std::string s = fitted(text, size_t(num_chars()));
    m<VtObjectStringVariable>().setValue(VtString(s.c_str()));
    send(string_command(get_id(), s));
    return true;
}

void String_variable_obj::set_length(int length)
{
    if (length < 0)
        length = 0;
    std::string s = fitted(get_string(), size_t(length > 65535 ? 65535 : length));
    m<VtObjectStringVariable>().setValue(VtString(s.c_str()));
    touched();
}

Font_attributes_obj::Font_attributes_obj(unsigned short id, const char* name, unsigned char colour,
                                         unsigned char size, unsigned char type, unsigned char style)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u8(colour).u8(size).u8(type).u8(style).u8(0));
}

unsigned char Font_attributes_obj::get_font_colour() const
{
    return uint8_t(m<VtObjectFontAttribute>().getFontColour().getIndex());
}
unsigned char Font_attributes_obj::get_font_size() const { return uint8_t(m<VtObjectFontAttribute>().getFontSize()); }
unsigned char Font_attributes_obj::get_font_style() const { return uint8_t(m<VtObjectFontAttribute>().getFontStyle()); }

bool Font_attributes_obj::set_font(unsigned char colour, unsigned char size, unsigned char type,
                                   unsigned char style)
{
    auto& o = m<VtObjectFontAttribute>();
    o.setFontColour(VtColour(colour));
    o.setFontSize(size);
    o.setFontType(type);
    o.setFontStyle(style);
    send({CMD_FONT, lo(get_id()), hi(get_id()), colour, size, type, style});
    return true;
}

Line_attributes_obj::Line_attributes_obj(unsigned short id, const char* name, unsigned char colour,
                                         unsigned char width, unsigned short line_art)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u8(colour).u8(width).u16(line_art).u8(0));
}

unsigned char Line_attributes_obj::get_line_colour() const
{
    return uint8_t(m<VtObjectLineAttribute>().getLineColour().getIndex());
}

unsigned char Line_attributes_obj::get_line_width() const
{
    return uint8_t(m<VtObjectLineAttribute>().getLineWidth());
}

bool Line_attributes_obj::set_line(unsigned char colour, unsigned char width, unsigned short line_art)
{
    auto& o = m<VtObjectLineAttribute>();
    o.setLineColour(VtColour(colour));
    o.setLineWidth(width);
    o.setLineArt(line_art);
    send({CMD_LINE, lo(get_id()), hi(get_id()), colour, width, lo(line_art), hi(line_art)});
    return true;
}

Fill_attributes_obj::Fill_attributes_obj(unsigned short id, const char* name, unsigned char fill_type,
                                         unsigned char fill_colour, unsigned short fill_pattern)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u8(fill_type).u8(fill_colour).u16(fill_pattern).u8(0));
}

unsigned char Fill_attributes_obj::get_fill_colour() const
{
    return uint8_t(m<VtObjectFillAttribute>().getFillColour().getIndex());
}
unsigned char Fill_attributes_obj::get_fill_type() const { return uint8_t(m<VtObjectFillAttribute>().getFillType()); }

bool Fill_attributes_obj::set_fill_colour(unsigned char colour)
{
    auto& o = m<VtObjectFillAttribute>();
    o.setFillColour(VtColour(colour));
    unsigned pattern = o.getFillPattern();
    send({CMD_FILL, lo(get_id()), hi(get_id()), uint8_t(o.getFillType()), colour, lo(pattern), hi(pattern)});
    return true;
}

Input_attributes_obj::Input_attributes_obj(unsigned short id, const char* name, unsigned char validation_type,
                                           const char* validation_string)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u8(validation_type).str8(cut(validation_string, 255)).u8(0));
}

Object_pointer_obj::Object_pointer_obj(unsigned short id, const char* name, unsigned short value)
    : VT_obj(id, TYPE, name)
{
    load(*this, Body().u16(value));
}

unsigned short Object_pointer_obj::get_value() const { return uint16_t(m<VtObjectPointer>().getValue()); }

bool Object_pointer_obj::set_value(unsigned short value)
{
    m<VtObjectPointer>().setValue(value);
    send(numeric_command(get_id(), value));
    return true;
}

Macro_obj::Macro_obj(unsigned short id, const char* name, const uint8_t* commands, uint32_t len)
    : VT_obj(id, TYPE, name)
{
    uint32_t n = commands ? (len > 65535 ? 65535 : len) : 0;
    load(*this, Body().u16(n).data(commands, n));
}

} // namespace VT
