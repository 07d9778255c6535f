// Saving the output on POSIX systems, in one of three ways:
// - a regular file, or a name not yet taken, gets a temporary file beside it
//   that is flushed and renamed over it once complete;
// - a regular file with other hard links is rewritten in place, from that
//   complete temporary file, after a flushed copy of its old content is on
//   disk beside it;
// - devices, pipes and the program's own descriptors take the bytes directly.
// Every step after the output's folder is opened works relative to it.
#include "files/output.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "files/input.h"
#include "files/io_posix.h"
#include "files/temporary_posix.h"
#include "translate/errors.h"

enum class SaveWay { Direct, Rename, Rewrite };

struct Output {
    std::string Shown;
    SaveWay Way = SaveWay::Direct;
    int Fd = -1;               // where the bytes go
    Descriptor Opened;         // the device opened for a direct save
    Descriptor Folder;         // the output's folder
    std::string FolderPath;
    std::string Name;          // the output's name in Folder
    bool Existed = false;
    struct stat Old = {};      // the file replaced, when Existed
    TemporaryFile Temporary;
};

void OutputCloser::operator()(Output* output) const
{
    delete output;
}

namespace {

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

// The name under which a hard-linked file's old content waits while the file
// is rewritten, and stays if the program is killed meanwhile.
std::string BackupName(const std::string& name)
{
    return name + ".zemrik-backup";
}

void OpenTemporary(Output& out)
{
    // A new file gets what any program creating it would give it (the umask,
    // or the folder's default ACL); a replacement starts private and takes
    // the old file's permissions once complete.
    mode_t mode = out.Existed ? 0600 : 0666;
    if (!CreateTemporary(out.Folder.Fd, out.Name, mode, out.Temporary))
        throw EFCreateError(out.Shown);
    out.Fd = out.Temporary.File.Fd;
}

void FinishRename(Output& out)
{
    int fd = out.Temporary.File.Fd;
    if (out.Existed) {
        // Owner first: changing it clears set-id bits that the mode then
        // restores. Only root may give a file away; anyone may keep its group
        // where they belong to it.
        (void)fchown(fd, geteuid() == 0 ? out.Old.st_uid : uid_t(-1), out.Old.st_gid);
        (void)fchmod(fd, out.Old.st_mode & 07777);
        // Flushed before the old content is let go of.
        if (fsync(fd) != 0)
            throw EWriteError();
    }
    {
        // From the moment the file has a name until it has the output's, no
        // signal may end the program.
        SignalsBlocked blocked;
        if (!NameTemporary(out.Temporary, out.Name))
            throw EFCreateError(out.Shown);
        if (!out.Temporary.File.Close())
            throw EWriteError();
        if (renameat(out.Folder.Fd, out.Temporary.Name.c_str(), out.Folder.Fd, out.Name.c_str()) != 0)
            throw EFCreateError(out.Shown);
        KeepTemporary(out.Temporary);
    }
    if (out.Existed)
        fsync(out.Folder.Fd);
}

// A file with other hard links: renaming a new file over this name would
// split it from its other names, so the complete new content is copied into
// it. Its old content is first copied beside it under a fixed name and
// flushed; that copy puts it back if the rewrite fails, stays if the program
// is killed half-way, and goes once the new content is flushed.
void FinishRewrite(Output& out)
{
    // The rewrite runs to its end, or is undone, before any signal counts.
    SignalsBlocked blocked;
    Descriptor file(openat(out.Folder.Fd, out.Name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (file.Fd < 0)
        throw EFCreateError(out.Shown);
    std::string backupName = BackupName(out.Name);
    // An existing copy may be the only whole one left by a run that was
    // killed: it is never overwritten.
    Descriptor backup(openat(out.Folder.Fd, backupName.c_str(),
                             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (backup.Fd < 0)
        throw EFCreateError(out.Shown);
    if (!CopyWholeFile(file.Fd, backup.Fd) || fsync(backup.Fd) != 0 || fsync(out.Folder.Fd) != 0) {
        unlinkat(out.Folder.Fd, backupName.c_str(), 0);
        throw EWriteError();
    }

    bool written = CopyWholeFile(out.Temporary.File.Fd, file.Fd) && fsync(file.Fd) == 0;
    bool restored = !written && CopyWholeFile(backup.Fd, file.Fd) && fsync(file.Fd) == 0;
    if (written || restored) {
        unlinkat(out.Folder.Fd, backupName.c_str(), 0);
        fsync(out.Folder.Fd);
    }
    if (!written)
        throw EWriteError();
    if (!file.Close())
        throw EWriteError();
}

}  // namespace

OutputPtr BeginOutput(const NamedFile& file, const InputFile&)
{
    // Past the file-size limit a write must fail, not kill the program.
    signal(SIGXFSZ, SIG_IGN);
    OutputPtr out(new Output);
    out->Shown = file.Shown;
    if (file.Path.empty())
        throw EFCreateError(file.Shown);
    Target target = FinalTarget(file);
    if (target.Descriptor >= 0) {
        // Written as `cat` would: at the descriptor's own position, keeping
        // what the shell asked for (appending, say).
        if (fcntl(target.Descriptor, F_GETFD) == -1)
            throw EFCreateError(file.Shown);
        out->Fd = target.Descriptor;
        return out;
    }

    out->FolderPath = DirectoryOf(target.Path);
    out->Name = BaseNameOf(target.Path);
    out->Folder.Fd = open(out->FolderPath.empty() ? "." : out->FolderPath.c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (out->Folder.Fd < 0 || out->Name.empty())
        throw EFCreateError(file.Shown);

    struct stat& st = out->Old;
    if (fstatat(out->Folder.Fd, out->Name.c_str(), &st, 0) != 0) {
        if (errno != ENOENT)
            throw EFCreateError(file.Shown);  // what is there cannot be told
        out->Way = SaveWay::Rename;
        OpenTemporary(*out);
        return out;
    }
    out->Existed = true;
    if (S_ISDIR(st.st_mode))
        throw EFCreateError(file.Shown);
    if (!S_ISREG(st.st_mode)) {
        // Devices, pipes and terminals: there is nothing to replace.
        out->Opened.Fd = openat(out->Folder.Fd, out->Name.c_str(), O_WRONLY | O_CLOEXEC);
        if (out->Opened.Fd < 0)
            throw EFCreateError(file.Shown);
        out->Fd = out->Opened.Fd;
        return out;
    }
    // A rename needs only the folder's permission: the file's own must
    // allow writing too, as it would for anything writing into it.
    if (faccessat(out->Folder.Fd, out->Name.c_str(), W_OK, AT_EACCESS) != 0)
        throw EFCreateError(file.Shown);
    out->Way = st.st_nlink > 1 ? SaveWay::Rewrite : SaveWay::Rename;
    OpenTemporary(*out);
    return out;
}

bool WriteOutput(Output& output, const std::uint8_t* data, std::size_t size)
{
    return WriteAll(output.Fd, data, size);
}

std::string OutputFolder(const Output& output)
{
    if (output.Temporary.File.Fd < 0)
        return std::string();
    return output.FolderPath.empty() ? "." : output.FolderPath;
}

void FinishOutput(Output& output)
{
    switch (output.Way) {
    case SaveWay::Direct:
        if (output.Opened.Fd >= 0 && !output.Opened.Close())
            throw EWriteError();
        return;
    case SaveWay::Rename:
        FinishRename(output);
        return;
    case SaveWay::Rewrite:
        FinishRewrite(output);
        return;
    }
}
