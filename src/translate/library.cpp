// The library's conversions, through the kernel the processor runs best.
#include <zemrik/zemrik.h>

#include <cstring>

#include "translate/kernels/kernels.h"

namespace zemrik {

namespace {

// Copied and translated in pieces that stay in cache, so that each byte
// comes from memory once.
constexpr std::size_t kPiece = std::size_t(64) << 10;

void Translate(const std::uint8_t* from, std::uint8_t* to, std::size_t size, const Table& table)
{
    TranslateKernel kernel = SelectedKernel();
    if (from == to) {
        kernel(to, size, table.data());
        return;
    }
    for (std::size_t done = 0; done < size; done += kPiece) {
        std::size_t piece = size - done < kPiece ? size - done : kPiece;
        std::memcpy(to + done, from + done, piece);
        kernel(to + done, piece, table.data());
    }
}

}  // namespace

void EncodeInPlace(std::uint8_t* data, std::size_t size)
{
    Translate(data, data, size, kEncodeTable);
}

void DecodeInPlace(std::uint8_t* data, std::size_t size)
{
    Translate(data, data, size, kDecodeTable);
}

void Encode(const std::uint8_t* from, std::uint8_t* to, std::size_t size)
{
    Translate(from, to, size, kEncodeTable);
}

void Decode(const std::uint8_t* from, std::uint8_t* to, std::size_t size)
{
    Translate(from, to, size, kDecodeTable);
}

}  // namespace zemrik
