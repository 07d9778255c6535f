// Saving the output on POSIX systems, in one of three ways:
// - a regular file, or a name not yet taken, gets an unnamed temporary file
//   in the same folder that is flushed and renamed over it once complete;
// - a regular file with other hard links, or one whose owner, group or
//   extended attributes a new file could not keep, is rewritten in place
//   from that complete temporary file, after a flushed copy of its old
//   content is on disk beside it under a fixed name;
// - devices, pipes and the program's own descriptors take the bytes directly.
// The output's folder is found one name at a time and then held open: every
// later step works relative to it, so a name swapped in meanwhile cannot
// send the write elsewhere.
#include "files/output.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "files/input.h"
#include "files/io_posix.h"
#include "files/piece.h"
#include "files/temporary_posix.h"
#include "files/writer_posix.h"
#include "translate/errors.h"

enum class SaveWay { Direct, Rename, Rewrite };

struct Output {
    std::string Shown;
    SaveWay Way = SaveWay::Direct;
    int Fd = -1;               // where the bytes go
    Descriptor Opened;         // the device opened for a direct save
    Descriptor Folder;         // the output's folder
    std::string Name;          // the output's name in Folder
    bool Existed = false;
    struct stat Old = {};      // the file replaced, when Existed
    Descriptor OldEntry;       // that file, held (O_PATH) to read its attributes
    bool IsInput = false;      // the file replaced is the input
    TemporaryFile Temporary;
    BackgroundWriter* Writer = nullptr;  // writing the temporary file, for large inputs

    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() { StopBackgroundWriter(Writer); }
};

void OutputCloser::operator()(Output* output) const
{
    delete output;
}

