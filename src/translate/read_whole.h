#pragma once
// Reading a whole input into memory, the same on every system; only the
// reading call itself differs.
#include <cstdint>

#include "translate/buffer.h"
#include "translate/errors.h"

// `announced`: the size the system gives in advance, 0 when it gives none.
// `readUpTo(into, want)` reads until `want` bytes are in or the input ends,
// returns the count read, and throws EReadError on a failure.
template <class ReadUpTo>
FileBuffer ReadWhole(std::int64_t announced, ReadUpTo readUpTo)
{
    FileBuffer buffer;
    auto reserve = [&buffer](std::size_t capacity) {
        if (!ReserveBuffer(buffer, capacity))
            throw OutOfMemoryError();
    };

    if (announced > 0) {
        // Read exactly the size announced. An input that ends sooner has
        // shrunk under us, and half a file must not be saved.
        auto size = static_cast<std::size_t>(announced);
        if (static_cast<std::int64_t>(size) != announced)
            throw OutOfMemoryError();
        reserve(size);
        if (readUpTo(buffer.Data, size) != size)
            throw EReadError();
        buffer.Size = size;
        return buffer;
    }

    // No size in advance (pipes, devices, /proc): read to the end, growing.
    std::size_t capacity = std::size_t(1) << 16;
    for (;;) {
        reserve(capacity);
        buffer.Size += readUpTo(buffer.Data + buffer.Size, buffer.Capacity - buffer.Size);
        if (buffer.Size < buffer.Capacity)
            return buffer;
        if (buffer.Capacity > SIZE_MAX / 2)
            throw OutOfMemoryError();
        capacity = buffer.Capacity * 2;
    }
}
