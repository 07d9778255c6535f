// Saving the output on Windows. A file on disk gets its new content in a
// temporary file beside it, which the system's own replace operation then
// puts in its place (keeping the old file's attributes and security), so
// that a failed or interrupted run never leaves half a file under the
// output's name. Every name goes through the wide calls in its system form
// (see SystemPath).
#include "files/output.h"

#include <string>
#include <vector>

#include "files/input.h"
#include "files/system_windows.h"
#include "files/utf16_names.h"
#include "translate/errors.h"

namespace {

// Ctrl+C, Ctrl+Break or a closed console window while a temporary file is
// created and marked, or while the output is replaced or rewritten, waits
// until that step is done, then ends the program as it would have: no
// temporary file is left unmarked, and no replacement is cut off half-way.
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
    HoldInterrupts(const HoldInterrupts&) = delete;
    HoldInterrupts& operator=(const HoldInterrupts&) = delete;
};

enum class Way {
    Direct,   // a device or a pipe takes the bytes as they come
    Replace,  // a temporary file is put in the output's place
    Rewrite,  // a file with other names gets the temporary file's content
};

// The path the system itself uses for an open file: through any symbolic
// link, and with the spelling on disk. Where the system cannot tell (some
// give no answer past 260 characters), `typed` with its last name spelled
// as on disk.
std::wstring FinalPath(HANDLE file, const std::wstring& typed)
{
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()),
                                            FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            break;
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(n);  // n is then the size needed, the final zero included
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(typed.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return typed;
    FindClose(search);
    return FolderOf(typed) + found.cFileName;
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

// A new temporary file beside `target`, which the system deletes with its
// last handle until it is complete.
HANDLE CreateTemporary(const std::wstring& target, DWORD access, std::wstring& name)
{
    std::wstring folder = FolderOf(target);
    HoldInterrupts hold;
    HANDLE file = CreateUniqueFile(folder, target.substr(folder.size()), access | DELETE, FILE_ATTRIBUTE_NORMAL,
                                   name);
    if (file != INVALID_HANDLE_VALUE && !SetDeleteOnClose(file, true)) {
        CloseHandle(file);
        DeleteFileW(name.c_str());
        file = INVALID_HANDLE_VALUE;
    }
    return file;
}

}  // namespace

struct Output {
    Way How = Way::Replace;
    Handle File;             // the device, or the temporary file
    std::wstring Temporary;  // its name, while it exists
    std::wstring Target;     // the file replaced or rewritten
    bool TargetExists = false;
    std::string Shown;

    // Removes the temporary file (marked, it goes when closed; the name is
    // deleted too in case the mark was lifted).
    void DropTemporary()
    {
        File.Close();
        if (!Temporary.empty())
            DeleteFileW(Temporary.c_str());
        Temporary.clear();
    }
};

void OutputCloser::operator()(Output* output) const
{
    output->DropTemporary();
    delete output;
}

OutputPtr BeginOutput(const NamedFile& file, const InputFile&)
{
    OutputPtr output(new Output);
    output->Shown = file.Shown;
    std::wstring path = SystemPath(file.Path);
    if (path.empty())
        throw EFCreateError(file.Shown);

    // Opening for writing changes nothing yet; it tells a device from a file.
    Handle existing{CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD openError = existing.Valid() ? ERROR_SUCCESS : GetLastError();
    if (existing.Valid() && GetFileType(existing.H) != FILE_TYPE_DISK) {
        // A device or a pipe (NUL, CON, \\.\pipe\...) has no directory
        // entry to replace: it takes the bytes directly.
        output->How = Way::Direct;
        output->File.H = existing.H;
        existing.H = INVALID_HANDLE_VALUE;
        return output;
    }
    DWORD access = GENERIC_WRITE;
    if (!existing.Valid()) {
        // Only a name that is not taken yet gets a new file. One that exists
        // but may not be written (read-only, locked by another program) is
        // left alone: replacing it would override its protection, and turn
        // a link to it into a plain file.
        if (openError != ERROR_FILE_NOT_FOUND && openError != ERROR_PATH_NOT_FOUND)
            throw EFCreateError(file.Shown);
        output->Target = path;
    } else {
        // An existing file is replaced where it really lives, so that a
        // symbolic link to it stays a link, and its name keeps the spelling
        // it has on disk.
        output->Target = FinalPath(existing.H, path);
        output->TargetExists = true;
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(existing.H, &info) && info.nNumberOfLinks > 1) {
            output->How = Way::Rewrite;
            access |= GENERIC_READ;  // copied into the file at the end
        }
        existing.Close();
    }
    output->File.H = CreateTemporary(output->Target, access, output->Temporary);
    if (!output->File.Valid()) {
        output->Temporary.clear();
        throw EFCreateError(file.Shown);
    }
    return output;
}

