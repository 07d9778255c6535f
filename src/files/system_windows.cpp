#include "files/system_windows.h"

#include "files/utf16_names.h"
#include "translate/errors.h"

namespace {

// Per call: the calls count in DWORDs, and network redirectors refuse very
// large single transfers.
constexpr DWORD kMaxIo = DWORD(1) << 24;

DWORD Piece(std::size_t left)
{
    return left < kMaxIo ? static_cast<DWORD>(left) : kMaxIo;
}

bool StartsWith(const std::wstring& text, const wchar_t* start)
{
    return text.rfind(start, 0) == 0;
}

// A name's own part of a temporary file's name: short enough that the whole
// name stays within the 255 characters a name may have, and never half of a
// character.
std::wstring ShortStem(const std::wstring& stem)
{
    constexpr std::size_t kKeep = 200;
    if (stem.size() <= kKeep)
        return stem;
    std::size_t keep = kKeep;
    if (stem[keep - 1] >= 0xD800 && stem[keep - 1] <= 0xDBFF)
        --keep;
    return stem.substr(0, keep);
}

}  // namespace

std::wstring SystemPath(const std::string& name)
{
    std::u16string units = Utf16FromName(name);
    std::wstring path(units.begin(), units.end());
    if (path.empty() || StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\??\\"))
        return path;
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (n == 0)
            return {};
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n);  // n is then the size needed, the final zero included
    }
    if (StartsWith(full, L"\\\\.\\") || StartsWith(full, L"\\\\?\\"))
        return full;  // a device, a pipe
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    return full;
}

std::wstring FolderOf(const std::wstring& path)
{
    std::size_t cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::size_t ReadUpTo(HANDLE in, std::uint8_t* into, std::size_t want)
{
    std::size_t got = 0;
    while (got < want) {
        DWORD n = 0;
        if (!ReadFile(in, into + got, Piece(want - got), &n, nullptr)) {
            DWORD error = GetLastError();
            // The other end of a pipe has closed it, or its server has
            // disconnected (the usual way a pipe server ends): the input is
            // complete.
            if (error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED || error == ERROR_NO_DATA ||
                error == ERROR_HANDLE_EOF)
                break;
            // A message pipe: the rest of the message follows in the next read.
            if (error != ERROR_MORE_DATA)
                throw EReadError();
        } else if (n == 0) {
            break;
        }
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

bool SetDeleteOnClose(HANDLE file, bool del)
{
    FILE_DISPOSITION_INFO info{};
    info.DeleteFile = del ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof info) != 0;
}

HANDLE CreateUniqueFile(const std::wstring& folder, const std::wstring& stem, DWORD access, DWORD flags,
                        std::wstring& name)
{
    std::wstring start = folder + L"." + ShortStem(stem) + L".zemrik-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = start + std::to_wstring(attempt) + L".tmp";
        HANDLE file = CreateFileW(name.c_str(), access, 0, nullptr, CREATE_NEW, flags, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}
