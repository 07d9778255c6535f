#include "files/memory.h"

#include <windows.h>

#include "translate/errors.h"

void MemoryReturner::operator()(std::uint8_t* memory) const
{
    VirtualFree(memory, 0, MEM_RELEASE);
}

WorkMemory TakeMemory(std::size_t size)
{
    void* memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr)
        throw OutOfMemoryError();
    return WorkMemory(static_cast<std::uint8_t*>(memory), MemoryReturner{size});
}
