#include "app/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

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

std::string_view ProgramPathSeparators()
{
    return "\\:";
}

bool NamesOpenAsTyped()
{
    return false;
}
