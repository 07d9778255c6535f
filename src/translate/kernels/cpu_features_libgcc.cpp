// Asks libgcc, which reports a feature only when the operating system also
// saves its registers (it reads XCR0 with xgetbv: the YMM state for AVX2,
// the opmask and ZMM states for AVX-512).
#include "translate/kernels/cpu_features.h"

bool Avx512VbmiUsable()
{
    __builtin_cpu_init();  // callers may come before libgcc's own constructor
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

bool Avx2Usable()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
