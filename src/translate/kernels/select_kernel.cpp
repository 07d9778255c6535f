// The one place that decides which translation kernel the program uses: the
// first one BuiltKernels lists as supported, decided on first use and kept.
#include "translate/kernels/kernels.h"

namespace {

TranslateKernel Choose()
{
    for (const KernelInfo& kernel : BuiltKernels())
        if (kernel.Supported)
            return kernel.Run;
    return TranslatePlain;
}

}  // namespace

TranslateKernel SelectedKernel()
{
    static const TranslateKernel chosen = Choose();
    return chosen;
}
