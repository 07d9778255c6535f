#include "translate/buffer.h"

#include <utility>

FileBuffer::FileBuffer(FileBuffer&& other) noexcept
    : Data(std::exchange(other.Data, nullptr)),
      Size(std::exchange(other.Size, 0)),
      Capacity(std::exchange(other.Capacity, 0))
{
}

FileBuffer& FileBuffer::operator=(FileBuffer&& other) noexcept
{
    if (this != &other) {
        ReleaseBuffer(*this);
        Data = std::exchange(other.Data, nullptr);
        Size = std::exchange(other.Size, 0);
        Capacity = std::exchange(other.Capacity, 0);
    }
    return *this;
}

FileBuffer::~FileBuffer()
{
    ReleaseBuffer(*this);
}
