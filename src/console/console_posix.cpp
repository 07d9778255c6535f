// Console operations for POSIX terminals: control sequences go out only when
// standard output is a terminal, so that files and pipes receive nothing but
// the program's text.
#include "console/console.h"

#include <cerrno>
#include <string>
#include <unistd.h>

#include "console/console_shared.h"

namespace {

bool outputFailed = false;

bool IsTerminal()
{
    static const bool terminal = isatty(STDOUT_FILENO) == 1;
    return terminal;
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

std::string ConsoleShownName(std::string_view name)
{
    return IsTerminal() ? WithoutControlCharacters(name) : std::string(name);
}

void ConsoleSetTitle(std::string_view title)
{
    if (!IsTerminal())
        return;
    std::string sequence = "\x1b]0;";
    sequence += title;
    sequence += '\x07';
    ConsoleWrite(sequence);
}

void ConsoleMoveToColumn(int column)
{
    if (!IsTerminal())
        return;
    // Cursor Horizontal Absolute counts columns from 1.
    ConsoleWrite("\x1b[" + std::to_string(column + 1) + "G");
}
