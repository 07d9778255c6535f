#pragma once
// What the program is expected to print and write, built independently of
// the program's own code (only the fixed table is shared).
#include <string>

// The program's file name as it reports it (after the last / \ or :).
std::string ModuleName();
// "Progress: [", 50 spaces, "]" and the stars that follow it off a terminal.
std::string Frame(int stars);
// The banner line naming both files.
std::string Banner(const std::string& in, const std::string& out);
// The failure report for an error class, its fixed address and its message.
std::string Report(const std::string& cls, const std::string& message);

std::string Encoded(std::string bytes);
std::string Decoded(std::string bytes);
std::string RandomBytes(std::size_t size, unsigned seed);
