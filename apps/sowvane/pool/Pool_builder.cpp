#include "apps/sowvane/pool/Pool_builder.h"

#include "vt_object_model/VtLogger.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtPoolWriter.h"
#include "vt_object_model/terminal/VtCommandProcessor.h"
#include "vt_object_model/terminal/VtSystemInterface.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

int object_width(const VtObject* object)
{
    auto* sized = dynamic_cast<const VtSizedObject*>(object);
    return sized != nullptr ? int(sized->getWidth()) : 0;
}

int object_height(const VtObject* object)
{
    auto* sized = dynamic_cast<const VtSizedObject*>(object);
    return sized != nullptr ? int(sized->getHeight()) : 0;
}

int font_char_width(const VtObjectFontAttribute* font)
{
    uint32_t width = 0;
    uint32_t height = 0;
    if (font != nullptr)
        VtSystemInterface::getFontSizePixels(font->getFontSize(), width, height);
    return int(width);
}

int font_char_height(const VtObjectFontAttribute* font)
{
    uint32_t width = 0;
    uint32_t height = 0;
    if (font != nullptr)
        VtSystemInterface::getFontSizePixels(font->getFontSize(), width, height);
    return int(height);
}

namespace {

// The character cell of a font size code.
void cell_of(uint32_t size_code, int& width, int& height)
{
    uint32_t w = 0;
    uint32_t h = 0;
    VtSystemInterface::getFontSizePixels(size_code, w, h);
    width = int(w);
    height = int(h);
}

int width_of(const VtObject* object)
{
    return object_width(object);
}

int height_of(const VtObject* object)
{
    return object_height(object);
}

void set_size(VtSizedObject* object, int width, int height)
{
    object->setSize(VtSize(uint32_t(std::max(width, 0)), uint32_t(std::max(height, 0))));
}

// value moved into low .. high; low when the range is empty.
int clamp(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

// x of a left-aligned row text.
constexpr int text_left = 4;

// The y of a field placed in a row, kept inside its container: a field
// taller than its row stays at the container's edge.
int row_y(const VtObject* container, const VtObject* field, int y)
{
    return clamp(y, 0, height_of(container) - height_of(field));
}

} // namespace

// ---------------------------------------------------------------------------
// The pool

Pool_builder::Pool_builder() : pool_(new Pool_record)
{
    pool_->objects.assign(pool_->capacity, nullptr);
    make<VtObjectWorkingSet>();
}

Pool_builder::~Pool_builder()
{
    clear();
}

template <class T>
T* Pool_builder::make()
{
    T* object = new T(pool_->next_oid++);
    add_to_pool(object);
    return object;
}

void Pool_builder::add_to_pool(VtObject* object)
{
    if (object == nullptr)
        return;
    const uint32_t oid = object->getOid();
    if (oid >= pool_->capacity || oid == VT_NULL_ID) {
        if (!pool_->failed && pool_->logger != nullptr)
            pool_->logger->error("VT pool has no room for object %u", unsigned(oid));
        pool_->failed = true;
        pool_->unplaced.push_back(object);
        return;
    }
    VtObject*& slot = pool_->objects[oid];
    if (slot != nullptr && slot != object) {
        if (slot == pool_->working_set)
            pool_->working_set = nullptr;
        if (slot == pool_->current_mask)
            pool_->current_mask = nullptr;
        slot->detachAll();
        delete slot;
    }
    slot = object;
    if (object->getType() == VtObjectTypeWorkingSet)
        pool_->working_set = static_cast<VtObjectWorkingSet*>(object);
}

VtObject* Pool_builder::find_object(uint32_t oid) const
{
    return oid < pool_->capacity ? pool_->objects[oid] : nullptr;
}

uint32_t Pool_builder::object_count() const
{
    return uint32_t(std::count_if(pool_->objects.begin(), pool_->objects.end(),
                                  [](const VtObject* object) { return object != nullptr; }));
}

void Pool_builder::clear()
{
    for (VtObject*& object : pool_->objects) {
        if (object == nullptr)
            continue;
        object->detachAll();
        delete object;
        object = nullptr;
    }
    for (VtObject* object : pool_->unplaced) {
        object->detachAll();
        delete object;
    }
    pool_->unplaced.clear();
    pool_->fonts.clear();
    pool_->working_set = nullptr;
    pool_->current_mask = nullptr;
}

int Pool_builder::write_pool(VtMessageWriter& writer) const
{
    if (pool_->failed)
        return -1;
    return appendVtObjectPool(writer, pool_->objects.data(), pool_->objects.size());
}

void Pool_builder::dump_pool(VtLogger& logger) const
{
    // The terminal side's listing does the work: it reads the image back and
    // lists every object with its references resolved against that pool.
    VtMessageWriter image(1u << 20, nullptr);
    if (write_pool(image) != 0) {
        logger.error("VT pool listing: the pool does not fit in %u bytes", unsigned(image.getCapacity()));
        return;
    }
    VtCommandProcessor terminal;
    terminal.setTrace(false);
    VtMessageReader reader;
    reader.setData(image.getData(), image.getLength());
    terminal.readPool(reader);
    terminal.setLogger(&logger);
    for (uint32_t oid = 0; oid < VtCommandProcessor::kTableSize; ++oid)
        if (VtObject* object = terminal.getObject(oid))
            terminal.dumpObject(object, 1);
}

int Pool_builder::read_pool(VtMessageReader& reader)
{
    VtLogger* logger = pool_->verbose ? pool_->logger : nullptr;
    if (logger != nullptr)
        logger->trace(1, "Reading Object Pool ...\n");
    while (reader.getRemaining() > 0) {
        uint32_t oid = VT_NULL_ID;
        uint32_t type = 0;
        if (!reader.readOid(oid, "oid") || !reader.readByte(type, "type"))
            return 0;
        if (logger != nullptr)
            logger->trace(1, "Got oid=%d, type=%d (%s)\n", int(oid), int(type), VtObject::getTypeName(type));
        if (type >= VT_OBJECT_TYPE_COUNT)
            return 0;
        VtObject* object = createVtObject(type, oid);
        const int res = object->read(reader);
        if (res != 0) {
            if (logger != nullptr)
                logger->trace(1, "Setup of VtObject failed - invalid data (res=%d)\n", res);
            delete object;
            return 0;
        }
        if (logger != nullptr && object->getNumberOfMacros() > 0)
            logger->trace(1, "Oid %d: Macros=%d\n", int(oid), int(object->getNumberOfMacros()));
        add_to_pool(object);
        if (logger != nullptr)
            trace_children(*logger, object);
    }
    return 1;
}

void Pool_builder::trace_children(VtLogger& logger, VtObject* object) const
{
    std::vector<uint32_t> children;
    if (object->getType() == VtObjectTypeSoftKeyMask) {
        VtObjectList& keys = static_cast<VtObjectSoftKeyMask*>(object)->getChilds();
        for (uint32_t i = 0; i < keys.size(); ++i)
            children.push_back(keys.at(i)->oid);
    } else if (object->getType() == VtObjectTypeContainer || vtIsMask(object)) {
        VtObjectRefList* refs = vtChildRefsOf(object);
        for (uint32_t i = 0; i < refs->size(); ++i)
            children.push_back(refs->at(i)->oid);
    } else {
        return;
    }
    logger.trace(1, "  Childs=%d\n", int(children.size()));
    for (size_t i = 0; i < children.size(); ++i)
        logger.trace(1, "  %2u: OID=%d\n", unsigned(i), int(children[i]));
}

// ---------------------------------------------------------------------------
// Creation

VtObjectDataMask* Pool_builder::create_data_mask()
{
    auto* mask = make<VtObjectDataMask>();
    if (pool_->working_set != nullptr && pool_->working_set->getActiveMask() == VT_NULL_ID)
        pool_->working_set->setActiveMask(mask->getOid());
    pool_->current_mask = mask;
    return mask;
}

VtObjectSoftKeyMask* Pool_builder::create_soft_key_mask(uint32_t colour)
{
    auto* mask = make<VtObjectSoftKeyMask>();
    mask->setBackgroundColour(VtColour(colour));
    if (pool_->current_mask != nullptr && pool_->current_mask->getSoftKeyMask() == VT_NULL_ID)
        pool_->current_mask->setSoftKeyMask(mask->getOid());
    return mask;
}

void Pool_builder::add_key_label(VtObjectKey* key, const char* line1, const char* line2, VtObjectFontAttribute* font)
{
    if (line1 == nullptr)
        return;
    // Both lines in one font, the largest in which they fit the designator.
    const int characters = int(std::max(std::strlen(line1), line2 != nullptr ? std::strlen(line2) : size_t(0)));
    const int lines = line2 != nullptr ? 2 : 1;
    font = fitting_font(font, characters, key_width - key_label_inset,
                        (key_height - key_label_inset) / lines - 1);
    auto* first = create_text(line1, font, 1);
    add_to_key(key, key_label_inset, key_label_inset, first);
    if (line2 != nullptr)
        add_to_key(key, key_label_inset, key_label_inset + height_of(first), create_text(line2, font, 1));
}

VtObjectKey* Pool_builder::create_key(uint32_t colour, uint32_t key_code, const char* line1, const char* line2,
                                      VtObjectFontAttribute* font)
{
    auto* key = make<VtObjectKey>();
    key->setKeyCode(key_code);
    key->setBackgroundColour(VtColour(colour));
    add_key_label(key, line1, line2, font);
    return key;
}

VtObjectKey* Pool_builder::create_soft_key(VtObjectSoftKeyMask* mask, uint32_t colour, uint32_t key_code,
                                           const char* line1, const char* line2, VtObjectFontAttribute* font)
{
    auto* key = create_key(colour, key_code, line1, line2, font);
    if (mask != nullptr)
        mask->getChilds().append(new VtObjectListItem(key->getOid()));
    return key;
}

VtObjectPointer* Pool_builder::create_soft_key_pointer(VtObjectSoftKeyMask* mask)
{
    auto* pointer = create_pointer();
    if (mask != nullptr)
        mask->getChilds().append(new VtObjectListItem(pointer->getOid()));
    return pointer;
}

VtObjectPointer* Pool_builder::create_pointer()
{
    return make<VtObjectPointer>();
}

VtObjectContainer* Pool_builder::create_container(int width, int height)
{
    auto* container = make<VtObjectContainer>();
    set_size(container, width, height);
    container->setHidden(false);
    return container;
}

VtObjectContainer* Pool_builder::create_container_like(VtObjectContainer* container)
{
    return create_container(width_of(container), height_of(container));
}

VtObjectButton* Pool_builder::create_button(int width, int height, uint32_t colour, uint32_t key_code,
                                            VtObjectOutputFieldNumber* child)
{
    auto* button = make<VtObjectButton>();
    set_size(button, width, height);
    button->setBackgroundColour(VtColour(colour));
    button->setBorderColour(VtColour(8));
    button->setKeyCode(key_code);
    button->setLatchable(false);
    centre_in_button(button, child);
    return button;
}

VtObjectButton* Pool_builder::create_label_button(int width, int height, uint32_t colour, uint32_t key_code,
                                                  const char* text, VtObjectFontAttribute* font)
{
    auto* button = create_button(width, height, colour, key_code, nullptr);
    if (text != nullptr) {
        const int characters = int(std::strlen(text));
        VtObjectFontAttribute* fitting =
            fitting_font(font, characters, face_width(button), face_height(button) - 1);
        centre_in_button(button, create_text(text, fitting, 2));
    }
    return button;
}

VtObjectRectangle* Pool_builder::create_rectangle(int width, int height, VtObjectLineAttribute* line_attr,
                                                  VtObjectFillAttribute* fill_attr)
{
    auto* rectangle = make<VtObjectRectangle>();
    set_size(rectangle, width, height);
    if (line_attr != nullptr)
        rectangle->setLineAttributes(line_attr->getOid());
    if (fill_attr != nullptr)
        rectangle->setFillAttributes(fill_attr->getOid());
    return rectangle;
}

VtObjectLine* Pool_builder::create_vertical_line(int height, VtObjectLineAttribute* line_attr)
{
    return create_line(line_attr != nullptr ? int(line_attr->getLineWidth()) : 0, height, line_attr);
}

VtObjectLine* Pool_builder::create_horizontal_line(int width, VtObjectLineAttribute* line_attr)
{
    return create_line(width, line_attr != nullptr ? int(line_attr->getLineWidth()) : 0, line_attr);
}

VtObjectLine* Pool_builder::create_line(int width, int height, VtObjectLineAttribute* line_attr)
{
    auto* line = make<VtObjectLine>();
    set_size(line, width, height);
    if (line_attr != nullptr)
        line->setLineAttributes(line_attr->getOid());
    return line;
}

VtObjectLineAttribute* Pool_builder::create_line_attribute(uint32_t colour, uint32_t line_width)
{
    auto* attribute = make<VtObjectLineAttribute>();
    attribute->setLineColour(VtColour(colour));
    attribute->setLineWidth(line_width);
    return attribute;
}

VtObjectFontAttribute* Pool_builder::create_font_attribute(uint32_t size_code, uint32_t colour)
{
    auto* font = make<VtObjectFontAttribute>();
    font->setFontColour(VtColour(colour));
    font->setFontSize(size_code);
    pool_->fonts.push_back(font);
    return font;
}

uint32_t Pool_builder::fitting_size(uint32_t size_code, int characters, int width, int height)
{
    auto fits = [&](uint32_t size) {
        int w = 0;
        int h = 0;
        cell_of(size, w, h);
        return characters * w <= width && h <= height;
    };
    while (size_code > 0 && !fits(size_code))
        --size_code;
    return size_code;
}

int Pool_builder::text_width(uint32_t size_code, int characters)
{
    int w = 0;
    int h = 0;
    cell_of(size_code, w, h);
    return characters * w;
}

VtObjectFontAttribute* Pool_builder::fitting_font(VtObjectFontAttribute* font, int characters, int width, int height)
{
    if (font == nullptr)
        return nullptr;
    const uint32_t size = fitting_size(font->getFontSize(), characters, width, height);
    if (size == font->getFontSize())
        return font;
    for (VtObjectFontAttribute* known : pool_->fonts)
        if (known->getFontSize() == size && known->getFontColour().getIndex() == font->getFontColour().getIndex() &&
            known->getFontType() == font->getFontType() && known->getFontStyle() == font->getFontStyle())
            return known;
    VtObjectFontAttribute* smaller = create_font_attribute(size, font->getFontColour().getIndex());
    smaller->setFontType(font->getFontType());
    smaller->setFontStyle(font->getFontStyle());
    return smaller;
}

VtObjectFontAttribute* Pool_builder::wrapping_font(VtObjectFontAttribute* font, int characters, int width,
                                                   int height)
{
    if (font == nullptr)
        return nullptr;
    uint32_t size = font->getFontSize();
    int w = 0;
    int h = 0;
    for (cell_of(size, w, h); size > 0 && (width / w) * (height / h) < characters; cell_of(size, w, h))
        --size;
    // One character in a cell of that size: the font of that size.
    return fitting_font(font, 1, w, h);
}

VtObjectFillAttribute* Pool_builder::create_fill_attribute(uint32_t colour)
{
    auto* fill = make<VtObjectFillAttribute>();
    fill->setFillType(2);
    fill->setFillColour(VtColour(colour));
    return fill;
}

VtObjectNumberVariable* Pool_builder::create_number_variable(uint32_t value)
{
    auto* variable = make<VtObjectNumberVariable>();
    variable->setValue(value);
    return variable;
}

VtObjectStringVariable* Pool_builder::create_string_variable(const char* text)
{
    auto* variable = make<VtObjectStringVariable>();
    if (text != nullptr)
        variable->setValue(VtString(text));
    return variable;
}

VtObjectInputFieldList* Pool_builder::create_input_list(int width, int height, VtObjectNumberVariable* variable)
{
    auto* list = make<VtObjectInputFieldList>();
    set_size(list, width, height);
    if (variable != nullptr)
        list->setVariableReference(variable->getOid());
    return list;
}

template <class Field>
Field* Pool_builder::make_field(int width, int height, VtObject* variable, VtObjectFontAttribute* font)
{
    auto* field = make<Field>();
    set_size(field, width, height);
    if (variable != nullptr)
        field->setVariableReference(variable->getOid());
    field->setFontAttributes(oid_of(font));
    return field;
}

VtObjectInputFieldString* Pool_builder::create_input_string(int width, int height, VtObjectStringVariable* variable,
                                                            VtObjectFontAttribute* font)
{
    return make_field<VtObjectInputFieldString>(width, height, variable, font);
}

VtObjectInputFieldNumber* Pool_builder::create_input_number(int width, int height, VtObjectNumberVariable* variable,
                                                            VtObjectFontAttribute* font)
{
    return make_field<VtObjectInputFieldNumber>(width, height, variable, font);
}

VtObjectOutputFieldString* Pool_builder::create_output_string(int width, int height,
                                                              VtObjectStringVariable* variable,
                                                              VtObjectFontAttribute* font)
{
    auto* field = make_field<VtObjectOutputFieldString>(width, height, variable, font);
    field->setOptions(1);
    field->setHorizontalJustification(0);
    return field;
}

VtObjectOutputFieldNumber* Pool_builder::create_output_number(int width, int height,
                                                              VtObjectNumberVariable* variable,
                                                              VtObjectFontAttribute* font)
{
    auto* field = make_field<VtObjectOutputFieldNumber>(width, height, variable, font);
    field->setOptions(1);
    field->setHorizontalJustification(2);
    return field;
}

VtObjectOutputFieldString* Pool_builder::create_text(const char* text, VtObjectFontAttribute* font,
                                                     uint32_t justification)
{
    const int characters = text != nullptr ? int(std::strlen(text)) : 0;
    auto* field = create_output_string(characters * font_char_width(font), font_char_height(font) + 1, nullptr, font);
    field->setValue(VtString(text));
    field->setHorizontalJustification(justification);
    return field;
}

VtObjectOutputFieldString* Pool_builder::create_list_item_text(const char* text, VtObjectFontAttribute* font,
                                                               int width, int height)
{
    const int characters = text != nullptr ? int(std::strlen(text)) : 0;
    auto* field = create_output_string(width, height, nullptr, fitting_font(font, characters, width, height));
    field->setValue(VtString(text));
    field->setHorizontalJustification(1);
    return field;
}

void Pool_builder::fit_text(VtObjectOutputFieldString* text, int width, int height)
{
    if (text == nullptr)
        return;
    const char* value = text->getValue().c_str();
    const int characters = value != nullptr ? int(std::strlen(value)) : 0;
    auto* font = dynamic_cast<VtObjectFontAttribute*>(find_object(text->getFontAttributes()));
    if (font == nullptr)
        return;
    font = fitting_font(font, characters, width, height - 1);
    text->setFontAttributes(font->getOid());
    set_size(text, characters * font_char_width(font), font_char_height(font) + 1);
}

void Pool_builder::fit_text_field(VtObject* field, int characters)
{
    // The string option that wraps the text over the field's lines.
    constexpr uint32_t wraps = 2;
    auto* output = dynamic_cast<VtObjectOutputFieldString*>(field);
    auto* input = dynamic_cast<VtObjectInputFieldString*>(field);
    if (output == nullptr && input == nullptr)
        return;
    auto* font = dynamic_cast<VtObjectFontAttribute*>(
        find_object(output != nullptr ? output->getFontAttributes() : input->getFontAttributes()));
    font = fitting_font(font, characters, width_of(field), height_of(field) - 1);
    if (font == nullptr)
        return;
    const bool wrap = characters * font_char_width(font) > width_of(field);
    if (output != nullptr) {
        output->setFontAttributes(font->getOid());
        if (wrap)
            output->setOptions(output->getOptions() | wraps);
    } else {
        input->setFontAttributes(font->getOid());
        if (wrap)
            input->setOptions(input->getOptions() | wraps);
    }
}

void Pool_builder::fit_number_font(VtObjectInputFieldNumber* input, int at_least_characters)
{
    if (input == nullptr)
        return;
    int characters = at_least_characters;
    for (uint32_t raw : {input->getMinValue(), input->getMaxValue()}) {
        char text[48];
        const double shown = (double(raw) + double(input->getOffset())) * input->getScale();
        characters = std::max(characters, std::snprintf(text, sizeof text, "%.*f",
                                                        int(input->getNumberOfDecimals()), shown));
    }
    auto* font = dynamic_cast<VtObjectFontAttribute*>(find_object(input->getFontAttributes()));
    if (font != nullptr)
        input->setFontAttributes(
            oid_of(fitting_font(font, characters, width_of(input), height_of(input))));
}

VtObjectContainer* Pool_builder::create_framed_text(const char* text, VtObjectFontAttribute* font,
                                                    VtObjectLineAttribute* line_attr)
{
    auto* label = create_text(text, font, 1);
    const int width = width_of(label) + 2;
    const int height = height_of(label) + 2;
    auto* frame = create_rectangle(width, height, line_attr, nullptr);
    auto* container = create_container(width, height);
    add_child(container, 0, 0, frame);
    add_child(container, 1, 1, label);
    return container;
}

// ---------------------------------------------------------------------------
// Placement

VtObject* Pool_builder::append_ref(VtObjectRefList& list, int x, int y, VtObject* child)
{
    if (child == nullptr)
        return nullptr;
    list.append(new VtObjectRef(child->getOid(), x, y));
    return child;
}

VtObject* Pool_builder::add_child(VtObjectContainer* container, int x, int y, VtObject* child)
{
    return container != nullptr ? append_ref(container->getChilds(), x, y, child) : nullptr;
}

VtObject* Pool_builder::add_to_mask(VtObjectDataMask* mask, int x, int y, VtObject* child)
{
    return mask != nullptr ? append_ref(mask->getChilds(), x, y, child) : nullptr;
}

VtObject* Pool_builder::add_to_key(VtObjectKey* key, int x, int y, VtObject* child)
{
    return key != nullptr ? append_ref(key->getChilds(), x, y, child) : nullptr;
}

VtObject* Pool_builder::add_to_button(VtObjectButton* button, int x, int y, VtObject* child)
{
    return button != nullptr ? append_ref(button->getChilds(), x, y, child) : nullptr;
}

VtObject* Pool_builder::add_to_working_set(int x, int y, VtObject* child)
{
    return pool_->working_set != nullptr ? append_ref(pool_->working_set->getChilds(), x, y, child) : nullptr;
}

int Pool_builder::face_width(const VtObjectButton* button)
{
    return std::max(width_of(button) - 2 * button_border, 0);
}

int Pool_builder::face_height(const VtObjectButton* button)
{
    return std::max(height_of(button) - 2 * button_border, 0);
}

VtObject* Pool_builder::centre_in_button(VtObjectButton* button, VtSizedObject* child)
{
    if (button == nullptr || child == nullptr)
        return nullptr;
    return add_to_button(button, (face_width(button) - width_of(child)) / 2,
                         (face_height(button) - height_of(child)) / 2, child);
}

void Pool_builder::move_child(VtObject* parent, VtObject* child, int x, int y, bool relative)
{
    if (parent == nullptr || child == nullptr)
        return;
    switch (parent->getType()) {
    case VtObjectTypeWorkingSet:
    case VtObjectTypeDataMask:
    case VtObjectTypeAlarmMask:
    case VtObjectTypeContainer:
    case VtObjectTypeButton:
        vtChildRefsOf(parent)->moveObject(child->getOid(), x, y, relative);
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Row placement

VtObjectOutputFieldString* Pool_builder::add_text_left(VtObjectContainer* container, const char* text,
                                                       VtObjectFontAttribute* font, int rows, int row, int lines)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int H = height_of(container);
    const int row_h = H / rows;
    // A one-line text takes a smaller font rather than run past the edge;
    // a text of several lines wraps.
    const int room = std::max(W - text_left, 0);
    if (lines == 1 && text != nullptr)
        font = fitting_font(font, int(std::strlen(text)), room, H - 1);
    auto* label = create_text(text, font, 0);
    const int width = std::min(width_of(label), room);
    const int height = std::min(lines * height_of(label), H);
    set_size(label, width, height);
    add_child(container, text_left, clamp(row * row_h + (row_h - height) / 2, 0, H - height), label);
    return label;
}

VtObjectOutputFieldString* Pool_builder::add_text_centred(VtObjectContainer* container, const char* text,
                                                          VtObjectFontAttribute* font, int rows, int row)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int H = height_of(container);
    const int row_h = H / rows;
    if (text != nullptr)
        font = fitting_font(font, int(std::strlen(text)), W, std::max(row_h, 1) - 1);
    auto* label = create_text(text, font, 2);
    const int width = std::min(width_of(label), W);
    const int height = std::min(height_of(label), H);
    set_size(label, width, height);
    add_child(container, (W - width) / 2, clamp(row * row_h + (row_h - height) / 2, 0, H - height), label);
    return label;
}

VtObjectOutputFieldString* Pool_builder::add_text_in_frame(VtObjectContainer* container, const char* text,
                                                           VtObjectContainer* frame, VtObjectFontAttribute* font,
                                                           int rows, int row)
{
    if (container == nullptr || frame == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int H = height_of(container);
    const int row_h = H / rows;
    if (text != nullptr)
        font = fitting_font(font, int(std::strlen(text)), W, std::max(row_h, 1) - 1);
    auto* label = create_text(text, font, 2);
    const int width = std::min(width_of(label), W);
    const int height = std::min(height_of(label), H);
    set_size(label, width, height);
    set_size(frame, width, height);
    add_child(frame, 0, 0, label);
    add_child(container, (W - width) / 2, clamp(row * row_h + (row_h - height) / 2, 0, H - height), frame);
    return label;
}

VtObjectOutputFieldString* Pool_builder::add_output_string_row(VtObjectContainer* container,
                                                               VtObjectStringVariable* variable,
                                                               VtObjectFontAttribute* font, int rows, int row)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* field = create_output_string(W, font_char_height(font) + 4, variable, font);
    add_child(container, (W - width_of(field)) / 2, row_y(container, field, (row_h - height_of(field)) / 2 + row * row_h),
              field);
    return field;
}

VtObjectOutputFieldNumber* Pool_builder::add_output_number_row(VtObjectContainer* container,
                                                               VtObjectFontAttribute* font, int rows, int row, int dx,
                                                               int dy)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* field = create_output_number(W, font_char_height(font) + 4, nullptr, font);
    add_child(container, dx + (W - width_of(field)) / 2,
              row_y(container, field, dy + (row_h - height_of(field)) / 2 + row * row_h), field);
    return field;
}

