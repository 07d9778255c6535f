#pragma once
#include <cstdint>

// The one fixed table: normal 8-bit text -> FF7 text.
extern const std::uint8_t EncodeTable[256];

// The table the run applies; zero until BuildWorkTable fills it.
extern std::uint8_t WorkTable[256];

// Fills WorkTable for the run's direction: the encode table itself, or its
// inverse when decoding.
void BuildWorkTable(bool Decode);
