// What an operator sees of a generated pool, checked as a VT draws it: every
// object of every data mask inside its parent and the mask (a button's
// children inside its face, within the border the VT draws), every text and
// number inside its field in the font it is drawn in (a wrapping text with
// room for all it can be given over its lines), every key's label
// inside the soft key designator, and the working set shown and selectable.
#pragma once

#include "Generated_pool.h"

#include "vt_object_model/terminal/VtSystemInterface.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pool_geometry {

// The smallest soft key designator a VT may report, and the one this
// program's own VT reports.
constexpr int designator_width = 60;
constexpr int designator_height = 32;
// The border a VT draws inside a button; the children are placed and clipped
// within it.
constexpr int button_border = 4;
// The output string option that wraps its text over the lines of its field.
constexpr uint32_t auto_wrap = 2;

struct Cell {
    int width = 0;
    int height = 0;
};

inline Cell font_cell(const Generated_pool& pool, uint32_t font_oid)
{
    Cell cell;
    auto* font = dynamic_cast<VtObjectFontAttribute*>(pool.objects.find_object(font_oid));
    if (font != nullptr) {
        uint32_t w = 0;
        uint32_t h = 0;
        VtSystemInterface::getFontSizePixels(font->getFontSize(), w, h);
        cell.width = int(w);
        cell.height = int(h);
    }
    return cell;
}

inline int width_of(const VtObject* object)
{
    auto* sized = dynamic_cast<const VtSizedObject*>(object);
    return sized != nullptr ? int(sized->getWidth()) : 0;
}

inline int height_of(const VtObject* object)
{
    auto* sized = dynamic_cast<const VtSizedObject*>(object);
    return sized != nullptr ? int(sized->getHeight()) : 0;
}

// The characters a string shows; trailing spaces take no visible room.
inline std::string shown_text(const VtObjectOutputFieldString& text)
{
    std::string value = text.getValue().c_str() != nullptr ? text.getValue().c_str() : "";
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    return value;
}

// A number as the VT writes it: (raw + offset) x scale with the decimals.
inline std::string shown_number(uint32_t raw, int32_t offset, double scale, uint32_t decimals)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", int(decimals), (double(raw) + double(offset)) * scale);
    return text;
}

class Checker {
public:
    Checker(const Generated_pool& pool, int mask_width, int mask_height) :
        pool_(pool), mask_width_(mask_width), mask_height_(mask_height)
    {
    }

    // Pointers that the masks aim at one object or another at run time (and
    // leave empty at generation): each target is checked in its place.
    void add_pointer_targets(uint32_t pointer, std::initializer_list<uint32_t> targets)
    {
        for (uint32_t target : targets)
            pointer_targets_[pointer].push_back(target);
    }
    // Strings whose text the masks write at run time: only their font cell
    // is checked against the field, not the placeholder text.
    void add_runtime_text(uint32_t oid) { runtime_texts_.insert(oid); }

    // Every data mask, every key and the working set.
    std::vector<std::string> check()
    {
        for (uint32_t oid = 0; oid < 65535; ++oid) {
            VtObject* object = pool_.objects.find_object(oid);
            if (object == nullptr)
                continue;
            if (object->getType() == VtObjectTypeDataMask) {
                mask_ = oid;
                visit_children(object, 0, 0, mask_width_, mask_height_, 0);
            } else if (object->getType() == VtObjectTypeKey) {
                mask_ = oid;
                visit_children(object, 0, 0, designator_width, designator_height, 0);
            } else if (object->getType() == VtObjectTypeWorkingSet) {
                check_working_set(*static_cast<VtObjectWorkingSet*>(object));
            }
        }
        return faults_;
    }

private:
    void fault(const std::string& text) { faults_.push_back("[" + std::to_string(mask_) + "] " + text); }

    static std::string name(const VtObject* object)
    {
        std::string out = std::to_string(object->getOid()) + " (" + VtObject::getTypeName(object->getType());
        if (auto* text = dynamic_cast<const VtObjectOutputFieldString*>(object))
            out += " \"" + shown_text(*text) + "\"";
        return out + ")";
    }

