#pragma once
#include <string>
#include <string_view>

// The few console operations the program needs, one implementation per
// system. None of them reports failure: the display must never stop the work.

// Writes `text` to standard output and flushes it at once. Once standard
// output has failed (closed, a broken pipe, a full device) later text is
// dropped quietly.
void ConsoleWrite(std::string_view text);

// Writes `text` like ConsoleWrite, but only where standard output is a
// console: for going over what the screen already shows, which a file or a
// pipe holds once already.
void ConsoleRedraw(std::string_view text);

// A file name as standard output may show it: on a console its control
// characters (bytes below 0x20, and 0x7F) become '?', so that a name cannot
// retitle or clear the user's terminal; files and pipes get its exact bytes.
std::string ConsoleShownName(std::string_view name);

// Sets the console window's title, where standard output is a console,
// keeping the title it had so that ConsoleRestoreTitle can put it back.
void ConsoleSetTitle(std::string_view title);

// Puts back the title ConsoleSetTitle found; does nothing if it set none.
// Every way the program ends calls it.
void ConsoleRestoreTitle();

// The same for a signal handler: async-signal-safe (one write(2) of a fixed
// byte sequence on POSIX, and only when a title was set).
void ConsoleRestoreTitleForSignal();

// The cursor stands just after `length` characters written from the start of
// a row. Moves it onto character `offset` (0 = first) of them, on whichever
// row it landed when the text wrapped on a console narrower than it; where
// standard output is not a console, does nothing.
void ConsoleMoveBackInLine(int length, int offset);
