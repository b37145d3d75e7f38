#include "CapturingVtLogger.h"
#include "VtTestPool.h"

#include "tests/support/vt_object_model/InProcessVt.h"

#include "vt_object_model/VtMessageReader.h"
#include "vt_object_model/VtObjects.h"
#include "vt_object_model/VtPoolWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vt_test_pool;

namespace {

using Bytes = std::vector<uint8_t>;

// A terminal that knows nothing yet.
class FreshTerminal : public testing::Test {
protected:
    // The one response to the working set that the message gives.
    Bytes answer(const Bytes& request)
    {
        vt.takeResponses();
        vt.receive(request);
        std::vector<Bytes> responses = vt.takeResponses();
        EXPECT_EQ(responses.size(), 1u);
        return responses.empty() ? Bytes() : responses[0];
    }

    InProcessVt vt;
};

// A terminal that has received the test pool.
class LoadedTerminal : public FreshTerminal {
protected:
    void SetUp() override
    {
        const Bytes pool = build();
        vt.uploadPool(pool.data(), uint32_t(pool.size()));
        vt.transport.take();
        vt.display.take();
    }

    template <class T>
    T& object(uint32_t oid)
    {
        VtObject* found = vt.processor.getObject(oid);
        EXPECT_NE(found, nullptr) << oid;
        return static_cast<T&>(*found);
    }
};

struct AnswerRow {
    const char* what;
    Bytes request;
    Bytes response;
};

} // namespace

TEST_F(FreshTerminal, TechnicalDataAnswers)
{
    const std::vector<AnswerRow> rows = {
        {"text font data", {195}, {195, 255, 255, 255, 255, 3, 0, 251}},
        {"number of soft keys", {194}, {194, 255, 255, 255, 60, 32, 8, 8}},
        {"hardware", {199}, {199, 255, 2, 15, 200, 0, 200, 0}},
        {"memory that is there", {192, 255, 0xE8, 0x03, 0, 0}, {192, 2, 0, 255, 255, 255, 255, 255}},
        {"memory that is not", {192, 255, 0x00, 0xA3, 0xE1, 0x11}, {192, 2, 1, 255, 255, 255, 255, 255}},
        {"memory without a size", {192, 255}, {192, 2, 1, 255, 255, 255, 255, 255}},
        {"versions without any", {223}, {224, 0, 255, 255, 255, 255, 255, 255}},
        {"audio signal", {163, 1, 0xB8, 0x01, 100, 0, 100, 0}, {163, 0, 255, 255, 255, 255, 255, 255}},
        {"audio volume", {164, 50}, {164, 0, 255, 255, 255, 255, 255, 255}},
        {"delete object pool", {178}, {178, 0, 255, 255, 255, 255, 255, 255}},
        {"end of an empty pool", {18}, {18, 0, 255, 255, 255, 255, 0, 255}},
        {"ESC with no open input", {146}, {146, 255, 255, 1, 255, 255, 255, 255}},
        {"hide/show of a missing object", {160, 0x39, 0x30, 1}, {160, 0x39, 0x30, 1, 1, 255, 255, 255}},
        {"enable/disable of a missing object", {161, 0x39, 0x30, 1}, {161, 0x39, 0x30, 1, 2, 255, 255, 255}},
        {"numeric value of a missing object", {168, 0x39, 0x30, 255, 1, 0, 0, 0}, {168, 0x39, 0x30, 1, 0, 0, 0, 0}},
        {"string value of a missing object", {179, 0x39, 0x30, 1, 0, 'a'}, {179, 0x39, 0x30, 1, 255, 255, 255, 255}},
        {"attribute of a missing object", {175, 0x39, 0x30, 1, 5}, {175, 0x39, 0x30, 1, 1, 255, 255, 255}},
        {"store version without a store", {208, 'A', 'B', 'C', 'D', 'E', 'F', 'G'}, {208, 255, 255, 255, 255, 8, 255, 255}},
        {"load version without a store", {209, 'A', 'B', 'C', 'D', 'E', 'F', 'G'}, {209, 255, 255, 255, 255, 2, 255, 255}},
        {"delete version without a store", {210, 'A', 'B', 'C', 'D', 'E', 'F', 'G'}, {210, 255, 255, 255, 255, 8, 255, 255}},
    };
    for (const AnswerRow& row : rows)
        EXPECT_EQ(answer(row.request), row.response) << row.what;
}

