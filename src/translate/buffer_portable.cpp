// Whole-file memory from the C heap, for systems without anonymous mappings.
#include "translate/buffer.h"

#include <cstdlib>

bool ReserveBuffer(FileBuffer& buffer, std::size_t capacity)
{
    if (capacity <= buffer.Capacity)
        return true;
    void* p = std::realloc(buffer.Data, capacity);
    if (p == nullptr)
        return false;
    buffer.Data = static_cast<std::uint8_t*>(p);
    buffer.Capacity = capacity;
    return true;
}

void DiscardBufferPrefix(FileBuffer&, std::size_t)
{
    // The heap cannot give back part of a block; it all goes at release.
}

void ReleaseBuffer(FileBuffer& buffer)
{
    std::free(buffer.Data);
    buffer.Data = nullptr;
    buffer.Size = 0;
    buffer.Capacity = 0;
}
