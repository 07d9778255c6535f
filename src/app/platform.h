#pragma once
#include <string_view>

// What the program start needs from the system it runs on.

// Sets up the standard streams before anything is opened: standard output
// takes bytes exactly as written, a closed standard stream cannot be taken
// over by a file the program opens, and a vanished reader does not kill the
// program.
void PrepareStandardStreams();

// The characters that end the directory part of argument 0.
std::string_view ProgramPathSeparators();

// True where file names are opened with the spelling typed (case-sensitive
// file systems); false where they are opened upper-cased.
bool NamesOpenAsTyped();
