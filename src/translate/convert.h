#pragma once
#include <cstddef>
#include <cstdint>

#include "translate/file_io.h"

// Told (position, size) each time the conversion passes a multiple of 1024.
using ProgressCallback = void (*)(std::int64_t position, std::int64_t size);

// Translates `size` bytes in place through `table`, calling `progress` (when
// given) with every multiple of 1024 from 1024 up to `size`, in order, once
// the bytes before it are translated.
void TranslateBuffer(std::uint8_t* data, std::size_t size, const std::uint8_t* table,
                     ProgressCallback progress);

// Reads InputName whole, translates it through WorkTable and saves the result
// as OutputName. The two may name the same file.
void ConvertFile(const NamedFile& InputName, const NamedFile& OutputName, ProgressCallback progress);
