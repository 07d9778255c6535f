// Bytes per second of every kernel this machine can run, the plain loop
// included, on a buffer that stays in cache and on one that does not.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "translate/kernels/kernels.h"
#include "translate/tables.h"

namespace {

// Random bytes, so that every table entry is used.
std::vector<std::uint8_t> RandomBuffer(std::size_t size)
{
    std::vector<std::uint8_t> buffer(size);
    std::mt19937_64 random(size);
    for (std::size_t i = 0; i < size; i += 8) {
        std::uint64_t word = random();
        for (std::size_t j = i; j < i + 8 && j < size; ++j, word >>= 8)
            buffer[j] = static_cast<std::uint8_t>(word);
    }
    return buffer;
}

void Translate(benchmark::State& state, TranslateKernel kernel)
{
    std::vector<std::uint8_t> buffer = RandomBuffer(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        kernel(buffer.data(), buffer.size(), WorkTable);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(buffer.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    BuildWorkTable(true);
    for (const KernelInfo& kernel : BuiltKernels()) {
        if (!kernel.Supported)
            continue;
        benchmark::RegisterBenchmark((std::string("Translate/") + kernel.Name).c_str(), Translate, kernel.Run)
            ->Arg(64 << 10)
            ->Arg(256 << 20)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
