#include "Pool_geometry.h"

#include "apps/sowvane/pool/Pool_builder.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/terminal/VtSystemInterface.h"

#include <cstdio>

namespace {

// The border a VT draws inside a button; the children are placed and clipped
// within it.
constexpr int button_border = Pool_builder::button_border;
// The string option that wraps its text over the lines of its field.
constexpr uint32_t auto_wrap = 2;
// Font style bit of a proportional font.
constexpr uint32_t proportional_style = 0x80;
constexpr uint32_t largest_font_size = 14;

struct Cell {
    int width = 0;
    int height = 0;
};

std::string text_of(const VtString& value)
{
    return value.c_str() != nullptr ? value.c_str() : "";
}

// The characters a text shows; trailing spaces take no visible room.
std::string without_trailing_spaces(std::string value)
{
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return value;
}

// A number as the VT writes it: (raw + offset) x scale with the decimals.
std::string shown_number(uint32_t raw, int32_t offset, double scale, uint32_t decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", int(decimals), (double(raw) + double(offset)) * scale);
    return text;
}

class Checker {
public:
    Checker(const VtObjectTable& pool, const Pool_geometry_options& options) : pool_(pool), options_(options) {}

    std::vector<std::string> check()
    {
        for (uint32_t oid = 0; oid < VT_NULL_ID; ++oid) {
            VtObject* object = pool_.getObject(oid);
            if (object == nullptr)
                continue;
            place_ = oid;
            switch (object->getType()) {
            case VtObjectTypeDataMask:
            case VtObjectTypeAlarmMask:
                visit_children(object, 0, 0, options_.mask_width, options_.mask_height, 0);
                check_bands(*object);
                break;
            case VtObjectTypeKey: visit_children(object, 0, 0, options_.key_width, options_.key_height, 0); break;
            case VtObjectTypeSoftKeyMask: check_key_mask(*static_cast<VtObjectSoftKeyMask*>(object)); break;
            case VtObjectTypeWorkingSet: check_working_set(*static_cast<VtObjectWorkingSet*>(object)); break;
            case VtObjectTypeFontAttribute: check_font(*static_cast<VtObjectFontAttribute*>(object)); break;
            default: break;
            }
        }
        // What no mask, key or working set holds: the screens place it at run
        // time, so it must be whole in itself.
        for (uint32_t oid = 0; oid < VT_NULL_ID; ++oid) {
            VtObject* object = pool_.getObject(oid);
            if (object == nullptr || placed_.count(oid) != 0)
                continue;
            place_ = oid;
            if (object->getType() == VtObjectTypeContainer || object->getType() == VtObjectTypeButton)
                visit_inside(object, 0, 0, width_of(object), height_of(object), 0);
            check_content(*object);
        }
        return faults_;
    }

private:
    void fault(const std::string& text) { faults_.push_back("[" + std::to_string(place_) + "] " + text); }

    static int width_of(const VtObject* object) { return object_width(object); }
    static int height_of(const VtObject* object) { return object_height(object); }

    std::string name(const VtObject* object) const
    {
        std::string out = std::to_string(object->getOid()) + " (" + VtObject::getTypeName(object->getType());
        if (auto* text = dynamic_cast<const VtObjectOutputFieldString*>(object))
            out += " \"" + shown_text(*text) + "\"";
        return out + ")";
    }

    std::string size_text(const VtObject* object) const
    {
        return std::to_string(width_of(object)) + " x " + std::to_string(height_of(object));
    }

    Cell font_cell(uint32_t font_oid) const
    {
        Cell cell;
        auto* font = dynamic_cast<VtObjectFontAttribute*>(pool_.getObject(font_oid));
        if (font != nullptr) {
            uint32_t w = 0;
            uint32_t h = 0;
            VtSystemInterface::getFontSizePixels(font->getFontSize(), w, h);
            cell.width = int(w);
            cell.height = int(h);
        }
        return cell;
    }

