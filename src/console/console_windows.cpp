// Console operations for the Windows console. Text goes to the standard
// output handle as raw bytes whatever it is (console, file or pipe); the title
// and the cursor calls simply fail where it is not a console, and their
// results are ignored.
#include "console/console.h"

#include <string>
#include <windows.h>

namespace {

bool outputFailed = false;

// WriteFile counts in DWORDs; a console also prefers moderate pieces.
constexpr std::size_t kMaxWrite = std::size_t(1) << 20;

HANDLE StandardOutput()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
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

void ConsoleSetTitle(std::string_view title)
{
    SetConsoleTitleA(std::string(title).c_str());
}

void ConsoleMoveToColumn(int column)
{
    HANDLE out = StandardOutput();
    CONSOLE_SCREEN_BUFFER_INFO info;
    // Not a console (a file, a pipe): there is no cursor, and the stars
    // simply follow the frame.
    if (!GetConsoleScreenBufferInfo(out, &info))
        return;
    COORD cursor = info.dwCursorPosition;  // the row is kept
    cursor.X = static_cast<SHORT>(column);
    SetConsoleCursorPosition(out, cursor);
}
