#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

// The error classes a run can end with. main turns an uncaught one into the
// failure report; nothing else catches them.
struct Exception : std::runtime_error {
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const { return "Exception"; }
    // The code address shown in the failure report. Fixed per class so that
    // the same failure always reads the same, run after run.
    virtual std::uint32_t CodeAddress() const { return 0x00401000; }
};

struct EStreamError : Exception {
    using Exception::Exception;
    const char* ClassName() const override { return "EStreamError"; }
    std::uint32_t CodeAddress() const override { return 0x00402A10; }
};

struct EFOpenError : EStreamError {
    explicit EFOpenError(const std::string& name) : EStreamError("Cannot open file " + name) {}
    const char* ClassName() const override { return "EFOpenError"; }
    std::uint32_t CodeAddress() const override { return 0x00402B24; }
};

struct EFCreateError : EStreamError {
    explicit EFCreateError(const std::string& name) : EStreamError("Cannot create file " + name) {}
    const char* ClassName() const override { return "EFCreateError"; }
    std::uint32_t CodeAddress() const override { return 0x00402C38; }
};

struct EReadError : EStreamError {
    EReadError() : EStreamError("Stream read error") {}
    const char* ClassName() const override { return "EReadError"; }
    std::uint32_t CodeAddress() const override { return 0x00402D4C; }
};

struct EWriteError : EStreamError {
    EWriteError() : EStreamError("Stream write error") {}
    const char* ClassName() const override { return "EWriteError"; }
    std::uint32_t CodeAddress() const override { return 0x00402E60; }
};

// The memory for the file cannot be had.
inline EStreamError OutOfMemoryError()
{
    return EStreamError("Out of memory while expanding memory stream");
}
