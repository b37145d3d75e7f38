#include "CapturingVtLogger.h"

#include "vt_object_model/VtColour.h"
#include "vt_object_model/VtData.h"
#include "vt_object_model/VtMacroRefList.h"
#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjectList.h"
#include "vt_object_model/VtObjectRefList.h"
#include "vt_object_model/VtSize.h"
#include "vt_object_model/VtString.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void load(VtMessageReader& reader, const Bytes& bytes)
{
    reader.setData(bytes.data(), uint32_t(bytes.size()));
}

// One kind of read: the bytes it takes, and a check of what it read.
struct ReadRow {
    const char* what;
    Bytes bytes;
    std::function<int(VtMessageReader&, std::string&)> read;
    std::string expected;
};

const std::vector<ReadRow>& readRows()
{
    static const std::vector<ReadRow> rows = {
        {"oid", {0x34, 0x12}, [](VtMessageReader& r, std::string& out) { uint32_t v = 7; int ok = r.readOid(v, "a"); out = std::to_string(v); return ok; }, "4660"},
        {"bool", {0x05}, [](VtMessageReader& r, std::string& out) { bool v = false; int ok = r.readBool(v, "a"); out = std::to_string(v); return ok; }, "1"},
        {"byte", {0xFF}, [](VtMessageReader& r, std::string& out) { uint32_t v = 7; int ok = r.readByte(v, "a"); out = std::to_string(v); return ok; }, "255"},
        {"sbyte is not sign-extended", {0xFF}, [](VtMessageReader& r, std::string& out) { uint32_t v = 7; int ok = r.readSByte(v, "a"); out = std::to_string(v); return ok; }, "255"},
        {"ushort 0xFFFF", {0xFF, 0xFF}, [](VtMessageReader& r, std::string& out) { uint32_t v = 7; int ok = r.readUShort(v, "a"); out = std::to_string(v); return ok; }, "65535"},
        {"sshort 0xFFFF", {0xFF, 0xFF}, [](VtMessageReader& r, std::string& out) { int32_t v = 7; int ok = r.readSShort(v, "a"); out = std::to_string(v); return ok; }, "-1"},
        {"uint", {0x78, 0x56, 0x34, 0x12}, [](VtMessageReader& r, std::string& out) { uint32_t v = 7; int ok = r.readUInt(v, "a"); out = std::to_string(v); return ok; }, "305419896"},
        {"sint", {0xFE, 0xFF, 0xFF, 0xFF}, [](VtMessageReader& r, std::string& out) { int32_t v = 7; int ok = r.readSInt(v, "a"); out = std::to_string(v); return ok; }, "-2"},
        {"float", {0x00, 0x00, 0x80, 0x3F}, [](VtMessageReader& r, std::string& out) { double v = 7; int ok = r.readFloat(v, "a"); out = std::to_string(v); return ok; }, "1.000000"},
        {"size", {0xF0, 0x00, 0x23, 0x01}, [](VtMessageReader& r, std::string& out) { VtSize v(7, 7); int ok = r.readSize(v, "a"); out = std::to_string(v.width) + "x" + std::to_string(v.height); return ok; }, "240x291"},
        {"colour", {12}, [](VtMessageReader& r, std::string& out) { VtColour v(7); int ok = r.readColour(v, "a"); out = std::to_string(v.getIndex()) + "/" + std::to_string(v.getRed()); return ok; }, "12/255"},
        {"string, one-byte length", {0x02, 'a', 'b'}, [](VtMessageReader& r, std::string& out) { VtString v("old"); int ok = r.readStringL1(v, "a"); out = v.c_str() ? v.c_str() : ""; return ok; }, "ab"},
        {"string, two-byte length", {0x03, 0x00, 'a', 'b', 'c'}, [](VtMessageReader& r, std::string& out) { VtString v("old"); int ok = r.readString(v, "a"); out = v.c_str() ? v.c_str() : ""; return ok; }, "abc"},
        {"fixed-count string", {'e', 'n'}, [](VtMessageReader& r, std::string& out) { char v[3] = {'x', 'x', 'x'}; int ok = r.readString(v, 2, "a"); out = ok ? v : "old"; return ok; }, "en"},
        {"data", {1, 2, 3}, [](VtMessageReader& r, std::string& out) { VtData v; int ok = r.readData(v, 3, "a"); out = std::to_string(v.getLength()); return ok; }, "3"},
        {"child list", {0x15, 0x27, 0xFD, 0xFF, 0x14, 0x00}, [](VtMessageReader& r, std::string& out) { VtObjectRefList v; int ok = r.readObjectRefList(v, 1, "a"); out = v.size() ? std::to_string(v.at(0)->oid) + "@" + std::to_string(v.at(0)->x) + "," + std::to_string(v.at(0)->y) : "empty"; return ok; }, "10005@-3,20"},
        {"child list, unsigned positions", {0x15, 0x27, 0xFD, 0xFF, 0x14, 0x00}, [](VtMessageReader& r, std::string& out) { VtObjectRefList v; int ok = r.readObjectRefListUnsigned(v, 1, "a"); out = v.size() ? std::to_string(v.at(0)->oid) + "@" + std::to_string(v.at(0)->x) : "empty"; return ok; }, "10005@65533"},
        {"object list", {0x01, 0x00, 0x02, 0x00}, [](VtMessageReader& r, std::string& out) { VtObjectList v; int ok = r.readObjectList(v, 2, "a"); out = std::to_string(v.size()); return ok; }, "2"},
        {"macro list", {1, 7, 9, 255}, [](VtMessageReader& r, std::string& out) { VtMacroRefList v(2); int ok = r.readMacroList(v, 2, "a"); out = v.size() == 2 ? std::to_string(v.at(1)->macroId) : "short"; return ok; }, "255"},
    };
    return rows;
}

} // namespace

