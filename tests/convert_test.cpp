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

struct PieceCase {
    std::size_t Size;
    std::size_t Piece;  // the input arrives in pieces of this many bytes
};

class TranslatePieceTest : public ::testing::TestWithParam<PieceCase> {};

TEST_P(TranslatePieceTest, ReportsEveryMultipleOf1024AfterItsBytes)
{
    const auto [size, piece] = GetParam();
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

    for (std::size_t offset = 0; offset < size; offset += piece) {
        std::size_t length = size - offset < piece ? size - offset : piece;
        TranslatePiece(data.data() + offset, length, WorkTable, static_cast<std::int64_t>(offset),
                       static_cast<std::int64_t>(size), Record);
    }

    std::vector<std::int64_t> wanted;
    for (std::size_t p = 1024; p <= size; p += 1024)
        wanted.push_back(static_cast<std::int64_t>(p));
    EXPECT_EQ(calls, wanted);
    EXPECT_TRUE(translatedInTime);
    EXPECT_EQ(data, expected);
}

// Around the progress step, with pieces that end on a step, just before one,
// just after one, and the whole input at once.
INSTANTIATE_TEST_SUITE_P(Sizes, TranslatePieceTest, ::testing::Values(
    PieceCase{0, 1024}, PieceCase{1, 1024}, PieceCase{1023, 1024}, PieceCase{1024, 1024},
    PieceCase{1025, 1024}, PieceCase{3000, 1023}, PieceCase{3000, 1025}, PieceCase{4096, 1000},
    PieceCase{4096, 2048}, PieceCase{(256u << 10) + 1, 256u << 10}, PieceCase{(1u << 20) + 3000, 256u << 10},
    PieceCase{(1u << 20) + 3000, (1u << 20) + 3000}, PieceCase{100000, 7}));

TEST(TranslatePiece, WithoutCallbackTranslatesEverything)
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
