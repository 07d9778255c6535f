#pragma once
// Windows names are sequences of 16-bit units, not always valid UTF-16 (a
// lone surrogate is a legal name). The program carries them in its 8-bit
// strings as WTF-8: UTF-8 that also encodes lone surrogates, so that every
// name comes back unit for unit and the file opened is exactly the file
// named. ASCII stays one byte and never occurs inside another character, so
// the a-z upper-casing and the ".FF7" test work on these strings unchanged.
#include <string>
#include <string_view>

std::string NameFromUtf16(std::u16string_view units);

// The reverse; a malformed byte (never made by NameFromUtf16) becomes U+FFFD.
std::u16string Utf16FromName(std::string_view name);
