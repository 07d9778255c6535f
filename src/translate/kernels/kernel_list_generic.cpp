// The kernels of a build for any other processor: the plain loop alone.
#include "translate/kernels/kernels.h"

std::span<const KernelInfo> BuiltKernels()
{
    static const KernelInfo kernels[] = {
        {"plain", TranslatePlain, true},
    };
    return kernels;
}
