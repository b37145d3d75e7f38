// Write, read and write again gives the same bytes, for every object type:
// with attributes set at random through the setters, and from random streams
// that the reader accepts.
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjects.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class Random {
public:
    explicit Random(uint32_t seed) : engine_(seed) {}
    uint32_t below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(engine_); }
    uint32_t u8() { return below(256); }
    uint32_t u16() { return below(65536); }
    uint32_t u32() { return std::uniform_int_distribution<uint32_t>()(engine_); }
    int32_t s16() { return int32_t(below(65536)) - 32768; }
    bool flag() { return below(2) == 1; }
    VtColour colour() { return VtColour(u8()); }
    VtSize size() { return VtSize(u16(), u16()); }
    double scale() { return double(int32_t(u32() % 20001) - 10000) / 64.0; }
    VtString text(uint32_t maxLength)
    {
        std::string s(below(maxLength + 1), 'x');
        for (char& c : s)
            c = char(' ' + below(95));
        return VtString(s.c_str());
    }
    // Up to maxLength - 1 random bytes.
    Bytes bytes(uint32_t maxLength)
    {
        Bytes out(below(maxLength));
        for (uint8_t& b : out)
            b = uint8_t(u8());
        return out;
    }
    void childs(VtObjectRefList& list)
    {
        for (uint32_t i = below(5); i > 0; --i)
            list.append(new VtObjectRef(u16(), s16(), s16()));
    }
    void macros(VtObject& object)
    {
        uint32_t n = below(4);
        if (n == 0)
            return;
        auto* list = new VtMacroRefList(n);
        for (uint32_t i = 0; i < n; ++i)
            list->append(new VtMacroRef(u8(), u8()));
        object.setMacros(list);
    }

private:
    std::mt19937 engine_;
};

template <class T>
std::function<void(VtObject&, Random&)> with(std::function<void(T&, Random&)> set)
{
    return [set](VtObject& object, Random& r) { set(static_cast<T&>(object), r); };
}

