#pragma once
// The conversion's working memory, taken straight from the system: no
// zero-filling, and no fallback that would hide a refusal.
#include <cstddef>
#include <cstdint>
#include <memory>

struct MemoryReturner {
    std::size_t Size;
    void operator()(std::uint8_t* memory) const;
};
using WorkMemory = std::unique_ptr<std::uint8_t[], MemoryReturner>;

// `size` bytes, page-aligned. Throws EStreamError when the system refuses.
WorkMemory TakeMemory(std::size_t size);
