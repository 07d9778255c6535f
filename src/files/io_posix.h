#pragma once
// Small descriptor helpers shared by the POSIX file layer.
#include <cstddef>
#include <cstdint>
#include <string>

// Closes the descriptor however the scope is left.
struct Descriptor {
    int Fd = -1;
    Descriptor() = default;
    explicit Descriptor(int fd) : Fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : Fd(other.Fd) { other.Fd = -1; }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor();
    // Closes now; false when the system reports a failure (a delayed write
    // error on some file systems).
    bool Close();
};

// Reads until `want` bytes are in or the input ends; returns the count read,
// or -1 on a failure.
std::int64_t ReadFully(int fd, std::uint8_t* into, std::size_t want);

// Writes all of `data`; false on any failure (a full disk, an I/O error, a
// file past the size limit).
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size);

// Copies everything from `from` to `to`, both from their start, and cuts
// `to` to the length copied.
bool CopyWholeFile(int from, int to);

struct stat;

// Whether two statuses are of the same file.
bool SameFile(const struct stat& a, const struct stat& b);

// A path to what the program's descriptor `fd` is open on, through /proc.
std::string ProcPath(int fd);

// Gives each standard stream the program was started without a stand-in of
// its own: an empty unnamed file no path can lead to but through the stream
// itself. Its number then cannot go to a file the program opens (console
// text would land in it), and naming the missing stream can be refused.
void ProvideMissingStandardStreams();

// Whether `st` is one of those stand-ins.
bool IsMissingStreamStandIn(const struct stat& st);
