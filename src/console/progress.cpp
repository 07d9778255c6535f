#include "console/progress.h"

#include <string>

#include "console/console.h"

std::int32_t ProgressCount = 0;

namespace {

constexpr std::string_view kFrameStart = "Progress: [";

}  // namespace

std::int32_t StarsDue(std::int64_t position, std::int64_t size)
{
    // Integer arithmetic only: floating point rounds some exact quotients
    // down by one (29696 of 51200 would give 28 stars, not 29). The product
    // needs more than 64 bits for the largest sizes.
    auto product = static_cast<unsigned __int128>(position) * kProgressCells;
    return static_cast<std::int32_t>(product / static_cast<unsigned __int128>(size));
}

void ShowProgressFrame(std::string_view InputName, std::string_view OutputName)
{
    std::string banner;
    banner += kProgramTitle;
    banner += ' ';
    banner += ConsoleShownName(InputName);
    banner += " -> ";
    banner += ConsoleShownName(OutputName);
    banner += "\r\n";
    ConsoleWrite(banner);

    std::string frame(kFrameStart);
    frame.append(kProgressCells, ' ');
    frame += ']';
    ConsoleWrite(frame);
    ConsoleMoveBackInLine(static_cast<int>(frame.size()), static_cast<int>(kFrameStart.size()));
}

void UpdateProgress(std::int64_t position, std::int64_t size)
{
    std::int32_t value = StarsDue(position, size);
    // Each star is a write of its own, so the bar moves as the work does.
    for (std::int32_t i = ProgressCount; i < value; ++i)
        ConsoleWrite("*");
    ProgressCount = value;
}

void EndProgressLine()
{
    // On a console narrower than the frame the cursor may stand rows above
    // the frame's last one. Going over the rest of the frame again brings it
    // after the bracket, so that the next line starts under the whole frame.
    ConsoleRedraw(std::string(static_cast<std::size_t>(kProgressCells - ProgressCount), ' ') + "]");
    ConsoleWrite("\r\n");
}
