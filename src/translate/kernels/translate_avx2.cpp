// 16 bytes per step with vpshufb, which looks up 16-byte tables only: the
// table is cut into sixteen 16-byte slices. Each 256-bit register holds a
// slice of the lower half of the table in its low lane and the matching
// slice of the upper half in its high lane, so the whole table takes eight of
// the sixteen registers; the 16 data bytes are broadcast to both lanes.
//
// vpshufb gives zero where the index byte has its top bit set. A saturating
// add of 0x70 - 16k leaves that bit clear exactly for bytes below 16(k+1),
// keeping the low four bits; so lookup k sees every byte whose slice is k or
// lower. Storing slice k XOR slice k+1 (the last slice as it is) then makes
// the XOR of all eight lookups the wanted entry. The high lane does the same
// with the top bit of the data flipped, and the two lanes are XORed together:
// each byte is zero in the lane of the half it is not in.
#include <immintrin.h>

#include "translate/kernels/kernels.h"

namespace {

struct Table256 {
    __m256i Slice[8];  // XOR-differenced slices: lower half | upper half
    __m256i Reach[8];  // the saturating addend for each slice
};

[[gnu::target("avx2")]] inline __m128i Lookup(const Table256& t, const std::uint8_t* from)
{
    const __m256i flipHigh = _mm256_set_m128i(_mm_set1_epi8(static_cast<char>(0x80)), _mm_setzero_si128());
    __m256i bytes = _mm256_xor_si256(
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from))), flipHigh);
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < 8; ++k)
        sum = _mm256_xor_si256(sum, _mm256_shuffle_epi8(t.Slice[k], _mm256_adds_epu8(bytes, t.Reach[k])));
    return _mm_xor_si128(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
}

}  // namespace

[[gnu::target("avx2")]] void TranslateAvx2(std::uint8_t* data, std::size_t size, const std::uint8_t* table)
{
    Table256 t;
    for (int k = 0; k < 8; ++k) {
        __m256i here = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(table + 128 + 16 * k),
                                           reinterpret_cast<const __m128i*>(table + 16 * k));
        if (k < 7) {
            __m256i next = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(table + 128 + 16 * (k + 1)),
                                               reinterpret_cast<const __m128i*>(table + 16 * (k + 1)));
            here = _mm256_xor_si256(here, next);
        }
        t.Slice[k] = here;
        t.Reach[k] = _mm256_set1_epi8(static_cast<char>(0x70 - 16 * k));
    }
    std::size_t i = 0;
    // Two independent steps an iteration overlap their XOR chains.
    for (; size - i >= 32; i += 32) {
        __m128i a = Lookup(t, data + i);
        __m128i b = Lookup(t, data + i + 16);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i + 16), b);
    }
    if (size - i >= 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(data + i), Lookup(t, data + i));
        i += 16;
    }
    TranslatePlain(data + i, size - i, table);
}