VtObjectOutputFieldNumber* Pool_builder::add_output_number_row_by_pointer(VtObjectContainer* container,
                                                                          VtObjectPointer* pointer,
                                                                          VtObjectFontAttribute* font, int rows,
                                                                          int row)
{
    if (container == nullptr || pointer == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* field = create_output_number(W, font_char_height(font) + 4, nullptr, font);
    pointer->setValue(field->getOid());
    add_child(container, (W - width_of(field)) / 2,
              row_y(container, field, (row_h - height_of(field)) / 2 + row * row_h), pointer);
    return field;
}

int Pool_builder::row_input_width(VtObjectContainer* container) const
{
    return width_of(container) - 2 * int(pool_->margin_x);
}

int Pool_builder::row_input_height(VtObjectContainer* container, int rows) const
{
    return height_of(container) / rows - 2 * int(pool_->margin_y);
}

VtObjectInputFieldString* Pool_builder::add_input_string_row(VtObjectContainer* container,
                                                             VtObjectStringVariable* variable,
                                                             VtObjectFontAttribute* font, int rows, int row)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* field = create_input_string(row_input_width(container), row_input_height(container, rows), variable, font);
    field->setEnabled(true);
    const int mx = int(pool_->margin_x);
    const int my = int(pool_->margin_y);
    add_child(container, mx + (W - width_of(field)) / 2,
              row_y(container, field, (row_h - height_of(field)) / 2 - my + row * row_h), field);
    return field;
}

