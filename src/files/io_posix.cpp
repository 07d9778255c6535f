#include "files/io_posix.h"

#include <cerrno>
#include <memory>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct StandIn {
    bool Given = false;
    dev_t Device = 0;
    ino_t Inode = 0;
};
StandIn standIns[3];

}  // namespace

Descriptor::~Descriptor()
{
    if (Fd >= 0)
        close(Fd);
}

bool Descriptor::Close()
{
    int fd = Fd;
    Fd = -1;
    return fd < 0 || close(fd) == 0;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

std::int64_t ReadFully(int fd, std::uint8_t* into, std::size_t want)
{
    std::size_t got = 0;
    while (got < want) {
        ssize_t n = read(fd, into + got, want - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool CopyWholeFile(int from, int to)
{
    if (lseek(from, 0, SEEK_SET) != 0 || lseek(to, 0, SEEK_SET) != 0)
        return false;
    constexpr std::size_t kChunk = std::size_t(256) << 10;
    std::unique_ptr<std::uint8_t[]> chunk(new (std::nothrow) std::uint8_t[kChunk]);
    if (!chunk)
        return false;
    off_t length = 0;
    for (;;) {
        std::int64_t n = ReadFully(from, chunk.get(), kChunk);
        if (n < 0 || !WriteAll(to, chunk.get(), static_cast<std::size_t>(n)))
            return false;
        length += n;
        if (static_cast<std::size_t>(n) < kChunk)
            return ftruncate(to, length) == 0;
    }
}

void ProvideMissingStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // open and memfd_create take the lowest free number: this one.
        int standIn = memfd_create("missing standard stream", 0);
        if (standIn < 0)
            standIn = open("/dev/null", O_RDWR);
        struct stat st;
        if (standIn == fd && fstat(fd, &st) == 0)
            standIns[fd] = {true, st.st_dev, st.st_ino};
    }
}

bool IsMissingStreamStandIn(const struct stat& st)
{
    for (const StandIn& standIn : standIns)
        if (standIn.Given && standIn.Device == st.st_dev && standIn.Inode == st.st_ino)
            return true;
    return false;
}
