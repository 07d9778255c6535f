#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "files/convert_file.h"
#include "translate/tables.h"

namespace {

// What the callback saw, and whether the bytes before each position were
// already translated when it was called.
std::vector<std::int64_t> calls;
const std::uint8_t* watched = nullptr;
std::vector<std::uint8_t> expected;
bool translatedInTime = true;

void Record(std::int64_t position, std::int64_t size)
{
    calls.push_back(position);
    EXPECT_EQ(size, static_cast<std::int64_t>(expected.size()));
    if (watched[position - 1] != expected[static_cast<std::size_t>(position - 1)])
        translatedInTime = false;
}

}  // namespace

class TranslateBufferTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TranslateBufferTest, ReportsEveryMultipleOf1024AfterItsBytes)
{
    const std::size_t size = GetParam();
    std::vector<std::uint8_t> data(size);
    std::mt19937 random(static_cast<unsigned>(size));
    for (auto& b : data)
        b = static_cast<std::uint8_t>(random());
    BuildWorkTable(true);
    expected = data;
    for (auto& b : expected)
        b = WorkTable[b];
    calls.clear();
    watched = data.data();
    translatedInTime = true;

    TranslatePiece(data.data(), data.size(), WorkTable, 0, static_cast<std::int64_t>(size), Record);

    std::vector<std::int64_t> wanted;
    for (std::size_t p = 1024; p <= size; p += 1024)
        wanted.push_back(static_cast<std::int64_t>(p));
    EXPECT_EQ(calls, wanted);
    EXPECT_TRUE(translatedInTime);
    EXPECT_EQ(data, expected);
}

// Around the progress step and around the internal chunk size.
INSTANTIATE_TEST_SUITE_P(Sizes, TranslateBufferTest, ::testing::Values(
    0, 1, 1023, 1024, 1025, 3000, 4096,
    (256u << 10) - 1, 256u << 10, (256u << 10) + 1, (256u << 10) + 1024,
    (512u << 10) + 1023, (1u << 20) + 3000));

TEST(TranslateBuffer, WithoutCallbackTranslatesEverything)
{
    std::vector<std::uint8_t> data(300000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::uint8_t> original = data;
    BuildWorkTable(false);
    TranslatePiece(data.data(), data.size(), WorkTable, 0, 0, nullptr);
    for (std::size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ(data[i], EncodeTable[original[i]]) << "at " << i;
}
