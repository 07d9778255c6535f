// The pass that converts a file: each piece of the input is read, translated
// while it is still in cache, and written straight on. Memory stays the same
// whatever the file's size; the output's name gets the new content only when
// the whole input is in (see output.h), so a file can be converted in place.
#include "files/convert_file.h"

#include <cstring>
#include <exception>
#include <vector>

#include "files/input.h"
#include "files/memory.h"
#include "files/output.h"
#include "files/piece.h"
#include "translate/errors.h"
#include "translate/kernels/kernels.h"
#include "translate/tables.h"

namespace {

constexpr std::int64_t kProgressStep = 1024;
constexpr std::size_t kPiece = kPieceSize;

// Tells `progress` every multiple of 1024 in (from, to], in order.
void ReportProgress(std::int64_t from, std::int64_t to, std::int64_t total, ProgressCallback progress)
{
    for (std::int64_t next = (from / kProgressStep + 1) * kProgressStep; next <= to; next += kProgressStep)
        progress(next, total);
}

// Closes the input however the conversion ends.
struct InputCloser {
    InputFile& File;
    ~InputCloser() { CloseInput(File); }
};

// The save and its first failure. A failure to create the output or to write
// it is raised only after the whole input has been read, as it would be if
// the file had been read whole before anything was written: every star is
// drawn, and a read error found on the way comes first.
struct Saving {
    OutputPtr Out;
    std::exception_ptr Failure;

    // Where to read the next piece into: the output's own memory where it
    // writes in the background, `own` otherwise.
    std::uint8_t* Buffer(std::uint8_t* own)
    {
        std::uint8_t* piece = Out && !Failure ? OutputPiece(*Out) : nullptr;
        return piece != nullptr ? piece : own;
    }

    void Write(const std::uint8_t* data, std::size_t size)
    {
        if (Failure)
            return;
        if (!WriteOutput(*Out, data, size)) {
            Failure = std::make_exception_ptr(EWriteError());
            Out.reset();  // the partial temporary file goes at once
        }
    }
};

Saving BeginSaving(const NamedFile& file, const InputFile& input)
{
    Saving saving;
    try {
        saving.Out = BeginOutput(file, input);
    } catch (const EFCreateError&) {
        saving.Failure = std::current_exception();
    }
    return saving;
}

// Translates and saves `size` bytes that `read(into, want)` delivers, `want`
// never more than one piece. A source that ends early is a read error.
template <class Read>
void TranslateAndSave(Read read, std::int64_t size, std::uint8_t* piece, Saving& saving,
                      ProgressCallback progress)
{
    for (std::int64_t done = 0; done < size;) {
        std::size_t want = size - done < std::int64_t(kPiece) ? std::size_t(size - done) : kPiece;
        std::uint8_t* buffer = saving.Buffer(piece);
        if (read(buffer, want) != want)
            throw EReadError();  // the input shrank under us
        TranslatePiece(buffer, want, WorkTable, done, size, progress);
        saving.Write(buffer, want);
        done += static_cast<std::int64_t>(want);
    }
}

// An input that announces no size, read as it comes. Without a display
// nothing needs the size: each piece goes straight on.
void StreamUnsized(InputFile& input, std::uint8_t* piece, Saving& saving)
{
    for (;;) {
        std::uint8_t* buffer = saving.Buffer(piece);
        std::size_t got = ReadInput(input, buffer, kPiece);
        if (got == 0)
            return;
        TranslatePiece(buffer, got, WorkTable, 0, 0, nullptr);
        saving.Write(buffer, got);
        if (got < kPiece)
            return;
    }
}

// The stars need the size before the first of them, so an input that
// announces none is first read to its end: into an unnamed scratch file, or,
// where none can be had, into memory one piece at a time (never a second
// copy of what is already held). Then the bytes kept are converted.
void SpoolThenConvert(InputFile& input, std::uint8_t* piece, Saving& saving, ProgressCallback progress)
{
    InputFile scratch;
    bool onDisk = OpenScratch(saving.Out ? OutputFolder(*saving.Out) : std::string(), scratch);
    InputCloser closeScratch{scratch};
    std::vector<WorkMemory> held;
    std::int64_t size = 0;
    for (;;) {
        std::size_t got = ReadInput(input, piece, kPiece);
        if (got == 0)
            break;
        if (onDisk) {
            if (!saving.Failure && !WriteScratch(scratch, piece, got))
                saving.Failure = std::make_exception_ptr(EWriteError());
        } else {
            held.push_back(TakeMemory(kPiece));
            std::memcpy(held.back().get(), piece, got);
        }
        size += static_cast<std::int64_t>(got);
        if (got < kPiece)
            break;
    }

    if (onDisk) {
        if (!saving.Failure && !RewindScratch(scratch, size))
            saving.Failure = std::make_exception_ptr(EWriteError());
        if (saving.Failure) {
            // Nothing left to save, but the stars are due all the same.
            ReportProgress(0, size, size, progress);
            return;
        }
        TranslateAndSave([&](std::uint8_t* into, std::size_t want) { return ReadInput(scratch, into, want); },
                         size, piece, saving, progress);
        return;
    }
    std::size_t next = 0;
    TranslateAndSave(
        [&](std::uint8_t* into, std::size_t want) {
            std::memcpy(into, held[next].get(), want);
            held[next++].reset();
            return want;
        },
        size, piece, saving, progress);
}

}  // namespace

void TranslatePiece(std::uint8_t* data, std::size_t size, const std::uint8_t* table,
                    std::int64_t offset, std::int64_t total, ProgressCallback progress)
{
    SelectedKernel()(data, size, table);
    if (progress == nullptr)
        return;
    ReportProgress(offset, offset + static_cast<std::int64_t>(size), total, progress);
}

void ConvertFile(const NamedFile& InputName, const NamedFile& OutputName, ProgressCallback progress)
{
    InputFile input = OpenInput(InputName);
    InputCloser closeInput{input};
    WorkMemory piece = TakeMemory(kPiece);
    Saving saving = BeginSaving(OutputName, input);

    if (input.Size >= 0)
        TranslateAndSave([&](std::uint8_t* into, std::size_t want) { return ReadInput(input, into, want); },
                         input.Size, piece.get(), saving, progress);
    else if (progress == nullptr)
        StreamUnsized(input, piece.get(), saving);
    else
        SpoolThenConvert(input, piece.get(), saving, progress);

    if (saving.Failure)
        std::rethrow_exception(saving.Failure);
    FinishOutput(*saving.Out, input);
}
