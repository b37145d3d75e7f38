#include "CapturingVtLogger.h"

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtMessageWriter.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> bytes(const VtMessageWriter& writer)
{
    return std::vector<uint8_t>(writer.getData(), writer.getData() + writer.getLength());
}

struct FieldRow {
    const char* what;
    std::function<int(VtMessageWriter&)> write;
    std::vector<uint8_t> expected;
};

} // namespace

TEST(VtMessageWriter, EncodesEveryFieldKindLittleEndian)
{
    VtObjectRefList refs;
    refs.append(new VtObjectRef(10005, -3, 20));
    VtObjectList ids;
    ids.append(new VtObjectListItem(0x1234));
    ids.append(new VtObjectListItem(0xFFFF));
    VtMacroRefList macros(2);
    macros.append(new VtMacroRef(1, 7));
    macros.append(new VtMacroRef(9, 255));
    const uint8_t raw[] = {0xDE, 0xAD};
    VtData data;
    data.assign(raw, 2);

    const std::vector<FieldRow> rows = {
        {"oid", [](VtMessageWriter& w) { return w.writeOid(0x1234, "a"); }, {0x34, 0x12}},
        {"byte keeps the low 8 bits", [](VtMessageWriter& w) { return w.writeByte(0x1FF, "a"); }, {0xFF}},
        {"bool", [](VtMessageWriter& w) { return w.writeBool(1, "a"); }, {0x01}},
        {"ushort", [](VtMessageWriter& w) { return w.writeUShort(0xFFFF, "a"); }, {0xFF, 0xFF}},
        {"sshort", [](VtMessageWriter& w) { return w.writeSShort(-2, "a"); }, {0xFE, 0xFF}},
        {"uint", [](VtMessageWriter& w) { return w.writeUInt(0x12345678, "a"); }, {0x78, 0x56, 0x34, 0x12}},
        {"sint", [](VtMessageWriter& w) { return w.writeSInt(-1, "a"); }, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"float 1.0", [](VtMessageWriter& w) { return w.writeFloat(1.0, "a"); }, {0x00, 0x00, 0x80, 0x3F}},
        {"float -0.5", [](VtMessageWriter& w) { return w.writeFloat(-0.5, "a"); }, {0x00, 0x00, 0x00, 0xBF}},
        {"colour", [](VtMessageWriter& w) { return w.writeColour(VtColour(12), "a"); }, {0x0C}},
        {"colour beyond the palette keeps its low byte",
         [](VtMessageWriter& w) { return w.writeColour(VtColour(300), "a"); }, {44}},
        {"size", [](VtMessageWriter& w) { return w.writeSize(VtSize(240, 0x123), "a"); }, {0xF0, 0x00, 0x23, 0x01}},
        {"one-byte length string", [](VtMessageWriter& w) { return w.writeStringL1(VtString("ab"), "a"); },
         {0x02, 'a', 'b'}},
        {"empty one-byte length string", [](VtMessageWriter& w) { return w.writeStringL1(VtString(), "a"); },
         {0x00}},
        {"two-byte length string", [](VtMessageWriter& w) { return w.writeString(VtString("abc"), "a"); },
         {0x03, 0x00, 'a', 'b', 'c'}},
        {"empty two-byte length string", [](VtMessageWriter& w) { return w.writeString(VtString(), "a"); },
         {0x00, 0x00}},
        {"data", [&](VtMessageWriter& w) { return w.writeData(data, "a"); }, {0xDE, 0xAD}},
        {"empty data", [](VtMessageWriter& w) { return w.writeData(VtData(), "a"); }, {}},
        {"object list", [&](VtMessageWriter& w) { return w.writeObjectList(ids, "a"); }, {0x34, 0x12, 0xFF, 0xFF}},
        {"child list", [&](VtMessageWriter& w) { return w.writeObjectRefList(refs, "a"); },
         {0x15, 0x27, 0xFD, 0xFF, 0x14, 0x00}},
        {"macro list", [&](VtMessageWriter& w) { return w.writeMacroList(&macros, nullptr); }, {1, 7, 9, 255}},
    };
    for (const FieldRow& row : rows) {
        VtMessageWriter writer(64, nullptr);
        EXPECT_EQ(row.write(writer), 1) << row.what;
        EXPECT_EQ(bytes(writer), row.expected) << row.what;
        EXPECT_FALSE(writer.hasFailed()) << row.what;
    }
}