    // The text a string shows: its variable's when it names one.
    std::string shown_text(const VtObjectOutputFieldString& text) const
    {
        auto* variable = dynamic_cast<VtObjectStringVariable*>(pool_.getObject(text.getVariableReference()));
        return without_trailing_spaces(text_of(variable != nullptr ? variable->getValue() : text.getValue()));
    }

    void check_font(const VtObjectFontAttribute& font)
    {
        if (font.getFontSize() > largest_font_size)
            fault("font " + std::to_string(font.getOid()) + " has size code " + std::to_string(font.getFontSize()) +
                  ", which no VT has");
        if ((font.getFontStyle() & proportional_style) != 0)
            fault("font " + std::to_string(font.getOid()) + " is proportional: its texts' widths are not known");
    }

    // The bands of a mask, the containers shown in it, take rows of their
    // own: a band reaching into the next cuts what the other draws there.
    void check_bands(VtObject& mask)
    {
        VtObjectRefList& children = *vtChildRefsOf(&mask);
        std::vector<const VtObjectRef*> bands;
        for (uint32_t i = 0; i < children.size(); ++i) {
            auto* band = dynamic_cast<VtObjectContainer*>(pool_.getObject(children.at(i)->oid));
            if (band != nullptr && !band->getHidden())
                bands.push_back(children.at(i));
        }
        for (size_t a = 0; a < bands.size(); ++a)
            for (size_t b = a + 1; b < bands.size(); ++b) {
                const VtObject* first = pool_.getObject(bands[a]->oid);
                const VtObject* second = pool_.getObject(bands[b]->oid);
                if (bands[a]->x < bands[b]->x + width_of(second) && bands[b]->x < bands[a]->x + width_of(first) &&
                    bands[a]->y < bands[b]->y + height_of(second) && bands[b]->y < bands[a]->y + height_of(first))
                    fault("band " + name(first) + " at (" + std::to_string(bands[a]->x) + ", " +
                          std::to_string(bands[a]->y) + ") size " + size_text(first) + " overlaps band " +
                          name(second) + " at (" + std::to_string(bands[b]->x) + ", " + std::to_string(bands[b]->y) +
                          ") size " + size_text(second));
            }
    }

    void check_key_mask(VtObjectSoftKeyMask& mask)
    {
        VtObjectList& keys = mask.getChilds();
        for (uint32_t i = 0; i < keys.size(); ++i) {
            VtObject* key = pool_.getObject(keys.at(i)->oid);
            if (key != nullptr && key->getType() != VtObjectTypeKey && key->getType() != VtObjectTypePointer)
                fault("soft key mask lists " + name(key) + ", which is not a key");
        }
    }

    void check_working_set(VtObjectWorkingSet& ws)
    {
        if (!ws.getSelectable())
            fault("the working set is not selectable");
        VtObjectRefList& children = ws.getChilds();
        if (children.size() == 0)
            fault("the working set has no designator");
        for (uint32_t i = 0; i < children.size(); ++i) {
            auto* text = dynamic_cast<VtObjectOutputFieldString*>(pool_.getObject(children.at(i)->oid));
            if (text == nullptr)
                continue;
            auto* font = dynamic_cast<VtObjectFontAttribute*>(pool_.getObject(text->getFontAttributes()));
            if (font != nullptr && font->getFontColour().getIndex() == ws.getBackgroundColour().getIndex())
                fault("the working set's designator " + name(text) + " has the colour of its background");
        }
        visit_children(&ws, 0, 0, options_.key_width, options_.key_height, 0);
    }

