// Console operations for POSIX terminals: control sequences go out only when
// standard output is a terminal, so that files and pipes receive nothing but
// the program's text.
#include "console/console.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

#include "console/console_shared.h"

namespace {

bool outputFailed = false;

// Set once the terminal's title is pushed onto its title stack; read by the
// signal handler's restore.
volatile std::sig_atomic_t titlePushed = 0;

// xterm's title stack, which tmux and many other terminals keep too: push
// and pop both the window title and the icon name, which the title sequence
// sets together.
constexpr char kPushTitle[] = "\x1b[22;0t";
constexpr char kPopTitle[] = "\x1b[23;0t";

bool IsTerminal()
{
    static const bool terminal = isatty(STDOUT_FILENO) == 1;
    return terminal;
}

// The terminal's width in columns, 0 when it does not say.
int TerminalWidth()
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}

}  // namespace

void ConsoleWrite(std::string_view text)
{
    while (!text.empty() && !outputFailed) {
        ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            outputFailed = true;
            break;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ConsoleRedraw(std::string_view text)
{
    if (IsTerminal())
        ConsoleWrite(text);
}

std::string ConsoleShownName(std::string_view name)
{
    return IsTerminal() ? WithoutControlCharacters(name) : std::string(name);
}

void ConsoleSetTitle(std::string_view title)
{
    if (!IsTerminal())
        return;
    std::string sequence;
    if (!titlePushed) {
        sequence = kPushTitle;
        titlePushed = 1;
    }
    sequence += "\x1b]0;";
    sequence += title;
    sequence += '\x07';
    ConsoleWrite(sequence);
}

void ConsoleRestoreTitle()
{
    if (!titlePushed)
        return;
    titlePushed = 0;
    ConsoleWrite(kPopTitle);
}

void ConsoleRestoreTitleForSignal()
{
    if (!titlePushed)
        return;
    titlePushed = 0;
    int savedErrno = errno;
    while (write(STDOUT_FILENO, kPopTitle, sizeof kPopTitle - 1) < 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

void ConsoleMoveBackInLine(int length, int offset)
{
    if (!IsTerminal())
        return;
    int width = TerminalWidth();
    std::string sequence;
    int column = offset;
    if (width > 0) {
        // A terminal defers the wrap after its last column: when the text
        // fills its last row exactly, the cursor is still on that row.
        int rowsUp = RowsBack(length, offset, width, true);
        if (rowsUp > 0)  // Cursor Up takes 0 as 1
            sequence += "\x1b[" + std::to_string(rowsUp) + "A";
        column = offset % width;
    }
    // Cursor Horizontal Absolute counts columns from 1; it also cancels a
    // deferred wrap.
    sequence += "\x1b[" + std::to_string(column + 1) + "G";
    ConsoleWrite(sequence);
}
