#include "Pool_geometry.h"

#include "apps/sowvane/pool/Pool_builder.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/terminal/VtSystemInterface.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// The border a VT draws inside a button; the children are placed and clipped
// within it.
constexpr int button_border = Pool_builder::button_border;
// The string option that wraps its text over the lines of its field.
constexpr uint32_t auto_wrap = 2;
// Font style bit of a proportional font.
constexpr uint32_t proportional_style = 0x80;
constexpr uint32_t largest_font_size = 14;
// A rectangle this thin is drawn as a rule, not as a frame around things.
constexpr int thin_rule = 3;

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

// What one object of a mask draws there, at its place on the mask.
enum class Drawn_kind { value, text, rule };

// A place where the screens show one of several things: the branches of one
// choice are never drawn together.
struct Choice {
    uint32_t at = 0;
    uint32_t branch = 0;
};

struct Box {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

Box united(const Box& a, const Box& b)
{
    const int x = std::min(a.x, b.x);
    const int y = std::min(a.y, b.y);
    return Box{x, y, std::max(a.x + a.width, b.x + b.width) - x, std::max(a.y + a.height, b.y + b.height) - y};
}

struct Drawn {
    const VtObject* object = nullptr;
    Drawn_kind kind = Drawn_kind::text;
    // The object's area on the mask, and what it draws there.
    Box field;
    Box ink;
    std::vector<Choice> choices;
    bool through_pointer = false;
};

// Numbers, lists and input strings show values; output strings show texts
// (labels and units); horizontal lines and thin rectangles rule the mask off
// into a header and rows. (The lines between columns are left alone: a
// heading wider than its column in the smallest font reaches over them.)
bool kind_of(const VtObject& object, Drawn_kind& kind)
{
    const int width = object_width(&object);
    const int height = object_height(&object);
    switch (object.getType()) {
    case VtObjectTypeOutputFieldNumber:
    case VtObjectTypeInputFieldNumber:
    case VtObjectTypeInputFieldList:
    case VtObjectTypeInputFieldString: kind = Drawn_kind::value; return true;
    case VtObjectTypeOutputFieldString: kind = Drawn_kind::text; return true;
    case VtObjectTypeLine:
    case VtObjectTypeRectangle: kind = Drawn_kind::rule; return height <= thin_rule && width > height;
    default: return false;
    }
}

bool one_at_a_time(const Drawn& a, const Drawn& b)
{
    for (const Choice& x : a.choices)
        for (const Choice& y : b.choices)
            if (x.at == y.at && x.branch != y.branch)
                return true;
    return false;
}

// Whether the two draw on one pixel; a rule of no height or width still
// draws a line of pixels.
bool intersect(const Drawn& a, const Drawn& b)
{
    const auto extent = [](const Drawn& d, int size) { return d.kind == Drawn_kind::rule ? std::max(size, 1) : size; };
    const Box& p = a.ink;
    const Box& q = b.ink;
    return p.x < q.x + extent(b, q.width) && q.x < p.x + extent(a, p.width) && p.y < q.y + extent(b, q.height) &&
           q.y < p.y + extent(a, p.height);
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
                in_mask_ = true;
                visit_children(object, 0, 0, options_.mask_width, options_.mask_height, 0);
                in_mask_ = false;
                check_bands(*object);
                check_overlaps();
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

    // The children that the screens show one at a time: hidden containers,
    // and containers stacked in one place with a hidden one (the one of them
    // shown in the pool included).
    std::vector<bool> shown_in_turn(VtObjectRefList& children) const
    {
        std::vector<const VtObjectContainer*> containers(children.size());
        for (uint32_t i = 0; i < children.size(); ++i)
            containers[i] = dynamic_cast<const VtObjectContainer*>(pool_.getObject(children.at(i)->oid));
        const auto stacked = [&](uint32_t a, uint32_t b) {
            return children.at(a)->x == children.at(b)->x && children.at(a)->y == children.at(b)->y &&
                   width_of(containers[a]) == width_of(containers[b]) &&
                   height_of(containers[a]) == height_of(containers[b]);
        };
        std::vector<bool> in_turn(children.size(), false);
        for (uint32_t a = 0; a < children.size(); ++a) {
            if (containers[a] == nullptr)
                continue;
            in_turn[a] = containers[a]->getHidden();
            for (uint32_t b = 0; b < children.size() && !in_turn[a]; ++b)
                in_turn[a] = b != a && containers[b] != nullptr && containers[b]->getHidden() && stacked(a, b);
        }
        return in_turn;
    }

    // The objects a child draws: itself, or what a pointer shows (its value
    // and the targets the screens aim it at).
    std::vector<uint32_t> drawn_by(const VtObjectRef& ref, const VtObject& child) const
    {
        auto* pointer = dynamic_cast<const VtObjectPointer*>(&child);
        if (pointer == nullptr)
            return {ref.oid};
        std::vector<uint32_t> drawn;
        if (pointer->getValue() != VT_NULL_ID)
            drawn.push_back(pointer->getValue());
        auto targets = options_.pointer_targets.find(pointer->getOid());
        if (targets != options_.pointer_targets.end())
            for (uint32_t target : targets->second)
                if (std::find(drawn.begin(), drawn.end(), target) == drawn.end())
                    drawn.push_back(target);
        return drawn;
    }

    // The children of a drawn parent whose inner area is width x height at
    // (x, y) of the mask. What a child draws in turn with its siblings, or a
    // pointer in turn with its other targets, is one branch of a choice.
    void visit_children(VtObject* parent, int x, int y, int width, int height, int depth)
    {
        VtObjectRefList* children = vtChildRefsOf(parent);
        if (children == nullptr || depth > 16)
            return;
        const uint32_t siblings = ++choice_points_;
        const std::vector<bool> in_turn = shown_in_turn(*children);
        for (uint32_t i = 0; i < children->size(); ++i) {
            const VtObjectRef* ref = children->at(i);
            VtObject* child = pool_.getObject(ref->oid);
            if (child == nullptr)
                continue;
            placed_.insert(ref->oid);
            const bool pointer = child->getType() == VtObjectTypePointer;
            // As the VT holds the pool now, a hidden container draws nothing.
            auto* container = dynamic_cast<VtObjectContainer*>(child);
            const bool undrawn = options_.hidden_not_drawn && container != nullptr && container->getHidden();
            if (in_turn[i])
                choices_.push_back({siblings, i});
            undrawn_ += undrawn ? 1 : 0;
            through_pointer_ += pointer ? 1 : 0;
            const uint32_t targets = ++choice_points_;
            for (uint32_t oid : drawn_by(*ref, *child))
                if (VtObject* object = pool_.getObject(oid)) {
                    placed_.insert(oid);
                    choices_.push_back({targets, oid});
                    visit(object, parent, ref->x, ref->y, x, y, width, height, depth);
                    choices_.pop_back();
                }
            through_pointer_ -= pointer ? 1 : 0;
            undrawn_ -= undrawn ? 1 : 0;
            if (in_turn[i])
                choices_.pop_back();
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
        note_drawn(*object, px + rx, py + ry, w, h);
        visit_inside(object, px + rx, py + ry, w, h, depth);
    }

    // The rows of its font that a text or value takes in its field, at its
    // vertical justification; for a text also only the width its characters
    // take, at its horizontal justification (a value may fill its field).
    Box ink_of_text(Box field, uint32_t font, uint32_t justification, int characters) const
    {
        const Cell cell = font_cell(font);
        const int height = std::min(cell.height, field.height);
        const int vertical = int(justification >> 2) & 3;
        field.y += vertical == 1 ? (field.height - height) / 2 : vertical == 2 ? field.height - height : 0;
        field.height = height;
        if (characters < 0)
            return field;
        const int width = std::min(characters * cell.width, field.width);
        const int horizontal = int(justification) & 3;
        field.x += horizontal == 1 ? (field.width - width) / 2 : horizontal == 2 ? field.width - width : 0;
        field.width = width;
        return field;
    }

    // What an object draws in its field: a wrapping text and one the
    // screens write may take the whole field; a list draws its elements
    // there.
    Box ink_of(const VtObject& object, const Box& field) const
    {
        if (auto* number = dynamic_cast<const VtObjectOutputFieldNumber*>(&object))
            return ink_of_text(field, number->getFontAttributes(), number->getHorizontalJustification(), -1);
        if (auto* input = dynamic_cast<const VtObjectInputFieldNumber*>(&object))
            return ink_of_text(field, input->getFontAttributes(), input->getHorizontalJustification(), -1);
        if (auto* text = dynamic_cast<const VtObjectOutputFieldString*>(&object)) {
            if ((text->getOptions() & auto_wrap) != 0 || options_.runtime_texts.count(object.getOid()) != 0)
                return field;
            return ink_of_text(field, text->getFontAttributes(), text->getHorizontalJustification(),
                               int(shown_text(*text).size()));
        }
        if (auto* list = dynamic_cast<const VtObjectInputFieldList*>(&object)) {
            const VtObjectList& elements = const_cast<VtObjectInputFieldList*>(list)->getElements();
            Box ink;
            for (uint32_t i = 0; i < elements.size(); ++i) {
                const VtObject* element = pool_.getObject(elements.at(i)->oid);
                if (element == nullptr)
                    continue;
                const Box place{field.x, field.y, std::min(width_of(element), field.width),
                                std::min(height_of(element), field.height)};
                ink = ink.width == 0 ? ink_of(*element, place) : united(ink, ink_of(*element, place));
            }
            return ink.width != 0 ? ink : field;
        }
        return field;
    }

    void note_drawn(const VtObject& object, int x, int y, int w, int h)
    {
        Drawn drawn;
        if (!in_mask_ || undrawn_ > 0 || !kind_of(object, drawn.kind))
            return;
        drawn.object = &object;
        drawn.field = Box{x, y, w, h};
        drawn.ink = ink_of(object, drawn.field);
        drawn.choices = choices_;
        drawn.through_pointer = through_pointer_ > 0;
        drawn_.push_back(drawn);
        if (auto* list = dynamic_cast<const VtObjectInputFieldList*>(&object)) {
            const VtObjectList& elements = const_cast<VtObjectInputFieldList*>(list)->getElements();
            for (uint32_t i = 0; i < elements.size(); ++i)
                drawn_elsewhere_.insert(elements.at(i)->oid);
        }
    }

    std::string placed_text(const Drawn& drawn) const
    {
        return name(drawn.object) + " at (" + std::to_string(drawn.field.x) + ", " + std::to_string(drawn.field.y) +
               ") size " + size_text(drawn.object);
    }

    // A value and a text of the mask, or a rule and a text or value, drawn
    // over each other; what the screens show one at a time in one place is
    // never drawn together. An object a pointer or a list shows is drawn
    // there, not where it is kept.
    void check_overlaps()
    {
        for (const Drawn& d : drawn_)
            if (d.through_pointer)
                drawn_elsewhere_.insert(d.object->getOid());
        std::vector<const Drawn*> shown;
        for (const Drawn& d : drawn_)
            if (d.through_pointer || drawn_elsewhere_.count(d.object->getOid()) == 0)
                shown.push_back(&d);
        std::set<std::pair<uint32_t, uint32_t>> met;
        for (const Drawn* a : shown)
            for (const Drawn* b : shown) {
                const bool value_on_text = a->kind == Drawn_kind::value && b->kind == Drawn_kind::text;
                const bool across_rule = a->kind != Drawn_kind::rule && b->kind == Drawn_kind::rule;
                if ((!value_on_text && !across_rule) || !intersect(*a, *b) || one_at_a_time(*a, *b) ||
                    !met.insert({a->object->getOid(), b->object->getOid()}).second)
                    continue;
                fault(placed_text(*a) + (across_rule ? " crosses " : " overlaps ") + placed_text(*b));
            }
        drawn_.clear();
        drawn_elsewhere_.clear();
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
    // What the mask being visited draws, and where.
    bool in_mask_ = false;
    std::vector<Drawn> drawn_;
    std::set<uint32_t> drawn_elsewhere_;
    std::vector<Choice> choices_;
    uint32_t choice_points_ = 0;
    int through_pointer_ = 0;
    int undrawn_ = 0;
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
