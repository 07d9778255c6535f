#include "app/platform.h"

#include <csignal>

#include "app/command_line.h"
#include "files/io_posix.h"
#include "files/temporary_posix.h"

void PrepareStandardStreams()
{
    ProvideMissingStandardStreams();
    // From the start, so that an interrupt at any moment still cleans up.
    InstallCleanupHandlers();
    // A closed pipe on standard output must not stop the conversion.
    signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string ProgramName(int argc, char** argv)
{
    return ProgramFileName(argc > 0 ? argv[0] : nullptr, "/\\:");
}

bool NamesOpenAsTyped()
{
    return true;
}

bool NamesDropTrailingDotsAndSpaces()
{
    return false;
}
