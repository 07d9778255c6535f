#pragma once
#include <cstdint>
#include <string_view>

// The program's name and version, shown as the window title and in the banner.
inline constexpr std::string_view kProgramTitle = "Talvenir ZEMRIK v1.0";

inline constexpr int kProgressCells = 50;

// Stars drawn so far in this run.
extern std::int32_t ProgressCount;

// The stars due at `position` of `size` bytes: position * 50 / size, rounded
// down, exact for every size.
std::int32_t StarsDue(std::int64_t position, std::int64_t size);

// Writes the banner line naming both files and the empty frame, and puts the
// cursor on the frame's first cell.
void ShowProgressFrame(std::string_view InputName, std::string_view OutputName);

// Draws the stars due at `position` of `size` bytes (0 < position <= size).
void UpdateProgress(std::int64_t position, std::int64_t size);

// Ends the frame's line; on a console the next line starts under the whole
// frame, however many rows it wrapped onto.
void EndProgressLine();
