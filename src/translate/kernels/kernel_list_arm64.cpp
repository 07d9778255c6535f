// The kernels of an AArch64 build: NEON is part of the base architecture.
#include "translate/kernels/kernels.h"

std::span<const KernelInfo> BuiltKernels()
{
    static const KernelInfo kernels[] = {
        {"neon", TranslateNeon, true},
        {"plain", TranslatePlain, true},
    };
    return kernels;
}
