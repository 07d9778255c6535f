// Whole-file memory on Linux: an anonymous mapping, asked for huge pages and
// populated in one call, so that a large file does not pay one page fault
// per 4 KiB on first touch.
#include "translate/buffer.h"

#include <cerrno>
#include <sys/mman.h>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit)
{
    return (n + unit - 1) / unit * unit;
}

// Asks for huge pages and fills the page tables at once. A kernel without
// these calls simply faults the pages in later. Returns false only when the
// memory is not really there: the mapping alone promises nothing under
// overcommit, and touching it later would bring the OOM killer instead of a
// clean failure.
bool Prepare(std::uint8_t* start, std::size_t length)
{
#ifdef MADV_HUGEPAGE
    madvise(start, length, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    if (madvise(start, length, MADV_POPULATE_WRITE) != 0 && errno == ENOMEM)
        return false;
#endif
    return true;
}

}  // namespace

bool ReserveBuffer(FileBuffer& buffer, std::size_t capacity)
{
    if (capacity <= buffer.Capacity)
        return true;
    // Small files keep to whole pages; large ones to whole huge pages.
    std::size_t length = capacity < kHugePage ? RoundUp(capacity, 4096) : RoundUp(capacity, kHugePage);
    if (length < capacity)
        return false;  // the rounding overflowed: no such memory anyway
    void* p;
    if (buffer.Data == nullptr)
        p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    else
        p = mremap(buffer.Data, buffer.Capacity, length, MREMAP_MAYMOVE);
    if (p == MAP_FAILED)
        return false;
    auto* start = static_cast<std::uint8_t*>(p);
    buffer.Data = start;
    std::size_t old = buffer.Capacity;
    buffer.Capacity = length;
    if (!Prepare(start + old, length - old)) {
        // Give back what could not be had; the content so far stays.
        if (old == 0) {
            ReleaseBuffer(buffer);
        } else {
            void* back = mremap(start, length, old, 0);
            if (back != MAP_FAILED)
                buffer.Capacity = old;
        }
        return false;
    }
    return true;
}

void DiscardBufferPrefix(FileBuffer& buffer, std::size_t bytes)
{
    // Whole pages only; the mapping starts on a page.
    std::size_t length = bytes / 4096 * 4096;
    if (buffer.Data != nullptr && length > 0)
        madvise(buffer.Data, length, MADV_DONTNEED);
}

void ReleaseBuffer(FileBuffer& buffer)
{
    if (buffer.Data != nullptr)
        munmap(buffer.Data, buffer.Capacity);
    buffer.Data = nullptr;
    buffer.Size = 0;
    buffer.Capacity = 0;
}
