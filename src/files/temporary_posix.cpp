#include "files/temporary_posix.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "console/console.h"

namespace {

// Every signal whose default action ends the program; SIGPIPE and SIGXFSZ
// are ignored instead (a failed write is reported), SIGKILL and SIGSTOP
// cannot be caught, and the faults (SIGSEGV and the like) are bugs.
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM,
                                  SIGPROF, SIGXCPU, SIGIO, SIGPWR, SIGSTKFLT};

// The named temporary files, for the signal handler to remove (a rewrite
// holds two at once). Set and cleared only while the signals are blocked, so
// a handler sees either no file or a complete name.
struct Pending {
    int Folder = -1;
    std::array<char, 256> Name;
};
std::array<Pending, 2> pending;

extern "C" void RemoveTemporaryAndDie(int signal)
{
    for (const Pending& file : pending)
        if (file.Folder >= 0)
            unlinkat(file.Folder, file.Name.data(), 0);
    ConsoleRestoreTitleForSignal();
    // SA_RESETHAND has restored the default action; the signal raised again
    // is delivered as the handler returns and ends the program by it.
    raise(signal);
}

// Called with the signals blocked.
void Register(TemporaryFile& temporary)
{
    for (std::size_t slot = 0; slot < pending.size(); ++slot) {
        if (pending[slot].Folder >= 0)
            continue;
        std::memcpy(pending[slot].Name.data(), temporary.Name.c_str(), temporary.Name.size() + 1);
        pending[slot].Folder = temporary.Folder;
        temporary.Slot = static_cast<int>(slot);
        return;
    }
}

void Unregister(TemporaryFile& temporary)
{
    if (temporary.Slot >= 0)
        pending[static_cast<std::size_t>(temporary.Slot)].Folder = -1;
    temporary.Slot = -1;
}

// A hidden name beside `base` that no user file would have: the base name
// (cut to leave room within the system's limit), and six random letters.
std::string HiddenName(const std::string& base)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::array<unsigned char, 6> random{};
    if (getrandom(random.data(), random.size(), GRND_NONBLOCK) != static_cast<ssize_t>(random.size())) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        unsigned long mix = static_cast<unsigned long>(now.tv_nsec) ^ (static_cast<unsigned long>(getpid()) << 20);
        for (auto& r : random) {
            r = static_cast<unsigned char>(mix);
            mix = mix * 6364136223846793005ul + 1442695040888963407ul;
        }
    }
    std::string name(1, '.');
    name.append(base, 0, 200);
    name += ".zemrik-";
    for (unsigned char r : random)
        name += letters[r % (sizeof letters - 1)];
    return name;
}

// Where the system has /proc, a nameless file can be given a name by anyone
// who may write the folder; elsewhere only by a privileged process.
bool CanNameUnnamedFiles()
{
    return access("/proc/self/fd", X_OK) == 0 || geteuid() == 0;
}

// Gives the unnamed file open as `fd` the name `name` in `folder`, which
// must not be taken. Through /proc anyone who may write the folder can;
// without it, only a privileged process.
bool LinkUnnamed(int fd, int folder, const std::string& name)
{
    return linkat(AT_FDCWD, ProcPath(fd).c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
           linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0;
}

// Tries `take(name)` with fresh hidden names derived from `base` until one
// is free; the name taken is then the temporary file's, known to the signal
// handler from the same moment.
template <class Take>
bool TakeHiddenName(TemporaryFile& temporary, const std::string& base, Take take)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = HiddenName(base);
        SignalsBlocked blocked;
        if (take(name)) {
            temporary.Name = name;
            Register(temporary);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

}  // namespace

void InstallCleanupHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int signal : kEndingSignals) {
        struct sigaction old;
        if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;  // started ignoring it (nohup): keep ignoring it
        struct sigaction action = {};
        action.sa_handler = RemoveTemporaryAndDie;
        action.sa_flags = SA_RESETHAND;
        sigfillset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

SignalsBlocked::SignalsBlocked()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kEndingSignals)
        sigaddset(&set, signal);
    sigprocmask(SIG_BLOCK, &set, &Old);
}

SignalsBlocked::~SignalsBlocked()
{
    sigprocmask(SIG_SETMASK, &Old, nullptr);
}

TemporaryFile::~TemporaryFile()
{
    File.Close();
    if (!Name.empty()) {
        SignalsBlocked blocked;
        unlinkat(Folder, Name.c_str(), 0);
        Unregister(*this);
    }
}

bool CreateTemporary(int folder, const std::string& base, mode_t mode, TemporaryFile& temporary)
{
    InstallCleanupHandlers();
    temporary.Folder = folder;
    if (CanNameUnnamedFiles()) {
        int fd = openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
        if (fd >= 0) {
            temporary.File.Fd = fd;
            return true;
        }
    }
    return TakeHiddenName(temporary, base, [&](const std::string& name) {
        int fd = openat(folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        temporary.File.Fd = fd;
        return fd >= 0;
    });
}

bool NameTemporary(TemporaryFile& temporary, const std::string& base)
{
    if (!temporary.Name.empty())
        return true;
    return TakeHiddenName(temporary, base, [&](const std::string& name) {
        return LinkUnnamed(temporary.File.Fd, temporary.Folder, name);
    });
}

void KeepTemporary(TemporaryFile& temporary)
{
    SignalsBlocked blocked;
    temporary.Name.clear();
    Unregister(temporary);
}

bool PlaceTemporary(TemporaryFile& temporary, const std::string& name)
{
    SignalsBlocked blocked;
    int folder = temporary.Folder;
    if (temporary.Name.empty())
        return LinkUnnamed(temporary.File.Fd, folder, name);
    if (renameat2(folder, temporary.Name.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
        // A file system without that flag: a link never replaces either.
        if (errno != EINVAL || linkat(folder, temporary.Name.c_str(), folder, name.c_str(), 0) != 0)
            return false;
        unlinkat(folder, temporary.Name.c_str(), 0);
    }
    KeepTemporary(temporary);
    return true;
}
