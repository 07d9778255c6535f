#include <gtest/gtest.h>

#include <string>

#include "files/utf16_names.h"

struct NameCase {
    std::u16string Units;
    std::string Bytes;
};

class Utf16NamesTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(Utf16NamesTest, GoesThereAndBackUnitForUnit)
{
    const NameCase& c = GetParam();
    EXPECT_EQ(NameFromUtf16(c.Units), c.Bytes);
    EXPECT_EQ(Utf16FromName(c.Bytes), c.Units);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf16NamesTest, ::testing::Values(
    NameCase{u"", ""},
    NameCase{u"scene.ff7", "scene.ff7"},
    NameCase{u"caf\u00e9", "caf\xc3\xa9"},
    NameCase{u"..\uff3cimportant.txt", "..\xef\xbc\xbcimportant.txt"},
    NameCase{u"\u30c3.txt", "\xe3\x83\x83.txt"},
    NameCase{u"\U0001F600", "\xf0\x9f\x98\x80"},
    // Lone surrogates are legal in Windows names and must survive.
    NameCase{std::u16string{u'a', char16_t(0xD800), u'b'}, "a\xed\xa0\x80" "b"},
    NameCase{std::u16string{char16_t(0xDC00), char16_t(0xD83D)}, "\xed\xb0\x80\xed\xa0\xbd"}));

TEST(Utf16Names, MalformedBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf16FromName("a\xff" "b"), u"a\ufffdb");
    EXPECT_EQ(Utf16FromName("\xc3"), u"\ufffd");             // cut short
    EXPECT_EQ(Utf16FromName("\xc0\xaf"), u"\ufffd\ufffd");   // overlong '/'
    EXPECT_EQ(Utf16FromName("\xe0\x80\xaf"), u"\ufffd\ufffd\ufffd");
}
