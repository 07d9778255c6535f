#pragma once
// Saving the output. A save is begun before the input is read, takes the
// translated bytes piece by piece, and gives them the output's name only
// once all of them are written: a failed run leaves the old file as it was.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "files/named_file.h"

struct InputFile;

// One save in progress; what it holds differs by system.
struct Output;
struct OutputCloser {
    // Abandons an unfinished save: its temporary file is removed.
    void operator()(Output* output) const;
};
using OutputPtr = std::unique_ptr<Output, OutputCloser>;

// Works out where the bytes for `file` go (a temporary file beside it, a
// device, one of the program's own descriptors) and opens it. `input` is the
// input already open, so that a file converted in place is recognised.
// Throws EFCreateError.
OutputPtr BeginOutput(const NamedFile& file, const InputFile& input);

// Memory for the next piece (kPieceSize bytes) where the output writes in
// the background: reading straight into it saves a copy. Null where it
// writes in line. A piece taken goes back through WriteOutput.
std::uint8_t* OutputPiece(Output& output);

// Appends `size` bytes; false on any failure so far (a full disk, an I/O
// error). Where the output writes in the background, `data` must come from
// OutputPiece, and a failure may only show at FinishOutput.
bool WriteOutput(Output& output, const std::uint8_t* data, std::size_t size);

// The folder the output's temporary file is in, as a path for OpenScratch
// (empty when the output has none).
std::string OutputFolder(const Output& output);

// Makes what was written the output's whole content: flushed, then renamed
// over the old file, or copied into it where it has other names. The input
// is still open (and may be closed here first, when another file must be
// waited for). Throws EFCreateError or EWriteError.
void FinishOutput(Output& output, InputFile& input);
