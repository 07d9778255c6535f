#pragma once
#include <string>
#include <string_view>

// What the console implementations of every system compute alike.

// `text` with every control character (the bytes below 0x20, and 0x7F)
// replaced by '?', so that it shows as itself and cannot drive a terminal.
std::string WithoutControlCharacters(std::string_view text);
