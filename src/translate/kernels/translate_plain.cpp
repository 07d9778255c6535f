#include "translate/kernels/kernels.h"

void TranslatePlain(std::uint8_t* data, std::size_t size, const std::uint8_t* table)
{
    for (std::size_t i = 0; i < size; ++i)
        data[i] = table[data[i]];
}
