// The one place that decides which translation kernel the program uses: the
// first one BuiltKernels lists as supported, decided on first use and kept.
#include "translate/kernels/kernels.h"

TranslateKernel ChooseKernel(std::span<const KernelInfo> kernels)
{
    for (const KernelInfo& kernel : kernels)
        if (kernel.Supported)
            return kernel.Run;
    return TranslatePlain;
}

TranslateKernel SelectedKernel()
{
    static const TranslateKernel chosen = ChooseKernel(BuiltKernels());
    return chosen;
}