    // The children of a drawn parent whose inner area is width x height at
    // (x, y) of the mask.
    void visit_children(VtObject* parent, int x, int y, int width, int height, int depth)
    {
        VtObjectRefList* children = vtChildRefsOf(parent);
        if (children == nullptr || depth > 16)
            return;
        for (uint32_t i = 0; i < children->size(); ++i) {
            const VtObjectRef* ref = children->at(i);
            VtObject* child = pool_.getObject(ref->oid);
            if (child == nullptr)
                continue;
            placed_.insert(ref->oid);
            std::vector<uint32_t> drawn;
            if (auto* pointer = dynamic_cast<VtObjectPointer*>(child)) {
                if (pointer->getValue() != VT_NULL_ID)
                    drawn.push_back(pointer->getValue());
                auto targets = options_.pointer_targets.find(pointer->getOid());
                if (targets != options_.pointer_targets.end())
                    drawn.insert(drawn.end(), targets->second.begin(), targets->second.end());
            } else {
                drawn.push_back(ref->oid);
            }
            for (uint32_t oid : drawn)
                if (VtObject* object = pool_.getObject(oid)) {
                    placed_.insert(oid);
                    visit(object, parent, ref->x, ref->y, x, y, width, height, depth);
                }
        }
    }

    void visit(VtObject* object, VtObject* parent, int rx, int ry, int px, int py, int pw, int ph, int depth)
    {
        const int w = width_of(object);
        const int h = height_of(object);
        if (rx < 0 || ry < 0 || rx + w > pw || ry + h > ph)
            fault(name(object) + " at (" + std::to_string(rx) + ", " + std::to_string(ry) + ") size " +
                  size_text(object) + " lies outside " + name(parent) + " of " + std::to_string(pw) + " x " +
                  std::to_string(ph));
        check_content(*object);
        visit_inside(object, px + rx, py + ry, w, h, depth);
    }

    // The children of a container or of a button's face.
    void visit_inside(VtObject* object, int x, int y, int w, int h, int depth)
    {
        if (object->getType() == VtObjectTypeContainer)
            visit_children(object, x, y, w, h, depth + 1);
        else if (object->getType() == VtObjectTypeButton)
            visit_children(object, x + button_border, y + button_border, w - 2 * button_border, h - 2 * button_border,
                           depth + 1);
    }

    void check_text_fits(const VtObject& field, const std::string& text, uint32_t font, const char* what)
    {
        const Cell cell = font_cell(font);
        const int needed = int(text.size()) * cell.width;
        if (cell.height == 0)
            fault(std::string(what) + " " + name(&field) + " has no font");
        else if (needed > width_of(&field) || cell.height > height_of(&field))
            fault(std::string(what) + " \"" + text + "\" needs " + std::to_string(needed) + " x " +
                  std::to_string(cell.height) + " in " + name(&field) + " of " + size_text(&field));
    }

    // A wrapping text (an output or input string) has room for as many
    // characters as it can be given (its length) over the lines of its
    // field, and for its words as the VT breaks them.
    void check_wrapping_text_fits(const VtObject& field, uint32_t font, int length, const std::string& shown,
                                  bool runtime)
    {
        const Cell cell = font_cell(font);
        const int per_line = cell.width > 0 ? width_of(&field) / cell.width : 0;
        const int lines = cell.height > 0 ? height_of(&field) / cell.height : 0;
        if (per_line * lines < length || lines == 0)
            fault("wrapping text of " + std::to_string(length) + " characters has room for " +
                  std::to_string(per_line) + " x " + std::to_string(lines) + " in " + name(&field) + " of " +
                  size_text(&field));
        else if (!runtime && wrapped_lines(shown, per_line) > lines)
            fault("wrapped text needs " + std::to_string(wrapped_lines(shown, per_line)) + " lines of " +
                  std::to_string(per_line) + " in " + name(&field) + " of " + size_text(&field));
    }