namespace {

// --- Finding the output ------------------------------------------------------

bool AllDigits(const std::string& name)
{
    return !name.empty() && name.size() <= 9 && name.find_first_not_of("0123456789") == std::string::npos;
}

// Whether `folder` lists the program's own descriptors (/proc/self/fd, by
// whatever path it was reached).
bool IsOwnDescriptorFolder(int folder)
{
    struct stat here;
    if (fstat(folder, &here) != 0 || !S_ISDIR(here.st_mode))
        return false;
    for (const char* own : {"/proc/self/fd", "/proc/thread-self/fd"}) {
        struct stat st;
        if (stat(own, &st) == 0 && SameFile(st, here))
            return true;
    }
    return false;
}

// The system's rule for links in shared folders such as /tmp: in a sticky,
// world-writable folder, a link owned by neither the folder's owner nor us
// is not followed.
bool SharedFolderForbids(int folder, const struct stat& link)
{
    struct stat st;
    if (fstat(folder, &st) != 0)
        return true;
    bool shared = (st.st_mode & S_ISVTX) && (st.st_mode & S_IWOTH);
    return shared && link.st_uid != geteuid() && link.st_uid != st.st_uid;
}

// Links of ours or root's are followed wherever they lead; another user's
// only to a file of that same user (or, for a file still to be made, into a
// folder of that user), so that nobody can have us replace a file they could
// not replace themselves.
bool TrustedLinkOwner(uid_t owner)
{
    return owner == geteuid() || owner == 0;
}

void PushComponents(std::vector<std::string>& pending, const std::string& path)
{
    // Kept last-first, so that the next name to walk is at the back.
    std::size_t end = path.size();
    while (end > 0) {
        std::size_t slash = path.rfind('/', end - 1);
        std::size_t start = slash == std::string::npos ? 0 : slash + 1;
        if (end > start)
            pending.push_back(path.substr(start, end - start));
        if (slash == std::string::npos)
            break;
        end = slash;
    }
}

struct Resolved {
    Descriptor Folder;      // held open (O_PATH) while walking
    std::string Name;       // the last name, in Folder
    int OwnDescriptor = -1; // the path leads to one of the program's descriptors
};

// Walks `path` one name at a time, following symbolic links as the system
// would but only where the rules above allow. Throws EFCreateError.
Resolved ResolveOutput(const NamedFile& file)
{
    const std::string& path = file.Path;
    Resolved result;
    std::vector<std::string> pending;
    PushComponents(pending, path);
    result.Folder.Fd = open(path[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (result.Folder.Fd < 0)
        throw EFCreateError(file.Shown);
    std::vector<uid_t> linkOwners;  // of the links followed that are not trusted
    int links = 0;
    auto ownerAllowed = [&](uid_t owner) {
        for (uid_t linkOwner : linkOwners)
            if (linkOwner != owner)
                return false;
        return true;
    };

    while (!pending.empty()) {
        std::string name = std::move(pending.back());
        pending.pop_back();
        bool last = pending.empty();
        if (name == ".")
            continue;
        if (AllDigits(name) && IsOwnDescriptorFolder(result.Folder.Fd)) {
            if (last) {
                result.OwnDescriptor = std::stoi(name);
                return result;
            }
            // A folder open as one of our descriptors: go on inside it.
            Descriptor folder(openat(result.Folder.Fd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (folder.Fd < 0)
                throw EFCreateError(file.Shown);
            std::swap(result.Folder.Fd, folder.Fd);
            continue;
        }
        Descriptor entry(openat(result.Folder.Fd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st;
        if (entry.Fd < 0) {
            struct stat folder;
            if (errno != ENOENT || !last || fstat(result.Folder.Fd, &folder) != 0 || !ownerAllowed(folder.st_uid))
                throw EFCreateError(file.Shown);
            result.Name = name;
            return result;
        }
        if (fstat(entry.Fd, &st) != 0)
            throw EFCreateError(file.Shown);
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = readlinkat(entry.Fd, "", target, sizeof target);
            if (++links > 40 || n <= 0 || static_cast<std::size_t>(n) == sizeof target ||
                SharedFolderForbids(result.Folder.Fd, st))
                throw EFCreateError(file.Shown);
            if (!TrustedLinkOwner(st.st_uid))
                linkOwners.push_back(st.st_uid);
            std::string next(target, static_cast<std::size_t>(n));
            PushComponents(pending, next);
            if (next[0] == '/') {
                Descriptor root(open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
                std::swap(result.Folder.Fd, root.Fd);
            }
            if (pending.empty())
                throw EFCreateError(file.Shown);  // a link to "/"
            continue;
        }
        if (last) {
            if (!ownerAllowed(st.st_uid))
                throw EFCreateError(file.Shown);
            result.Name = name;
            return result;
        }
        if (!S_ISDIR(st.st_mode))
            throw EFCreateError(file.Shown);
        std::swap(result.Folder.Fd, entry.Fd);
    }
    throw EFCreateError(file.Shown);  // the path names a folder
}

// Whether the folder only lets names be added (chattr +a): a name put there
// cannot be taken away again.
bool AppendOnlyFolder(int folder)
{
    long flags = 0;
    return ioctl(folder, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_APPEND_FL);
}

// --- Keeping what the old file had ---------------------------------------------

// The names of the extended attributes of the file at `path`. `ok` is false
// when they cannot be listed.
std::vector<std::string> AttributeNames(const std::string& path, bool& ok)
{
    ok = true;
    std::vector<char> list(1024);
    for (;;) {
        ssize_t n = listxattr(path.c_str(), list.data(), list.size());
        if (n >= 0) {
            std::vector<std::string> names;
            for (std::size_t i = 0; i < static_cast<std::size_t>(n); i += names.back().size() + 1)
                names.emplace_back(list.data() + i);
            return names;
        }
        if (errno == ERANGE && list.size() < (std::size_t(1) << 20)) {
            list.resize(list.size() * 4);
            continue;
        }
        ok = errno == ENOTSUP;  // a file system without them: nothing to keep
        return {};
    }
}

// Gives the temporary file the old file's extended attributes, its ACL
// among them, and nothing else. False when that cannot be done.
bool CopyAttributes(Output& out)
{
    bool ok = false;
    std::string old = ProcPath(out.OldEntry.Fd);
    std::vector<std::string> wanted = AttributeNames(old, ok);
    if (!ok)
        return false;
    int to = out.Temporary.File.Fd;
    for (const std::string& name : AttributeNames(ProcPath(to), ok)) {
        bool keep = false;
        for (const std::string& w : wanted)
            keep = keep || w == name;
        // An inherited ACL must go; labels the system itself sets may stay.
        if (!keep && fremovexattr(to, name.c_str()) != 0 && name.rfind("system.", 0) == 0)
            return false;
    }
    std::vector<char> value;
    for (const std::string& name : wanted) {
        ssize_t n = getxattr(old.c_str(), name.c_str(), nullptr, 0);
        if (n < 0)
            return false;
        value.resize(static_cast<std::size_t>(n) + 1);
        n = getxattr(old.c_str(), name.c_str(), value.data(), value.size());
        if (n < 0 || fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(n), 0) != 0)
            return false;
    }
    return true;
}

// Owner first: changing it clears set-id bits that the mode then restores.
// Only root may give a file away; anyone may keep a group they belong to.
bool KeepOwnerGroupAndMode(int fd, const struct stat& old)
{
    bool root = geteuid() == 0;
    if (!root && geteuid() != old.st_uid)
        return false;
    if (fchown(fd, root ? old.st_uid : uid_t(-1), old.st_gid) != 0)
        return false;
    return fchmod(fd, old.st_mode & 07777) == 0;
}

// --- The ways of saving --------------------------------------------------------

// The name under which the old content of a file rewritten in place waits,
// and stays if the program is killed meanwhile.
std::string BackupName(const std::string& name)
{
    return name + ".zemrik-backup";
}

// Below this the thread would cost more than it saves.
constexpr std::int64_t kBackgroundFrom = 4 * std::int64_t(kPieceSize);

void OpenTemporary(Output& out, bool unnamedOnly, const InputFile& input)
{
    // A new file gets what any program creating it would give it (the umask,
    // or the folder's default ACL); a replacement starts private and takes
    // the old file's permissions once complete.
    mode_t mode = out.Existed ? 0600 : 0666;
    if (!CreateTemporary(out.Folder.Fd, out.Name, mode, out.Temporary) ||
        (unnamedOnly && !out.Temporary.Name.empty()))
        throw EFCreateError(out.Shown);
    out.Fd = out.Temporary.File.Fd;
    if (input.Size >= kBackgroundFrom)
        out.Writer = StartBackgroundWriter(out.Fd, kPieceSize);
}

// A name not taken yet: the complete file gets it in one step, and never
// over a file someone made meanwhile, unchecked.
void FinishNewFile(Output& out)
{
    SignalsBlocked blocked;
    if (!PlaceTemporary(out.Temporary, out.Name))
        throw EFCreateError(out.Shown);
    if (!out.Temporary.File.Close()) {
        unlinkat(out.Folder.Fd, out.Name.c_str(), 0);
        throw EWriteError();
    }
}

// A file with other hard links, or one a new file could not stand in for:
// the complete new content is copied into it. Its old content is first
// copied beside it under a fixed name and flushed; that copy puts it back if
// the rewrite fails, stays if the program is killed half-way, and goes once
// the new content is flushed.
void FinishRewrite(Output& out, InputFile& input)
{
    // Another run holding this file is waited for; the input is let go of
    // first, so that two runs never wait for each other.
    if (!out.IsInput)
        CloseInput(input);
    Descriptor file(openat(out.Folder.Fd, out.Name.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (file.Fd < 0 || fstat(file.Fd, &st) != 0 || !SameFile(st, out.Old))
        throw EFCreateError(out.Shown);
    if (!out.IsInput) {
        while (flock(file.Fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    // The rewrite runs to its end, or is undone, before any signal counts.
    SignalsBlocked blocked;
    // The copy gets its fixed name only once it is whole and flushed; an
    // existing one may be the only whole old content left by a run that was
    // killed, and is never replaced.
    std::string backupName = BackupName(out.Name);
    TemporaryFile backup;
    if (!CreateTemporary(out.Folder.Fd, backupName, 0600, backup))
        throw EFCreateError(out.Shown);
    // Whoever could read the file can read its copy.
    (void)fchown(backup.File.Fd, geteuid() == 0 ? out.Old.st_uid : uid_t(-1), out.Old.st_gid);
    (void)fchmod(backup.File.Fd, out.Old.st_mode & 0666);
    if (!CopyWholeFile(file.Fd, backup.File.Fd) || fsync(backup.File.Fd) != 0)
        throw EWriteError();
    if (!PlaceTemporary(backup, backupName))
        throw EFCreateError(out.Shown);
    if (fsync(out.Folder.Fd) != 0) {
        unlinkat(out.Folder.Fd, backupName.c_str(), 0);
        throw EWriteError();
    }

    bool written = CopyWholeFile(out.Temporary.File.Fd, file.Fd) && fsync(file.Fd) == 0;
    bool restored = !written && CopyWholeFile(backup.File.Fd, file.Fd) && fsync(file.Fd) == 0;
    if (written || restored) {
        unlinkat(out.Folder.Fd, backupName.c_str(), 0);
        fsync(out.Folder.Fd);
    }
    if (!written || !file.Close())
        throw EWriteError();
}

// An existing file: the complete new one, with everything the old one had,
// is flushed and renamed over it.
void FinishReplacement(Output& out, InputFile& input)
{
    TemporaryFile& temporary = out.Temporary;
    if (!KeepOwnerGroupAndMode(temporary.File.Fd, out.Old) || !CopyAttributes(out)) {
        FinishRewrite(out, input);
        return;
    }
    // Flushed before the old content is let go of.
    if (fsync(temporary.File.Fd) != 0)
        throw EWriteError();
    {
        // From the moment the file has a name until it has the output's, no
        // signal may end the program.
        SignalsBlocked blocked;
        if (!NameTemporary(temporary, out.Name))
            throw EFCreateError(out.Shown);
        if (!temporary.File.Close())
            throw EWriteError();
        if (renameat(out.Folder.Fd, temporary.Name.c_str(), out.Folder.Fd, out.Name.c_str()) != 0)
            throw EFCreateError(out.Shown);
        KeepTemporary(temporary);
    }
    fsync(out.Folder.Fd);
}

}  // namespace

OutputPtr BeginOutput(const NamedFile& file, const InputFile& input)
{
    // Past the file-size limit a write must fail, not kill the program.
    signal(SIGXFSZ, SIG_IGN);
    OutputPtr out(new Output);
    out->Shown = file.Shown;
    if (file.Path.empty() || file.Path.back() == '/')
        throw EFCreateError(file.Shown);
    Resolved where = ResolveOutput(file);

    if (where.OwnDescriptor >= 0) {
        // Written as `cat` would: at the descriptor's own position, keeping
        // what the shell asked for (appending, say). A stream the program was
        // started without is no output at all.
        struct stat st;
        if (fstat(where.OwnDescriptor, &st) != 0 || IsMissingStreamStandIn(st))
            throw EFCreateError(file.Shown);
        out->Fd = where.OwnDescriptor;
        return out;
    }

    out->Name = where.Name;
    out->Folder.Fd = openat(where.Folder.Fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (out->Folder.Fd < 0)
        throw EFCreateError(file.Shown);
    bool appendOnly = AppendOnlyFolder(out->Folder.Fd);
    struct stat& st = out->Old;
    if (fstatat(out->Folder.Fd, out->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            throw EFCreateError(file.Shown);  // what is there cannot be told
        out->Way = SaveWay::Rename;
        OpenTemporary(*out, appendOnly, input);
        return out;
    }
    out->Existed = true;
    if (S_ISLNK(st.st_mode) || S_ISDIR(st.st_mode))
        throw EFCreateError(file.Shown);  // a link put there since it was looked at; a folder
    if (!S_ISREG(st.st_mode)) {
        // Devices, pipes and terminals: there is nothing to replace.
        out->Opened.Fd = openat(out->Folder.Fd, out->Name.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
        if (out->Opened.Fd < 0)
            throw EFCreateError(file.Shown);
        out->Fd = out->Opened.Fd;
        return out;
    }
    // A rename needs only the folder's permission: the file's own must
    // allow writing too, as it would for anything writing into it. A folder
    // that keeps every name leaves no way to replace a file, nor to remove
    // the copy a rewrite makes; and a copy left by a killed rewrite is the
    // only whole old content there may be.
    struct stat inputStatus;
    out->IsInput = fstat(static_cast<int>(input.Handle), &inputStatus) == 0 && SameFile(inputStatus, st);
    out->OldEntry.Fd = openat(out->Folder.Fd, out->Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (faccessat(out->Folder.Fd, out->Name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0 ||
        appendOnly || out->OldEntry.Fd < 0 ||
        faccessat(out->Folder.Fd, BackupName(out->Name).c_str(), F_OK, AT_SYMLINK_NOFOLLOW) == 0)
        throw EFCreateError(file.Shown);
    out->Way = st.st_nlink > 1 ? SaveWay::Rewrite : SaveWay::Rename;
    OpenTemporary(*out, false, input);
    return out;
}

std::uint8_t* OutputPiece(Output& output)
{
    return output.Writer != nullptr ? FreePiece(*output.Writer) : nullptr;
}

bool WriteOutput(Output& output, const std::uint8_t* data, std::size_t size)
{
    if (output.Writer != nullptr)
        return QueuePiece(*output.Writer, const_cast<std::uint8_t*>(data), size);
    return WriteAll(output.Fd, data, size);
}

std::string OutputFolder(const Output& output)
{
    return output.Temporary.File.Fd >= 0 ? ProcPath(output.Folder.Fd) : std::string();
}

void FinishOutput(Output& output, InputFile& input)
{
    if (!StopBackgroundWriter(std::exchange(output.Writer, nullptr)))
        throw EWriteError();
    switch (output.Way) {
    case SaveWay::Direct:
        if (!output.Opened.Close())
            throw EWriteError();
        return;
    case SaveWay::Rename:
        if (output.Existed)
            FinishReplacement(output, input);
        else
            FinishNewFile(output);
        return;
    case SaveWay::Rewrite:
        FinishRewrite(output, input);
        return;
    }
}
