#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/terminal/VtSystemInterface.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

int change(VtObject& object, int attribute, const Bytes& value, uint32_t* consumed = nullptr)
{
    VtMessageReader reader;
    reader.setData(value.data(), uint32_t(value.size()));
    int result = object.changeAttribute(attribute, reader);
    if (consumed != nullptr)
        *consumed = uint32_t(value.size()) - reader.getRemaining();
    return result;
}

} // namespace

TEST(VtAttributeChange, AcceptedAttributeIdsPerType)
{
    const std::map<uint32_t, std::set<int>> accepted = {
        {VtObjectTypeWorkingSet, {100}},
        {VtObjectTypeDataMask, {1, 2, 100}},
        {VtObjectTypeAlarmMask, {1, 2, 3, 4, 100}},
        {VtObjectTypeContainer, {}},
        {VtObjectTypeSoftKeyMask, {1, 100}},
        {VtObjectTypeKey, {1, 2, 100}},
        {VtObjectTypeButton, {1, 2, 3, 4, 5, 100, 101}},
        {VtObjectTypeInputFieldBoolean, {1, 2, 3, 4, 6, 100}},
        {VtObjectTypeInputFieldString, {1, 2, 3, 4, 5, 6, 7, 8, 9, 100, 101}},
        {VtObjectTypeInputFieldNumber, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 100, 101}},
        {VtObjectTypeInputFieldList, {1, 2, 3, 5, 101}},
        {VtObjectTypeOutputFieldString, {1, 2, 3, 4, 5, 6, 7, 100, 101}},
        {VtObjectTypeOutputFieldNumber, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 100, 101}},
        {VtObjectTypeLine, {1, 2, 3, 4, 101}},
        {VtObjectTypeRectangle, {1, 2, 3, 4, 5, 101}},
        {VtObjectTypeEllipse, {1, 2, 3, 4, 5, 6, 7, 101}},
        {VtObjectTypePolygon, {1, 2, 3, 4, 5, 101}},
        {VtObjectTypeMeter, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 101}},
        {VtObjectTypeLinearBarGraph, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 101}},
        {VtObjectTypeArchedBarGraph, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}},
        {VtObjectTypePictureGraphic, {1, 2, 3}},
        {VtObjectTypeNumberVariable, {}},
        {VtObjectTypeStringVariable, {}},
        {VtObjectTypeFontAttribute, {1, 2, 3, 4}},
        {VtObjectTypeLineAttribute, {1, 2, 3}},
        {VtObjectTypeFillAttribute, {1, 2, 3}},
        {VtObjectTypeInputAttribute, {}},
        {VtObjectTypePointer, {}},
        {VtObjectTypeMacro, {}},
        {VtObjectTypeAuxiliaryFunction, {1, 2, 3, 4, 5, 100}},
        {VtObjectTypeAuxiliaryInput, {1, 2, 3, 4, 5, 100}},
    };
    ASSERT_EQ(accepted.size(), size_t(VT_OBJECT_TYPE_COUNT));
    for (const auto& entry : accepted) {
        std::unique_ptr<VtObject> object(createVtObject(entry.first, 1));
        for (int attribute = -1; attribute <= 255; ++attribute) {
            const int expected = entry.second.count(attribute) ? 0 : 2;
            EXPECT_EQ(change(*object, attribute, {5, 0, 0, 0}), expected)
                << VtObject::getTypeName(entry.first) << " attribute " << attribute;
        }
    }
}

