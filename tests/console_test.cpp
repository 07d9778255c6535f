#include <gtest/gtest.h>

#include <string>

#include "console/console_shared.h"

struct ShownCase {
    std::string Text;
    std::string Shown;
};

class WithoutControlCharactersTest : public ::testing::TestWithParam<ShownCase> {};

TEST_P(WithoutControlCharactersTest, ShowsEveryControlCharacterAsAQuestionMark)
{
    EXPECT_EQ(WithoutControlCharacters(GetParam().Text), GetParam().Shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, WithoutControlCharactersTest, ::testing::Values(
    ShownCase{"\x1b]0;PWNED\a\x1b[2J", "?]0;PWNED??[2J"},
    ShownCase{std::string("A\0\x1f\r\n\t", 6), "A?????"},
    ShownCase{"\x7f", "?"},
    // The first and last printable bytes, and 8-bit ones (accented letters
    // of the names' code page), stay.
    ShownCase{" ~\x80\xe9\xff", " ~\x80\xe9\xff"},
    ShownCase{"", ""}));

// The frame: 62 characters, its first cell character 11.
struct RowsCase {
    int Width;
    bool WrapDeferred;
    int Rows;
};

class RowsBackTest : public ::testing::TestWithParam<RowsCase> {};

TEST_P(RowsBackTest, FindsTheFrameFirstCellRow)
{
    EXPECT_EQ(RowsBack(62, 11, GetParam().Width, GetParam().WrapDeferred), GetParam().Rows);
}

INSTANTIATE_TEST_SUITE_P(Widths, RowsBackTest, ::testing::Values(
    RowsCase{80, true, 0}, RowsCase{80, false, 0},
    RowsCase{63, true, 0},
    // The bracket fills the row: the cursor stays on it, or goes below.
    RowsCase{62, true, 0}, RowsCase{62, false, 1},
    RowsCase{61, true, 1},
    RowsCase{40, true, 1}, RowsCase{40, false, 1},
    RowsCase{31, true, 1}, RowsCase{31, false, 2},
    RowsCase{12, true, 5},
    // The first cell starts a row of its own.
    RowsCase{11, true, 4}, RowsCase{11, false, 4},
    RowsCase{1, true, 50}, RowsCase{1, false, 51}));
