#include "app/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "app/command_line.h"
#include "files/utf16_names.h"

namespace {

std::string FromWide(const wchar_t* text)
{
    return NameFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text)));
}

// The command line in its own characters. The arguments main receives are
// its ANSI form, where a character the code page lacks became a look-alike
// ("..＼a" turned into "..\a") or a '?'.
std::vector<std::string> WideArguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(FromWide(words[i]));
    LocalFree(words);
    return arguments;
}

}  // namespace

void PrepareStandardStreams()
{
    // The console text goes out through the system handle, but anything that
    // reaches the C runtime's stream must not have each LF turned into CR LF:
    // the program's own line ends already carry their CR.
    _setmode(_fileno(stdout), _O_BINARY);
    // A file call on an empty drive must fail and be reported like any other
    // failure, not stop the run with a dialog box nobody may be there to see.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // Nothing more is needed: Windows handles are not numbered like POSIX
    // descriptors, so a closed standard stream cannot be taken over by a file
    // the program opens, and a vanished reader only makes a write fail.
}

std::vector<std::string> ProgramArguments(int, char**)
{
    std::vector<std::string> arguments = WideArguments();
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return arguments;
}

std::string ProgramName(int, char**)
{
    // Argument 0 is whatever the parent process chose ("zemrik", or
    // "C:/tools/zemrik.exe"); the system knows the file itself.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            std::vector<std::string> words = WideArguments();
            return ProgramFileName(words.empty() ? nullptr : words[0].c_str(), "\\/:");
        }
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);  // cut short: try a larger buffer
    }
    return ProgramFileName(FromWide(path.c_str()).c_str(), "\\/:");
}

bool NamesOpenAsTyped()
{
    return false;
}

bool NamesDropTrailingDotsAndSpaces()
{
    return true;
}
