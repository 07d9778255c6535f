// Every fast kernel built into the program against the plain loop (a kernel
// this machine cannot run is reported as skipped), and which kernel the
// program picks.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "translate/kernels/kernels.h"
#include "translate/tables.h"

namespace {

enum class Direction { Encode, Decode };

void PrintTo(Direction direction, std::ostream* out)
{
    *out << (direction == Direction::Encode ? "encode" : "decode");
}

std::vector<std::uint8_t> TableFor(Direction direction)
{
    BuildWorkTable(direction == Direction::Decode);
    return std::vector<std::uint8_t>(WorkTable, WorkTable + 256);
}

std::vector<KernelInfo> FastKernels()
{
    std::vector<KernelInfo> fast;
    for (const KernelInfo& kernel : BuiltKernels())
        if (kernel.Run != TranslatePlain)
            fast.push_back(kernel);
    return fast;
}

// The widest vector any kernel reads: every start offset within it is tried.
constexpr std::size_t kVector = 64;
// Untouched bytes on both sides of the translated range.
constexpr std::size_t kGuard = 128;

}  // namespace

// Names in failure messages instead of raw bytes.
void PrintTo(const KernelInfo& kernel, std::ostream* out)
{
    *out << kernel.Name;
}

class KernelTest : public ::testing::TestWithParam<std::tuple<KernelInfo, Direction>> {
protected:
    void SetUp() override
    {
        kernel = std::get<0>(GetParam());
        if (!kernel.Supported)
            GTEST_SKIP() << "this machine cannot run the " << kernel.Name << " kernel";
        table = TableFor(std::get<1>(GetParam()));
    }

    // Translates `size` bytes at `offset` into `buffer` with the kernel and
    // with the plain loop, and reports where the two differ: inside the
    // range, or outside it (a read or write past an end).
    void ExpectSameAsPlain(const std::vector<std::uint8_t>& buffer, std::size_t offset, std::size_t size)
    {
        std::vector<std::uint8_t> actual = buffer;
        std::vector<std::uint8_t> expected = buffer;
        kernel.Run(actual.data() + offset, size, table.data());
        TranslatePlain(expected.data() + offset, size, table.data());
        if (actual == expected)
            return;
        std::size_t at = 0;
        while (actual[at] == expected[at])
            ++at;
        bool inside = at >= offset && at < offset + size;
        ADD_FAILURE() << kernel.Name << ": size " << size << " at offset " << offset << " differs at byte "
                      << at << (inside ? " (inside the range)" : " (outside the range)") << ": got "
                      << int(actual[at]) << ", want " << int(expected[at]);
    }

    KernelInfo kernel{};
    std::vector<std::uint8_t> table;
};

TEST_P(KernelTest, EveryByteValueInEveryLane)
{
    // Value v lands in lane (v - block) mod 64 of block `block`: over 64
    // blocks of 256 bytes each value passes through every lane.
    std::vector<std::uint8_t> buffer(256 * kVector);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::uint8_t>(i + i / 256);
    ExpectSameAsPlain(buffer, 0, buffer.size());
}

TEST_P(KernelTest, EveryLengthFromEveryStartWithinAVector)
{
    constexpr std::size_t kLongest = 300;
    std::vector<std::uint8_t> buffer(kGuard + kVector + kLongest + kGuard);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = static_cast<std::uint8_t>(i * 167 + 13);
    for (std::size_t offset = kGuard; offset < kGuard + kVector; ++offset) {
        for (std::size_t size = 0; size <= kLongest; ++size) {
            ExpectSameAsPlain(buffer, offset, size);
            if (HasFailure())
                return;  // one report is enough to locate the fault
        }
    }
}

TEST_P(KernelTest, LargeBuffers)
{
    std::mt19937 random(7);
    for (std::size_t size : {std::size_t(1) << 20, (std::size_t(1) << 20) + 37, (std::size_t(3) << 20) + 4095}) {
        std::vector<std::uint8_t> buffer(kGuard + size + kGuard);
        for (auto& b : buffer)
            b = static_cast<std::uint8_t>(random());
        ExpectSameAsPlain(buffer, kGuard, size);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, KernelTest,
    ::testing::Combine(::testing::ValuesIn(FastKernels()), ::testing::Values(Direction::Encode, Direction::Decode)),
    [](const ::testing::TestParamInfo<KernelTest::ParamType>& info) {
        return std::string(std::get<0>(info.param).Name) +
               (std::get<1>(info.param) == Direction::Encode ? "_Encode" : "_Decode");
    });
// A build for a processor with no fast kernel has nothing to compare.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KernelTest);

// --- Which kernel runs ----------------------------------------------------

namespace {

// Stand-ins the chooser can tell apart; they are never run.
void FastestKernel(std::uint8_t*, std::size_t, const std::uint8_t*) {}
void FastKernel(std::uint8_t*, std::size_t, const std::uint8_t*) {}

struct ChoiceCase {
    const char* Name;
    std::vector<KernelInfo> Kernels;  // fastest first, as BuiltKernels lists them
    TranslateKernel Expected;
};

void PrintTo(const ChoiceCase& c, std::ostream* out)
{
    *out << c.Name;
}

std::string NameOf(TranslateKernel kernel)
{
    for (const KernelInfo& built : BuiltKernels())
        if (built.Run == kernel)
            return built.Name;
    return kernel == FastestKernel ? "fastest" : kernel == FastKernel ? "fast" : "unknown";
}

}  // namespace

class ChooseKernelTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseKernelTest, TakesTheFirstSupportedKernel)
{
    const ChoiceCase& c = GetParam();
    TranslateKernel chosen = ChooseKernel(c.Kernels);
    EXPECT_EQ(chosen, c.Expected) << "chose " << NameOf(chosen) << ", want " << NameOf(c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ChooseKernelTest,
    ::testing::Values(
        ChoiceCase{"AllSupported",
                   {{"fastest", FastestKernel, true}, {"fast", FastKernel, true}, {"plain", TranslatePlain, true}},
                   FastestKernel},
        ChoiceCase{"FastestUnsupported",
                   {{"fastest", FastestKernel, false}, {"fast", FastKernel, true}, {"plain", TranslatePlain, true}},
                   FastKernel},
        ChoiceCase{"OnlyThePlainLoopSupported",
                   {{"fastest", FastestKernel, false}, {"fast", FastKernel, false}, {"plain", TranslatePlain, true}},
                   TranslatePlain},
        ChoiceCase{"NothingListed", {}, TranslatePlain}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.Name); });

// The kernel the program and the library use is chosen from this build's own
// list, on this machine: where a fast kernel runs, it is not the plain loop.
TEST(SelectedKernel, IsTheFirstSupportedOfTheBuiltKernels)
{
    const KernelInfo* first = nullptr;
    for (const KernelInfo& kernel : BuiltKernels())
        if (first == nullptr && kernel.Supported)
            first = &kernel;
    ASSERT_NE(first, nullptr) << "the plain loop is always supported";
    EXPECT_EQ(SelectedKernel(), first->Run) << "selected " << NameOf(SelectedKernel()) << ", want " << first->Name;
}
