#include "app/platform.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

std::string_view ProgramPathSeparators()
{
    return "/\\:";
}

bool NamesOpenAsTyped()
{
    return true;
}
