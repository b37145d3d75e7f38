#include "platform/vt/Vt_obj.h"

#include "platform/vt/Object_pool.h"
#include "platform/vt/Vt_objects.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtSizedObject.h"

#include <cstring>

namespace VT {

namespace {
const char* const type_names[VT_OBJ_TYPE_COUNT] = {
    "working_set", "data_mask", "alarm_mask", "container", "soft_key_mask", "key", "button",
    "input_boolean", "input_string", "input_number", "input_list", "output_string",
    "output_number", "line", "rectangle", "ellipse", "polygon", "meter", "linear_bar_graph",
    "arched_bar_graph", "picture_graphic", "number_variable", "string_variable",
    "font_attributes", "line_attributes", "fill_attributes", "input_attributes",
    "object_pointer", "macro",
};
// Largest record body the library writes for one object (a picture of a
// full 480 x 480 data mask at one byte a pixel fits).
constexpr uint32_t kMaxBody = 240000;
// Room that holds the body of nearly every object; a larger body is written
// again with the largest room.
constexpr uint32_t kUsualBody = 4096;

// The variable an input field of the library edits, 65535 for none.
unsigned short edited_variable(int type, const VtObject& model)
{
    switch (type) {
    case INPUT_BOOLEAN: return uint16_t(static_cast<const VtObjectInputFieldBoolean&>(model).getVariableReference());
    case INPUT_STRING: return uint16_t(static_cast<const VtObjectInputFieldString&>(model).getVariableReference());
    case INPUT_NUMBER: return uint16_t(static_cast<const VtObjectInputFieldNumber&>(model).getVariableReference());
    case INPUT_LIST: return uint16_t(static_cast<const VtObjectInputFieldList&>(model).getVariableReference());
    default: return 0xFFFF;
    }
}
} // namespace

const char* type_name(int type)
{
    return type >= 0 && type < VT_OBJ_TYPE_COUNT ? type_names[type] : nullptr;
}

int type_from_name(const char* name)
{
    if (!name)
        return -1;
    for (int i = 0; i < VT_OBJ_TYPE_COUNT; ++i)
        if (std::strcmp(type_names[i], name) == 0)
            return i;
    return -1;
}

int Attribute_body::size() const
{
    return int(owner_.body().size());
}

int Attribute_body::serialise(int offset, unsigned char* buffer, int len) const
{
    const std::vector<uint8_t>& b = owner_.body();
    return serialise_piece(b.data(), int(b.size()), offset, buffer, len);
}

VT_obj::VT_obj(unsigned short id, VT_obj_type type, const char* name)
    : Iso_object_base(id, type, name),
      model_(createVtObject(type, id)),
      type_attr_("type", type),
      body_attr_(*this)
{
    add_attribute(&id_attribute());
    add_attribute(&type_attr_);
    add_attribute(&body_attr_);
}

VT_obj::~VT_obj() = default;

bool VT_obj::load_body(const uint8_t* bytes, uint32_t len)
{
    std::unique_ptr<VtObject> fresh(createVtObject(get_type(), get_id()));
    if (!fresh)
        return false;
    VtMessageReader reader;
    reader.setData(bytes, len);
    if (fresh->read(reader) != 0 || reader.getRemaining() != 0)
        return false;
    model_ = std::move(fresh);
    touched();
    return true;
}

const std::vector<uint8_t>& VT_obj::body() const
{
    if (!body_valid_) {
        for (uint32_t room : {kUsualBody, kMaxBody}) {
            VtMessageWriter writer(room, nullptr);
            model_->write(writer);
            if (!writer.hasFailed() || room == kMaxBody) {
                body_.assign(writer.getData(), writer.getData() + writer.getLength());
                break;
            }
        }
        body_valid_ = true;
    }
    return body_;
}

void VT_obj::append_record(std::vector<uint8_t>& out) const
{
    std::lock_guard<std::mutex> g(published_mutex_);
    written_version_ = published_version_;
    out.push_back(uint8_t(get_id()));
    out.push_back(uint8_t(get_id() >> 8));
    out.push_back(uint8_t(get_type()));
    out.insert(out.end(), published_body_.begin(), published_body_.end());
}

unsigned short VT_obj::get_edited_variable() const
{
    std::lock_guard<std::mutex> g(published_mutex_);
    return published_variable_;
}

void VT_obj::publish()
{
    // Only an object of a pool is ever written out; set_pool publishes it.
    if (!pool_)
        return;
    const std::vector<uint8_t>& b = body();
    const unsigned short variable = edited_variable(get_type(), *model_);
    std::lock_guard<std::mutex> g(published_mutex_);
    published_body_ = b;
    published_version_ = version_;
    published_variable_ = variable;
}

void VT_obj::set_pool(Object_pool* pool)
{
    pool_ = pool;
    publish();
}

void VT_obj::touched()
{
    body_valid_ = false;
    ++version_;
    publish();
}

void VT_obj::send(std::vector<uint8_t> command)
{
    // Whether the attributes changed: their binary form before (when it is
    // at hand) and after.
    const bool before_known = body_valid_;
    std::vector<uint8_t> before;
    if (before_known)
        before.swap(body_);
    body_valid_ = false;
    const bool changed = !before_known || body() != before;
    const uint32_t before_version = version_;
    if (changed) {
        ++version_;
        publish();
    }
    while (command.size() < 8)
        command.push_back(0xFF);
    if (pool_)
        pool_->queue_change(*this, before_version, std::move(command), changed);
}

void VT_obj::send_attribute(int aid, uint32_t value)
{
    send({0xAF, uint8_t(get_id()), uint8_t(get_id() >> 8), uint8_t(aid), uint8_t(value),
          uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)});
}

