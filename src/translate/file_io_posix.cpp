// Loading and saving a whole file on POSIX systems.
#include "translate/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "translate/errors.h"

namespace {

// Closes the descriptor however the scope is left.
struct Descriptor {
    int Fd;
    ~Descriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
};

constexpr std::size_t kMaxIo = std::size_t(1) << 30;  // per call; the kernel caps lower anyway

// Reads until `want` bytes are in or the file ends; returns the count read.
std::size_t ReadUpTo(int fd, std::uint8_t* into, std::size_t want)
{
    std::size_t got = 0;
    while (got < want) {
        std::size_t piece = want - got < kMaxIo ? want - got : kMaxIo;
        ssize_t n = read(fd, into + got, piece);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError();
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

void Reserve(FileBuffer& buffer, std::size_t capacity)
{
    if (!ReserveBuffer(buffer, capacity))
        throw OutOfMemoryError();
}

}  // namespace

FileBuffer ReadWholeFile(const NamedFile& file)
{
    Descriptor in{open(file.Path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st;
    if (in.Fd < 0 || fstat(in.Fd, &st) != 0 || S_ISDIR(st.st_mode))
        throw EFOpenError(file.Shown);

    FileBuffer buffer;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        // The size is announced: read exactly that much. A file that ends
        // sooner has shrunk under us, and half a file must not be saved.
        auto size = static_cast<std::size_t>(st.st_size);
        if (static_cast<off_t>(size) != st.st_size)
            throw OutOfMemoryError();
        Reserve(buffer, size);
        if (ReadUpTo(in.Fd, buffer.Data, size) != size)
            throw EReadError();
        buffer.Size = size;
        return buffer;
    }

    // No size in advance (pipes, devices, /proc): read to the end, growing.
    std::size_t capacity = std::size_t(1) << 16;
    for (;;) {
        Reserve(buffer, capacity);
        std::size_t got = ReadUpTo(in.Fd, buffer.Data + buffer.Size, buffer.Capacity - buffer.Size);
        buffer.Size += got;
        if (buffer.Size < buffer.Capacity)
            return buffer;
        if (buffer.Capacity > SIZE_MAX / 2)
            throw OutOfMemoryError();
        capacity = buffer.Capacity * 2;
    }
}

void WriteWholeFile(const NamedFile& file, const std::uint8_t* data, std::size_t size)
{
    Descriptor out{open(file.Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
    if (out.Fd < 0)
        throw EFCreateError(file.Shown);
    std::size_t done = 0;
    while (done < size) {
        std::size_t piece = size - done < kMaxIo ? size - done : kMaxIo;
        ssize_t n = write(out.Fd, data + done, piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EWriteError();
        done += static_cast<std::size_t>(n);
    }
    int fd = out.Fd;
    out.Fd = -1;
    if (close(fd) != 0)
        throw EWriteError();
}
