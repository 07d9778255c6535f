#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "translate/tables.h"

namespace {

std::vector<std::uint8_t> Through(const std::uint8_t* table, std::vector<std::uint8_t> bytes)
{
    for (auto& b : bytes)
        b = table[b];
    return bytes;
}

}  // namespace

TEST(EncodeTable, IsAPermutationOfAllByteValues)
{
    std::set<int> seen(EncodeTable.begin(), EncodeTable.end());
    EXPECT_EQ(seen.size(), 256u);
}

TEST(EncodeTable, PrintableAsciiMovesDownBy0x20)
{
    for (int c = 0x20; c <= 0x7E; ++c)
        EXPECT_EQ(EncodeTable[c], c - 0x20) << "byte " << c;
}

TEST(EncodeTable, KnownEntries)
{
    EXPECT_EQ(EncodeTable[0x00], 0xFF);
    EXPECT_EQ(EncodeTable[0x7F], 0xDD);
    EXPECT_EQ(EncodeTable[0xE9], 0x6E);
    EXPECT_EQ(EncodeTable[0xFF], 0xB8);
}

TEST(BuildWorkTable, EncodeCopiesTheTable)
{
    BuildWorkTable(false);
    for (int j = 0; j < 256; ++j)
        EXPECT_EQ(WorkTable[j], EncodeTable[j]);
    EXPECT_EQ(Through(WorkTable, {0x41, 0x0D, 0x0A}), (std::vector<std::uint8_t>{0x21, 0xE8, 0xE7}));
}

TEST(BuildWorkTable, DecodeIsTheExactInverse)
{
    BuildWorkTable(true);
    EXPECT_EQ(Through(WorkTable, {0x00, 0x21, 0xFF}), (std::vector<std::uint8_t>{0x20, 0x41, 0x00}));
    EXPECT_EQ(WorkTable[0xDD], 0x7F);
    for (int k = 0; k < 256; ++k)
        EXPECT_EQ(WorkTable[EncodeTable[k]], k) << "byte " << k;
}

TEST(BuildWorkTable, RebuildingForTheOtherDirectionLeavesNothingBehind)
{
    BuildWorkTable(false);
    BuildWorkTable(true);
    for (int j = 0; j < 256; ++j)
        EXPECT_EQ(EncodeTable[WorkTable[j]], j);
}
