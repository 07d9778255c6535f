// 64 bytes per step. vpermi2b looks a byte up in 128 bytes held in two
// registers (the low 7 bits of the index), so one lookup covers each half of
// the table and the index's top bit picks between them.
#include <immintrin.h>

#include "translate/kernels/kernels.h"

namespace {

struct Table512 {
    __m512i Q0, Q1, Q2, Q3;  // the table in four 64-byte quarters
};

[[gnu::target("avx512f,avx512bw,avx512vbmi")]] inline __m512i Lookup(const Table512& t, __m512i bytes)
{
    __m512i low = _mm512_permutex2var_epi8(t.Q0, bytes, t.Q1);
    __m512i high = _mm512_permutex2var_epi8(t.Q2, bytes, t.Q3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(bytes), low, high);
}

}  // namespace

[[gnu::target("avx512f,avx512bw,avx512vbmi")]] void TranslateAvx512Vbmi(std::uint8_t* data, std::size_t size, const std::uint8_t* table)
{
    const Table512 t{_mm512_loadu_si512(table), _mm512_loadu_si512(table + 64),
                     _mm512_loadu_si512(table + 128), _mm512_loadu_si512(table + 192)};
    std::size_t i = 0;
    // Four vectors an iteration keep several loads in flight.
    for (; size - i >= 256; i += 256) {
        __m512i a = _mm512_loadu_si512(data + i);
        __m512i b = _mm512_loadu_si512(data + i + 64);
        __m512i c = _mm512_loadu_si512(data + i + 128);
        __m512i d = _mm512_loadu_si512(data + i + 192);
        _mm512_storeu_si512(data + i, Lookup(t, a));
        _mm512_storeu_si512(data + i + 64, Lookup(t, b));
        _mm512_storeu_si512(data + i + 128, Lookup(t, c));
        _mm512_storeu_si512(data + i + 192, Lookup(t, d));
    }
    for (; size - i >= 64; i += 64)
        _mm512_storeu_si512(data + i, Lookup(t, _mm512_loadu_si512(data + i)));
    if (i < size) {
        // A masked load and store touch only the remaining bytes: nothing
        // past the end is read or written.
        __mmask64 rest = ~std::uint64_t{0} >> (64 - (size - i));
        __m512i bytes = _mm512_maskz_loadu_epi8(rest, data + i);
        _mm512_mask_storeu_epi8(data + i, rest, Lookup(t, bytes));
    }
}
