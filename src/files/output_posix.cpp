// Loading and saving a whole file on POSIX systems.
//
// Saving never leaves a user's file half-written: a regular file is replaced
// by renaming a complete, flushed temporary file over it; a file with other
// hard links is rewritten in place only after a copy of its old content is
// safely on disk beside it; devices and pipes are written directly.
#include "translate/file_io.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "translate/errors.h"
#include "translate/read_whole.h"

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

}  // namespace

FileBuffer ReadWholeFile(const NamedFile& file)
{
    Descriptor in{open(file.Path.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st;
    if (in.Fd < 0 || fstat(in.Fd, &st) != 0 || S_ISDIR(st.st_mode))
        throw EFOpenError(file.Shown);

    std::int64_t announced = S_ISREG(st.st_mode) ? st.st_size : 0;
    return ReadWhole(announced, [&in](std::uint8_t* into, std::size_t want) { return ReadUpTo(in.Fd, into, want); });
}

// ---------------------------------------------------------------------------
// Saving

namespace {

// Writes all of `data`; false on any failure (disk full, I/O error, file too
// large).
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        std::size_t piece = size - done < kMaxIo ? size - done : kMaxIo;
        ssize_t n = write(fd, data + done, piece);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the whole buffer in large pieces, giving each piece's memory back
// once it is written: the system needs as much again for the file's new
// copy in its cache, and memory it just got back is the fastest it has.
void WriteBufferOrThrow(int fd, FileBuffer& buffer)
{
    constexpr std::size_t kPiece = std::size_t(64) << 20;
    for (std::size_t done = 0; done < buffer.Size;) {
        std::size_t piece = buffer.Size - done < kPiece ? buffer.Size - done : kPiece;
        if (!WriteAll(fd, buffer.Data + done, piece))
            throw EWriteError();
        done += piece;
        DiscardBufferPrefix(buffer, done);
    }
}

void CloseOrThrow(Descriptor& file)
{
    int fd = file.Fd;
    file.Fd = -1;
    if (close(fd) != 0)
        throw EWriteError();
}

std::string DirectoryOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseNameOf(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One of the program's own descriptors named as a file (/dev/stdout goes to
// /proc/self/fd/1): the number, or -1 when `path` names none.
int DescriptorNamed(const std::string& path)
{
    for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (path.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string digits = path.substr(prefix.size());
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::stoi(digits);
    }
    return -1;
}

// Whether the system's rule for links in shared folders such as /tmp forbids
// following this one: a sticky, world-writable folder, and a link owned by
// neither the folder's owner nor us. Followed anyway, a link planted there
// would let another user choose which file gets replaced.
bool ForbiddenToFollow(const std::string& link, const struct stat& linkStat)
{
    std::string dir = DirectoryOf(link);
    struct stat folder;
    if (stat(dir.empty() ? "." : dir.c_str(), &folder) != 0)
        return true;
    bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && linkStat.st_uid != geteuid() && linkStat.st_uid != folder.st_uid;
}

// Where a write through the output's name lands: a path with symbolic links
// followed, so that the file they point to is replaced and the links stay
// links; or one of the program's own descriptors.
struct Target {
    std::string Path;
    int Descriptor = -1;
};

Target FinalTarget(const NamedFile& file)
{
    std::string current = file.Path;
    for (int hops = 0; hops < 40; ++hops) {
        if (int fd = DescriptorNamed(current); fd >= 0)
            return {current, fd};
        struct stat st;
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return {current};
        if (ForbiddenToFollow(current, st))
            throw EFCreateError(file.Shown);
        std::array<char, 4096> link;
        ssize_t n = readlink(current.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) == link.size())
            throw EFCreateError(file.Shown);
        std::string next(link.data(), static_cast<std::size_t>(n));
        current = next[0] == '/' ? next : DirectoryOf(current) + next;
    }
    throw EFCreateError(file.Shown);  // a loop of links
}

void SyncDirectoryOf(const std::string& path)
{
    std::string dir = DirectoryOf(path);
    Descriptor d{open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (d.Fd >= 0)
        fsync(d.Fd);
}

mode_t CurrentUmask()
{
    mode_t mask = umask(0);
    umask(mask);
    return mask;
}

// --- Interrupts --------------------------------------------------------------
// The temporary file being written, for the signal handler to remove. Set
// and cleared only while the cleanup signals are blocked, so a signal sees
// either no file or a complete name.
std::array<char, 4200> pendingTemporary;

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveTemporaryAndDie(int signal)
{
    if (pendingTemporary[0] != '\0')
        unlink(pendingTemporary.data());
    // SA_RESETHAND has restored the default action; the signal raised again
    // is delivered as the handler returns and ends the program by it.
    raise(signal);
}

void InstallCleanupHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int signal : kCleanupSignals) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;  // started ignoring it (nohup): keep ignoring it
        struct sigaction action = {};
        action.sa_handler = RemoveTemporaryAndDie;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

// Holds the cleanup signals back while it lives.
struct SignalsBlocked {
    sigset_t Old;
    SignalsBlocked()
    {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kCleanupSignals)
            sigaddset(&set, signal);
        sigprocmask(SIG_BLOCK, &set, &Old);
    }
    ~SignalsBlocked() { sigprocmask(SIG_SETMASK, &Old, nullptr); }
};

// A new file beside `target`, created exclusively with mode 0600 under a
// hidden name no user file would have. Removed again unless Keep() is
// called.
struct TemporaryFile {
    std::string Path;
    Descriptor File{-1};
    bool Registered = false;  // named in pendingTemporary

    TemporaryFile(const std::string& target, const NamedFile& shown, bool forSignals)
    {
        // Keep the hidden name within the system's limit for one name.
        std::string base = BaseNameOf(target).substr(0, 200);
        Path = DirectoryOf(target) + "." + base + ".zemrik-XXXXXX";
        if (Path.size() >= pendingTemporary.size())
            throw EFCreateError(shown.Shown);
        SignalsBlocked blocked;
        File.Fd = mkostemp(Path.data(), O_CLOEXEC);
        if (File.Fd < 0)
            throw EFCreateError(shown.Shown);
        if (forSignals) {
            std::memcpy(pendingTemporary.data(), Path.c_str(), Path.size() + 1);
            Registered = true;
        }
    }

    // The file is no longer ours to remove (renamed into place).
    void Keep()
    {
        Path.clear();
        Forget();
    }

    void Forget()
    {
        if (Registered)
            pendingTemporary[0] = '\0';
        Registered = false;
    }

    ~TemporaryFile()
    {
        if (File.Fd >= 0) {
            close(File.Fd);
            File.Fd = -1;
        }
        if (!Path.empty()) {
            SignalsBlocked blocked;
            unlink(Path.c_str());
            Forget();
        }
    }
};

// Devices, pipes and terminals: there is nothing to replace, so the bytes go
// straight to them.
void WriteDirectly(const NamedFile& file, const std::string& target, FileBuffer& buffer)
{
    Descriptor out{open(target.c_str(), O_WRONLY | O_CLOEXEC)};
    if (out.Fd < 0)
        throw EFCreateError(file.Shown);
    WriteBufferOrThrow(out.Fd, buffer);
    CloseOrThrow(out);
}

// Copies everything readable from `from` to `to`, both at their start.
bool CopyFileContent(int from, int to)
{
    if (lseek(from, 0, SEEK_SET) != 0 || lseek(to, 0, SEEK_SET) != 0)
        return false;
    std::array<std::uint8_t, 1 << 16> chunk;
    for (;;) {
        ssize_t n = read(from, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!WriteAll(to, chunk.data(), static_cast<std::size_t>(n)))
            return false;
    }
}

// A file with other hard links: renaming a new file over this name would
// split it from its other names. It is rewritten in place instead, after a
// full copy of its old content is on disk beside it to fall back on.
void RewriteLinkedFile(const NamedFile& file, const std::string& target, const FileBuffer& buffer)
{
    // The rewrite runs to its end, or is undone, before any interrupt counts.
    SignalsBlocked blocked;
    TemporaryFile backup(target, file, false);
    Descriptor old{open(target.c_str(), O_RDWR | O_CLOEXEC)};
    if (old.Fd < 0)
        throw EFCreateError(file.Shown);
    if (!CopyFileContent(old.Fd, backup.File.Fd) || fsync(backup.File.Fd) != 0)
        throw EWriteError();
    SyncDirectoryOf(backup.Path);

    bool written = ftruncate(old.Fd, 0) == 0 && lseek(old.Fd, 0, SEEK_SET) == 0 &&
                   WriteAll(old.Fd, buffer.Data, buffer.Size) && fsync(old.Fd) == 0;
    if (written) {
        CloseOrThrow(old);
        return;  // the backup goes with `backup`
    }
    bool restored = ftruncate(old.Fd, 0) == 0 && CopyFileContent(backup.File.Fd, old.Fd) &&
                    fsync(old.Fd) == 0;
    if (!restored)
        backup.Keep();  // now the only whole copy of the old content
    throw EWriteError();
}

// A regular file, or a name not yet taken: write a temporary beside it and
// rename it into place once complete.
void ReplaceByRename(const NamedFile& file, const std::string& target, const struct stat* old,
                     FileBuffer& buffer)
{
    InstallCleanupHandlers();
    TemporaryFile temporary(target, file, true);
    int fd = temporary.File.Fd;
    WriteBufferOrThrow(fd, buffer);
    if (old != nullptr) {
        // Owner first: changing it clears set-id bits that the mode then
        // restores. Only root may give a file away; anyone may keep its group
        // where they belong to it.
        (void)fchown(fd, geteuid() == 0 ? old->st_uid : uid_t(-1), old->st_gid);
        (void)fchmod(fd, old->st_mode & 07777);
        // Flushed before the old content is let go of.
        if (fsync(fd) != 0)
            throw EWriteError();
    } else {
        (void)fchmod(fd, 0666 & ~CurrentUmask());
    }
    CloseOrThrow(temporary.File);

    {
        SignalsBlocked blocked;
        if (rename(temporary.Path.c_str(), target.c_str()) != 0)
            throw EFCreateError(file.Shown);
        temporary.Keep();
    }
    if (old != nullptr)
        SyncDirectoryOf(target);
}

}  // namespace

void WriteWholeFile(const NamedFile& file, FileBuffer& buffer)
{
    // Past the file-size limit a write must fail, not kill the program.
    signal(SIGXFSZ, SIG_IGN);
    if (file.Path.empty())
        throw EFCreateError(file.Shown);
    Target target = FinalTarget(file);
    if (target.Descriptor >= 0) {
        // Written as `cat` would: at the descriptor's own position, keeping
        // what the shell asked for (appending, say).
        if (fcntl(target.Descriptor, F_GETFD) == -1)
            throw EFCreateError(file.Shown);
        WriteBufferOrThrow(target.Descriptor, buffer);
        return;
    }
    struct stat st;
    if (stat(target.Path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            throw EFCreateError(file.Shown);  // what is there cannot be told
        ReplaceByRename(file, target.Path, nullptr, buffer);
        return;
    }
    if (S_ISDIR(st.st_mode))
        throw EFCreateError(file.Shown);
    if (!S_ISREG(st.st_mode))
        WriteDirectly(file, target.Path, buffer);
    // A rename needs only the folder's permission: the file's own must
    // allow writing too, as it would for anything writing into it.
    else if (faccessat(AT_FDCWD, target.Path.c_str(), W_OK, AT_EACCESS) != 0)
        throw EFCreateError(file.Shown);
    else if (st.st_nlink > 1)
        RewriteLinkedFile(file, target.Path, buffer);
    else
        ReplaceByRename(file, target.Path, &st, buffer);
}
