// Console operations for the Windows console. The program's text (WTF-8, see
// files/utf16_names.h) goes to a console as UTF-16 through WriteConsoleW, so
// names show in their own characters; to a file or a pipe as bytes of the
// ANSI code page. The title and the cursor calls simply fail where standard
// output is not a console, and their results are ignored.
#include "console/console.h"

#include <atomic>
#include <string>
#include <windows.h>

#include "console/console_shared.h"
#include "files/utf16_names.h"

namespace {

bool outputFailed = false;

// The write calls count in DWORDs; a console also prefers moderate pieces.
constexpr std::size_t kMaxWrite = std::size_t(1) << 20;
constexpr std::size_t kMaxConsoleWrite = std::size_t(1) << 13;

// The title the console had before ConsoleSetTitle, as long as it is to be
// put back, in its own characters. A console title holds less than 64 KiB.
wchar_t savedTitle[32768];
std::atomic<bool> titleSaved = false;

HANDLE StandardOutput()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

bool IsConsole()
{
    static const bool console = [] {
        DWORD mode;
        return GetConsoleMode(StandardOutput(), &mode) != 0;
    }();
    return console;
}

bool IsAscii(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// `text` in the ANSI code page, each character it cannot hold as '?': no
// "best fit" look-alike, which would show another name than the real one.
std::string AnsiText(std::string_view text)
{
    std::u16string units = Utf16FromName(text);
    const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
    int length = static_cast<int>(units.size());
    // UTF-8 as the ANSI code page holds every character and takes neither
    // option (nor do a few others): then every character is converted as is.
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    const char* unknown = "?";
    int size = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, unknown, nullptr);
    if (size == 0) {
        flags = 0;
        unknown = nullptr;
        size = WideCharToMultiByte(CP_ACP, flags, wide, length, nullptr, 0, unknown, nullptr);
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, flags, wide, length, bytes.data(), size, unknown, nullptr);
    return bytes;
}

void WriteBytes(HANDLE out, std::string_view bytes)
{
    // WriteFile is unbuffered, so each piece is out before the call returns.
    while (!bytes.empty() && !outputFailed) {
        DWORD piece = static_cast<DWORD>(bytes.size() < kMaxWrite ? bytes.size() : kMaxWrite);
        DWORD written = 0;
        if (!WriteFile(out, bytes.data(), piece, &written, nullptr) || written == 0) {
            outputFailed = true;
            break;
        }
        bytes.remove_prefix(written);
    }
}

void WriteToConsole(HANDLE out, std::string_view text)
{
    std::u16string units = Utf16FromName(text);
    std::u16string_view left = units;
    while (!left.empty() && !outputFailed) {
        std::size_t piece = left.size() < kMaxConsoleWrite ? left.size() : kMaxConsoleWrite;
        if (piece < left.size() && left[piece - 1] >= 0xD800 && left[piece - 1] <= 0xDBFF)
            --piece;  // a character's two halves go out together
        DWORD written = 0;
        if (!WriteConsoleW(out, left.data(), static_cast<DWORD>(piece), &written, nullptr) || written == 0) {
            outputFailed = true;
            break;
        }
        left.remove_prefix(written);
    }
}

}  // namespace

void ConsoleWrite(std::string_view text)
{
    HANDLE out = StandardOutput();
    if (IsConsole())
        WriteToConsole(out, text);
    else
        WriteBytes(out, IsAscii(text) ? std::string(text) : AnsiText(text));
}

std::string ConsoleShownName(std::string_view name)
{
    return IsConsole() ? WithoutControlCharacters(name) : std::string(name);
}

void ConsoleRedraw(std::string_view text)
{
    if (!IsConsole())
        return;
    ConsoleWrite(text);
    // A console that wraps as soon as the last column is written has moved
    // to the next row when the text ended there: back to that column, so
    // that the line end which follows leaves no empty row.
    HANDLE out = StandardOutput();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!text.empty() && GetConsoleScreenBufferInfo(out, &info) && info.dwCursorPosition.X == 0 &&
        info.dwCursorPosition.Y > 0 && info.dwSize.X > 0) {
        COORD back{static_cast<SHORT>(info.dwSize.X - 1), static_cast<SHORT>(info.dwCursorPosition.Y - 1)};
        SetConsoleCursorPosition(out, back);
    }
}

void ConsoleSetTitle(std::string_view title)
{
    // Without a console both calls fail, and so does putting back the empty
    // title saved.
    if (!titleSaved) {
        savedTitle[0] = '\0';
        GetConsoleTitleW(savedTitle, sizeof savedTitle / sizeof savedTitle[0]);
        titleSaved = true;
    }
    SetConsoleTitleA(std::string(title).c_str());
}

void ConsoleRestoreTitle()
{
    if (titleSaved.exchange(false))
        SetConsoleTitleW(savedTitle);
}

void ConsoleRestoreTitleForSignal()
{
    // Console control handlers run in a thread of their own, where any call
    // may be made.
    ConsoleRestoreTitle();
}

void ConsoleMoveBackInLine(int length, int offset)
{
    HANDLE out = StandardOutput();
    CONSOLE_SCREEN_BUFFER_INFO info;
    // Not a console (a file, a pipe): there is no cursor, and the stars
    // simply follow the frame.
    if (!GetConsoleScreenBufferInfo(out, &info))
        return;
    COORD cursor = info.dwCursorPosition;
    int width = info.dwSize.X;
    if (width <= 0) {
        cursor.X = static_cast<SHORT>(offset);
    } else {
        // A console in terminal mode defers the wrap after the last column:
        // then the cursor still stands in that column after a text that
        // filled its last row exactly.
        bool deferred = length % width == 0 && cursor.X == width - 1;
        int row = cursor.Y - RowsBack(length, offset, width, deferred);
        cursor.Y = static_cast<SHORT>(row < 0 ? 0 : row);
        cursor.X = static_cast<SHORT>(offset % width);
    }
    SetConsoleCursorPosition(out, cursor);
}
