// The generated pool against the object rules a terminal that follows the
// standard applies when it parses the pool: allowed children of each type,
// children inside their mask, key counts, font sizes and the working set's
// language codes.
#include "Generated_pool.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

bool is_graphic_content(uint32_t type)
{
    switch (type) {
    case VtObjectTypeContainer:
    case VtObjectTypeOutputFieldString:
    case VtObjectTypeOutputFieldNumber:
    case VtObjectTypeLine:
    case VtObjectTypeRectangle:
    case VtObjectTypeEllipse:
    case VtObjectTypePolygon:
    case VtObjectTypeMeter:
    case VtObjectTypeLinearBarGraph:
    case VtObjectTypeArchedBarGraph:
    case VtObjectTypePictureGraphic:
    case VtObjectTypePointer:
        return true;
    default:
        return false;
    }
}

bool is_input(uint32_t type)
{
    return type >= VtObjectTypeInputFieldBoolean && type <= VtObjectTypeInputFieldList;
}

// Whether a child of this type may be drawn by a parent of that type.
bool allowed_child(uint32_t parent, uint32_t child)
{
    switch (parent) {
    case VtObjectTypeWorkingSet:
    case VtObjectTypeKey:
    case VtObjectTypeButton:
        return is_graphic_content(child);
    case VtObjectTypeDataMask:
    case VtObjectTypeAlarmMask:
    case VtObjectTypeContainer:
        return is_graphic_content(child) || is_input(child) || child == VtObjectTypeButton;
    default:
        return true;
    }
}

std::string check_pool(const Generated_pool& pool, int mask_size)
{
    std::string out;
    auto note = [&](const std::string& s) { out += s + "\n"; };
    for (uint32_t oid = 10000; oid < 65535; ++oid) {
        VtObject* o = pool.objects.find_object(oid);
        if (!o)
            continue;
        const uint32_t type = o->getType();
        if (VtObjectRefList* children = vtChildRefsOf(o))
            for (uint32_t i = 0; i < children->size(); ++i) {
                VtObject* c = pool.objects.find_object(children->at(i)->oid);
                if (!c)
                    continue;
                if (!allowed_child(type, c->getType()))
                    note("object " + std::to_string(oid) + " (type " + std::to_string(type) + ") holds " +
                         std::to_string(c->getOid()) + " of type " + std::to_string(c->getType()));
                if (type == VtObjectTypeDataMask || type == VtObjectTypeAlarmMask) {
                    auto* sized = dynamic_cast<VtSizedObject*>(c);
                    int x = children->at(i)->x, y = children->at(i)->y;
                    int w = sized ? int(sized->getWidth()) : 0, h = sized ? int(sized->getHeight()) : 0;
                    if (x < 0 || y < 0 || x + w > mask_size || y + h > mask_size)
                        note("mask " + std::to_string(oid) + " child " + std::to_string(c->getOid()) + " at " +
                             std::to_string(x) + "," + std::to_string(y) + " size " + std::to_string(w) + "x" +
                             std::to_string(h));
                }
            }
        if (type == VtObjectTypeSoftKeyMask) {
            auto& keys = static_cast<VtObjectSoftKeyMask*>(o)->getChilds();
            if (keys.size() > 64)
                note("soft key mask " + std::to_string(oid) + " has " + std::to_string(keys.size()) + " keys");
            for (uint32_t i = 0; i < keys.size(); ++i) {
                VtObject* k = pool.objects.find_object(keys.at(i)->oid);
                if (k && k->getType() != VtObjectTypeKey && k->getType() != VtObjectTypePointer)
                    note("soft key mask " + std::to_string(oid) + " lists type " + std::to_string(k->getType()));
            }
        }
        if (type == VtObjectTypeFontAttribute) {
            auto* f = static_cast<VtObjectFontAttribute*>(o);
            if (f->getFontSize() > 14 || f->getFontType() > 1)
                note("font " + std::to_string(oid) + " size " + std::to_string(f->getFontSize()) + " type " +
                     std::to_string(f->getFontType()));
        }
        if (type == VtObjectTypeInputFieldNumber) {
            auto* n = static_cast<VtObjectInputFieldNumber*>(o);
            if (n->getMinValue() > n->getMaxValue() ||
                (n->getVariableReference() == VT_NULL_ID &&
                 (n->getValue() < n->getMinValue() || n->getValue() > n->getMaxValue())))
                note("input number " + std::to_string(oid) + " value " + std::to_string(n->getValue()) + " min " +
                     std::to_string(n->getMinValue()) + " max " + std::to_string(n->getMaxValue()));
        }
        if (type == VtObjectTypeWorkingSet) {
            auto* ws = static_cast<VtObjectWorkingSet*>(o);
            for (uint32_t i = 0; i < ws->getNumberOfLanguages(); ++i) {
                const char* code = ws->getLanguage(i);
                if (!code || !std::islower(static_cast<unsigned char>(code[0])) ||
                    !std::islower(static_cast<unsigned char>(code[1])))
                    note("working set language " + std::to_string(i) + " is '" + (code ? code : "") + "'");
            }
        }
    }
    return out;
}

TEST(PoolConformanceTest, GeneratedPoolFollowsTheObjectRulesAtBothMaskSizes)
{
    for (int size : {240, 480}) {
        Generated_pool pool(VtSize(size, size));
        EXPECT_EQ(check_pool(pool, size), "") << size;
    }
}

} // namespace
