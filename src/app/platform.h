#pragma once
#include <string>
#include <vector>

// What the program start needs from the system it runs on.

// Sets up the standard streams before anything is opened: standard output
// takes bytes exactly as written, a closed standard stream cannot be taken
// over by a file the program opens, and a vanished reader does not kill the
// program.
void PrepareStandardStreams();

// The arguments after argument 0, as the program's strings (on Windows the
// command line's own characters as WTF-8, see files/utf16_names.h).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The program's own file name, without its folder, for the usage text and
// the failure report.
std::string ProgramName(int argc, char** argv);

// True where file names are opened with the spelling typed (case-sensitive
// file systems); false where they are opened upper-cased.
bool NamesOpenAsTyped();

// True where the system drops the dots and spaces that end a name when it
// opens it.
bool NamesDropTrailingDotsAndSpaces();
