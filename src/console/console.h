#pragma once
#include <string>
#include <string_view>

// The few console operations the program needs, one implementation per
// system. None of them reports failure: the display must never stop the work.

// Writes `text` to standard output and flushes it at once. Once standard
// output has failed (closed, a broken pipe, a full device) later text is
// dropped quietly.
void ConsoleWrite(std::string_view text);

// A file name as standard output may show it: on a console its control
// characters (bytes below 0x20, and 0x7F) become '?', so that a name cannot
// retitle or clear the user's terminal; files and pipes get its exact bytes.
std::string ConsoleShownName(std::string_view name);

// Sets the console window's title, where standard output is a console.
void ConsoleSetTitle(std::string_view title);

// Moves the cursor to `column` (0 = first) of the row it stands on, where
// standard output is a console; elsewhere does nothing.
void ConsoleMoveToColumn(int column);
