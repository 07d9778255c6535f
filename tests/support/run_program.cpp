#include "support/run_program.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

std::vector<std::string> ProgramCommand()
{
    const char* command = std::getenv("ZEMRIK_COMMAND");
    if (command == nullptr || *command == '\0')
        return {ZEMRIK_BINARY};
    std::istringstream words(command);
    return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

bool TestingWindowsProgram()
{
    std::string program = ProgramCommand().back();
    std::string ending = program.size() >= 4 ? program.substr(program.size() - 4) : "";
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".exe";
}

bool TestingEmulatedProgram()
{
    const char* emulator = std::getenv("ZEMRIK_EMULATOR");
    return emulator != nullptr && *emulator != '\0';
}

ProgramResult RunProgram(const std::vector<std::string>& arguments, const std::string& dir)
{
    std::vector<std::string> words = ProgramCommand();
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunCommand(words, dir);
}

std::vector<std::string> TracedCommand(const std::vector<std::string>& straceOptions,
                                       const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"strace", "-f", "-o", "/dev/null"};
    command.insert(command.end(), straceOptions.begin(), straceOptions.end());
    for (const std::string& word : ProgramCommand())
        command.push_back(word);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

ProgramResult RunShell(const std::string& script, const std::string& dir)
{
    // Scripts start "$ZEMRIK" as one word: the program under test must be one.
    std::vector<std::string> program = ProgramCommand();
    if (program.size() != 1)
        throw std::runtime_error("RunShell needs ZEMRIK_COMMAND to be a single program");
    setenv("ZEMRIK", program[0].c_str(), 1);
    return RunCommand({"bash", "-c", script}, dir);
}

ProgramResult RunCommand(const std::vector<std::string>& command, const std::string& dir)
{
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("pipe");
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDONLY);
        dup2(null, 0);
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        if (chdir(dir.c_str()) != 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    ProgramResult result;
    char chunk[65536];
    ssize_t n;
    while ((n = read(out[0], chunk, sizeof chunk)) > 0)
        result.Output.append(chunk, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        result.ExitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.Signal = WTERMSIG(status);
    return result;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zemrik-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp");
    Path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(Path, ignored);
}

SmallDisk::SmallDisk(const char* size)
{
    Mounted = mount("tmpfs", Dir.Path.c_str(), "tmpfs", 0, size) == 0;
}

SmallDisk::~SmallDisk()
{
    if (Mounted)
        umount2(Dir.Path.c_str(), MNT_DETACH);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}
