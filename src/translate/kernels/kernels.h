#pragma once
#include <cstddef>
#include <cstdint>

// Replaces each of `size` bytes at `data` by its entry in the 256-byte `table`.
using TranslateKernel = void (*)(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// The plain byte loop: the reference every faster kernel must agree with.
void TranslatePlain(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// The fastest kernel this processor and system can run, chosen once.
TranslateKernel SelectedKernel();
