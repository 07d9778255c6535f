#include "files/memory.h"

#include <sys/mman.h>

#include "translate/errors.h"

void MemoryReturner::operator()(std::uint8_t* memory) const
{
    munmap(memory, Size);
}

WorkMemory TakeMemory(std::size_t size)
{
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw OutOfMemoryError();
    return WorkMemory(static_cast<std::uint8_t*>(memory), MemoryReturner{size});
}