VtObjectInputFieldNumber* Pool_builder::add_input_number_row(VtObjectContainer* container,
                                                             VtObjectNumberVariable* variable,
                                                             VtObjectFontAttribute* font, int rows, int row, int dx,
                                                             int dy)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* field = create_input_number(row_input_width(container), row_input_height(container, rows), variable, font);
    field->setOptions(1);
    field->setMinValue(0);
    field->setMaxValue(999);
    field->setOffset(0);
    field->setScale(1.0);
    field->setNumberOfDecimals(0);
    field->setFormat(false);
    field->setHorizontalJustification(2);
    field->setEnabled(true);
    const int mx = int(pool_->margin_x);
    const int my = int(pool_->margin_y);
    add_child(container, dx + mx + (W - width_of(field)) / 2,
              row_y(container, field, dy - my + (row_h - height_of(field)) / 2 + row * row_h), field);
    return field;
}

VtObjectInputFieldList* Pool_builder::add_input_list_row(VtObjectContainer* container, VtObjectFontAttribute* font,
                                                         int rows, int row, std::initializer_list<const char*> texts)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int row_h = height_of(container) / rows;
    auto* list = create_input_list(row_input_width(container), row_input_height(container, rows), nullptr);
    int added = 0;
    for (const char* text : texts) {
        if (text == nullptr || added == 10)
            continue;
        list->addElement(create_list_item_text(text, font, width_of(list), height_of(list))->getOid());
        ++added;
    }
    list->setEnabled(true);
    const int mx = int(pool_->margin_x);
    const int my = int(pool_->margin_y);
    add_child(container, mx + (W - width_of(list)) / 2,
              row_y(container, list, (row_h - height_of(list)) / 2 - my + row * row_h), list);
    return list;
}

