#pragma once
#include <string>

// A file as the user named it: the upper-cased name that messages show, and
// the path the system is asked for (the same bytes where names are
// upper-cased for opening, the typed spelling where case matters).
struct NamedFile {
    std::string Shown;
    std::string Path;
};
