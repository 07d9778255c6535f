#pragma once
#include <string>
#include <string_view>

// The usage text, naming the program by `programName`.
std::string UsageText(std::string_view programName);

// Writes the usage text to standard output.
void PrintUsage(std::string_view programName);