VtObjectPointer* Pool_builder::add_unit_pointer(VtObjectContainer* container, uint32_t oid, int rows, int row, int dx,
                                                int dy)
{
    if (container == nullptr)
        return nullptr;
    const int W = width_of(container);
    const int H = height_of(container);
    const int row_h = H / rows;
    const VtObject* text = find_object(oid);
    auto* pointer = create_pointer();
    pointer->setValue(oid);
    // Kept inside the container however large the text is drawn.
    const int x = W + dx - std::min(width_of(text), W);
    const int y = dy + 1 + row * row_h + (row_h - height_of(text)) / 2;
    add_child(container, clamp(x, 0, W - width_of(text)), clamp(y, 0, H - height_of(text)), pointer);
    return pointer;
}

// ---------------------------------------------------------------------------
// Span placement

VtObject* Pool_builder::span_output_number(VtObjectContainer* container, VtObjectOutputFieldNumber* field, int rows,
                                           int row, int span)
{
    if (container == nullptr || field == nullptr)
        return nullptr;
    const int band = height_of(container) / rows;
    const int height = span * band;
    field->setHeight(uint32_t(height));
    return add_child(container, (width_of(container) - width_of(field)) / 2, row * band + band / 2 - height / 2, field);
}

VtObject* Pool_builder::span_input(VtObjectContainer* container, VtSizedObject* field, int rows, int row, int span)
{
    if (container == nullptr || field == nullptr)
        return nullptr;
    const int my = int(pool_->margin_y);
    const int band = (height_of(container) - 2 * my) / rows;
    const int height = span * band - 2 * my;
    field->setHeight(uint32_t(std::max(height, 0)));
    return add_child(container, (width_of(container) - width_of(field)) / 2,
                     band / 2 + row * band + my - height / 2 - int(pool_->spacing), field);
}