    void check_working_set(VtObjectWorkingSet& ws)
    {
        mask_ = ws.getOid();
        if (!ws.getSelectable())
            fault("the working set is not selectable");
        VtObjectRefList& children = ws.getChilds();
        if (children.size() == 0)
            fault("the working set has no designator");
        for (uint32_t i = 0; i < children.size(); ++i) {
            VtObject* child = pool_.objects.find_object(children.at(i)->oid);
            auto* text = dynamic_cast<VtObjectOutputFieldString*>(child);
            if (text != nullptr) {
                auto* font =
                    dynamic_cast<VtObjectFontAttribute*>(pool_.objects.find_object(text->getFontAttributes()));
                if (font != nullptr && font->getFontColour().getIndex() == ws.getBackgroundColour().getIndex())
                    fault("the working set's designator " + name(text) + " has the colour of its background");
            }
        }
        visit_children(&ws, 0, 0, designator_width, designator_height, 0);
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
            VtObject* child = pool_.objects.find_object(ref->oid);
            if (child == nullptr)
                continue;
            std::vector<uint32_t> drawn;
            if (auto* pointer = dynamic_cast<VtObjectPointer*>(child)) {
                if (pointer->getValue() != VT_NULL_ID)
                    drawn.push_back(pointer->getValue());
                auto targets = pointer_targets_.find(pointer->getOid());
                if (targets != pointer_targets_.end())
                    drawn.insert(drawn.end(), targets->second.begin(), targets->second.end());
            } else {
                drawn.push_back(ref->oid);
            }
            for (uint32_t oid : drawn)
                if (VtObject* object = pool_.objects.find_object(oid))
                    visit(object, parent, ref->x, ref->y, x, y, width, height, depth);
        }
    }

    void visit(VtObject* object, VtObject* parent, int rx, int ry, int px, int py, int pw, int ph, int depth)
    {
        const int w = width_of(object);
        const int h = height_of(object);
        if (rx < 0 || ry < 0 || rx + w > pw || ry + h > ph)
            fault(name(object) + " at (" + std::to_string(rx) + ", " + std::to_string(ry) + ") size " +
                  std::to_string(w) + " x " + std::to_string(h) + " lies outside " + name(parent) + " of " +
                  std::to_string(pw) + " x " + std::to_string(ph));
        check_content(*object);
        const int ax = px + rx;
        const int ay = py + ry;
        switch (object->getType()) {
        case VtObjectTypeContainer:
            visit_children(object, ax, ay, w, h, depth + 1);
            break;
        case VtObjectTypeButton:
            visit_children(object, ax + button_border, ay + button_border, w - 2 * button_border,
                           h - 2 * button_border, depth + 1);
            break;
        default:
            break;
        }
    }

    void check_text_fits(const VtObject& field, const std::string& text, uint32_t font, const char* what)
    {
        const Cell cell = font_cell(pool_, font);
        const int needed = int(text.size()) * cell.width;
        if (needed > width_of(&field) || cell.height > height_of(&field))
            fault(std::string(what) + " \"" + text + "\" needs " + std::to_string(needed) + " x " +
                  std::to_string(cell.height) + " in " + name(&field) + " of " + std::to_string(width_of(&field)) +
                  " x " + std::to_string(height_of(&field)));
    }

    // A wrapping text has room for as many characters as it can be given
    // (its length) over the lines of its field.
    void check_wrapping_text_fits(const VtObjectOutputFieldString& text)
    {
        const Cell cell = font_cell(pool_, text.getFontAttributes());
        const int length = text.getValue().c_str() != nullptr ? int(std::string(text.getValue().c_str()).size()) : 0;
        const int per_line = cell.width > 0 ? width_of(&text) / cell.width : 0;
        const int lines = cell.height > 0 ? height_of(&text) / cell.height : 0;
        if (per_line * lines < length || lines == 0)
            fault("wrapping text of " + std::to_string(length) + " characters has room for " +
                  std::to_string(per_line) + " x " + std::to_string(lines) + " in " + name(&text) + " of " +
                  std::to_string(width_of(&text)) + " x " + std::to_string(height_of(&text)));
    }

    void check_content(VtObject& object)
    {
        if (!checked_.insert(object.getOid()).second)
            return;
        if (auto* text = dynamic_cast<VtObjectOutputFieldString*>(&object)) {
            const bool runtime = runtime_texts_.count(object.getOid()) != 0;
            if ((text->getOptions() & auto_wrap) != 0)
                check_wrapping_text_fits(*text);
            else
                check_text_fits(object, runtime ? std::string() : shown_text(*text), text->getFontAttributes(),
                                "text");
        } else if (auto* input = dynamic_cast<VtObjectInputFieldNumber*>(&object)) {
            for (uint32_t raw : {input->getMinValue(), input->getMaxValue()})
                check_text_fits(object,
                                shown_number(raw, input->getOffset(), input->getScale(), input->getNumberOfDecimals()),
                                input->getFontAttributes(), "input limit");
        } else if (auto* output = dynamic_cast<VtObjectOutputFieldNumber*>(&object)) {
            check_text_fits(object, std::string(), output->getFontAttributes(), "number");
        } else if (auto* list = dynamic_cast<VtObjectInputFieldList*>(&object)) {
            VtObjectList& elements = list->getElements();
            for (uint32_t i = 0; i < elements.size(); ++i) {
                VtObject* element = pool_.objects.find_object(elements.at(i)->oid);
                if (element == nullptr)
                    continue;
                if (width_of(element) > width_of(list) || height_of(element) > height_of(list))
                    fault("list element " + name(element) + " of " + std::to_string(width_of(element)) + " x " +
                          std::to_string(height_of(element)) + " is larger than " + name(list) + " of " +
                          std::to_string(width_of(list)) + " x " + std::to_string(height_of(list)));
                check_content(*element);
            }
        }
    }

    const Generated_pool& pool_;
    const int mask_width_;
    const int mask_height_;
    uint32_t mask_ = 0;
    std::map<uint32_t, std::vector<uint32_t>> pointer_targets_;
    std::set<uint32_t> runtime_texts_;
    std::set<uint32_t> checked_;
    std::vector<std::string> faults_;
};

} // namespace pool_geometry
