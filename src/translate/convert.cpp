#include "translate/convert.h"

#include "translate/kernels/kernels.h"
#include "translate/tables.h"

namespace {

constexpr std::size_t kProgressStep = 1024;
// Translated between progress reports: large enough for the kernel to run at
// full speed, small enough to stay in cache and keep the bar moving.
constexpr std::size_t kChunk = std::size_t(256) << 10;

}  // namespace

void TranslateBuffer(std::uint8_t* data, std::size_t size, const std::uint8_t* table,
                     ProgressCallback progress)
{
    TranslateKernel kernel = SelectedKernel();
    if (progress == nullptr) {
        kernel(data, size, table);
        return;
    }
    std::size_t next = kProgressStep;  // the next position to report
    for (std::size_t start = 0; start < size; start += kChunk) {
        std::size_t end = size - start < kChunk ? size : start + kChunk;
        kernel(data + start, end - start, table);
        for (; next <= end; next += kProgressStep)
            progress(static_cast<std::int64_t>(next), static_cast<std::int64_t>(size));
    }
}

void ConvertFile(const NamedFile& InputName, const NamedFile& OutputName, ProgressCallback progress)
{
    FileBuffer buffer = ReadWholeFile(InputName);
    TranslateBuffer(buffer.Data, buffer.Size, WorkTable, progress);
    WriteWholeFile(OutputName, buffer);
}
