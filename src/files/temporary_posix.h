#pragma once
// The file that receives the new content beside the output, until it takes
// the output's name; and the cleanup that removes it when a signal ends the
// program first.
#include <csignal>
#include <string>
#include <sys/types.h>

#include "files/io_posix.h"

struct TemporaryFile {
    int Folder = -1;   // the output's folder (not owned)
    Descriptor File;
    std::string Name;  // its hidden name in Folder; empty while it has none
    int Slot = -1;     // where the signal handler finds that name
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();  // removes the file's name, if it has one still
};

// Creates the temporary file in `folder`, open for reading and writing with
// permissions `mode` (the umask and the folder's default ACL apply). Where
// the file system allows it the file has no name at all, so that no way of
// ending the program can leave it behind; elsewhere it gets a hidden one
// derived from `base`. False when it cannot be created.
bool CreateTemporary(int folder, const std::string& base, mode_t mode, TemporaryFile& temporary);

// Gives a nameless temporary file its hidden name, just before it is renamed.
bool NameTemporary(TemporaryFile& temporary, const std::string& base);

// The temporary file has been renamed into place: it is no longer ours.
void KeepTemporary(TemporaryFile& temporary);

// Gives the complete temporary file the name `name` in its folder, which must
// not be taken yet (false if it is). The file is then no longer ours.
bool PlaceTemporary(TemporaryFile& temporary, const std::string& name);

// Makes every signal that would end the program remove the named temporary
// files and put the terminal's title back first (unless the program was
// started ignoring it). Called at start; later calls do nothing.
void InstallCleanupHandlers();

// Holds back, while it lives, the signals that would end the program.
struct SignalsBlocked {
    sigset_t Old;
    SignalsBlocked();
    ~SignalsBlocked();
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;
};
