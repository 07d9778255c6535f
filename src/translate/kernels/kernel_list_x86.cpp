// The kernels of an x86-64 build, fastest first.
#include "translate/kernels/cpu_features.h"
#include "translate/kernels/kernels.h"

std::span<const KernelInfo> BuiltKernels()
{
    static const KernelInfo kernels[] = {
        {"avx512vbmi", TranslateAvx512Vbmi, Avx512VbmiUsable()},
        {"avx2", TranslateAvx2, Avx2Usable()},
        {"plain", TranslatePlain, true},
    };
    return kernels;
}