TEST_F(FreshTerminal, AnswersWithoutASystemInterface)
{
    vt.processor.setSystemInterface(nullptr);
    EXPECT_EQ(answer({194}), (Bytes{194, 255, 255, 255, 0, 0, 0, 0}));
    EXPECT_EQ(answer({192, 255, 1, 0, 0, 0}), (Bytes{192, 0, 1, 255, 255, 255, 255, 255}));
    EXPECT_EQ(answer({163, 1, 0, 0, 0, 0, 0, 0}), (Bytes{163, 16, 255, 255, 255, 255, 255, 255}));
}

TEST_F(FreshTerminal, BusyStatusAroundEndOfObjectPool)
{
    vt.transport.take();
    vt.receive({18});
    const std::vector<VtSentMessage> sent = vt.transport.take();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].destination, 255u);
    EXPECT_EQ(sent[0].bytes, (Bytes{254, 28, 255, 255, 255, 255, 1, 18}));
    EXPECT_EQ(sent[1].destination, 28u);
    EXPECT_EQ(sent[2].destination, 255u);
    EXPECT_EQ(sent[2].bytes, (Bytes{254, 28, 255, 255, 255, 255, 0, 0}));

    // Commands that keep the terminal idle send no status.
    vt.receive({194});
    EXPECT_EQ(vt.transport.take().size(), 1u);
}

TEST_F(FreshTerminal, StatusIsThrottledTo900Milliseconds)
{
    vt.system.timeMs = 1000;
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 0);
    vt.system.timeMs = 1899;
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 13);
    vt.system.timeMs = 1900;
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 0);
    EXPECT_EQ(vt.transport.take().size(), 2u);

    vt.processor.setSystemInterface(nullptr);
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 12);
    vt.processor.setTransportHandler(nullptr);
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 11);
}

