#include "translate/tables.h"

std::uint8_t WorkTable[256] = {};

void BuildWorkTable(bool Decode)
{
    if (!Decode) {
        for (int j = 0; j < 256; ++j)
            WorkTable[j] = EncodeTable[j];
        return;
    }
    // The decode table is derived from the encode table, never typed twice:
    // for each code j, the last k whose encoding is j wins; codes that nothing
    // encodes to stay zero. Going through k in ascending order once gives
    // just that, without scanning all k for every j.
    for (int j = 0; j < 256; ++j)
        WorkTable[j] = 0;
    for (int k = 0; k < 256; ++k)
        WorkTable[EncodeTable[k]] = static_cast<std::uint8_t>(k);
}
