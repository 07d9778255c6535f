// Reading the input on Windows, one piece at a time through ReadFile, and the
// scratch file for an input that announces no size.
#include "files/input.h"

#include "files/system_windows.h"
#include "translate/errors.h"

namespace {

HANDLE AsHandle(const InputFile& input)
{
    return reinterpret_cast<HANDLE>(input.Handle);
}

std::intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<std::intptr_t>(handle);
}

}  // namespace

InputFile OpenInput(const NamedFile& file)
{
    std::wstring path = SystemPath(file.Path);
    Handle in{path.empty() ? INVALID_HANDLE_VALUE
                           : CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (!in.Valid())
        throw EFOpenError(file.Shown);
    InputFile input;
    if (GetFileType(in.H) == FILE_TYPE_DISK) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(in.H, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            throw EFOpenError(file.Shown);
        LARGE_INTEGER length;
        if (GetFileSizeEx(in.H, &length))
            input.Size = length.QuadPart;
    }
    // Devices and pipes announce no size: they are read to their end.
    input.Handle = FromHandle(in.H);
    in.H = INVALID_HANDLE_VALUE;
    return input;
}

std::size_t ReadInput(InputFile& input, std::uint8_t* into, std::size_t want)
{
    return ReadUpTo(AsHandle(input), into, want);
}

void CloseInput(InputFile& input)
{
    if (input.Handle != -1 && input.Handle != 0)
        CloseHandle(AsHandle(input));
    input.Handle = -1;
}

bool OpenScratch(const std::string& nearPath, InputFile& scratch)
{
    // The system deletes the file when its handle closes, however the
    // program ends.
    constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE |
                             FILE_FLAG_SEQUENTIAL_SCAN;
    std::wstring name;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!nearPath.empty())
        file = CreateUniqueFile(FolderOf(SystemPath(nearPath)), L"input", kAccess, kFlags, name);
    if (file == INVALID_HANDLE_VALUE) {
        wchar_t folder[MAX_PATH + 1];
        DWORD n = GetTempPathW(MAX_PATH + 1, folder);
        if (n == 0 || n > MAX_PATH)
            return false;
        file = CreateUniqueFile(folder, L"input", kAccess, kFlags, name);
        if (file == INVALID_HANDLE_VALUE)
            return false;
    }
    scratch.Handle = FromHandle(file);
    scratch.Size = -1;
    return true;
}

bool WriteScratch(InputFile& scratch, const std::uint8_t* data, std::size_t size)
{
    return WriteAll(AsHandle(scratch), data, size);
}

bool RewindScratch(InputFile& scratch, std::int64_t size)
{
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(AsHandle(scratch), start, nullptr, FILE_BEGIN))
        return false;
    scratch.Size = size;
    return true;
}