    void check_content(VtObject& object)
    {
        if (!checked_.insert(object.getOid()).second)
            return;
        if (auto* text = dynamic_cast<VtObjectOutputFieldString*>(&object)) {
            const bool runtime = options_.runtime_texts.count(object.getOid()) != 0;
            if ((text->getOptions() & auto_wrap) != 0)
                check_wrapping_text_fits(*text, text->getFontAttributes(), int(text_of(text->getValue()).size()),
                                         shown_text(*text), runtime);
            else
                check_text_fits(object, runtime ? std::string() : shown_text(*text), text->getFontAttributes(), "text");
        } else if (auto* input_text = dynamic_cast<VtObjectInputFieldString*>(&object)) {
            auto* variable =
                dynamic_cast<VtObjectStringVariable*>(pool_.getObject(input_text->getVariableReference()));
            const std::string value = text_of(variable ? variable->getValue() : input_text->getValue());
            if ((input_text->getOptions() & auto_wrap) != 0)
                check_wrapping_text_fits(object, input_text->getFontAttributes(), int(value.size()),
                                         without_trailing_spaces(value), false);
            else
                check_text_fits(object, without_trailing_spaces(value), input_text->getFontAttributes(),
                                "input text");
        } else if (auto* input = dynamic_cast<VtObjectInputFieldNumber*>(&object)) {
            for (uint32_t raw : {input->getMinValue(), input->getMaxValue()})
                check_text_fits(object,
                                shown_number(raw, input->getOffset(), input->getScale(), input->getNumberOfDecimals()),
                                input->getFontAttributes(), "input limit");
        } else if (auto* output = dynamic_cast<VtObjectOutputFieldNumber*>(&object)) {
            check_text_fits(object, std::string(), output->getFontAttributes(), "number");
        } else if (auto* list = dynamic_cast<VtObjectInputFieldList*>(&object)) {
            check_list(*list);
        }
    }

    void check_list(VtObjectInputFieldList& list)
    {
        VtObjectList& elements = list.getElements();
        for (uint32_t i = 0; i < elements.size(); ++i) {
            VtObject* element = pool_.getObject(elements.at(i)->oid);
            if (element == nullptr)
                continue;
            placed_.insert(element->getOid());
            if (width_of(element) > width_of(&list) || height_of(element) > height_of(&list))
                fault("list element " + name(element) + " of " + size_text(element) + " is larger than " + name(&list) +
                      " of " + size_text(&list));
            check_content(*element);
        }
    }

    const VtObjectTable& pool_;
    const Pool_geometry_options& options_;
    // The mask, key or object being checked, named in each fault.
    uint32_t place_ = 0;
    std::set<uint32_t> placed_;
    std::set<uint32_t> checked_;
    std::vector<std::string> faults_;
};

// The builder's objects as a table.
class Builder_table : public VtObjectTable {
public:
    explicit Builder_table(const Pool_builder& objects) : objects_(objects) {}
    VtObject* getObject(uint32_t oid) const override { return objects_.find_object(oid); }

private:
    const Pool_builder& objects_;
};

} // namespace

std::vector<std::string> check_pool_geometry(const VtObjectTable& objects, const Pool_geometry_options& options)
{
    return Checker(objects, options).check();
}

std::vector<std::string> check_pool_geometry(const Pool_builder& objects, const Pool_geometry_options& options)
{
    return check_pool_geometry(Builder_table(objects), options);
}

std::vector<std::string> check_pool_geometry(const std::vector<uint8_t>& stream, const Pool_geometry_options& options)
{
    Pool_builder objects;
    VtMessageReader reader;
    reader.setData(stream.data(), uint32_t(stream.size()));
    if (objects.read_pool(reader) != 1)
        return {"the pool stream cannot be read whole (" + std::to_string(reader.getPosition()) + " of " +
                std::to_string(stream.size()) + " bytes read)"};
    return check_pool_geometry(objects, options);
}

int wrapped_lines(const std::string& text, int per_line)
{
    if (per_line <= 0)
        return text.empty() ? 0 : 1 << 20;
    int lines = 0;
    int used = 0;
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        size_t end = text.find(' ', at);
        int word = int((end == std::string::npos ? text.size() : end) - at);
        at += size_t(word);
        if (used > 0 && used + 1 + word <= per_line) {
            used += 1 + word;
            continue;
        }
        // A new line; a word longer than a line fills whole lines.
        ++lines;
        while (word > per_line) {
            word -= per_line;
            ++lines;
        }
        used = word;
    }
    return lines;
}