std::uint8_t* OutputPiece(Output&)
{
    return nullptr;  // written in line
}

bool WriteOutput(Output& output, const std::uint8_t* data, std::size_t size)
{
    return WriteAll(output.File.H, data, size);
}

std::string OutputFolder(const Output& output)
{
    if (output.Temporary.empty())
        return {};
    std::wstring folder = FolderOf(output.Temporary);
    return NameFromUtf16(std::u16string(folder.begin(), folder.end()));
}

namespace {

// Gives the new content the old file's attributes (hidden, system, archive,
// ...) and creation time. ReplaceFileW does so too on Windows; done here as
// well, they hold however the file ends up in its place.
void CarryOverAttributes(HANDLE temporary, const std::wstring& target)
{
    WIN32_FILE_ATTRIBUTE_DATA old;
    if (!GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old))
        return;
    FILE_BASIC_INFO info{};  // times left at zero stay as they are
    info.CreationTime.LowPart = old.ftCreationTime.dwLowDateTime;
    info.CreationTime.HighPart = static_cast<LONG>(old.ftCreationTime.dwHighDateTime);
    info.FileAttributes = old.dwFileAttributes;
    SetFileInformationByHandle(temporary, FileBasicInfo, &info, sizeof info);
}

// Puts the complete temporary file in the target's place.
void ReplaceTarget(Output& output)
{
    if (output.TargetExists)
        CarryOverAttributes(output.File.H, output.Target);
    if (!FlushFileBuffers(output.File.H))
        throw EWriteError();
    HoldInterrupts hold;
    // From here on the temporary file is removed by name on failure, before
    // an interrupt is let through.
    if (!SetDeleteOnClose(output.File.H, false) || !output.File.Close()) {
        output.DropTemporary();
        throw EWriteError();
    }
    const wchar_t* temporary = output.Temporary.c_str();
    const wchar_t* target = output.Target.c_str();
    // The replaced file's attributes, security descriptor and other streams
    // pass to the new content. Never copied: a replacement the system
    // refuses leaves the output as it was.
    bool done = output.TargetExists &&
                ReplaceFileW(target, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    DWORD error = output.TargetExists && !done ? GetLastError() : ERROR_SUCCESS;
    // Where the old file is in use, it stays as it is. Where the replace
    // call fails otherwise (the old file is gone meanwhile, or the call
    // refuses a long path, as some systems' do), the new file, with the old
    // one's attributes but not its access list, is moved over it.
    if (!done && error != ERROR_UNABLE_TO_REMOVE_REPLACED)
        done = MoveFileExW(temporary, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!done) {
        output.DropTemporary();
        throw EFCreateError(output.Shown);
    }
    output.Temporary.clear();
}

// Rewrites in place a file that has other names (hard links), so that every
// name keeps showing the same file: the complete new content is copied into
// it. Its old content is first copied beside it under a fixed name and
// flushed; that copy puts it back if the rewrite fails, stays if the program
// is killed half-way, and goes once the new content is flushed.
void RewriteTarget(Output& output)
{
    // The rewrite runs to its end, or is undone, before an interrupt counts.
    HoldInterrupts hold;
    Handle file{CreateFileW(output.Target.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file.Valid())
        throw EFCreateError(output.Shown);
    // An existing copy may be the only whole one left by a run that was
    // killed: it is never overwritten.
    std::wstring backupName = output.Target + L".zemrik-backup";
    Handle backup{CreateFileW(backupName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!backup.Valid())
        throw EFCreateError(output.Shown);
    if (!CopyWhole(file.H, backup.H)) {
        backup.Close();
        DeleteFileW(backupName.c_str());
        throw EWriteError();
    }

    bool written = CopyWhole(output.File.H, file.H);
    // Where the old content cannot be put back either, its copy is kept.
    if (written || CopyWhole(backup.H, file.H)) {
        backup.Close();
        DeleteFileW(backupName.c_str());
    }
    if (!written || !file.Close())
        throw EWriteError();
}

}  // namespace

void FinishOutput(Output& output, InputFile& input)
{
    // Every byte is in. Windows cannot put a new file in the place of one
    // that is still open, which a file converted in place would be.
    CloseInput(input);
    switch (output.How) {
    case Way::Direct:
        if (!output.File.Close())
            throw EWriteError();
        return;
    case Way::Replace:
        ReplaceTarget(output);
        return;
    case Way::Rewrite:
        RewriteTarget(output);
        output.DropTemporary();
        return;
    }
}
