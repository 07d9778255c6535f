#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "translate/buffer.h"

// A file as the user named it: the upper-cased name that messages show, and
// the path the system is asked for (the same bytes where names are
// upper-cased for opening, the typed spelling where case matters).
struct NamedFile {
    std::string Shown;
    std::string Path;
};

// Reads the whole file into memory.
// Throws EFOpenError, EReadError, or EStreamError (out of memory).
FileBuffer ReadWholeFile(const NamedFile& file);

// Makes `data` the file's whole content, replacing any old one.
// Throws EFCreateError or EWriteError.
void WriteWholeFile(const NamedFile& file, const std::uint8_t* data, std::size_t size);
