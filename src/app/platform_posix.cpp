#include "app/platform.h"

#include <csignal>

#include "files/io_posix.h"

void PrepareStandardStreams()
{
    ProvideMissingStandardStreams();
    // A closed pipe on standard output must not stop the conversion.
    signal(SIGPIPE, SIG_IGN);
}

std::string_view ProgramPathSeparators()
{
    return "/\\:";
}

bool NamesOpenAsTyped()
{
    return true;
}
