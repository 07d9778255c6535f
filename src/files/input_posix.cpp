// Reading the input on POSIX systems.
#include "files/input.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "files/io_posix.h"
#include "translate/errors.h"

namespace {

// File systems whose files announce a size they do not hold: /proc files
// say 0 bytes and have more, /sys files say 4096 and have fewer. They are
// read to their end instead.
bool OnPseudoFileSystem(int fd)
{
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x9fa0:      // proc
    case 0x62656572:  // sysfs
    case 0x64626720:  // debugfs
    case 0x74726163:  // tracefs
    case 0x73636673:  // securityfs
    case 0x62656570:  // configfs
    case 0x27e0eb:    // cgroup
    case 0x63677270:  // cgroup2
    case 0xde5e81e4:  // efivarfs
    case 0xcafe4a11:  // bpf
        return true;
    default:
        return false;
    }
}

int FdOf(const InputFile& input)
{
    return static_cast<int>(input.Handle);
}

}  // namespace

InputFile OpenInput(const NamedFile& file)
{
    Descriptor in;
    struct stat st;
    for (int attempt = 0;; ++attempt) {
        in.Close();
        in.Fd = open(file.Path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in.Fd < 0 || fstat(in.Fd, &st) != 0 || S_ISDIR(st.st_mode) || IsMissingStreamStandIn(st))
            throw EFOpenError(file.Shown);
        if (!S_ISREG(st.st_mode))
            break;
        // Runs on the same file take turns: none reads a file while another
        // rewrites it, and the size is what it is once our turn comes.
        while (flock(in.Fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (fstat(in.Fd, &st) != 0)
            throw EFOpenError(file.Shown);
        // The run before ours may have replaced the file under its name: the
        // file to read is the one the name holds now.
        struct stat now;
        if (attempt == 10 || (stat(file.Path.c_str(), &now) == 0 && SameFile(now, st)))
            break;
    }

    InputFile input;
    if (S_ISREG(st.st_mode) && !OnPseudoFileSystem(in.Fd)) {
        input.Size = st.st_size;
        posix_fadvise(in.Fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    input.Handle = in.Fd;
    in.Fd = -1;
    return input;
}

std::size_t ReadInput(InputFile& input, std::uint8_t* into, std::size_t want)
{
    std::int64_t got = ReadFully(FdOf(input), into, want);
    if (got < 0)
        throw EReadError();
    return static_cast<std::size_t>(got);
}

void CloseInput(InputFile& input)
{
    if (input.Handle >= 0)
        close(FdOf(input));
    input.Handle = -1;
}

bool OpenScratch(const std::string& nearPath, InputFile& scratch)
{
    std::string folder = nearPath.empty() ? std::string(P_tmpdir) : nearPath;
    int fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        // No unnamed files here: a hidden one, unlinked at once.
        std::string name = folder + "/.zemrik-scratch-XXXXXX";
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
        unlink(name.c_str());
    }
    scratch.Handle = fd;
    scratch.Size = -1;
    return true;
}

bool WriteScratch(InputFile& scratch, const std::uint8_t* data, std::size_t size)
{
    return WriteAll(FdOf(scratch), data, size);
}

bool RewindScratch(InputFile& scratch, std::int64_t size)
{
    scratch.Size = size;
    return lseek(FdOf(scratch), 0, SEEK_SET) == 0;
}
