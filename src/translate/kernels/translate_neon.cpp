// 16 bytes per step. tbl looks bytes up in 64 table bytes and gives zero for
// an index past them; tbx leaves the byte as it was instead. One tbl and
// three tbx over the table's quarters, with 64, 128 and 192 taken off the
// index (wrapping, so bytes of other quarters fall out of range), cover all
// 256 entries.
#include <arm_neon.h>

#include "translate/kernels/kernels.h"

void TranslateNeon(std::uint8_t* data, std::size_t size, const std::uint8_t* table)
{
    const uint8x16x4_t q0 = vld1q_u8_x4(table);
    const uint8x16x4_t q1 = vld1q_u8_x4(table + 64);
    const uint8x16x4_t q2 = vld1q_u8_x4(table + 128);
    const uint8x16x4_t q3 = vld1q_u8_x4(table + 192);
    const uint8x16_t quarter = vdupq_n_u8(64);
    std::size_t i = 0;
    for (; size - i >= 16; i += 16) {
        uint8x16_t index = vld1q_u8(data + i);
        uint8x16_t out = vqtbl4q_u8(q0, index);
        index = vsubq_u8(index, quarter);
        out = vqtbx4q_u8(out, q1, index);
        index = vsubq_u8(index, quarter);
        out = vqtbx4q_u8(out, q2, index);
        index = vsubq_u8(index, quarter);
        out = vqtbx4q_u8(out, q3, index);
        vst1q_u8(data + i, out);
    }
    TranslatePlain(data + i, size - i, table);
}
