// The kernels of an x86-64 build. __builtin_cpu_supports reports a feature
// only when the operating system also saves its registers (libgcc reads
// XCR0 with xgetbv: the YMM state for AVX2, the opmask and ZMM states for
// AVX-512), so a kernel listed as supported can run here.
#include "translate/kernels/kernels.h"

namespace {

bool Avx512VbmiUsable()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

bool Avx2Usable()
{
    return __builtin_cpu_supports("avx2");
}

}  // namespace

std::span<const KernelInfo> BuiltKernels()
{
    // Tests may ask before libgcc's own constructor has run.
    __builtin_cpu_init();
    static const KernelInfo kernels[] = {
        {"avx512vbmi", TranslateAvx512Vbmi, Avx512VbmiUsable()},
        {"avx2", TranslateAvx2, Avx2Usable()},
        {"plain", TranslatePlain, true},
    };
    return kernels;
}
