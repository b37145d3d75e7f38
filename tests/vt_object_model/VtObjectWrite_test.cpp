#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// The object as it appears in a pool stream: ID, type code, attributes.
Bytes streamOf(VtObject& object, uint32_t capacity = 4096)
{
    VtMessageWriter writer(capacity, nullptr);
    writer.writeOid(object.getOid(), "oid");
    writer.writeByte(object.getType(), "type");
    EXPECT_EQ(object.write(writer), 0);
    return Bytes(writer.getData(), writer.getData() + writer.getLength());
}

VtMacroRefList* macros(std::initializer_list<std::pair<uint32_t, uint32_t>> entries)
{
    auto* list = new VtMacroRefList(uint32_t(entries.size()));
    for (const auto& e : entries)
        list->append(new VtMacroRef(e.first, e.second));
    return list;
}

struct GoldenRow {
    const char* what;
    std::function<VtObject*()> make;
    Bytes expected;
};

const std::vector<GoldenRow>& goldenRows()
{
    static const std::vector<GoldenRow> rows = {
        {"working set",
         [] {
             auto* o = new VtObjectWorkingSet(10000);
             o->setBackgroundColour(VtColour(1));
             o->setActiveMask(10001);
             return o;
         },
         {0x10, 0x27, 0x00, 0x01, 0x00, 0x11, 0x27, 0x00, 0x00, 0x00}},
        {"working set with a child and a macro",
         [] {
             auto* o = new VtObjectWorkingSet(10000);
             o->setBackgroundColour(VtColour(1));
             o->setActiveMask(10001);
             o->getChilds().append(new VtObjectRef(10005, -3, 20));
             o->setMacros(macros({{1, 7}}));
             return o;
         },
         {0x10, 0x27, 0x00, 0x01, 0x00, 0x11, 0x27, 0x01, 0x01, 0x00, 0x15, 0x27, 0xFD, 0xFF, 0x14, 0x00, 0x01,
          0x07}},
        {"data mask",
         [] {
             auto* o = new VtObjectDataMask(10001);
             o->getChilds().append(new VtObjectRef(10100, 20, 40));
             o->setSoftKeyMask(10050);
             o->setBackgroundColour(VtColour(1));
             return o;
         },
         {0x11, 0x27, 0x01, 0x01, 0x42, 0x27, 0x01, 0x00, 0x74, 0x27, 0x14, 0x00, 0x28, 0x00}},
        {"alarm mask",
         [] {
             auto* o = new VtObjectAlarmMask(0x0102);
             o->setBackgroundColour(VtColour(12));
             o->setSoftKeyMask(0x0304);
             o->setPriority(1);
             o->setAcousticSignal(2);
             return o;
         },
         {0x02, 0x01, 0x02, 0x0C, 0x04, 0x03, 0x01, 0x02, 0x00, 0x00}},
        {"container",
         [] {
             auto* o = new VtObjectContainer(5);
             o->setSize(VtSize(100, 50));
             o->setHidden(true);
             o->getChilds().append(new VtObjectRef(6, 1, 2));
             return o;
         },
         {0x05, 0x00, 0x03, 0x64, 0x00, 0x32, 0x00, 0x01, 0x01, 0x00, 0x06, 0x00, 0x01, 0x00, 0x02, 0x00}},
        {"soft key mask",
         [] {
             auto* o = new VtObjectSoftKeyMask(7);
             o->setBackgroundColour(VtColour(9));
             o->getChilds().append(new VtObjectListItem(8));
             o->getChilds().append(new VtObjectListItem(9));
             return o;
         },
         {0x07, 0x00, 0x04, 0x09, 0x02, 0x00, 0x08, 0x00, 0x09, 0x00}},
        {"key",
         [] {
             auto* o = new VtObjectKey(8);
             o->setBackgroundColour(VtColour(2));
             o->setKeyCode(5);
             o->getChilds().append(new VtObjectRef(10, 0, 0));
             return o;
         },
         {0x08, 0x00, 0x05, 0x02, 0x05, 0x01, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"button",
         [] {
             auto* o = new VtObjectButton(11);
             o->setSize(VtSize(80, 40));
             o->setBackgroundColour(VtColour(3));
             o->setBorderColour(VtColour(4));
             o->setKeyCode(6);
             o->setLatchable(true);
             return o;
         },
         {0x0B, 0x00, 0x06, 0x50, 0x00, 0x28, 0x00, 0x03, 0x04, 0x06, 0x01, 0x00, 0x00}},
        {"input boolean writes the width only",
         [] {
             auto* o = new VtObjectInputFieldBoolean(12);
             o->setBackgroundColour(VtColour(1));
             o->setSize(VtSize(20, 99));
             o->setForegroundColour(0x10);
             o->setVariableReference(0x11);
             o->setValue(1);
             o->setEnabled(true);
             return o;
         },
         {0x0C, 0x00, 0x07, 0x01, 0x14, 0x00, 0x10, 0x00, 0x11, 0x00, 0x01, 0x01, 0x00}},
        {"input string",
         [] {
             auto* o = new VtObjectInputFieldString(13);
             o->setSize(VtSize(120, 20));
             o->setBackgroundColour(VtColour(1));
             o->setFontAttributes(0x10);
             o->setInputAttributes(0x12);
             o->setOptions(3);
             o->setHorizontalJustification(2);
             o->setValue(VtString("ab"));
             o->setEnabled(true);
             return o;
         },
         {0x0D, 0x00, 0x08, 0x78, 0x00, 0x14, 0x00, 0x01, 0x10, 0x00, 0x12, 0x00, 0x03, 0xFF, 0xFF, 0x02, 0x02,
          'a', 'b', 0x01, 0x00}},
        {"new input number: scale 1.0, every ID 65535",
         [] { return new VtObjectInputFieldNumber(14); },
         {0x0E, 0x00, 0x09, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
          0, 0, 0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0}},
        {"input number",
         [] {
             auto* o = new VtObjectInputFieldNumber(14);
             o->setValue(1234);
             o->setMaxValue(0x10000);
             o->setOffset(-1);
             o->setScale(0.5);
             o->setNumberOfDecimals(2);
             o->setFormat(true);
             o->setHorizontalJustification(1);
             o->setEnabled(true);
             o->setMacros(macros({{3, 4}}));
             return o;
         },
         {0x0E, 0x00, 0x09, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0xD2, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0,
          0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x3F, 2, 1, 1, 1, 1, 3, 4}},
        {"input list",
         [] {
             auto* o = new VtObjectInputFieldList(15);
             o->setSize(VtSize(60, 20));
             o->setValue(1);
             o->addElement(0x20);
             o->addElement(0x21);
             o->setEnabled(true);
             return o;
         },
         {0x0F, 0x00, 0x0A, 0x3C, 0x00, 0x14, 0x00, 0xFF, 0xFF, 0x01, 0x02, 0x01, 0x00, 0x20, 0x00, 0x21, 0x00}},
        {"output string",
         [] {
             auto* o = new VtObjectOutputFieldString(16);
             o->setSize(VtSize(30, 10));
             o->setBackgroundColour(VtColour(1));
             o->setFontAttributes(0x30);
             o->setValue(VtString("abc"));
             return o;
         },
         {0x10, 0x00, 0x0B, 0x1E, 0x00, 0x0A, 0x00, 0x01, 0x30, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x03, 0x00, 'a',
          'b', 'c', 0x00}},
        {"output number",
         [] {
             auto* o = new VtObjectOutputFieldNumber(17);
             o->setSize(VtSize(40, 12));
             o->setFontAttributes(0x30);
             o->setOptions(1);
             o->setVariableReference(0x31);
             o->setValue(7);
             o->setOffset(-10);
             o->setScale(0.1);
             o->setNumberOfDecimals(1);
             o->setHorizontalJustification(2);
             return o;
         },
         {0x11, 0x00, 0x0C, 0x28, 0x00, 0x0C, 0x00, 0x00, 0x30, 0x00, 0x01, 0x31, 0x00, 0x07, 0x00, 0x00, 0x00,
          0xF6, 0xFF, 0xFF, 0xFF, 0xCD, 0xCC, 0xCC, 0x3D, 0x01, 0x00, 0x02, 0x00}},
        {"line",
         [] {
             auto* o = new VtObjectLine(19);
             o->setLineAttributes(0x40);
             o->setSize(VtSize(10, 20));
             o->setLineDirection(1);
             return o;
         },
         {0x13, 0x00, 0x0D, 0x40, 0x00, 0x0A, 0x00, 0x14, 0x00, 0x01, 0x00}},
        {"rectangle",
         [] {
             auto* o = new VtObjectRectangle(20);
             o->setLineAttributes(0x40);
             o->setSize(VtSize(30, 40));
             o->setLineSuppression(5);
             o->setFillAttributes(0x41);
             return o;
         },
         {0x14, 0x00, 0x0E, 0x40, 0x00, 0x1E, 0x00, 0x28, 0x00, 0x05, 0x41, 0x00, 0x00}},
        {"ellipse",
         [] {
             auto* o = new VtObjectEllipse(21);
             o->setSize(VtSize(16, 16));
             o->setEllipseType(1);
             o->setStartAngle(10);
             o->setEndAngle(90);
             o->setFillAttributes(0x41);
             return o;
         },
         {0x15, 0x00, 0x0F, 0xFF, 0xFF, 0x10, 0x00, 0x10, 0x00, 0x01, 0x0A, 0x5A, 0x41, 0x00, 0x00}},
        {"polygon",
         [] {
             auto* o = new VtObjectPolygon(22);
             o->setSize(VtSize(50, 60));
             o->setLineAttributes(0x40);
             o->setFillAttributes(0x41);
             o->setPolygonType(2);
             return o;
         },
         {0x16, 0x00, 0x10, 0x32, 0x00, 0x3C, 0x00, 0x40, 0x00, 0x41, 0x00, 0x02, 0x00, 0x00}},
        {"meter writes the width only",
         [] {
             auto* o = new VtObjectMeter(23);
             o->setSize(VtSize(100, 7));
             o->setNeedleColour(VtColour(1));
             o->setBorderColour(VtColour(2));
             o->setArcAndTickColour(VtColour(3));
             o->setOptions(4);
             o->setNumberOfTicks(5);
             o->setStartAngle(6);
             o->setEndAngle(7);
             o->setMinValue(0x100);
             o->setMaxValue(0x200);
             o->setVariableReference(0x50);
             o->setValue(0x150);
             return o;
         },
         {0x17, 0x00, 0x11, 0x64, 0x00, 1, 2, 3, 4, 5, 6, 7, 0x00, 0x01, 0x00, 0x02, 0x50, 0x00, 0x50, 0x01,
          0x00}},
        {"linear bar graph",
         [] {
             auto* o = new VtObjectLinearBarGraph(24);
             o->setSize(VtSize(20, 100));
             o->setColour(VtColour(2));
             o->setTargetLineColour(VtColour(12));
             o->setOptions(1);
             o->setNumberOfTicks(10);
             o->setVariableReference(0x50);
             o->setValue(33);
             o->setTargetValue(44);
             return o;
         },
         {0x18, 0x00, 0x12, 0x14, 0x00, 0x64, 0x00, 0x02, 0x0C, 0x01, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x50, 0x00,
          0x21, 0x00, 0xFF, 0xFF, 0x2C, 0x00, 0x00}},
        {"arched bar graph with two macros",
         [] {
             auto* o = new VtObjectArchedBarGraph(25);
             o->setSize(VtSize(80, 80));
             o->setColour(VtColour(1));
             o->setTargetLineColour(VtColour(2));
             o->setOptions(3);
             o->setStartAngle(4);
             o->setEndAngle(5);
             o->setBarGraphWidth(10);
             o->setMaxValue(100);
             o->setValue(50);
             o->setTargetValue(75);
             o->setMacros(macros({{0, 1}, {1, 2}}));
             return o;
         },
         {0x19, 0x00, 0x13, 0x50, 0x00, 0x50, 0x00, 1, 2, 3, 4, 5, 0x0A, 0x00, 0x00, 0x00, 0x64, 0x00, 0xFF,
          0xFF, 0x32, 0x00, 0xFF, 0xFF, 0x4B, 0x00, 0x02, 0x00, 0x01, 0x01, 0x02}},
        {"picture graphic",
         [] {
             auto* o = new VtObjectPictureGraphic(26);
             o->setActualWidth(4);
             o->setActualHeight(2);
             o->setOptions(1);
             o->setTransparencyColour(VtColour(3));
             const uint8_t raw[] = {0xAA, 0xBB};
             o->getRawData().assign(raw, 2);
             o->setSize(VtSize(8, 0));
             return o;
         },
         {0x1A, 0x00, 0x14, 0x08, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x01, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00,
          0xAA, 0xBB}},
        {"number variable",
         [] {
             auto* o = new VtObjectNumberVariable(27);
             o->setValue(0x12345678);
             return o;
         },
         {0x1B, 0x00, 0x15, 0x78, 0x56, 0x34, 0x12}},
        {"string variable",
         [] {
             auto* o = new VtObjectStringVariable(28);
             o->setValue(VtString("hi"));
             return o;
         },
         {0x1C, 0x00, 0x16, 0x02, 0x00, 'h', 'i'}},
        {"font attributes",
         [] {
             auto* o = new VtObjectFontAttribute(29);
             o->setFontColour(VtColour(1));
             o->setFontSize(3);
             o->setFontStyle(4);
             return o;
         },
         {0x1D, 0x00, 0x17, 0x01, 0x03, 0x00, 0x04, 0x00}},
        {"line attributes draw every pixel by default",
         [] {
             auto* o = new VtObjectLineAttribute(30);
             o->setLineColour(VtColour(12));
             o->setLineWidth(2);
             return o;
         },
         {0x1E, 0x00, 0x18, 0x0C, 0x02, 0xFF, 0xFF, 0x00}},
        {"fill attributes",
         [] {
             auto* o = new VtObjectFillAttribute(31);
             o->setFillType(2);
             o->setFillColour(VtColour(14));
             o->setFillPattern(26);
             return o;
         },
         {0x1F, 0x00, 0x19, 0x02, 0x0E, 0x1A, 0x00, 0x00}},
        {"input attributes",
         [] {
             auto* o = new VtObjectInputAttribute(32);
             o->setValidationType(1);
             o->setValidationString(VtString("0123456789"));
             return o;
         },
         {0x20, 0x00, 0x1A, 0x01, 0x0A, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 0x00}},
        {"object pointer",
         [] {
             auto* o = new VtObjectPointer(33);
             o->setValue(14);
             return o;
         },
         {0x21, 0x00, 0x1B, 0x0E, 0x00}},
        {"macro",
         [] {
             auto* o = new VtObjectMacro(34);
             const uint8_t commands[] = {0xA1, 0x0E, 0x00};
             o->getCommands().assign(commands, 3);
             return o;
         },
         {0x22, 0x00, 0x1C, 0x03, 0x00, 0xA1, 0x0E, 0x00}},
        {"auxiliary function",
         [] {
             auto* o = new VtObjectAuxiliaryFunction(35);
             o->setBackgroundColour(VtColour(1));
             o->setFunctionType(2);
             o->getChilds().append(new VtObjectRef(36, 0, 0));
             return o;
         },
         {0x23, 0x00, 0x1D, 0x01, 0x02, 0x01, 0x24, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"auxiliary input",
         [] {
             auto* o = new VtObjectAuxiliaryInput(37);
             o->setBackgroundColour(VtColour(1));
             o->setFunctionType(2);
             o->setInputId(3);
             return o;
         },
         {0x25, 0x00, 0x1E, 0x01, 0x02, 0x03, 0x00}},
    };
    return rows;
}

} // namespace

TEST(VtObjectWrite, GoldenBytesPerType)
{
    std::vector<bool> covered(VT_OBJECT_TYPE_COUNT, false);
    for (const GoldenRow& row : goldenRows()) {
        std::unique_ptr<VtObject> object(row.make());
        covered[object->getType()] = true;
        EXPECT_EQ(streamOf(*object), row.expected) << row.what;
    }
    for (uint32_t type = 0; type < VT_OBJECT_TYPE_COUNT; ++type)
        EXPECT_TRUE(covered[type]) << "no golden row for type " << type;
}

TEST(VtObjectWrite, EveryTypeFailsVisiblyWhenTheWriterIsOneByteShort)
{
    for (const GoldenRow& row : goldenRows()) {
        std::unique_ptr<VtObject> object(row.make());
        const uint32_t attributes = uint32_t(row.expected.size() - 3);
        VtMessageWriter writer(attributes - 1, nullptr);
        EXPECT_EQ(object->write(writer), 1) << row.what;
        EXPECT_TRUE(writer.hasFailed()) << row.what;
        // Whatever was written is a prefix of the golden bytes.
        Bytes written(writer.getData(), writer.getData() + writer.getLength());
        EXPECT_TRUE(std::equal(written.begin(), written.end(), row.expected.begin() + 3)) << row.what;
    }
}

TEST(VtObjectWrite, ListTooLongForItsCountIsRefused)
{
    VtObjectContainer container(1);
    for (int i = 0; i < 256; ++i)
        container.getChilds().append(new VtObjectRef(2, 0, 0));
    VtMessageWriter writer(4096, nullptr);
    EXPECT_EQ(container.write(writer), 1);
    EXPECT_TRUE(writer.hasFailed());

    VtObjectInputFieldString field(3);
    field.setValue(VtString(std::string(300, 'x').c_str()));
    VtMessageWriter second(4096, nullptr);
    EXPECT_EQ(field.write(second), 1);
    EXPECT_TRUE(second.hasFailed());
}

TEST(VtObjectWrite, PictureGraphicKeepsItsAspectRatio)
{
    VtObjectPictureGraphic picture(1);
    picture.setActualWidth(100);
    picture.setActualHeight(50);
    picture.setSize(VtSize(200, 10));
    EXPECT_EQ(picture.getPictureWidth(), 200u);
    EXPECT_EQ(picture.getWidth(), 200u);
    EXPECT_EQ(picture.getHeight(), 100u);

    VtObjectPictureGraphic unknown(2);
    unknown.setActualHeight(30);
    unknown.setSize(VtSize(80, 80));
    EXPECT_EQ(unknown.getWidth(), 0u);
    EXPECT_EQ(unknown.getHeight(), 30u);
}

TEST(VtObjectWrite, PolygonPointPastTheEndIsOrigin)
{
    VtObjectPolygon polygon(1);
    uint32_t x = 9, y = 9;
    polygon.getPoint(polygon.getNumberOfPoints(), x, y);
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(y, 0u);
}

TEST(VtObjectWrite, ObserverUpdatesOfTheSetters)
{
    // A pointer set to its current ID keeps its resolved target.
    VtObjectNumberVariable target(5);
    VtObjectPointer pointer(1);
    pointer.setValue(5);
    target.attachObserver(const_cast<VtObjectObserver*>(&pointer.getValueObserver()));
    pointer.setValue(5);
    EXPECT_EQ(pointer.getValueObserver().getTarget(), &target);
    pointer.setValue(6);
    EXPECT_EQ(pointer.getValueObserver().getTarget(), nullptr);
    EXPECT_EQ(pointer.getValueObserver().getOid(), 6u);

    // The fill pattern is stored alone and reaches its observer when written.
    VtObjectFillAttribute fill(2);
    fill.setFillPattern(26);
    EXPECT_EQ(fill.getFillPatternObserver().getOid(), VT_NULL_ID);
    VtMessageWriter writer(2, nullptr);
    EXPECT_EQ(fill.write(writer), 1);
    EXPECT_EQ(fill.getFillPatternObserver().getOid(), 26u);
}

TEST(VtPoolWriter, WritesObjectsInAscendingIdOrder)
{
    std::vector<VtObject*> table(65536, nullptr);
    VtMessageWriter writer(100, nullptr);
    EXPECT_EQ(writeVtObjectPool(writer, table.data(), table.size()), 0);
    EXPECT_EQ(writer.getLength(), 0u);

    auto* variable = new VtObjectNumberVariable(30000);
    variable->setValue(1);
    auto* workingSet = new VtObjectWorkingSet(10000);
    workingSet->setActiveMask(10001);
    table[30000] = variable;
    table[10000] = workingSet;
    EXPECT_EQ(writeVtObjectPool(writer, table.data(), table.size()), 0);
    const Bytes expected = {0x10, 0x27, 0x00, 0x00, 0x00, 0x11, 0x27, 0x00, 0x00, 0x00,
                            0x30, 0x75, 0x15, 0x01, 0x00, 0x00, 0x00};
    EXPECT_EQ(Bytes(writer.getData(), writer.getData() + writer.getLength()), expected);

    // A pool larger than the writer is reported, never handed over cut short.
    VtMessageWriter small(12, nullptr);
    EXPECT_EQ(writeVtObjectPool(small, table.data(), table.size()), -1);
    EXPECT_TRUE(small.hasFailed());
    delete variable;
    delete workingSet;
}
