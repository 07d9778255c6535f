#pragma once
#include <cstddef>

// The input is read, translated and written this many bytes at a time:
// small enough to stay in the processor's cache from the read to the write,
// large enough that the system calls cost little (bench/compare.sh).
inline constexpr std::size_t kPieceSize = std::size_t(1) << 20;
