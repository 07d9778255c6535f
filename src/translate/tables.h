#pragma once
#include <cstdint>

#include <zemrik/zemrik.h>

// The one fixed table: normal 8-bit text -> FF7 text.
inline constexpr const zemrik::Table& EncodeTable = zemrik::kEncodeTable;

// The table the run applies; zero until BuildWorkTable fills it.
extern std::uint8_t WorkTable[256];

// Fills WorkTable for the run's direction: the encode table itself, or its
// inverse when decoding.
void BuildWorkTable(bool Decode);
