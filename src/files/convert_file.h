#pragma once
#include <cstddef>
#include <cstdint>

#include "files/named_file.h"

// Told (position, size) each time the conversion passes a multiple of 1024.
using ProgressCallback = void (*)(std::int64_t position, std::int64_t size);

// Translates the `size` bytes at `data`, which stand at `offset` of an input
// of `total` bytes, in place through `table`, and calls `progress` (when
// given) with every multiple of 1024 in (offset, offset + size], in order,
// once the bytes before it are translated.
void TranslatePiece(std::uint8_t* data, std::size_t size, const std::uint8_t* table,
                    std::int64_t offset, std::int64_t total, ProgressCallback progress);

// Reads InputName, translates it through WorkTable and saves the result as
// OutputName. The two may name the same file: the output's name gets the new
// content only once the whole input has been read and translated.
void ConvertFile(const NamedFile& InputName, const NamedFile& OutputName, ProgressCallback progress);
