#include "console/console_shared.h"

std::string WithoutControlCharacters(std::string_view text)
{
    std::string shown(text);
    for (char& c : shown) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            c = '?';
    }
    return shown;
}

int RowsBack(int length, int offset, int width, bool wrapDeferred)
{
    int cursorRow = length / width;
    if (wrapDeferred && length > 0 && length % width == 0)
        --cursorRow;  // still on the row the last character filled
    return cursorRow - offset / width;
}