// Every settable attribute of every type, at random.
const std::map<uint32_t, std::function<void(VtObject&, Random&)>>& randomisers()
{
    static const std::map<uint32_t, std::function<void(VtObject&, Random&)>> table = {
        {VtObjectTypeWorkingSet, with<VtObjectWorkingSet>([](VtObjectWorkingSet& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setActiveMask(r.u16());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeDataMask, with<VtObjectDataMask>([](VtObjectDataMask& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setSoftKeyMask(r.u16());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeAlarmMask, with<VtObjectAlarmMask>([](VtObjectAlarmMask& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setSoftKeyMask(r.u16());
             o.setPriority(r.u8());
             o.setAcousticSignal(r.u8());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeContainer, with<VtObjectContainer>([](VtObjectContainer& o, Random& r) {
             o.setSize(r.size());
             o.setHidden(r.flag());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeSoftKeyMask, with<VtObjectSoftKeyMask>([](VtObjectSoftKeyMask& o, Random& r) {
             o.setBackgroundColour(r.colour());
             for (uint32_t i = r.below(6); i > 0; --i)
                 o.getChilds().append(new VtObjectListItem(r.u16()));
         })},
        {VtObjectTypeKey, with<VtObjectKey>([](VtObjectKey& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setKeyCode(r.u8());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeButton, with<VtObjectButton>([](VtObjectButton& o, Random& r) {
             o.setSize(r.size());
             o.setBackgroundColour(r.colour());
             o.setBorderColour(r.colour());
             o.setKeyCode(r.u8());
             o.setLatchable(r.u8());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeInputFieldBoolean, with<VtObjectInputFieldBoolean>([](VtObjectInputFieldBoolean& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setWidth(r.u16());
             o.setForegroundColour(r.u16());
             o.setVariableReference(r.u16());
             o.setValue(r.u8());
             o.setEnabled(r.u8());
         })},
        {VtObjectTypeInputFieldString, with<VtObjectInputFieldString>([](VtObjectInputFieldString& o, Random& r) {
             o.setSize(r.size());
             o.setBackgroundColour(r.colour());
             o.setFontAttributes(r.u16());
             o.setInputAttributes(r.u16());
             o.setOptions(r.u8());
             o.setVariableReference(r.u16());
             o.setHorizontalJustification(r.u8());
             o.setValue(r.text(255));
             o.setEnabled(r.u8());
         })},
        {VtObjectTypeInputFieldNumber, with<VtObjectInputFieldNumber>([](VtObjectInputFieldNumber& o, Random& r) {
             o.setSize(r.size());
             o.setBackgroundColour(r.colour());
             o.setFontAttributes(r.u16());
             o.setOptions(r.u8());
             o.setVariableReference(r.u16());
             o.setValue(r.u32());
             o.setMinValue(r.u32());
             o.setMaxValue(r.u32());
             o.setOffset(int32_t(r.u32()));
             o.setScale(r.scale());
             o.setNumberOfDecimals(r.u8());
             o.setFormat(r.flag());
             o.setHorizontalJustification(r.u8());
             o.setEnabled(r.u8());
         })},
        {VtObjectTypeInputFieldList, with<VtObjectInputFieldList>([](VtObjectInputFieldList& o, Random& r) {
             o.setSize(r.size());
             o.setVariableReference(r.u16());
             o.setValue(r.u8());
             o.setEnabled(r.u8());
             for (uint32_t i = r.below(6); i > 0; --i)
                 o.addElement(r.u16());
         })},
        {VtObjectTypeOutputFieldString, with<VtObjectOutputFieldString>([](VtObjectOutputFieldString& o, Random& r) {
             o.setSize(r.size());
             o.setBackgroundColour(r.colour());
             o.setFontAttributes(r.u16());
             o.setOptions(r.u8());
             o.setVariableReference(r.u16());
             o.setHorizontalJustification(r.u8());
             o.setValue(r.text(400));
         })},
        {VtObjectTypeOutputFieldNumber, with<VtObjectOutputFieldNumber>([](VtObjectOutputFieldNumber& o, Random& r) {
             o.setSize(r.size());
             o.setBackgroundColour(r.colour());
             o.setFontAttributes(r.u16());
             o.setOptions(r.u8());
             o.setVariableReference(r.u16());
             o.setValue(r.u32());
             o.setOffset(int32_t(r.u32()));
             o.setScale(r.scale());
             o.setNumberOfDecimals(r.u8());
             o.setFormat(r.flag());
             o.setHorizontalJustification(r.u8());
         })},
        {VtObjectTypeLine, with<VtObjectLine>([](VtObjectLine& o, Random& r) {
             o.setLineAttributes(r.u16());
             o.setSize(r.size());
             o.setLineDirection(r.u8());
         })},
        {VtObjectTypeRectangle, with<VtObjectRectangle>([](VtObjectRectangle& o, Random& r) {
             o.setLineAttributes(r.u16());
             o.setSize(r.size());
             o.setLineSuppression(r.u8());
             o.setFillAttributes(r.u16());
         })},
        {VtObjectTypeEllipse, with<VtObjectEllipse>([](VtObjectEllipse& o, Random& r) {
             o.setSize(r.size());
             o.setEllipseType(r.u8());
             o.setStartAngle(r.u8());
             o.setEndAngle(r.u8());
             o.setFillAttributes(r.u16());
         })},
        {VtObjectTypePolygon, with<VtObjectPolygon>([](VtObjectPolygon& o, Random& r) {
             o.setSize(r.size());
             o.setLineAttributes(r.u16());
             o.setFillAttributes(r.u16());
             o.setPolygonType(r.u8());
         })},
        {VtObjectTypeMeter, with<VtObjectMeter>([](VtObjectMeter& o, Random& r) {
             o.setWidth(r.u16());
             o.setNeedleColour(r.colour());
             o.setBorderColour(r.colour());
             o.setArcAndTickColour(r.colour());
             o.setOptions(r.u8());
             o.setNumberOfTicks(r.u8());
             o.setStartAngle(r.u8());
             o.setEndAngle(r.u8());
             o.setMinValue(r.u16());
             o.setMaxValue(r.u16());
             o.setVariableReference(r.u16());
             o.setValue(r.u16());
         })},
        {VtObjectTypeLinearBarGraph, with<VtObjectLinearBarGraph>([](VtObjectLinearBarGraph& o, Random& r) {
             o.setSize(r.size());
             o.setColour(r.colour());
             o.setTargetLineColour(r.colour());
             o.setOptions(r.u8());
             o.setNumberOfTicks(r.u8());
             o.setVariableReference(r.u16());
             o.setValue(r.u16());
             o.setTargetValueVariableReference(r.u16());
             o.setTargetValue(r.u16());
         })},
        {VtObjectTypeArchedBarGraph, with<VtObjectArchedBarGraph>([](VtObjectArchedBarGraph& o, Random& r) {
             o.setSize(r.size());
             o.setColour(r.colour());
             o.setTargetLineColour(r.colour());
             o.setOptions(r.u8());
             o.setStartAngle(r.u8());
             o.setEndAngle(r.u8());
             o.setBarGraphWidth(r.u16());
             o.setMinValue(r.u16());
             o.setMaxValue(r.u16());
             o.setVariableReference(r.u16());
             o.setValue(r.u16());
             o.setTargetValueVariableReference(r.u16());
             o.setTargetValue(r.u16());
         })},
        {VtObjectTypePictureGraphic, with<VtObjectPictureGraphic>([](VtObjectPictureGraphic& o, Random& r) {
             o.setActualWidth(r.u16());
             o.setActualHeight(r.u16());
             o.setFormat(r.u8());
             o.setOptions(r.u8());
             o.setTransparencyColour(r.colour());
             const Bytes raw = r.bytes(50);
             o.getRawData().assign(raw.data(), uint32_t(raw.size()));
             o.setSize(VtSize(r.u16(), 0));
         })},
        {VtObjectTypeNumberVariable, with<VtObjectNumberVariable>([](VtObjectNumberVariable& o, Random& r) { o.setValue(r.u32()); })},
        {VtObjectTypeStringVariable, with<VtObjectStringVariable>([](VtObjectStringVariable& o, Random& r) { o.setValue(r.text(400)); })},
        {VtObjectTypeFontAttribute, with<VtObjectFontAttribute>([](VtObjectFontAttribute& o, Random& r) {
             o.setFontColour(r.colour());
             o.setFontSize(r.u8());
             o.setFontType(r.u8());
             o.setFontStyle(r.u8());
         })},
        {VtObjectTypeLineAttribute, with<VtObjectLineAttribute>([](VtObjectLineAttribute& o, Random& r) {
             o.setLineColour(r.colour());
             o.setLineWidth(r.u8());
             o.setLineArt(r.u16());
         })},
        {VtObjectTypeFillAttribute, with<VtObjectFillAttribute>([](VtObjectFillAttribute& o, Random& r) {
             o.setFillType(r.u8());
             o.setFillColour(r.colour());
             o.setFillPattern(r.u16());
         })},
        {VtObjectTypeInputAttribute, with<VtObjectInputAttribute>([](VtObjectInputAttribute& o, Random& r) {
             o.setValidationType(r.u8());
             o.setValidationString(r.text(255));
         })},
        {VtObjectTypePointer, with<VtObjectPointer>([](VtObjectPointer& o, Random& r) { o.setValue(r.u16()); })},
        {VtObjectTypeMacro, with<VtObjectMacro>([](VtObjectMacro& o, Random& r) {
             const Bytes commands = r.bytes(40);
             o.getCommands().assign(commands.data(), uint32_t(commands.size()));
         })},
        {VtObjectTypeAuxiliaryFunction, with<VtObjectAuxiliaryFunction>([](VtObjectAuxiliaryFunction& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setFunctionType(r.u8());
             r.childs(o.getChilds());
         })},
        {VtObjectTypeAuxiliaryInput, with<VtObjectAuxiliaryInput>([](VtObjectAuxiliaryInput& o, Random& r) {
             o.setBackgroundColour(r.colour());
             o.setFunctionType(r.u8());
             o.setInputId(r.u8());
             r.childs(o.getChilds());
         })},
    };
    return table;
}

bool hasMacros(uint32_t type)
{
    return type != VtObjectTypeNumberVariable && type != VtObjectTypeStringVariable &&
           type != VtObjectTypePointer && type != VtObjectTypeMacro && type != VtObjectTypeAuxiliaryFunction &&
           type != VtObjectTypeAuxiliaryInput;
}

Bytes attributesOf(VtObject& object)
{
    VtMessageWriter writer(70000, nullptr);
    EXPECT_EQ(object.write(writer), 0);
    return Bytes(writer.getData(), writer.getData() + writer.getLength());
}

// Reads the bytes into a new object of the type; null when the read fails.
std::unique_ptr<VtObject> readBack(uint32_t type, const Bytes& bytes, uint32_t* consumed = nullptr)
{
    std::unique_ptr<VtObject> object(createVtObject(type, 1));
    VtMessageReader reader;
    reader.setData(bytes.data(), uint32_t(bytes.size()));
    if (object->read(reader) != 0)
        return nullptr;
    if (consumed != nullptr)
        *consumed = uint32_t(bytes.size()) - reader.getRemaining();
    return object;
}

} // namespace

TEST(VtObjectRoundTrip, RandomisedAttributesSurviveWriteReadWrite)
{
    ASSERT_EQ(randomisers().size(), size_t(VT_OBJECT_TYPE_COUNT));
    Random random(20261210);
    for (int round = 0; round < 40; ++round) {
        for (const auto& entry : randomisers()) {
            const uint32_t type = entry.first;
            std::unique_ptr<VtObject> original(createVtObject(type, 1));
            entry.second(*original, random);
            if (hasMacros(type))
                random.macros(*original);
            const Bytes first = attributesOf(*original);

            uint32_t consumed = 0;
            std::unique_ptr<VtObject> copy = readBack(type, first, &consumed);
            ASSERT_NE(copy, nullptr) << VtObject::getTypeName(type);
            EXPECT_EQ(consumed, first.size()) << VtObject::getTypeName(type);
            EXPECT_EQ(attributesOf(*copy), first) << VtObject::getTypeName(type);
            EXPECT_EQ(copy->getNumberOfMacros(), original->getNumberOfMacros());

            // Every cut-short stream is refused.
            for (size_t length = 0; length < first.size(); length += 1 + length / 8)
                EXPECT_EQ(readBack(type, Bytes(first.begin(), first.begin() + length)), nullptr)
                    << VtObject::getTypeName(type) << " cut to " << length;
        }
    }
}

TEST(VtObjectRoundTrip, AcceptedRandomStreamsWriteBackTheSame)
{
    // Small byte values make counts and lengths that fit more often.
    Random random(7);
    int accepted = 0;
    for (int round = 0; round < 300; ++round) {
        for (uint32_t type = 0; type < VT_OBJECT_TYPE_COUNT; ++type) {
            Bytes stream(8 + random.below(120));
            for (uint8_t& b : stream)
                b = uint8_t(random.below(10) < 7 ? random.below(4) : random.u8());
            std::unique_ptr<VtObject> object = readBack(type, stream);
            if (object == nullptr)
                continue;
            ++accepted;
            const Bytes first = attributesOf(*object);
            std::unique_ptr<VtObject> again = readBack(type, first);
            ASSERT_NE(again, nullptr) << VtObject::getTypeName(type);
            EXPECT_EQ(attributesOf(*again), first) << VtObject::getTypeName(type);
        }
    }
    EXPECT_GT(accepted, 1000);
}

TEST(VtObjectRoundTrip, ReadSetsWhatOnlyTheStreamCarries)
{
    // Polygon points and working-set languages have no setters: only a
    // received stream gives them.
    const Bytes polygon = {10, 0, 20, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 0, 1, 0, 2, 0, 3, 0, 4, 0};
    std::unique_ptr<VtObject> object = readBack(VtObjectTypePolygon, polygon);
    ASSERT_NE(object, nullptr);
    auto& shape = static_cast<VtObjectPolygon&>(*object);
    uint32_t x = 0, y = 0;
    shape.getPoint(1, x, y);
    EXPECT_EQ(shape.getNumberOfPoints(), 2u);
    EXPECT_EQ(x, 3u);
    EXPECT_EQ(y, 4u);
    EXPECT_EQ(attributesOf(shape), polygon);

    const Bytes workingSet = {1, 1, 0x11, 0x27, 0, 0, 2, 'e', 'n', 'd', 'e'};
    object = readBack(VtObjectTypeWorkingSet, workingSet);
    ASSERT_NE(object, nullptr);
    auto& ws = static_cast<VtObjectWorkingSet&>(*object);
    EXPECT_EQ(ws.getNumberOfLanguages(), 2u);
    EXPECT_STREQ(ws.getLanguage(1), "de");
    EXPECT_EQ(ws.getActiveMaskObserver().getOid(), 10001u);
    EXPECT_EQ(attributesOf(ws), workingSet);

    // A picture is displayed at the width asked for, keeping its ratio.
    const Bytes picture = {100, 0, 200, 0, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    object = readBack(VtObjectTypePictureGraphic, picture);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<VtObjectPictureGraphic&>(*object).getWidth(), 100u);
    EXPECT_EQ(static_cast<VtObjectPictureGraphic&>(*object).getHeight(), 25u);
    const Bytes unknownWidth = {100, 0, 0, 0, 50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    object = readBack(VtObjectTypePictureGraphic, unknownWidth);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<VtObjectPictureGraphic&>(*object).getWidth(), 0u);
    EXPECT_EQ(static_cast<VtObjectPictureGraphic&>(*object).getHeight(), 50u);
}

TEST(VtObjectRoundTrip, OptionBytesOfButtonsAndInputFieldsKeepEveryBit)
{
    // Later terminal versions put more than one bit into these bytes (a
    // button's state and border, an input's real-time editing): a stream
    // read and written again carries them unchanged.
    struct Row {
        uint32_t type;
        Bytes stream;
        std::function<uint32_t(VtObject&)> option;
        uint32_t expected;
    };
    const std::vector<Row> rows = {
        {VtObjectTypeButton, {20, 0, 10, 0, 1, 2, 3, 0x35, 0, 0},
         [](VtObject& o) { return static_cast<VtObjectButton&>(o).getLatchable(); }, 0x35},
        {VtObjectTypeInputFieldBoolean, {1, 16, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0x81, 0},
         [](VtObject& o) { return static_cast<VtObjectInputFieldBoolean&>(o).getEnabled(); }, 0x81},
        {VtObjectTypeInputFieldString,
         {40, 0, 16, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0xFF, 0xFF, 0, 2, 'o', 'k', 0x03, 0},
         [](VtObject& o) { return static_cast<VtObjectInputFieldString&>(o).getEnabled(); }, 0x03},
        {VtObjectTypeInputFieldNumber,
         {40, 0, 16, 0, 1, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 5, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0,
          0, 0, 0, 0, 0x00, 0x00, 0x80, 0x3F, 1, 0, 2, 0x03, 0},
         [](VtObject& o) { return static_cast<VtObjectInputFieldNumber&>(o).getEnabled(); }, 0x03},
        {VtObjectTypeInputFieldList, {40, 0, 16, 0, 0xFF, 0xFF, 0, 0, 0x02, 0},
         [](VtObject& o) { return static_cast<VtObjectInputFieldList&>(o).getEnabled(); }, 0x02},
    };
    for (const Row& row : rows) {
        std::unique_ptr<VtObject> object = readBack(row.type, row.stream);
        ASSERT_NE(object, nullptr) << VtObject::getTypeName(row.type);
        EXPECT_EQ(row.option(*object), row.expected) << VtObject::getTypeName(row.type);
        EXPECT_EQ(attributesOf(*object), row.stream) << VtObject::getTypeName(row.type);
    }
}

TEST(VtObjectRoundTrip, InputListElementsAreObservedByTheList)
{
    const Bytes list = {10, 0, 10, 0, 0xFF, 0xFF, 0, 2, 1, 0, 0x20, 0, 0x21, 0};
    std::unique_ptr<VtObject> object = readBack(VtObjectTypeInputFieldList, list);
    ASSERT_NE(object, nullptr);
    auto& input = static_cast<VtObjectInputFieldList&>(*object);
    ASSERT_EQ(input.getElements().size(), 2u);
    ASSERT_NE(input.getElements().at(1)->observer, nullptr);
    EXPECT_EQ(input.getElements().at(1)->observer->getOid(), 0x21u);
    EXPECT_EQ(input.getElements().at(1)->observer->getHolder(), &input);
}
