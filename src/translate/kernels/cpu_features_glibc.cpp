// Asks the C library, which examined the processor once as the program
// started ("active" features: present, and their registers saved by the
// system). Asking the processor again would cost a trap to the hypervisor
// per question on a virtual machine, a good part of a short run.
#include "translate/kernels/cpu_features.h"

#include <sys/platform/x86.h>

bool Avx512VbmiUsable()
{
    return CPU_FEATURE_ACTIVE(AVX512F) && CPU_FEATURE_ACTIVE(AVX512BW) && CPU_FEATURE_ACTIVE(AVX512_VBMI);
}

bool Avx2Usable()
{
    return CPU_FEATURE_ACTIVE(AVX2);
}
