#pragma once
// What reading and saving share on Windows: handles, the system's form of a
// path, whole reads and writes, files made beside another.
#include <cstddef>
#include <cstdint>
#include <string>
#include <windows.h>

// Closes the handle however the scope is left.
struct Handle {
    HANDLE H = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE h) : H(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
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
        return h == INVALID_HANDLE_VALUE || CloseHandle(h) != 0;
    }
};

// Other programs may read, write, rename or delete the file meanwhile, as on
// POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The path to hand the wide calls for one of the program's names (WTF-8):
// made absolute and given the "\\?\" prefix, so that no length limit applies
// and the name reaches the file system as the system itself reads it (a
// relative name, "/" as a separator, "." and "..", the dots and spaces that
// end a name). Device names ("NUL", "\\.\pipe\...") and names already in
// that form are left as they are. Empty when there is no such path.
std::wstring SystemPath(const std::string& name);

// The folder part of a system path, its last backslash included.
std::wstring FolderOf(const std::wstring& path);

// Reads until `want` bytes are in or the input ends (a pipe whose writer has
// gone or disconnected ends it too); returns the count read. Throws
// EReadError.
std::size_t ReadUpTo(HANDLE in, std::uint8_t* into, std::size_t want);

bool WriteAll(HANDLE out, const std::uint8_t* data, std::size_t size);

// Whether the system deletes the file when its last handle closes.
bool SetDeleteOnClose(HANDLE file, bool del);

// Creates a new, empty file in `folder` under a hidden name made from
// `stem` that no user file would have; its name goes to `name`.
HANDLE CreateUniqueFile(const std::wstring& folder, const std::wstring& stem, DWORD access, DWORD flags,
                        std::wstring& name);
