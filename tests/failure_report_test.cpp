#include <gtest/gtest.h>

#include "app/failure_report.h"
#include "translate/errors.h"

struct ReportCase {
    const char* Message;
    const char* Expected;
};

class FailureReportTest : public ::testing::TestWithParam<ReportCase> {};

TEST_P(FailureReportTest, HasTheFixedShape)
{
    EXPECT_EQ(FailureReport("EFOpenError", "zemrik", 0x0040AB0C, GetParam().Message), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Messages, FailureReportTest, ::testing::Values(
    ReportCase{"Cannot open file X", "Exception EFOpenError in module zemrik at 0040AB0C.\nCannot open file X.\r\n"},
    // A message that already ends with a full stop gets no second one.
    ReportCase{"Cannot open file X.", "Exception EFOpenError in module zemrik at 0040AB0C.\nCannot open file X.\r\n"},
    ReportCase{"", "Exception EFOpenError in module zemrik at 0040AB0C.\n\r\n"}));

TEST(FailureReport, AddressIsEightUpperCaseHexDigits)
{
    EXPECT_EQ(FailureReport("E", "m", 0xA, "x"), "Exception E in module m at 0000000A.\nx.\r\n");
    EXPECT_EQ(FailureReport("E", "m", 0xFFFFFFFF, "x"), "Exception E in module m at FFFFFFFF.\nx.\r\n");
}

TEST(ErrorClasses, CarryTheirNamesAndMessages)
{
    EXPECT_STREQ(EFOpenError("A").what(), "Cannot open file A");
    EXPECT_STREQ(EFCreateError("B").what(), "Cannot create file B");
    EXPECT_STREQ(EReadError().what(), "Stream read error");
    EXPECT_STREQ(EWriteError().what(), "Stream write error");
    EXPECT_STREQ(OutOfMemoryError().what(), "Out of memory while expanding memory stream");
    EXPECT_STREQ(OutOfMemoryError().ClassName(), "EStreamError");
    EXPECT_STREQ(EFCreateError("B").ClassName(), "EFCreateError");
}
