#pragma once
// Runs the built program as a user would, for end-to-end tests.
#include <string>
#include <vector>

struct ProgramResult {
    int ExitStatus = -1;    // -1 when it did not exit normally
    int Signal = 0;         // the signal that ended it, if any
    std::string Output;     // everything written to standard output
};

// The command that starts the program under test: the built binary, or the
// words of ZEMRIK_COMMAND when set (e.g. "wine build-windows/zemrik.exe").
std::vector<std::string> ProgramCommand();

// True when the program under test is the Windows build (a .exe, run under
// wine). It opens and creates files under their upper-cased names, where the
// Linux build uses the names as typed.
bool TestingWindowsProgram();

// True when the program under test runs under an emulator (ZEMRIK_EMULATOR
// names it): then its memory and its system calls are the emulator's too.
bool TestingEmulatedProgram();

// Runs the program with `arguments` in directory `dir`, standard input from
// /dev/null, standard output captured.
ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& dir);

// The program under test with `arguments`, started by strace (following its
// threads, its own output thrown away) with `straceOptions`.
std::vector<std::string> TracedCommand(const std::vector<std::string>& straceOptions,
                                       const std::vector<std::string>& arguments);

// Runs any command the same way; argv[0] is looked up in PATH.
ProgramResult RunCommand(const std::vector<std::string>& argv, const std::string& dir);

// Runs a bash script the same way, with $ZEMRIK naming the program under test
// (the built binary, or a one-word ZEMRIK_COMMAND).
ProgramResult RunShell(const std::string& script, const std::string& dir);

// A fresh empty directory, removed with its content by the destructor.
struct TempDir {
    std::string Path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return Path + "/" + name; }
};

// A scratch directory on a tmpfs of its own, small enough to fill up
// (`size` as mount takes it, e.g. "size=64k"). Mounting needs root.
struct SmallDisk {
    TempDir Dir;
    bool Mounted = false;
    explicit SmallDisk(const char* size);
    ~SmallDisk();
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Names in `dir`, sorted, without "." and "..".
std::vector<std::string> ListDir(const std::string& dir);