TEST(VtAttributeChange, ValuesAreReadInTheirStreamWidth)
{
    VtObjectInputFieldNumber number(1);
    uint32_t consumed = 0;
    EXPECT_EQ(change(number, 10, {0x00, 0x00, 0x00, 0x3F}, &consumed), 0);
    EXPECT_EQ(number.getScale(), 0.5);
    EXPECT_EQ(consumed, 4u);
    EXPECT_EQ(change(number, 9, {0xFE, 0xFF, 0xFF, 0xFF}), 0);
    EXPECT_EQ(number.getOffset(), -2);
    // Justification is stored and answered as done.
    EXPECT_EQ(change(number, 13, {2}), 0);
    EXPECT_EQ(number.getHorizontalJustification(), 2u);
    // Options (the look) and options 2 (enabled, real-time editing) are two bytes.
    number.setOptions(1);
    EXPECT_EQ(change(number, 15, {2}), 0);
    EXPECT_EQ(number.getEnabled(), 2u);
    EXPECT_EQ(number.getOptions(), 1u);
    VtObjectOutputFieldNumber output(7);
    EXPECT_EQ(change(output, 11, {1}), 0);
    EXPECT_EQ(output.getHorizontalJustification(), 1u);

    VtObjectButton button(2);
    EXPECT_EQ(change(button, 101, {0x10, 0x00, 0x20, 0x00}), 0);
    EXPECT_EQ(button.getWidth(), 16u);
    EXPECT_EQ(button.getHeight(), 32u);
    EXPECT_EQ(change(button, 100, {12}), 0);
    EXPECT_EQ(button.getBackgroundColour().getRed(), 255u);

    // A meter and an input boolean are square.
    VtObjectMeter meter(3);
    EXPECT_EQ(change(meter, 101, {100, 0, 60, 0}), 0);
    EXPECT_EQ(meter.getWidth(), 100u);
    EXPECT_EQ(meter.getHeight(), 100u);
    VtObjectInputFieldBoolean boolean(4);
    EXPECT_EQ(change(boolean, 2, {30, 0}), 0);
    EXPECT_EQ(boolean.getHeight(), 30u);

    VtObjectArchedBarGraph arched(5);
    arched.setSize(VtSize(7, 8));
    EXPECT_EQ(change(arched, 101, {100, 0, 60, 0}), 2);
    EXPECT_EQ(arched.getWidth(), 7u);

    // Auxiliary objects accept 1 to 5 without reading anything.
    VtObjectAuxiliaryInput aux(6);
    EXPECT_EQ(change(aux, 3, {9}, &consumed), 0);
    EXPECT_EQ(consumed, 0u);
}

TEST(VtAttributeChange, ObjectIdAttributesReTargetTheirObserver)
{
    VtObjectSoftKeyMask oldKeys(50);
    VtObjectDataMask mask(1);
    mask.setSoftKeyMask(50);
    oldKeys.attachObserver(const_cast<VtObjectObserver*>(&mask.getSoftKeyMaskObserver()));
    ASSERT_EQ(mask.getSoftKeyMaskObserver().getTarget(), &oldKeys);

    EXPECT_EQ(change(mask, 2, {60, 0}), 0);
    EXPECT_EQ(mask.getSoftKeyMask(), 60u);
    EXPECT_EQ(mask.getSoftKeyMaskObserver().getOid(), 60u);
    EXPECT_EQ(mask.getSoftKeyMaskObserver().getTarget(), nullptr);
    EXPECT_EQ(oldKeys.getReferrers().count(), 0);
}

TEST(VtAttributeChange, BarGraphReferencesAndTargetValue)
{
    // Both bar graphs: variable reference, target value variable reference
    // and target value, each at its own attribute ID; the references resolve
    // to the variables they name.
    VtObjectNumberVariable value(0x0321), target(0x0322);
    struct Variables : VtObjectTable {
        VtObject* getObject(uint32_t oid) const override { return oid == 0x0321 ? a : oid == 0x0322 ? b : nullptr; }
        VtObject* a;
        VtObject* b;
    } variables;
    variables.a = &value;
    variables.b = &target;
    struct Row {
        const char* what;
        std::unique_ptr<VtObject> graph;
        int variable, targetVariable, targetValue;
    };
    Row rows[] = {{"linear", std::make_unique<VtObjectLinearBarGraph>(1), 9, 10, 11},
                  {"arched", std::make_unique<VtObjectArchedBarGraph>(2), 11, 12, 13}};
    for (Row& row : rows) {
        uint32_t consumed = 0;
        EXPECT_EQ(change(*row.graph, row.variable, {0x21, 0x03}, &consumed), 0) << row.what;
        EXPECT_EQ(consumed, 2u) << row.what;
        EXPECT_EQ(change(*row.graph, row.targetVariable, {0x22, 0x03}), 0) << row.what;
        EXPECT_EQ(change(*row.graph, row.targetValue, {0x34, 0x12}, &consumed), 0) << row.what;
        EXPECT_EQ(consumed, 2u) << row.what;
        auto check = [&](const auto& graph) {
            EXPECT_EQ(graph.getVariableReference(), 0x0321u) << row.what;
            EXPECT_EQ(graph.getTargetValueVariableReference(), 0x0322u) << row.what;
            EXPECT_EQ(graph.getTargetValue(), 0x1234u) << row.what;
        };
        if (row.graph->getType() == VtObjectTypeLinearBarGraph)
            check(static_cast<VtObjectLinearBarGraph&>(*row.graph));
        else
            check(static_cast<VtObjectArchedBarGraph&>(*row.graph));
        row.graph->resolveReferences(variables);
        EXPECT_EQ(value.getReferrers().count(), 1) << row.what;
        EXPECT_EQ(target.getReferrers().count(), 1) << row.what;
        row.graph.reset();
    }
}

