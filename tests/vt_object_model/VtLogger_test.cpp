#include "CapturingVtLogger.h"

#include <gtest/gtest.h>

#include <string>

TEST(VtLogger, TraceIndentsByIndentMinusOneUpTo63)
{
    struct Row {
        int indent;
        int spaces;
    };
    for (Row row : {Row{0, 0}, Row{1, 0}, Row{2, 1}, Row{17, 16}, Row{33, 32}, Row{64, 63}, Row{65, 63},
                    Row{100, 63}})
        EXPECT_EQ(VtLogger::indentWidth(row.indent), row.spaces) << row.indent;

    VtLogger logger;
    testing::internal::CaptureStdout();
    logger.trace(17, "x=%d", 5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(16, ' ') + "x=5\n");
}

TEST(VtLogger, PrintWarningAndErrorGoThroughLine)
{
    CapturingVtLogger logger;
    logger.print("v=%d\n", 3);
    logger.warning("x=%d", 5);
    logger.error("bad");
    ASSERT_EQ(logger.lines.size(), 3u);
    EXPECT_EQ(logger.lines[0], "v=3\n\n");
    EXPECT_EQ(logger.lines[1], "Warning: x=5\n");
    EXPECT_EQ(logger.lines[2], "Error: bad\n");
}

TEST(VtLogger, PrintsToStandardOutput)
{
    VtLogger logger;
    testing::internal::CaptureStdout();
    logger.warning("x=%d", 5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Warning: x=5\n\n");
}

TEST(VtLogger, CutsLongTextsAt2000Characters)
{
    CapturingVtLogger logger;
    std::string longText(2500, 'a');
    logger.line("%s", longText.c_str());
    ASSERT_EQ(logger.lines.size(), 1u);
    EXPECT_EQ(logger.lines[0].size(), 2000u);
}