TEST_F(FreshTerminal, WorkingSetMaintenanceTimesOut)
{
    vt.system.timeMs = 10000;
    vt.receive({255, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(vt.transport.take().empty());
    vt.system.timeMs = 15000;
    EXPECT_FALSE(vt.processor.isWorkingSetTimedOut());
    vt.system.timeMs = 15001;
    EXPECT_TRUE(vt.processor.isWorkingSetTimedOut());
}

TEST_F(FreshTerminal, PoolTransferShowsTheActiveMaskAtEndOfPool)
{
    const Bytes pool = build();
    std::vector<uint8_t> transfer(1, 17);
    transfer.insert(transfer.end(), pool.begin(), pool.end());
    vt.receive(transfer);
    EXPECT_TRUE(vt.takeResponses().empty()); // the transfer itself is not answered
    EXPECT_EQ(vt.display.shownMask, 65535u);

    EXPECT_EQ(answer({18}), (Bytes{18, 0, 255, 255, 255, 255, 0, 255}));
    EXPECT_EQ(vt.display.shownMask, uint32_t(MainMask));
    EXPECT_EQ(vt.display.shownSoftKeyMask, uint32_t(SoftKeys));
    EXPECT_EQ(vt.display.getActiveMaskId(), uint32_t(MainMask));
    // Keys one under the other, a soft key height apart, sized as keys.
    EXPECT_TRUE(vt.display.saw("create Key 1051 under 1050 at 0,0"));
    EXPECT_TRUE(vt.display.saw("create Key 1052 under 1050 at 0,32"));
    EXPECT_TRUE(vt.display.saw("create Key 1053 under 1050 at 0,64"));
    EXPECT_TRUE(vt.display.saw("size 1053 60x32"));
    // Children at their positions; the reference to a missing object skipped.
    EXPECT_TRUE(vt.display.saw("create OutputFieldNumber 1002 under 1001 at 10,20"));
    EXPECT_TRUE(vt.display.saw("realize 1002"));
    EXPECT_TRUE(vt.display.saw("create Rectangle 1005 under 1004 at 1,1"));
    // The pointer shows its target at its own size.
    EXPECT_TRUE(vt.display.saw("create OutputFieldString 1071 under 1006 at 0,0"));
    EXPECT_TRUE(vt.display.saw("size 1006 120x16"));
    EXPECT_TRUE(vt.display.saw("show 1006"));
    // References are resolved.
    EXPECT_EQ(static_cast<VtObjectDataMask*>(vt.processor.getObject(MainMask))->getSoftKeyMaskObserver().getTarget(),
              vt.processor.getObject(SoftKeys));

    // The status now names the active masks.
    vt.system.timeMs = 5000;
    vt.transport.take();
    EXPECT_EQ(vt.processor.sendStatusIfDue(), 0);
    EXPECT_EQ(vt.transport.take().at(0).bytes, (Bytes{254, 28, 0xE9, 0x03, 0x1A, 0x04, 0, 0}));
}

TEST_F(FreshTerminal, BadRecordIsReportedAtEndOfPoolAndNotKept)
{
    struct Row {
        const char* what;
        Bytes records;
        uint32_t faultyOid;
        uint32_t poolError;
    };
    const std::vector<Row> rows = {
        {"type 31", {0x10, 0x00, 21, 1, 0, 0, 0, 0x11, 0x00, 31, 0, 0}, 0x11, 1},
        {"object cut short", {0x10, 0x00, 21, 1, 0, 0, 0, 0x11, 0x00, 22, 5, 0, 'a'}, 0x11, 4},
        {"type byte missing", {0x10, 0x00, 21, 1, 0, 0, 0, 0x11, 0x00}, 0x11, 4},
        {"child count beyond the message", {0x10, 0x00, 21, 1, 0, 0, 0, 0x11, 0x00, 3, 10, 0, 10, 0, 0, 200, 0}, 0x11, 4},
    };
    for (const Row& row : rows) {
        Bytes transfer(1, 17);
        transfer.insert(transfer.end(), row.records.begin(), row.records.end());
        vt.receive(transfer);
        EXPECT_TRUE(vt.processor.getPoolError().failed) << row.what;
        EXPECT_EQ(vt.processor.getPoolError().offset, 8u) << row.what;
        EXPECT_NE(vt.processor.getObject(0x10), nullptr) << row.what;
        EXPECT_EQ(vt.processor.getObject(0x11), nullptr) << row.what;
        EXPECT_EQ(answer({18}), (Bytes{18, 1, 255, 255, uint8_t(row.faultyOid), 0, uint8_t(row.poolError), 255}))
            << row.what;
        // Reported once: the next end of pool is clean.
        EXPECT_EQ(answer({18})[1], 0) << row.what;
        vt.receive({178});
    }
}

TEST_F(FreshTerminal, TracesThePoolThroughItsLogger)
{
    CapturingVtLogger logger;
    vt.processor.setLogger(&logger);
    const Bytes pool = build();
    vt.uploadPool(pool.data(), uint32_t(pool.size()));
    const std::string log = logger.all();
    EXPECT_NE(log.find("Reading Object Pool ..."), std::string::npos);
    EXPECT_NE(log.find("Got oid=1001, type=1 (VtObjectTypeDataMask)"), std::string::npos);
    EXPECT_NE(log.find("resolveObservers"), std::string::npos);
    EXPECT_NE(log.find("CHANGE activeMask, 1001"), std::string::npos);
    vt.processor.setLogger(nullptr);
}

TEST_F(LoadedTerminal, ChangeNumericValueByType)
{
    EXPECT_EQ(answer({168, 0xFC, 0x03, 255, 0x2C, 0x01, 0, 0}), (Bytes{168, 0xFC, 0x03, 0, 0x2C, 0x01, 0, 0}));
    EXPECT_EQ(object<VtObjectNumberVariable>(SpeedVariable).getValue(), 300u);
    EXPECT_EQ(answer({168, 0xEB, 0x03, 255, 7, 0, 0, 0}), (Bytes{168, 0xEB, 0x03, 0, 7, 0, 0, 0}));
    EXPECT_EQ(object<VtObjectInputFieldNumber>(RateInput).getValue(), 7u);
    EXPECT_EQ(answer({168, 0x24, 0x04, 255, 1, 255, 255, 255}), (Bytes{168, 0x24, 0x04, 0, 1, 0, 0, 0}));
    EXPECT_EQ(object<VtObjectInputFieldList>(ProductList).getValue(), 1u);
    // A type without a numeric value answers without one.
    EXPECT_EQ(answer({168, 0xE9, 0x03, 255, 1, 0, 0, 0}), (Bytes{168, 0xE9, 0x03, 0, 0, 0, 0, 0}));
}

TEST_F(LoadedTerminal, PointerChangeMovesItsDisplayToTheNewTarget)
{
    EXPECT_EQ(answer({168, 0xEE, 0x03, 255, 0xEE, 0x03, 0, 0}), (Bytes{168, 0xEE, 0x03, 0, 0xEE, 0x03, 0, 0}));
    vt.display.take();
    EXPECT_EQ(answer({168, 0xEE, 0x03, 255, 0xEA, 0x03, 0, 0}), (Bytes{168, 0xEE, 0x03, 0, 0xEA, 0x03, 0, 0}));
    // The pointer to itself above was skipped; now it shows the speed field.
    EXPECT_TRUE(vt.display.saw("create OutputFieldNumber 1002 under 1006 at 0,0"));
    EXPECT_EQ(object<VtObjectPointer>(Pointer).getValueObserver().getTarget(), vt.processor.getObject(SpeedField));

    vt.display.take();
    EXPECT_EQ(answer({168, 0xEE, 0x03, 255, 0x39, 0x30, 0, 0})[3], 0);
    EXPECT_TRUE(vt.display.saw("remove 1002"));
    EXPECT_TRUE(vt.display.saw("hide 1006"));
}

TEST_F(LoadedTerminal, ErrorCodesOfTheChangeCommands)
{
    const std::vector<AnswerRow> rows = {
        {"font attributes out of range", {170, 0xF2, 0x03, 1, 15, 2, 128}, {170, 0xF2, 0x03, 28, 255, 255, 255, 255}},
        {"font attributes on a line", {170, 0x06, 0x04, 1, 1, 0, 0}, {170, 0x06, 0x04, 1, 255, 255, 255, 255}},
        {"line attributes", {171, 0x11, 0x04, 1, 2, 0xF0, 0xF0}, {171, 0x11, 0x04, 0, 255, 255, 255, 255}},
        {"fill type 4", {172, 0x10, 0x04, 4, 1, 0xFF, 0xFF}, {172, 0x10, 0x04, 2, 255, 255, 255, 255}},
        {"fill on a missing object", {172, 0x39, 0x30, 4, 1, 0xFF, 0xFF}, {172, 0x39, 0x30, 3, 255, 255, 255, 255}},
        {"end point direction 2", {169, 0x06, 0x04, 10, 0, 10, 0, 2}, {169, 0x06, 0x04, 2, 255, 255, 255, 255}},
        {"end point of a rectangle", {169, 0xED, 0x03, 10, 0, 10, 0, 1}, {169, 0xED, 0x03, 1, 255, 255, 255, 255}},
        {"priority 3", {176, 0x4C, 0x04, 3}, {176, 0x4C, 0x04, 3, 2, 255, 255, 255}},
        {"priority of a data mask", {176, 0xE9, 0x03, 1}, {176, 0xE9, 0x03, 1, 1, 255, 255, 255}},
        {"attribute not supported", {175, 0xEC, 0x03, 1, 0}, {175, 0xEC, 0x03, 1, 2, 255, 255, 255}},
        {"active mask that is not a mask", {173, 0xE8, 0x03, 0xEA, 0x03}, {173, 0xEA, 0x03, 1, 255, 255, 255, 255}},
        {"soft key mask that is not one", {174, 1, 0xE9, 0x03, 0xEA, 0x03}, {174, 0xE9, 0x03, 0xEA, 0x03, 2, 255, 255}},
        {"child location, missing child", {165, 0xE9, 0x03, 0x39, 0x30, 127, 127}, {165, 0xE9, 0x03, 0x39, 0x30, 2, 255, 255}},
        {"child position, missing both", {180, 0x39, 0x30, 0x39, 0x30, 0, 0, 0, 0}, {180, 0x39, 0x30, 0x39, 0x30, 3, 255, 255}},
        {"select a number output", {162, 0xEA, 0x03}, {162, 0xEA, 0x03, 0, 2, 255, 255, 255}},
        {"change size of a missing object", {166, 0x39, 0x30, 1, 0, 1, 0}, {166, 0x39, 0x30, 1, 255, 255, 255, 255}},
        {"background colour", {167, 0xE9, 0x03, 12}, {167, 0xE9, 0x03, 12, 0, 255, 255, 255}},
    };
    for (const AnswerRow& row : rows)
        EXPECT_EQ(answer(row.request), row.response) << row.what;
    EXPECT_EQ(object<VtObjectFontAttribute>(Font).getFontSize(), 2u);
    EXPECT_EQ(object<VtObjectLineAttribute>(Pen).getLineArt(), 0xF0F0u);
    EXPECT_EQ(object<VtObjectDataMask>(MainMask).getBackgroundColour().getIndex(), 12u);
}

TEST_F(LoadedTerminal, ChangeAttributeOfBarGraphsAndJustification)
{
    const std::vector<AnswerRow> rows = {
        {"bar graph variable", {175, 0x38, 0x04, 9, 0xFC, 0x03}, {175, 0x38, 0x04, 9, 0, 255, 255, 255}},
        {"bar graph target variable", {175, 0x38, 0x04, 10, 0xFC, 0x03}, {175, 0x38, 0x04, 10, 0, 255, 255, 255}},
        {"bar graph target value", {175, 0x38, 0x04, 11, 0x4B, 0x00}, {175, 0x38, 0x04, 11, 0, 255, 255, 255}},
        {"input number justification", {175, 0xEB, 0x03, 13, 2}, {175, 0xEB, 0x03, 13, 0, 255, 255, 255}},
        {"output number justification", {175, 0xEA, 0x03, 11, 1}, {175, 0xEA, 0x03, 11, 0, 255, 255, 255}},
    };
    for (const AnswerRow& row : rows)
        EXPECT_EQ(answer(row.request), row.response) << row.what;
    auto& level = object<VtObjectLinearBarGraph>(LevelBar);
    EXPECT_EQ(level.getVariableReference(), uint32_t(SpeedVariable));
    EXPECT_EQ(level.getTargetValueVariableReference(), uint32_t(SpeedVariable));
    EXPECT_EQ(level.getTargetValue(), 75u);
    EXPECT_EQ(object<VtObjectInputFieldNumber>(RateInput).getHorizontalJustification(), 2u);
    EXPECT_EQ(object<VtObjectOutputFieldNumber>(SpeedField).getHorizontalJustification(), 1u);
}

TEST_F(LoadedTerminal, ChildLocationAndPosition)
{
    // dx = dy = 127 moves nothing.
    EXPECT_EQ(answer({165, 0xE9, 0x03, 0xEA, 0x03, 127, 127})[5], 0);
    VtObjectRef* ref = object<VtObjectDataMask>(MainMask).getChilds().at(0);
    EXPECT_EQ(ref->x, 10);
    EXPECT_EQ(ref->y, 20);
    EXPECT_EQ(answer({165, 0xE9, 0x03, 0xEA, 0x03, 130, 120})[5], 0);
    EXPECT_EQ(ref->x, 13);
    EXPECT_EQ(ref->y, 13);
    EXPECT_TRUE(vt.display.saw("move 1002 to 13,13"));
    EXPECT_EQ(answer({180, 0xE9, 0x03, 0xEA, 0x03, 0xFE, 0xFF, 5, 0})[5], 0);
    EXPECT_EQ(ref->x, -2);
    EXPECT_EQ(ref->y, 5);
}

TEST_F(LoadedTerminal, HideShowEnableAndSize)
{
    EXPECT_EQ(answer({160, 0xEC, 0x03, 0}), (Bytes{160, 0xEC, 0x03, 0, 0, 255, 255, 255}));
    EXPECT_TRUE(object<VtObjectContainer>(Frame).getHidden());
    EXPECT_TRUE(vt.display.saw("hide 1004"));
    EXPECT_EQ(answer({160, 0xEC, 0x03, 1})[4], 0);
    EXPECT_FALSE(object<VtObjectContainer>(Frame).getHidden());

    EXPECT_EQ(answer({161, 0xEB, 0x03, 0}), (Bytes{161, 0xEB, 0x03, 0, 0, 255, 255, 255}));
    EXPECT_TRUE(vt.display.saw("disable 1003"));
    // An object without display elements or an enabled state cannot be enabled.
    EXPECT_EQ(answer({161, 0xFC, 0x03, 1}), (Bytes{161, 0xFC, 0x03, 1, 2, 255, 255, 255}));

    EXPECT_EQ(answer({166, 0xEA, 0x03, 80, 0, 20, 0})[3], 0);
    EXPECT_EQ(object<VtObjectOutputFieldNumber>(SpeedField).getWidth(), 80u);
    EXPECT_TRUE(vt.display.saw("size 1002 80x20"));
    EXPECT_EQ(answer({169, 0x06, 0x04, 50, 0, 5, 0, 1})[3], 0);
    EXPECT_EQ(object<VtObjectLine>(Divider).getLineDirection(), 1u);
}

TEST_F(LoadedTerminal, EnableDisableAnswersTheStateAndKeepsTheOtherOptionBits)
{
    auto& rate = object<VtObjectInputFieldNumber>(RateInput);
    EXPECT_EQ(answer({161, 0xEB, 0x03, 0}), (Bytes{161, 0xEB, 0x03, 0, 0, 255, 255, 255}));
    EXPECT_EQ(rate.getEnabled(), 0x02u) << "real-time editing stays on";
    EXPECT_EQ(answer({161, 0xEB, 0x03, 1}), (Bytes{161, 0xEB, 0x03, 1, 0, 255, 255, 255}));
    EXPECT_EQ(rate.getEnabled(), 0x03u);
    EXPECT_TRUE(vt.display.saw("enable 1003"));
    // Neither 0 nor 1: an invalid command, nothing changes.
    vt.display.take();
    EXPECT_EQ(answer({161, 0xEB, 0x03, 2}), (Bytes{161, 0xEB, 0x03, 2, 4, 255, 255, 255}));
    EXPECT_EQ(rate.getEnabled(), 0x03u);
    EXPECT_TRUE(vt.display.take().empty());

    // A button off screen keeps its state in its options: bit 4 disables it.
    auto& button = object<VtObjectButton>(StartButton);
    EXPECT_EQ(answer({161, 0x42, 0x04, 0}), (Bytes{161, 0x42, 0x04, 0, 0, 255, 255, 255}));
    EXPECT_EQ(button.getLatchable(), 0x31u);
    EXPECT_EQ(answer({161, 0x42, 0x04, 1}), (Bytes{161, 0x42, 0x04, 1, 0, 255, 255, 255}));
    EXPECT_EQ(button.getLatchable(), 0x21u);
}

TEST_F(LoadedTerminal, SelectInputAndEscape)
{
    EXPECT_EQ(answer({162, 0xEB, 0x03}), (Bytes{162, 0xEB, 0x03, 0, 0, 255, 255, 255}));
    EXPECT_TRUE(vt.display.saw("select 1003"));
    EXPECT_EQ(answer({146}), (Bytes{146, 0xEB, 0x03, 0, 255, 255, 255, 255}));
    EXPECT_EQ(answer({146})[3], 1);

    // A disabled input cannot be selected.
    answer({161, 0xEB, 0x03, 0});
    EXPECT_EQ(answer({162, 0xEB, 0x03})[4], 1);
}

TEST_F(LoadedTerminal, ActiveMaskAndSoftKeyMaskChanges)
{
    EXPECT_EQ(answer({173, 0xE8, 0x03, 0x4C, 0x04}), (Bytes{173, 0x4C, 0x04, 0, 255, 255, 255, 255}));
    EXPECT_EQ(vt.display.shownMask, uint32_t(Alarm));
    EXPECT_EQ(vt.display.getActiveAlarmMaskId(), uint32_t(Alarm));
    EXPECT_EQ(answer({173, 0xE8, 0x03, 0xB0, 0x04})[3], 0);
    EXPECT_EQ(vt.display.shownMask, uint32_t(OtherMask));
    EXPECT_EQ(vt.display.shownSoftKeyMask, 65535u);
    EXPECT_EQ(answer({174, 1, 0xB0, 0x04, 0x1A, 0x04}), (Bytes{174, 0xB0, 0x04, 0x1A, 0x04, 0, 255, 255}));
    EXPECT_EQ(vt.display.shownSoftKeyMask, uint32_t(SoftKeys));
    EXPECT_EQ(object<VtObjectDataMask>(OtherMask).getSoftKeyMask(), uint32_t(SoftKeys));
}

TEST_F(LoadedTerminal, StringValueAndListItem)
{
    EXPECT_EQ(answer({179, 0x2E, 0x04, 2, 0, 'O', 'k'}), (Bytes{179, 0x2E, 0x04, 0, 255, 255, 255, 255}));
    EXPECT_STREQ(object<VtObjectStringVariable>(ProductName).getValue().c_str(), "Ok");
}

TEST_F(LoadedTerminal, ChangeSoftKeyMaskNamesTheMaskType)
{
    const std::vector<AnswerRow> rows = {
        {"data mask", {174, 1, 0xB0, 0x04, 0x1A, 0x04}, {174, 0xB0, 0x04, 0x1A, 0x04, 0, 255, 255}},
        {"alarm mask", {174, 2, 0x4C, 0x04, 0x1A, 0x04}, {174, 0x4C, 0x04, 0x1A, 0x04, 0, 255, 255}},
        {"data mask named as an alarm mask", {174, 2, 0xB0, 0x04, 0x1A, 0x04}, {174, 0xB0, 0x04, 0x1A, 0x04, 1, 255, 255}},
        {"unknown mask type", {174, 3, 0xB0, 0x04, 0x1A, 0x04}, {174, 0xB0, 0x04, 0x1A, 0x04, 1, 255, 255}},
        {"missing mask, not a soft key mask", {174, 1, 0x39, 0x30, 0xEA, 0x03}, {174, 0x39, 0x30, 0xEA, 0x03, 3, 255, 255}},
    };
    for (const AnswerRow& row : rows)
        EXPECT_EQ(answer(row.request), row.response) << row.what;
    EXPECT_EQ(object<VtObjectDataMask>(OtherMask).getSoftKeyMask(), uint32_t(SoftKeys));

    // The null ID takes the soft key mask of the mask on screen away.
    EXPECT_EQ(vt.display.shownSoftKeyMask, uint32_t(SoftKeys));
    EXPECT_EQ(answer({174, 1, 0xE9, 0x03, 0xFF, 0xFF}), (Bytes{174, 0xE9, 0x03, 0xFF, 0xFF, 0, 255, 255}));
    EXPECT_EQ(object<VtObjectDataMask>(MainMask).getSoftKeyMask(), 65535u);
    EXPECT_EQ(vt.display.shownSoftKeyMask, 65535u);
}

TEST_F(LoadedTerminal, ChangeListItemReplacesTheElementAtTheIndex)
{
    const std::vector<AnswerRow> rows = {
        {"second element", {177, 0x24, 0x04, 1, 0x2E, 0x04}, {177, 0x24, 0x04, 1, 0x2E, 0x04, 0, 255}},
        {"index at the size", {177, 0x24, 0x04, 2, 0x2E, 0x04}, {177, 0x24, 0x04, 2, 0x2E, 0x04, 2, 255}},
        {"not a list", {177, 0xE9, 0x03, 0, 0x2E, 0x04}, {177, 0xE9, 0x03, 0, 0x2E, 0x04, 1, 255}},
        {"missing new object", {177, 0x24, 0x04, 0, 0x39, 0x30}, {177, 0x24, 0x04, 0, 0x39, 0x30, 4, 255}},
        {"first element emptied", {177, 0x24, 0x04, 0, 0xFF, 0xFF}, {177, 0x24, 0x04, 0, 0xFF, 0xFF, 0, 255}},
    };
    for (const AnswerRow& row : rows)
        EXPECT_EQ(answer(row.request), row.response) << row.what;
    auto& list = object<VtObjectInputFieldList>(ProductList);
    ASSERT_EQ(list.getElements().size(), 2u);
    EXPECT_EQ(list.getElements().at(0)->oid, 65535u);
    EXPECT_EQ(list.getElements().at(1)->oid, uint32_t(ProductName));
    EXPECT_EQ(list.getElements().at(1)->observer->getTarget(), vt.processor.getObject(ProductName));
    EXPECT_EQ(vt.processor.getObject(Title)->getReferrers().count(), 1) << "only the pointer still shows the title";
    EXPECT_EQ(list.getValue(), 0u) << "the selection stays";
}

TEST_F(LoadedTerminal, DeleteObjectPoolClearsEverything)
{
    EXPECT_EQ(answer({178}), (Bytes{178, 0, 255, 255, 255, 255, 255, 255}));
    EXPECT_TRUE(vt.display.saw("clear display"));
    EXPECT_EQ(vt.processor.getObject(MainMask), nullptr);
    EXPECT_EQ(vt.processor.getWorkingSet(), nullptr);
}

TEST_F(LoadedTerminal, StoredPoolIsTheUploadedPool)
{
    VtMessageWriter writer(100000, nullptr);
    EXPECT_EQ(vt.processor.writePool(writer), 0);
    const Bytes pool = build();
    EXPECT_EQ(Bytes(writer.getData(), writer.getData() + writer.getLength()), pool);
}

TEST_F(LoadedTerminal, DumpsTheMasksOnScreen)
{
    CapturingVtLogger logger;
    vt.processor.setLogger(&logger);
    // A container that holds itself is listed once, not entered again.
    object<VtObjectContainer>(Frame).getChilds().append(new VtObjectRef(Frame, 0, 0));
    testing::internal::CaptureStdout();
    vt.processor.dumpCurrentMasks();
    const std::string traced = testing::internal::GetCapturedStdout();
    vt.processor.setLogger(nullptr);

    EXPECT_NE(logger.all().find("CURRENT MASK -- END"), std::string::npos);
    EXPECT_NE(logger.all().find("CURRENT SOFTKEYMASK"), std::string::npos);
    EXPECT_NE(traced.find("OID=1001, type= 1 (VtObjectTypeDataMask), macros=0\n"), std::string::npos);
    EXPECT_NE(traced.find("SKM/oid=1050\n"), std::string::npos);
    EXPECT_NE(traced.find("@1004(0,60) - \n"), std::string::npos);
    EXPECT_NE(traced.find("  OID=1004, type= 3 (VtObjectTypeContainer), macros=0\n"), std::string::npos);
    EXPECT_NE(traced.find("lineAttributes=1041, type=24 (VtObjectTypeLineAttribute)\n"), std::string::npos);
    EXPECT_NE(traced.find("OID=4444 (UNRESOLVED)\n"), std::string::npos);
    EXPECT_NE(traced.find("OID=1053, type= 5 (VtObjectTypeKey), macros=0\n"), std::string::npos);
}

TEST_F(FreshTerminal, EndOfPoolPassesOnTheChangesOfALongReferenceChainOnce)
{
    // Sixty thousand pointers, each pointing at the next, besides a working
    // set and its mask: every change travels the whole chain, and End of
    // Object Pool passes on the changes of all new objects at once.
    const uint32_t chain = 60000;
    std::vector<VtObject*> table(VtCommandProcessor::kTableSize, nullptr);
    auto* workingSet = new VtObjectWorkingSet(65000);
    workingSet->setActiveMask(65001);
    table[65000] = workingSet;
    table[65001] = new VtObjectDataMask(65001);
    for (uint32_t oid = 0; oid < chain; ++oid) {
        auto* pointer = new VtObjectPointer(oid);
        pointer->setValue(oid + 1);
        table[oid] = pointer;
    }
    VtMessageWriter stream(8 * VtCommandProcessor::kTableSize, nullptr);
    ASSERT_EQ(writeVtObjectPool(stream, table.data(), table.size()), 0);
    for (VtObject* object : table)
        delete object;

    vt.uploadPool(stream.getData(), stream.getLength());
    EXPECT_EQ(vt.display.shownMask, 65001u);
    EXPECT_NE(vt.processor.getObject(chain - 1), nullptr);
}