TEST(VtMessageWriter, RefusedFieldLeavesTheStreamUnchangedAndFailsTheRest)
{
    VtObjectRefList refs;
    refs.append(new VtObjectRef(10005, -3, 20));
    VtMessageWriter writer(6, nullptr);
    ASSERT_EQ(writer.writeByte(0xAA, nullptr), 1);
    const std::vector<uint8_t> before = bytes(writer);

    EXPECT_EQ(writer.writeObjectRefList(refs, "childs"), 0); // 5 bytes of room
    EXPECT_EQ(bytes(writer), before);
    EXPECT_TRUE(writer.hasFailed());
    // A field that would fit is refused too: nothing may follow a hole.
    EXPECT_EQ(writer.writeByte(1, nullptr), 0);
    EXPECT_EQ(writer.getLength(), 1u);

    writer.reset();
    EXPECT_FALSE(writer.hasFailed());
    EXPECT_EQ(writer.getLength(), 0u);
    EXPECT_EQ(writer.writeObjectRefList(refs, "childs"), 1);
    EXPECT_EQ(writer.getFree(), 0u);
}

TEST(VtMessageWriter, RefusesWhatItCannotRepresent)
{
    struct Row {
        const char* what;
        std::function<int(VtMessageWriter&)> write;
    };
    const std::string longText(256, 'x');
    const std::vector<Row> rows = {
        {"one-byte length string over 255", [&](VtMessageWriter& w) { return w.writeStringL1(VtString(longText.c_str()), "a"); }},
        {"null data with a count", [](VtMessageWriter& w) { return w.writeData(nullptr, 3, "a"); }},
        {"null macro list", [](VtMessageWriter& w) { return w.writeMacroList(nullptr, "a"); }},
        {"field larger than the room", [](VtMessageWriter& w) { return w.writeUInt(1, "a"); }},
    };
    for (const Row& row : rows) {
        VtMessageWriter writer(3, nullptr);
        EXPECT_EQ(row.write(writer), 0) << row.what;
        EXPECT_EQ(writer.getLength(), 0u) << row.what;
        EXPECT_TRUE(writer.hasFailed()) << row.what;
    }
    VtMessageWriter writer(300, nullptr);
    EXPECT_EQ(writer.writeStringL1(VtString(std::string(255, 'y').c_str()), "a"), 1);
    EXPECT_EQ(writer.getLength(), 256u);
}

TEST(VtMessageWriter, PadsToEightBytes)
{
    VtMessageWriter writer(16, nullptr);
    writer.writeByte(1, nullptr);
    writer.writeByte(2, nullptr);
    writer.writeByte(3, nullptr);
    EXPECT_EQ(writer.padFF(), 1);
    EXPECT_EQ(bytes(writer), (std::vector<uint8_t>{1, 2, 3, 255, 255, 255, 255, 255}));
    writer.writeByte(9, nullptr);
    EXPECT_EQ(writer.padZero(), 1);
    EXPECT_EQ(writer.getLength(), 9u);

    VtMessageWriter zero(8, nullptr);
    zero.writeByte(7, nullptr);
    zero.padZero();
    EXPECT_EQ(bytes(zero), (std::vector<uint8_t>{7, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(VtMessageWriter, TracesNamedFieldsOnlyWhenAsked)
{
    CapturingVtLogger logger;
    VtMessageWriter writer(64, &logger);
    writer.writeOid(7, "oid");
    EXPECT_TRUE(logger.lines.empty());

    writer.enableTrace();
    writer.writeOid(7, "oid");
    writer.writeByte(3, nullptr);
    writer.writeFloat(1.5, "scale");
    writer.writeStringL1(VtString("ab"), "value");
    writer.writeSize(VtSize(2, 3), "size");
    ASSERT_EQ(logger.lines.size(), 6u);
    EXPECT_EQ(logger.lines[0], "writeOid('oid'), v=7\n\n");
    EXPECT_EQ(logger.lines[1], "writeFloat('scale'), v=1.500000\n\n");
    EXPECT_EQ(logger.lines[2], "writeStringL1('value'), v='ab'\n\n");
    EXPECT_EQ(logger.lines[3], "writeSize('size'), w=2,h=3\n\n");
    EXPECT_EQ(logger.lines[4], "writeUShort('width'), v=2\n\n");
    EXPECT_EQ(logger.lines[5], "writeUShort('height'), v=3\n\n");
}
