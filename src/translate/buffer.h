#pragma once
#include <cstddef>
#include <cstdint>

// The memory that holds a whole file while it is converted. It is taken in
// one piece from the system (no zero-filling container, no second copy) and
// given back when the owner goes out of scope.
struct FileBuffer {
    std::uint8_t* Data = nullptr;
    std::size_t Size = 0;      // bytes in use
    std::size_t Capacity = 0;  // bytes obtained

    FileBuffer() = default;
    FileBuffer(FileBuffer&& other) noexcept;
    FileBuffer& operator=(FileBuffer&& other) noexcept;
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;
    ~FileBuffer();
};

// Makes room for at least `capacity` bytes, keeping the first Size bytes.
// Returns false, leaving the buffer as it was, when the memory cannot be had.
bool ReserveBuffer(FileBuffer& buffer, std::size_t capacity);

// The first `bytes` bytes are saved and no longer needed: their memory may
// go back to the system at once (their content is then gone), so that the
// system can reuse it for the file it is being written to.
void DiscardBufferPrefix(FileBuffer& buffer, std::size_t bytes);

// Gives the memory back; the buffer is then empty.
void ReleaseBuffer(FileBuffer& buffer);
