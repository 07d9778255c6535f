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

// Makes the buffer's content the file's whole content, replacing any old
// one. The buffer's memory may be given back as it is written: its content
// is not to be used afterwards. Throws EFCreateError or EWriteError.
void WriteWholeFile(const NamedFile& file, FileBuffer& buffer);