TEST(VtMessageReader, ReadsEveryFieldKind)
{
    for (const ReadRow& row : readRows()) {
        VtMessageReader reader;
        load(reader, row.bytes);
        std::string got;
        EXPECT_EQ(row.read(reader, got), 1) << row.what;
        EXPECT_EQ(got, row.expected) << row.what;
        EXPECT_EQ(reader.getRemaining(), 0u) << row.what;
    }
}

TEST(VtMessageReader, ShortReadConsumesNothingAndKeepsTheDestination)
{
    for (const ReadRow& row : readRows()) {
        const Bytes shorter(row.bytes.begin(), row.bytes.end() - 1);
        VtMessageReader reader;
        load(reader, shorter);
        std::string unchanged;
        // Reading from the full message gives the expected text; from the short
        // one the destination must still hold what it held.
        std::string got;
        EXPECT_EQ(row.read(reader, got), 0) << row.what;
        EXPECT_EQ(reader.getRemaining(), shorter.size()) << row.what;
        EXPECT_NE(got, row.expected) << row.what;
    }
}

TEST(VtMessageReader, RejectsLengthsAndCountsThatDoNotFit)
{
    VtMessageReader reader;
    load(reader, {5, 'a', 'b', 'c', 'd'});
    VtString text("keep");
    EXPECT_EQ(reader.readStringL1(text, "a"), 0);
    EXPECT_STREQ(text.c_str(), "keep");
    EXPECT_EQ(reader.getRemaining(), 5u);

    load(reader, {0xFF, 0xFF, 'a'});
    EXPECT_EQ(reader.readString(text, "a"), 0);
    EXPECT_EQ(reader.getRemaining(), 3u);

    // Counts claimed by a message never reach past it, however large.
    load(reader, {0x01, 0x00, 0x02, 0x00, 0x03});
    VtObjectRefList refs;
    EXPECT_EQ(reader.readObjectRefList(refs, 1, "a"), 0);
    EXPECT_EQ(reader.readObjectRefList(refs, 0xFFFFFFFFu, "a"), 0);
    VtObjectList ids;
    EXPECT_EQ(reader.readObjectList(ids, 3, "a"), 0);
    VtMacroRefList macros(3);
    EXPECT_EQ(reader.readMacroList(macros, 3, "a"), 0);
    VtData data;
    EXPECT_EQ(reader.readData(data, 0xFFFFFFFFu, "a"), 0);
    EXPECT_EQ(refs.size() + ids.size() + macros.size() + data.getLength(), 0u);
    EXPECT_EQ(reader.getRemaining(), 5u);
}

TEST(VtMessageReader, MarkRestoreAndAbsoluteBytes)
{
    VtMessageReader reader;
    load(reader, {1, 2, 3});
    uint32_t value = 0;
    reader.restore(); // no mark: nothing happens
    EXPECT_EQ(reader.getRemaining(), 3u);
    reader.readByte(value, nullptr);
    reader.mark();
    reader.readByte(value, nullptr);
    reader.restore();
    EXPECT_EQ(reader.getRemaining(), 2u);
    reader.readByte(value, nullptr);
    EXPECT_EQ(value, 2u);
    reader.restore(); // the mark is gone
    EXPECT_EQ(reader.getRemaining(), 1u);
    EXPECT_EQ(reader.getByteAt(2), 3);
    EXPECT_EQ(reader.getByteAt(3), 0);
    EXPECT_EQ(reader.getPosition(), 2u);

    reader.setData(nullptr, 0);
    EXPECT_EQ(reader.getRemaining(), 0u);
    EXPECT_EQ(reader.readByte(value, nullptr), 0);
}

TEST(VtMessageReader, TracesOnlyNamedReadsWithTraceOnAndALogger)
{
    CapturingVtLogger logger;
    VtMessageReader reader(&logger);
    load(reader, {0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0x01, 0x00, 0x02, 0x00});
    uint32_t oid = 0;
    reader.readOid(oid, "oid");
    reader.traceOn();
    reader.readOid(oid, nullptr);
    reader.readOid(oid, "oid");
    VtObjectList list;
    reader.readObjectList(list, 2, "keys");
    ASSERT_EQ(logger.lines.size(), 3u);
    EXPECT_EQ(logger.lines[0], "readOid, 'oid' -> 4660\n\n");
    EXPECT_EQ(logger.lines[1], "  readObjectList #0, 'keys' -> oid=1\n\n");
    reader.traceOff();
    reader.setData(nullptr, 0);
}