VtObject* Pool_builder::span_input_number(VtObjectContainer* container, VtObjectInputFieldNumber* field, int rows,
                                          int row, int span)
{
    return span_input(container, field, rows, row, span);
}

VtObject* Pool_builder::span_input_list(VtObjectContainer* container, VtObjectInputFieldList* field, int rows,
                                        int row, int span)
{
    return span_input(container, field, rows, row, span);
}

VtObject* Pool_builder::span_button(VtObjectContainer* container, VtObjectButton* button, int rows, int row, int span)
{
    if (container == nullptr || button == nullptr)
        return nullptr;
    const int my = int(pool_->margin_y);
    const int band = (height_of(container) - 2 * my) / rows;
    const int height = span * band;
    // The label stays centred in the new height.
    const int shift = (height - height_of(button)) / 2;
    VtObjectRefList& children = button->getChilds();
    for (uint32_t i = 0; i < children.size(); ++i)
        children.at(i)->y += shift;
    button->setHeight(uint32_t(height));
    return add_child(container, (width_of(container) - width_of(button)) / 2,
                     my + row * band + (band - height) / 2 - int(pool_->spacing), button);
}

VtObject* Pool_builder::span_output_number_in_frame(VtObjectContainer* container, VtObjectOutputFieldNumber* field,
                                                    VtObjectContainer* frame, int rows, int row, int span)
{
    if (container == nullptr || field == nullptr || frame == nullptr)
        return nullptr;
    const int band = height_of(container) / rows;
    field->setHeight(uint32_t(span * band));
    // The frame covers the container; the field takes its place in it.
    set_size(frame, width_of(container), height_of(container));
    add_child(frame, (width_of(container) - width_of(field)) / 2, band * row + band / 2 - height_of(field) / 2, field);
    return add_child(container, 0, 0, frame);
}

