#include "app/platform.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/command_line.h"

void PrepareStandardStreams()
{
    // A closed standard stream would hand its number to the next file opened,
    // and console text would land in the user's file.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int null = open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd)
                close(null);  // cannot happen: open takes the lowest free number
        }
    }
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
