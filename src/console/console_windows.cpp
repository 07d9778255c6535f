// Console operations for the Windows console. Text goes to the standard
// output handle as raw bytes whatever it is (console, file or pipe); the title
// and the cursor calls simply fail where it is not a console, and their
// results are ignored.
#include "console/console.h"

#include <atomic>
#include <string>
#include <windows.h>

#include "console/console_shared.h"

namespace {

bool outputFailed = false;

// WriteFile counts in DWORDs; a console also prefers moderate pieces.
constexpr std::size_t kMaxWrite = std::size_t(1) << 20;

// The title the console had before ConsoleSetTitle, as long as it is to be
// put back. A console title holds less than 64K characters.
char savedTitle[65536];
std::atomic<bool> titleSaved = false;

HANDLE StandardOutput()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

bool IsConsole()
{
    DWORD mode;
    return GetConsoleMode(StandardOutput(), &mode) != 0;
}

}  // namespace

void ConsoleWrite(std::string_view text)
{
    // WriteFile is unbuffered, so each piece is out before the call returns.
    HANDLE out = StandardOutput();
    while (!text.empty() && !outputFailed) {
        DWORD piece = static_cast<DWORD>(text.size() < kMaxWrite ? text.size() : kMaxWrite);
        DWORD written = 0;
        if (!WriteFile(out, text.data(), piece, &written, nullptr) || written == 0) {
            outputFailed = true;
            break;
        }
        text.remove_prefix(written);
    }
}

void ConsoleRedraw(std::string_view text)
{
    if (IsConsole())
        ConsoleWrite(text);
}

std::string ConsoleShownName(std::string_view name)
{
    return IsConsole() ? WithoutControlCharacters(name) : std::string(name);
}

void ConsoleSetTitle(std::string_view title)
{
    // Without a console both calls fail, and so does putting back the empty
    // title saved.
    if (!titleSaved) {
        savedTitle[0] = '\0';
        GetConsoleTitleA(savedTitle, sizeof savedTitle);
        titleSaved = true;
    }
    SetConsoleTitleA(std::string(title).c_str());
}

void ConsoleRestoreTitle()
{
    if (titleSaved.exchange(false))
        SetConsoleTitleA(savedTitle);
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