VT_obj* VT_obj::create(unsigned short id, int type, const char* name)
{
    switch (type) {
    case WORKING_SET: return new Working_set_obj(id, name, 0, false, NULL_ID);
    case DATA_MASK: return new Data_mask_obj(id, name, 0, NULL_ID);
    case ALARM_MASK: return new Alarm_mask_obj(id, name, 0, NULL_ID, 0, 0);
    case CONTAINER: return new Container_obj(id, name, 0, 0, false);
    case SOFT_KEY_MASK: return new Soft_key_mask_obj(id, name, 0);
    case KEY: return new Key_obj(id, name, 0, 0);
    case BUTTON: return new Button_obj(id, name, 0, 0, 0, 0, 0, false);
    case INPUT_BOOLEAN: return new Input_boolean_obj(id, name, 0, 0, NULL_ID, NULL_ID, 0, true);
    case INPUT_STRING:
        return new Input_string_obj(id, name, 0, 0, 0, NULL_ID, NULL_ID, 0, NULL_ID, 0, "", true);
    case INPUT_NUMBER:
        return new Input_number_obj(id, name, 0, 0, 0, NULL_ID, 0, NULL_ID, 0, 0, 0, 0, 1.0f, 0, 0, 0, true);
    case INPUT_LIST: return new Input_list_obj(id, name, 0, 0, NULL_ID, 0, true);
    case OUTPUT_STRING: return new Output_string_obj(id, name, 0, 0, 0, NULL_ID, 0, NULL_ID, 0, "");
    case OUTPUT_NUMBER:
        return new Output_number_obj(id, name, 0, 0, 0, NULL_ID, 0, NULL_ID, 0, 0, 1.0f, 0, 0, 0);
    case LINE: return new Line_obj(id, name, NULL_ID, 0, 0, 0);
    case RECTANGLE: return new Rectangle_obj(id, name, NULL_ID, 0, 0, 0, NULL_ID);
    case ELLIPSE: return new Ellipse_obj(id, name, NULL_ID, 0, 0, 0, 0, 0, NULL_ID);
    case POLYGON: return new Polygon_obj(id, name, 0, 0, NULL_ID, NULL_ID, 0);
    case METER: return new Meter_obj(id, name, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NULL_ID, 0);
    case LINEAR_BAR_GRAPH:
        return new Linear_bar_graph_obj(id, name, 0, 0, 0, 0, 0, 0, 0, 0, NULL_ID, 0, NULL_ID, 0);
    case ARCHED_BAR_GRAPH:
        return new Arched_bar_graph_obj(id, name, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, NULL_ID, 0, NULL_ID, 0);
    case PICTURE_GRAPHIC: return new Picture_graphic_obj(id, name, 0, 0, 0, 0, 0, 0, nullptr, 0);
    case NUMBER_VARIABLE: return new Number_variable_obj(id, name, 0);
    case STRING_VARIABLE: return new String_variable_obj(id, name, "");
    case FONT_ATTRIBUTES: return new Font_attributes_obj(id, name, 0, 0, 0, 0);
    case LINE_ATTRIBUTES: return new Line_attributes_obj(id, name, 0, 0, 0);
    case FILL_ATTRIBUTES: return new Fill_attributes_obj(id, name, 0, 0, NULL_ID);
    case INPUT_ATTRIBUTES: return new Input_attributes_obj(id, name, 0, "");
    case OBJECT_POINTER: return new Object_pointer_obj(id, name, NULL_ID);
    case MACRO: return new Macro_obj(id, name, nullptr, 0);
    default: return nullptr;
    }
}

} // namespace VT

namespace VT {

bool VT_obj::get_size(unsigned short& width, unsigned short& height) const
{
    const auto* sized = dynamic_cast<const VtSizedObject*>(model_.get());
    width = sized ? uint16_t(sized->getWidth()) : 0;
    height = sized ? uint16_t(sized->getHeight()) : 0;
    return sized != nullptr;
}

} // namespace VT
