#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <zemrik/zemrik.h>

TEST(LibraryTables, DecodeUndoesEncode)
{
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(zemrik::kDecodeTable[zemrik::kEncodeTable[static_cast<std::size_t>(b)]], b);
        EXPECT_EQ(zemrik::kEncodeTable[zemrik::kDecodeTable[static_cast<std::size_t>(b)]], b);
    }
    static_assert(zemrik::kEncodeTable['A'] == 0x21 && zemrik::kDecodeTable[0x00] == ' ',
                  "the tables are usable at compile time");
}

class LibraryConversionTest : public ::testing::TestWithParam<std::size_t> {};

// Sizes around the pieces a copying conversion works in.
TEST_P(LibraryConversionTest, IntoAnotherBufferMatchesInPlace)
{
    const std::size_t size = GetParam();
    std::vector<std::uint8_t> original(size);
    for (std::size_t i = 0; i < size; ++i)
        original[i] = static_cast<std::uint8_t>(i * 131 + i / 256);

    std::vector<std::uint8_t> encoded(size + 1, 0xAA);  // one guard byte
    zemrik::Encode(original.data(), encoded.data(), size);
    EXPECT_EQ(encoded[size], 0xAA);
    encoded.pop_back();
    for (std::size_t i = 0; i < size; ++i)
        ASSERT_EQ(encoded[i], zemrik::kEncodeTable[original[i]]) << "at " << i;

    std::vector<std::uint8_t> inPlace = original;
    zemrik::EncodeInPlace(inPlace.data(), size);
    EXPECT_EQ(inPlace, encoded);

    std::vector<std::uint8_t> decoded(size);
    zemrik::Decode(encoded.data(), decoded.data(), size);
    EXPECT_EQ(decoded, original);
    zemrik::DecodeInPlace(inPlace.data(), size);
    EXPECT_EQ(inPlace, original);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LibraryConversionTest,
                         ::testing::Values(0, 1, 63, 65535, 65536, 65537, 200003));
