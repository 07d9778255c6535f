#include "files/utf16_names.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsLeadSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsTrailSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

void AppendCodePoint(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string NameFromUtf16(std::u16string_view units)
{
    std::string name;
    name.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t u = units[i];
        if (IsLeadSurrogate(u) && i + 1 < units.size() && IsTrailSurrogate(units[i + 1])) {
            u = 0x10000 + ((u - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00);
            ++i;
        }
        AppendCodePoint(name, u);  // a lone surrogate as its own three bytes
    }
    return name;
}

std::u16string Utf16FromName(std::string_view name)
{
    std::u16string units;
    units.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        auto byte = static_cast<unsigned char>(name[i]);
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte < 0xE0 ? 2 : byte >= 0xE0 && byte < 0xF0 ? 3
                           : byte >= 0xF0 && byte < 0xF5 ? 4 : 0;
        char32_t c = length == 1 ? byte : length == 2 ? byte & 0x1F : length == 3 ? byte & 0x0F : byte & 0x07;
        bool valid = length != 0 && i + length <= name.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(name[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms and values past U+10FFFF are not names of anything.
        if (valid && ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF))))
            valid = false;
        if (!valid) {
            units += kReplacement;
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(c);  // lone surrogates too
        }
        i += length;
    }
    return units;
}