TEST(VtAttributeChange, ShortValueKeepsTheAttributeButCountsAsSupported)
{
    VtObjectOutputFieldNumber number(1);
    number.setValue(3);
    number.setSize(VtSize(10, 20));
    EXPECT_EQ(change(number, 7, {1, 2}), 0);
    EXPECT_EQ(number.getOffset(), 0);
    EXPECT_EQ(change(number, 101, {1, 2, 3}), 0);
    EXPECT_EQ(number.getWidth(), 10u);

    VtObjectMeter meter(2);
    meter.setSize(VtSize(10, 20));
    EXPECT_EQ(change(meter, 1, {1}), 0);
    EXPECT_EQ(meter.getHeight(), 20u);
}

TEST(VtAttributeChange, PictureGraphicOptionsAndWidth)
{
    VtObjectPictureGraphic picture(1);
    picture.setOptions(0x0F);
    EXPECT_EQ(change(picture, 2, {0x00}), 0);
    EXPECT_EQ(picture.getOptions(), 0x0Cu);
    picture.setActualWidth(200);
    picture.setActualHeight(50);
    EXPECT_EQ(change(picture, 1, {100, 0}), 0);
    EXPECT_EQ(picture.getWidth(), 100u);
    EXPECT_EQ(picture.getHeight(), 25u);
}

TEST(VtSystemInterface, DefaultsOfAFreshTerminal)
{
    VtSystemInterface system;
    uint32_t physical = 0, virtualKeys = 0, small = 0, large = 0, attributes = 0, graphic = 0, flags = 0;
    VtSize keySize, maskSize;
    system.getSoftKeyData(physical, virtualKeys, keySize);
    system.getTextFontData(small, large, attributes);
    system.getHardware(graphic, flags, maskSize);
    EXPECT_EQ(physical, 8u);
    EXPECT_EQ(virtualKeys, 8u);
    EXPECT_EQ(keySize, VtSize(60, 32));
    EXPECT_EQ(small, 3u);
    EXPECT_EQ(large, 0u);
    EXPECT_EQ(attributes, 251u);
    EXPECT_EQ(graphic, 2u);
    EXPECT_EQ(flags, 15u);
    EXPECT_EQ(maskSize, VtSize(200, 200));
    EXPECT_EQ(system.getVtVersion(), 2u);
    EXPECT_EQ(system.getAvailableMemory(), 268435456u);
    EXPECT_EQ(system.getVersionCount(), 0u);
    VtString name("x");
    VtMessageReader reader;
    EXPECT_NE(system.loadVersion(name, reader), 0);
    EXPECT_NE(system.deleteVersion(name), 0);

    system.addFontSize(14);
    system.addFontSize(15);
    system.addFontSize(3);
    system.getTextFontData(small, large, attributes);
    EXPECT_EQ(large, 1u << 6);
    EXPECT_EQ(small, 3u | (1u << 3));
}

TEST(VtSystemInterface, FontSizeTable)
{
    const uint32_t cells[][3] = {{0, 6, 8},   {1, 8, 8},     {2, 8, 12},     {3, 12, 16},    {4, 16, 16},
                                 {5, 16, 24}, {6, 24, 32},   {7, 32, 32},    {8, 32, 48},    {9, 48, 64},
                                 {10, 64, 64}, {11, 64, 96}, {12, 96, 128}, {13, 128, 128}, {14, 128, 192},
                                 {15, 8, 8},  {255, 8, 8}};
    for (const auto& cell : cells) {
        uint32_t width = 0, height = 0;
        VtSystemInterface::getFontSizePixels(cell[0], width, height);
        EXPECT_EQ(width, cell[1]) << cell[0];
        EXPECT_EQ(height, cell[2]) << cell[0];
    }
}
