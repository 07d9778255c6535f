#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "files/named_file.h"

// The settings of one run.
struct RunOptions {
    bool Decode = true;   // false: encode normal text to FF7 text (-r)
    bool Quiet = false;   // true: nothing on the console but a failure (-q)
    NamedFile InputName;
    NamedFile OutputName; // empty until given or derived
};

enum class CommandLineOutcome {
    Run,       // options are filled, InputName is set
    Usage,     // no arguments at all
    NoInput,   // flags but no input name
};

struct ParsedCommandLine {
    CommandLineOutcome Outcome = CommandLineOutcome::Run;
    RunOptions Options;
};

// Upper-cases the ASCII letters a-z only; every other byte stays as it is.
std::string UpperCase(std::string_view text);

// Reads the arguments (argument 0 left out). `openAsTyped`: file names are
// opened with the spelling typed rather than upper-cased. OutputName is left
// empty when the second name is missing or empty.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool openAsTyped);

// The output to use when none is given: the input plus ".FF7" when decoding;
// when encoding, the input without its ".FF7" ending, or the input itself.
NamedFile DefaultOutputName(const RunOptions& options);

// The program's own file name: what follows the last of `separators` in
// argument 0. Falls back to "zemrik" where the system gave no name.
std::string ProgramFileName(const char* argument0, std::string_view separators);