VtObject* Pool_builder::span_output_number_by_pointer(VtObjectContainer* container, VtObjectOutputFieldNumber* field,
                                                      VtObjectPointer* pointer, int rows, int row, int span)
{
    if (container == nullptr || field == nullptr || pointer == nullptr)
        return nullptr;
    const int band = height_of(container) / rows;
    field->setHeight(uint32_t(span * band));
    pointer->setValue(field->getOid());
    return add_child(container, (width_of(container) - width_of(field)) / 2,
                     band * row + band / 2 - height_of(field) / 2, pointer);
}

VtObjectContainer* Pool_builder::add_hidden_number_pair(VtObjectContainer* container,
                                                        VtObjectOutputFieldNumber* output,
                                                        VtObjectInputFieldNumber* input, VtObject* shown, int rows,
                                                        int row, int span)
{
    if (container == nullptr || output == nullptr || input == nullptr)
        return nullptr;
    const int band = height_of(container) / rows;
    output->setHeight(uint32_t(span * band));
    input->setHeight(uint32_t(std::max(span * band - 7, 0)));
    add_child(container, (width_of(container) - width_of(input)) / 2,
              row * band + band / 2 - height_of(input) / 2, shown);
    // Large enough to hold both, so that neither lies outside its parent.
    auto* hidden = create_container(std::max(width_of(output), width_of(input)),
                                    std::max(height_of(output), height_of(input)));
    hidden->setHidden(true);
    add_child(container, 0, 0, hidden);
    add_child(hidden, 0, 0, output);
    add_child(hidden, 0, 0, input);
    return hidden;
}
