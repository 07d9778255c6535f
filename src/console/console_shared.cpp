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
