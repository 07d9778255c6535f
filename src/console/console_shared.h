#pragma once
#include <string>
#include <string_view>

// What the console implementations of every system compute alike.

// `text` with every control character (the bytes below 0x20, and 0x7F)
// replaced by '?', so that it shows as itself and cannot drive a terminal.
std::string WithoutControlCharacters(std::string_view text);

// `length` characters were written from the start of a row of a console
// `width` columns wide, wrapping onto the rows below, and the cursor stands
// after them. Returns how many rows above the cursor's row character
// `offset` (0 = first) lies; it lies in column offset % width. `wrapDeferred`
// tells whether a character written into a row's last column leaves the
// cursor on that column until the next character comes (terminals do) or
// moves it to the next row at once.
int RowsBack(int length, int offset, int width, bool wrapDeferred);
