#pragma once
// Reading the input, one piece at a time.
#include <cstddef>
#include <cstdint>

#include "files/named_file.h"

struct InputFile {
    std::intptr_t Handle = -1;  // the system's handle (a descriptor, a HANDLE)
    std::int64_t Size = -1;     // the size announced in advance; -1: none (pipes, /proc)
};

// Opens the file for reading and learns its size where it has one.
// Throws EFOpenError.
InputFile OpenInput(const NamedFile& file);

// Reads until `want` bytes are in or the input ends; returns the count read.
// Throws EReadError.
std::size_t ReadInput(InputFile& input, std::uint8_t* into, std::size_t want);

void CloseInput(InputFile& input);

// An unnamed scratch file (gone when closed), for the raw bytes of an input
// that announces no size until that size is known. `nearPath`: a file whose
// folder is a good place for it (empty: the system's temporary folder).
// False when none can be had.
bool OpenScratch(const std::string& nearPath, InputFile& scratch);

// Appends to the scratch file; false on failure (a full disk).
bool WriteScratch(InputFile& scratch, const std::uint8_t* data, std::size_t size);

// Makes the scratch file an input of `size` bytes, read from its start.
bool RewindScratch(InputFile& scratch, std::int64_t size);
