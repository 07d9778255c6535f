#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "console/progress.h"

struct StarsCase {
    std::int64_t Position;
    std::int64_t Size;
    std::int32_t Stars;
};

class StarsDueTest : public ::testing::TestWithParam<StarsCase> {};

TEST_P(StarsDueTest, IsTheExactIntegerQuotient)
{
    const StarsCase& c = GetParam();
    EXPECT_EQ(StarsDue(c.Position, c.Size), c.Stars);
}

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

INSTANTIATE_TEST_SUITE_P(Cases, StarsDueTest, ::testing::Values(
    StarsCase{1024, 1024, 50},
    StarsCase{1024, 1500, 34},
    StarsCase{1024, 2048, 25},
    StarsCase{2048, 2048, 50},
    StarsCase{1024, 3000, 17},
    StarsCase{2048, 3000, 34},
    // Floating point gives 28 here.
    StarsCase{29696, 51200, 29},
    StarsCase{1024, 51201, 0},
    // 32-bit products overflow from here on; 64-bit ones near the top.
    StarsCase{std::int64_t(1) << 31, std::int64_t(1) << 32, 25},
    StarsCase{(std::int64_t(1) << 32) + 1024, (std::int64_t(1) << 32) + 4096, 49},
    StarsCase{kMax / 2, kMax, 24},
    StarsCase{kMax - 1, kMax, 49},
    StarsCase{kMax, kMax, 50}));
