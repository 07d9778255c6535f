// Loading and saving a whole file with the Win32 API. A file on disk is
// replaced through a temporary file beside it and the system's own replace
// operation, so that a failed or interrupted run never leaves half a file
// under the output's name.
#include "translate/file_io.h"

#include <string>
#include <vector>
#include <windows.h>

#include "translate/errors.h"
#include "translate/read_whole.h"

namespace {

// Closes the handle however the scope is left.
struct Handle {
    HANDLE H = INVALID_HANDLE_VALUE;
    ~Handle()
    {
        if (H != INVALID_HANDLE_VALUE)
            CloseHandle(H);
    }
    bool Valid() const { return H != INVALID_HANDLE_VALUE; }
    // Closes now; false when the system reports a failure.
    bool Close()
    {
        HANDLE h = H;
        H = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }
};

// Per call: the calls count in DWORDs, and network redirectors refuse very
// large single transfers.
constexpr DWORD kMaxIo = DWORD(1) << 24;

// Other programs may read, write, rename or delete the file meanwhile, as on
// POSIX systems; a change is caught by the size check below.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

DWORD Piece(std::size_t left)
{
    return left < kMaxIo ? static_cast<DWORD>(left) : kMaxIo;
}

// Reads until `want` bytes are in or the input ends; returns the count read.
std::size_t ReadUpTo(HANDLE in, std::uint8_t* into, std::size_t want)
{
    std::size_t got = 0;
    while (got < want) {
        DWORD n = 0;
        if (!ReadFile(in, into + got, Piece(want - got), &n, nullptr)) {
            DWORD error = GetLastError();
            // The writer of a pipe has closed its end: the input is complete.
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
                break;
            throw EReadError();
        }
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

bool WriteAll(HANDLE out, const std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        DWORD n = 0;
        if (!WriteFile(out, data + done, Piece(size - done), &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    return true;
}

// Makes `to` a copy of `from`, both from their start, and flushes it.
bool CopyWhole(HANDLE from, HANDLE to)
{
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(from, start, nullptr, FILE_BEGIN) || !SetFilePointerEx(to, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<std::uint8_t> chunk(std::size_t(1) << 20);
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(from, chunk.data(), static_cast<DWORD>(chunk.size()), &n, nullptr))
            return false;
        if (n == 0)
            break;
        if (!WriteAll(to, chunk.data(), n))
            return false;
    }
    return SetEndOfFile(to) && FlushFileBuffers(to);
}

// The length of the directory part of `path`, its last separator included.
// In a double-byte code page the second byte of a character can be a
// backslash, so the scan steps over whole characters.
std::size_t DirectoryLength(const std::string& path)
{
    std::size_t cut = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        char c = path[i];
        if (c == '\\' || c == '/' || c == ':')
            cut = i + 1;
        else if (IsDBCSLeadByte(static_cast<BYTE>(c)))
            ++i;
    }
    return cut;
}

// The path the system itself uses for an open file: through any symbolic
// link, and with the spelling on disk. Falls back to `typed`.
std::string FinalPath(HANDLE file, const std::string& typed)
{
    std::string path(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n = GetFinalPathNameByHandleA(file, path.data(), static_cast<DWORD>(path.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            break;
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);  // n is then the size needed, the final zero included
    }
    return typed;
}

// Whether the system deletes the file when its last handle closes.
bool SetDeleteOnClose(HANDLE file, bool del)
{
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = del ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) != 0;
}

// Ctrl+C, Ctrl+Break or a closed console window while a temporary file is
// created and marked, or while the output is replaced, waits until that step
// is done, then ends the program as it would have: no temporary file is left
// unmarked, and no replacement is cut off half-way.
SRWLOCK replacing = SRWLOCK_INIT;

BOOL WINAPI WaitForReplacement(DWORD)
{
    AcquireSRWLockExclusive(&replacing);
    ReleaseSRWLockExclusive(&replacing);
    return FALSE;  // on to the default handling, which ends the process
}

struct HoldInterrupts {
    HoldInterrupts()
    {
        AcquireSRWLockExclusive(&replacing);
        SetConsoleCtrlHandler(WaitForReplacement, TRUE);
    }
    ~HoldInterrupts()
    {
        ReleaseSRWLockExclusive(&replacing);
        SetConsoleCtrlHandler(WaitForReplacement, FALSE);
    }
};

// Creates a new, empty temporary file beside `target`, under a hidden name
// derived from the target's that no user file would have.
HANDLE CreateTemporary(const std::string& target, std::string& name, DWORD access)
{
    std::size_t dir = DirectoryLength(target);
    std::string stem = target.substr(0, dir) + "." + target.substr(dir) + ".zemrik-" +
                       std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = stem + std::to_string(attempt) + ".tmp";
        HANDLE file = CreateFileA(name.c_str(), access, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

// Puts `data` under the disk file `target` by way of a temporary file.
void ReplaceDiskFile(const std::string& target, const std::string& shown,
                     const std::uint8_t* data, std::size_t size)
{
    std::string temporary;
    Handle out;
    bool deletePending = false;
    {
        // Until the file is complete, any end of the process (a failure,
        // Ctrl+C, being killed) takes the temporary file with it.
        HoldInterrupts hold;
        out.H = CreateTemporary(target, temporary, GENERIC_WRITE | DELETE);
        deletePending = out.Valid() && SetDeleteOnClose(out.H, true);
    }
    if (!out.Valid())
        throw EFCreateError(shown);
    if (!WriteAll(out.H, data, size) || !FlushFileBuffers(out.H)) {
        out.Close();
        DeleteFileA(temporary.c_str());
        throw EWriteError();
    }

    HoldInterrupts hold;
    if (deletePending && !SetDeleteOnClose(out.H, false)) {
        out.Close();
        throw EWriteError();
    }
    if (!out.Close()) {
        DeleteFileA(temporary.c_str());
        throw EWriteError();
    }
    // Never copied: a rename the system refuses leaves the output as it was.
    if (!MoveFileExA(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        throw EFCreateError(shown);
    }
}

// Rewrites in place a file that has other names (hard links), so that every
// name keeps showing the same file. Its old content is first copied beside it
// and flushed: the copy puts it back if the rewrite fails, stays on disk if
// the program is ended half-way, and goes once the file is whole again.
void RewriteLinkedFile(const std::string& target, const std::string& shown,
                       const std::uint8_t* data, std::size_t size)
{
    Handle file{CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    std::string copyName;
    Handle copy;
    bool deletePending = false;
    if (file.Valid()) {
        // Half a copy is of no use: until it is complete, it goes with the process.
        HoldInterrupts hold;
        copy.H = CreateTemporary(target, copyName, GENERIC_READ | GENERIC_WRITE | DELETE);
        deletePending = copy.Valid() && SetDeleteOnClose(copy.H, true);
    }
    if (!copy.Valid())
        throw EFCreateError(shown);
    if (!CopyWhole(file.H, copy.H) || (deletePending && !SetDeleteOnClose(copy.H, false))) {
        copy.Close();
        DeleteFileA(copyName.c_str());
        throw EWriteError();
    }

    HoldInterrupts hold;
    LARGE_INTEGER start{};
    bool written = SetFilePointerEx(file.H, start, nullptr, FILE_BEGIN) && WriteAll(file.H, data, size) &&
                   SetEndOfFile(file.H) && FlushFileBuffers(file.H);
    // Where the old content cannot be put back either, its copy is kept.
    if (written || CopyWhole(copy.H, file.H)) {
        copy.Close();
        DeleteFileA(copyName.c_str());
    }
    if (!written)
        throw EWriteError();
}

}  // namespace

FileBuffer ReadWholeFile(const NamedFile& file)
{
    Handle in{CreateFileA(file.Path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    BY_HANDLE_FILE_INFORMATION info;
    bool disk = in.Valid() && GetFileType(in.H) == FILE_TYPE_DISK;
    if (!in.Valid() || (disk && GetFileInformationByHandle(in.H, &info) &&
                        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
        throw EFOpenError(file.Shown);

    LARGE_INTEGER length;
    std::int64_t announced = disk && GetFileSizeEx(in.H, &length) ? length.QuadPart : 0;
    return ReadWhole(announced, [&in](std::uint8_t* into, std::size_t want) { return ReadUpTo(in.H, into, want); });
}

void WriteWholeFile(const NamedFile& file, FileBuffer& buffer)
{
    const std::uint8_t* data = buffer.Data;
    std::size_t size = buffer.Size;
    // Opening for writing changes nothing yet; it tells a device from a file.
    Handle existing{CreateFileA(file.Path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD openError = existing.Valid() ? ERROR_SUCCESS : GetLastError();
    if (existing.Valid() && GetFileType(existing.H) != FILE_TYPE_DISK) {
        // A device or a pipe (NUL, CON, \\.\pipe\...) has no directory
        // entry to replace: it takes the bytes directly.
        if (!WriteAll(existing.H, data, size) || !existing.Close())
            throw EWriteError();
        return;
    }
    if (!existing.Valid()) {
        // Only a name that is not taken yet gets a new file. One that exists
        // but may not be written (read-only, locked by another program) is
        // left alone: replacing it would override its protection, and turn
        // a link to it into a plain file.
        if (openError != ERROR_FILE_NOT_FOUND && openError != ERROR_PATH_NOT_FOUND)
            throw EFCreateError(file.Shown);
        ReplaceDiskFile(file.Path, file.Shown, data, size);
        return;
    }
    // An existing file is replaced where it really lives, so that a symbolic
    // link to it stays a link, and its name keeps the spelling it has on disk.
    std::string target = FinalPath(existing.H, file.Path);
    BY_HANDLE_FILE_INFORMATION info;
    bool linked = GetFileInformationByHandle(existing.H, &info) && info.nNumberOfLinks > 1;
    existing.Close();
    if (linked)
        RewriteLinkedFile(target, file.Shown, data, size);
    else
        ReplaceDiskFile(target, file.Shown, data, size);
}
