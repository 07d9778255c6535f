// An AArch64 build translates with NEON, which every such processor has.
#include <gtest/gtest.h>

#include "translate/kernels/kernels.h"

TEST(Arm64Kernels, TheProgramTranslatesWithNeon)
{
    EXPECT_EQ(SelectedKernel(), TranslateNeon) << "BuiltKernels lists " << BuiltKernels().front().Name
                                               << " first, supported: " << BuiltKernels().front().Supported;
}
