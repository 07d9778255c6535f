// Provokes, for real, what a user's files must survive: full disks, failing
// writes and renames, interrupts, size and memory limits, odd kinds of input
// and output, and a display that cannot be written. Each case checks the exit
// status, the files' content and the folder's exact listing.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/expected.h"
#include "support/requirements.h"
#include "support/run_program.h"

namespace {

using Names = std::vector<std::string>;

const std::string kWriteError = Report("EWriteError", "Stream write error.");

}  // namespace

// --- System calls made to fail ---------------------------------------------

struct InjectedCase {
    std::vector<std::string> Strace;  // what strace is told to do
    std::vector<std::string> Arguments;
    std::string Report;
    std::size_t InputSize = 3000;
};

class InjectedFailureTest : public ::testing::TestWithParam<InjectedCase> {};

TEST_P(InjectedFailureTest, LeavesEveryFileAsItWas)
{
    REQUIRE_TOOL("strace");
    const InjectedCase& c = GetParam();
#ifdef ZEMRIK_SANITIZE
    // A file this large is written by a thread of its own.
    if (c.InputSize >= (std::size_t(4) << 20) && c.Strace.back().rfind("inject=write", 0) == 0)
        GTEST_SKIP() << "skipped: the sanitizers' runtime makes writes of its own when a thread starts";
#endif
    TempDir dir;
    std::string input = RandomBytes(c.InputSize, 3), old = RandomBytes(500, 4);
    WriteFileBytes(dir / "f", input);
    WriteFileBytes(dir / "out", old);

    ProgramResult r = RunCommand(TracedCommand(c.Strace, c.Arguments), dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, c.Report);
    EXPECT_TRUE(ReadFileBytes(dir / "f") == input) << "the input changed";
    EXPECT_EQ(ReadFileBytes(dir / "out"), old);
    EXPECT_EQ(ListDir(dir.Path), (Names{"f", "out"}));
}

// With -q the first write is the file's own, so when=1 hits it. rename()
// is the rename call on x86-64 and renameat on AArch64, which lacks the former.
INSTANTIATE_TEST_SUITE_P(Syscalls, InjectedFailureTest, ::testing::Values(
    InjectedCase{{"-e", "inject=write:error=ENOSPC:when=1"}, {"-r", "-q", "f"}, kWriteError},
    InjectedCase{{"-e", "inject=write:error=EIO:when=1"}, {"-q", "f", "out"}, kWriteError},
    InjectedCase{{"-e", "inject=fsync:error=EIO"}, {"-r", "-q", "f"}, kWriteError},
    InjectedCase{{"-e", "inject=fsync:error=EIO"}, {"-q", "f", "out"}, kWriteError},
    InjectedCase{{"-e", "inject=rename,renameat,renameat2:error=EXDEV"}, {"-r", "-q", "f"},
                 Report("EFCreateError", "Cannot create file F.")},
    InjectedCase{{"-e", "inject=rename,renameat,renameat2:error=EBUSY"}, {"-q", "f", "out"},
                 Report("EFCreateError", "Cannot create file OUT.")},
    // The end of the file found too soon: it shrank while being read.
    InjectedCase{{"-P", "f", "-e", "trace=read", "-e", "inject=read:retval=0:when=1"}, {"-q", "f", "out"},
                 Report("EReadError", "Stream read error.")}));

// The same kind of failures on a file large enough to be written while the
// next pieces are read: the same display and report as if it had been read
// whole first, and every file as it was.
constexpr std::size_t kLarge = std::size_t(16) << 20;

INSTANTIATE_TEST_SUITE_P(LargeFile, InjectedFailureTest, ::testing::Values(
    // A write part-way fails: the rest is still read, every star drawn.
    InjectedCase{{"-e", "inject=write:error=ENOSPC:when=3"}, {"-q", "f", "out"}, kWriteError, kLarge},
    // A read part-way fails: the run ends at once, its stars so far shown.
    InjectedCase{{"-P", "f", "-e", "trace=read", "-e", "inject=read:error=EIO:when=5"}, {"f", "out"},
                 Banner("F", "OUT") + Frame(12) + Report("EReadError", "Stream read error."), kLarge},
    InjectedCase{{"-e", "inject=fsync:error=EIO"}, {"-q", "f", "out"}, kWriteError, kLarge}));

// The disk fills up part-way through a large file converted in place, with
// the display on: every star, then the report, and the file as it was.
TEST(Limits, AFullDiskPartWayThroughALargeFileShowsEveryStar)
{
    SmallDisk disk("size=24m");
    if (!disk.Mounted)
        GTEST_SKIP() << "skipped: needs root to mount file systems";
    std::string input = RandomBytes(std::size_t(16) << 20, 15);
    WriteFileBytes(disk.Dir / "f", input);
    ProgramResult r = RunProgram({"-r", "f"}, disk.Dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Banner("F", "F") + Frame(50) + kWriteError);
    EXPECT_TRUE(ReadFileBytes(disk.Dir / "f") == input);
    EXPECT_EQ(ListDir(disk.Dir.Path), Names{"f"});
}

class InterruptTest : public ::testing::TestWithParam<int> {};

TEST_P(InterruptTest, RemovesTheTemporaryAndEndsByTheSignal)
{
    REQUIRE_TOOL("strace");
    const int signal = GetParam();
    TempDir dir;
    std::string input = RandomBytes(3000, 5);
    WriteFileBytes(dir / "f", input);
    ProgramResult r = RunCommand(
        TracedCommand({"-e", "inject=write:signal=" + std::to_string(signal) + ":when=1"}, {"-r", "-q", "f"}),
        dir.Path);
    EXPECT_EQ(r.Signal, signal);  // strace ends itself the way its child ended
    EXPECT_EQ(ReadFileBytes(dir / "f"), input);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT));

TEST(Limits, WritingPastTheFileSizeLimitIsAWriteError)
{
    TempDir dir;
    std::string input = RandomBytes(100 << 10, 6);
    WriteFileBytes(dir / "f", input);
    ProgramResult r = RunShell("ulimit -f 10; exec \"$ZEMRIK\" -r -q f", dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, kWriteError);
    EXPECT_EQ(ReadFileBytes(dir / "f"), input);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

#define REQUIRE_NATIVE()                                                                   \
    if (TestingEmulatedProgram())                                                          \
    GTEST_SKIP() << "skipped: under an emulator, its memory and system calls would count"

// The program's working memory refused: a report, never a crash.
TEST(Limits, WorkingMemoryRefusedIsReportedNotACrash)
{
#ifdef ZEMRIK_SANITIZE
    GTEST_SKIP() << "skipped: the sanitizers' runtime needs the memory refused";
#endif
    REQUIRE_TOOL("strace");
    REQUIRE_NATIVE();
    TempDir dir;
    std::string input = RandomBytes(3000, 8);
    WriteFileBytes(dir / "f", input);
    ProgramResult r = RunCommand(TracedCommand({"-e", "inject=mmap:error=ENOMEM"}, {"-r", "-q", "f"}), dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EStreamError", "Out of memory while expanding memory stream."));
    EXPECT_EQ(ReadFileBytes(dir / "f"), input);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

// Far more file than memory: the conversion needs only a small buffer.
TEST(Limits, AFileLargerThanTheMemoryAllowedConverts)
{
#ifdef ZEMRIK_SANITIZE
    GTEST_SKIP() << "skipped: the sanitizers need more address space than the limit allows";
#endif
    REQUIRE_NATIVE();
    TempDir dir;
    // 2 GiB of zeros (spaces once decoded) with a mark past 2^31 - 1.
    std::string script =
        "truncate -s 2G big && "
        "printf '\\041' | dd of=big bs=1 seek=2147483647 conv=notrunc status=none && "
        "(ulimit -v 65536; exec \"$ZEMRIK\" big out) && "
        "stat -c %s out >&2 && tr -d ' ' < out >&2";
    ProgramResult r = RunShell("{ " + script + "; } 2> checks", dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner("BIG", "OUT") + Frame(50) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "checks"), "2147483648\nA");
}

struct MemoryCase {
    const char* Name;
    std::string Script;  // prepares the input, then execs the program
};

class PeakMemoryTest : public ::testing::TestWithParam<MemoryCase> {};

// The most memory the program ever held, whatever the input's size or kind.
TEST_P(PeakMemoryTest, StaysUnder16MiB)
{
#ifdef ZEMRIK_SANITIZE
    GTEST_SKIP() << "skipped: the sanitizers' own memory would be measured";
#endif
    REQUIRE_NATIVE();
    TempDir dir;
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null < 0 || dup2(null, 1) < 0 || chdir(dir.Path.c_str()) != 0)
            _exit(127);
        setenv("ZEMRIK", ProgramCommand().back().c_str(), 1);
        execl("/bin/bash", "bash", "-c", GetParam().Script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    ASSERT_EQ(wait4(child, &status, 0, &usage), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_LT(usage.ru_maxrss, 16 * 1024) << "KiB at the peak";
}

INSTANTIATE_TEST_SUITE_P(Inputs, PeakMemoryTest, ::testing::Values(
    MemoryCase{"OneMiB", "truncate -s 1M in && exec \"$ZEMRIK\" in out"},
    MemoryCase{"OneGiB", "truncate -s 1G in && exec \"$ZEMRIK\" -r in"},
    MemoryCase{"EightGiBSparse", "truncate -s 8G in && exec \"$ZEMRIK\" in /dev/null"},
    // No size in advance: quiet, it streams; with stars, it waits on disk.
    MemoryCase{"OneGiBPipeQuiet", "exec \"$ZEMRIK\" -q /dev/stdin out < <(head -c 1G /dev/zero)"},
    MemoryCase{"OneGiBPipeShown", "exec \"$ZEMRIK\" /dev/stdin out < <(head -c 1G /dev/zero)"}),
    [](const ::testing::TestParamInfo<MemoryCase>& info) { return std::string(info.param.Name); });

TEST(Limits, RenameOntoAMountPointIsRefusedAndNothingIsCopied)
{
    REQUIRE_ROOT("to mount file systems");
    TempDir dir;
    std::string input = RandomBytes(3000, 7), old = RandomBytes(100, 8);
    WriteFileBytes(dir / "in", input);
    WriteFileBytes(dir / "out", old);
    WriteFileBytes(dir / "other", "other");
    ASSERT_EQ(RunShell("mount --bind other out", dir.Path).ExitStatus, 0);
    ProgramResult r = RunProgram({"-q", "in", "out"}, dir.Path);
    RunShell("umount out", dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file OUT."));
    EXPECT_EQ(ReadFileBytes(dir / "out"), old);
    EXPECT_EQ(ReadFileBytes(dir / "other"), "other");
    EXPECT_EQ(ListDir(dir.Path), (Names{"in", "other", "out"}));
}

TEST(Limits, ReadOnlyDirectoryRefusesTheTemporary)
{
    TempDir dir;
    std::string input = RandomBytes(3000, 9);
    // Root writes through permission bits: it needs a read-only mount.
    SmallDisk disk("size=1m");
    if (IsRoot() && !disk.Mounted)
        GTEST_SKIP() << "skipped: root cannot mount a file system here";
    std::string folder = disk.Mounted ? disk.Dir.Path : dir.Path;
    WriteFileBytes(folder + "/f", input);
    ASSERT_EQ(RunShell(disk.Mounted ? "mount -o remount,ro ." : "chmod 555 .", folder).ExitStatus, 0);
    ProgramResult r = RunProgram({"-r", "-q", "f"}, folder);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file F."));
    EXPECT_EQ(ReadFileBytes(folder + "/f"), input);
    EXPECT_EQ(ListDir(folder), Names{"f"});
}

// --- Kinds of output -----------------------------------------------------------

TEST(Outputs, ALinkStaysALinkAndItsTargetIsReplaced)
{
    TempDir dir;
    std::string input = RandomBytes(3000, 10);
    mkdir((dir / "real").c_str(), 0755);
    WriteFileBytes(dir / "real/file", input);
    ASSERT_EQ(symlink("real/file", (dir / "link").c_str()), 0);
    ProgramResult r = RunProgram({"-r", "-q", "link"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "link").st_mode));
    EXPECT_EQ(ReadFileBytes(dir / "real/file"), Encoded(input));
    EXPECT_EQ(ListDir(dir.Path), (Names{"link", "real"}));
    EXPECT_EQ(ListDir(dir / "real"), Names{"file"});
}

TEST(Outputs, ALinkToNothingYetCreatesItsTarget)
{
    TempDir dir;
    WriteFileBytes(dir / "in", "abc");
    ASSERT_EQ(symlink("made", (dir / "link").c_str()), 0);
    ProgramResult r = RunProgram({"-r", "-q", "in", "link"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "link").st_mode));
    EXPECT_EQ(ReadFileBytes(dir / "made"), Encoded("abc"));
}

TEST(Outputs, HardLinksStayLinked)
{
    TempDir dir;
    std::string input = RandomBytes(5000, 11);
    WriteFileBytes(dir / "a", input);
    ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
    ino_t inode = StatOf(dir / "a").st_ino;

    EXPECT_EQ(RunProgram({"-r", "-q", "a"}, dir.Path).ExitStatus, 0);  // in place
    EXPECT_EQ(ReadFileBytes(dir / "b"), Encoded(input));
    EXPECT_EQ(RunProgram({"-q", "a", "b"}, dir.Path).ExitStatus, 0);   // the same file by another name
    EXPECT_EQ(ReadFileBytes(dir / "a"), input);

    EXPECT_EQ(StatOf(dir / "a").st_ino, inode);
    EXPECT_EQ(StatOf(dir / "b").st_ino, inode);
    EXPECT_EQ(ListDir(dir.Path), (Names{"a", "b"}));
}

TEST(Outputs, AFailedRewriteOfAHardLinkedFileIsUndone)
{
    REQUIRE_TOOL("strace");
    // Write 1 fills the temporary file, write 2 copies the old content aside,
    // write 3 is the rewrite itself.
    for (int failing : {2, 3}) {
        TempDir dir;
        std::string input = RandomBytes(5000, 12);
        WriteFileBytes(dir / "a", input);
        ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
        ProgramResult r = RunCommand(
            TracedCommand({"-e", "inject=write:error=ENOSPC:when=" + std::to_string(failing)}, {"-r", "-q", "a"}),
            dir.Path);
        EXPECT_EQ(r.ExitStatus, 1) << "failing write " << failing;
        EXPECT_EQ(r.Output, kWriteError);
        EXPECT_EQ(ReadFileBytes(dir / "a"), input);
        EXPECT_EQ(StatOf(dir / "a").st_ino, StatOf(dir / "b").st_ino);
        EXPECT_EQ(ListDir(dir.Path), (Names{"a", "b"}));
    }
}

struct DeviceCase {
    std::string Device;
    int ExitStatus;
    std::string Output;
};

class DeviceOutputTest : public ::testing::TestWithParam<DeviceCase> {};

TEST_P(DeviceOutputTest, IsWrittenDirectlyWithNoTemporary)
{
    TempDir dir;
    WriteFileBytes(dir / "in", RandomBytes(3000, 13));
    ProgramResult r = RunProgram({"-q", "in", GetParam().Device}, dir.Path);
    EXPECT_EQ(r.ExitStatus, GetParam().ExitStatus);
    EXPECT_EQ(r.Output, GetParam().Output);
    for (const std::string& name : ListDir("/dev"))
        EXPECT_EQ(name.find(".zemrik"), std::string::npos) << name;
    EXPECT_EQ(ListDir(dir.Path), Names{"in"});
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceOutputTest, ::testing::Values(
    DeviceCase{"/dev/null", 0, ""},
    DeviceCase{"/dev/full", 1, kWriteError}));

TEST(Outputs, AFifoReceivesTheBytes)
{
    TempDir dir;
    std::string input = RandomBytes(200 << 10, 14);
    WriteFileBytes(dir / "in", input);
    ProgramResult r = RunShell("mkfifo pipe && { cat pipe > got & } && \"$ZEMRIK\" -q in pipe; s=$?; wait; exit $s",
                               dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "got"), Decoded(input));
    EXPECT_EQ(ListDir(dir.Path), (Names{"got", "in", "pipe"}));
}

// The program's own descriptors named as files: written as the shell set
// them up (appending, a pipe), never replaced by a new file.
struct DescriptorCase {
    std::string Script;
    std::string Before;  // what `log` held before the run
};

class DescriptorOutputTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(DescriptorOutputTest, IsWrittenThroughTheDescriptor)
{
    TempDir dir;
    std::string input = RandomBytes(3000, 20);
    WriteFileBytes(dir / "in", input);
    WriteFileBytes(dir / "log", "OLD\n");
    ProgramResult r = RunShell(GetParam().Script, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "log"), GetParam().Before + Decoded(input));
    EXPECT_EQ(ListDir(dir.Path), (Names{"in", "log"}));
}

INSTANTIATE_TEST_SUITE_P(Names, DescriptorOutputTest, ::testing::Values(
    DescriptorCase{"exec \"$ZEMRIK\" -q in /dev/stdout >> log", "OLD\n"},
    DescriptorCase{"\"$ZEMRIK\" -q in /dev/stdout | cat > log", ""},
    DescriptorCase{"exec \"$ZEMRIK\" -q in /dev/fd/3 3>> log", "OLD\n"},
    DescriptorCase{"exec \"$ZEMRIK\" -q in /proc/self/fd/1 > log", ""},
    // Other spellings of the same descriptor: what the system resolves counts.
    DescriptorCase{"exec \"$ZEMRIK\" -q in /proc/thread-self/fd/1 >> log", "OLD\n"},
    DescriptorCase{"exec \"$ZEMRIK\" -q in /dev/fd//1 >> log", "OLD\n"},
    DescriptorCase{"exec \"$ZEMRIK\" -q in /proc/self/./fd/1 >> log", "OLD\n"},
    DescriptorCase{"exec \"$ZEMRIK\" -q in /proc/$$/fd/../fd/1 >> log", "OLD\n"}));

// --- Permissions ---------------------------------------------------------------

// Runs `arguments` as the user nobody where the tests run as root, so that
// permission bits count.
ProgramResult RunUnprivileged(const std::string& arguments, const std::string& dir, const std::string& groups = "")
{
    if (!IsRoot())
        return RunShell("exec \"$ZEMRIK\" " + arguments, dir);
    std::string who = "--reuid=65534 --regid=65534 " + (groups.empty() ? "--clear-groups" : "--groups=" + groups);
    return RunShell("exec setpriv " + who + " \"$ZEMRIK\" " + arguments, dir);
}

TEST(Permissions, AWriteProtectedOutputIsNotReplaced)
{
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path.c_str(), 0777), 0);
    WriteFileBytes(dir / "in", "text");
    WriteFileBytes(dir / "ro", "protected");
    ASSERT_EQ(chmod((dir / "ro").c_str(), 0444), 0);
    for (const char* arguments : {"-r -q ro", "-q in ro"}) {
        ProgramResult r = RunUnprivileged(arguments, dir.Path);
        EXPECT_EQ(r.ExitStatus, 1) << arguments;
        EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file RO.")) << arguments;
        EXPECT_EQ(ReadFileBytes(dir / "ro"), "protected");
        EXPECT_EQ(ListDir(dir.Path), (Names{"in", "ro"}));
    }
}

TEST(Permissions, AUserKeepsTheGroupOfAFileTheyReplace)
{
    REQUIRE_ROOT("to mount file systems");
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path.c_str(), 0777), 0);
    WriteFileBytes(dir / "f", "text");
    ASSERT_EQ(chown((dir / "f").c_str(), 65534, 100), 0);
    ASSERT_EQ(chmod((dir / "f").c_str(), 0640), 0);
    ProgramResult r = RunUnprivileged("-r -q f", dir.Path, "100");
    EXPECT_EQ(r.ExitStatus, 0);
    struct stat st = StatOf(dir / "f");
    EXPECT_EQ(st.st_gid, 100u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFileBytes(dir / "f"), Encoded("text"));
}

TEST(Permissions, ALinkPlantedInASharedFolderIsNotFollowed)
{
    REQUIRE_ROOT("to mount file systems");
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path.c_str(), 01777), 0);  // like /tmp
    WriteFileBytes(dir / "in", "text");
    WriteFileBytes(dir / "victim", "precious");
    ASSERT_EQ(symlink("victim", (dir / "out").c_str()), 0);
    ASSERT_EQ(lchown((dir / "out").c_str(), 65534, 65534), 0);  // another user's link
    ProgramResult r = RunProgram({"-q", "in", "out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file OUT."));
    EXPECT_EQ(ReadFileBytes(dir / "victim"), "precious");
    EXPECT_EQ(ListDir(dir.Path), (Names{"in", "out", "victim"}));
}

TEST(Permissions, AReplacedFileKeepsItsModeAndOwner)
{
    TempDir dir;
    WriteFileBytes(dir / "f", "text");
    mode_t mode = IsRoot() ? 04751 : 0640;
    if (IsRoot()) {
        ASSERT_EQ(chown((dir / "f").c_str(), 1234, 5678), 0);
    }
    ASSERT_EQ(chmod((dir / "f").c_str(), mode), 0);
    EXPECT_EQ(RunProgram({"-r", "-q", "f"}, dir.Path).ExitStatus, 0);
    struct stat st = StatOf(dir / "f");
    EXPECT_EQ(st.st_mode & 07777, mode);
    if (IsRoot()) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
    EXPECT_EQ(ReadFileBytes(dir / "f"), Encoded("text"));
}

class NewFileModeTest : public ::testing::TestWithParam<std::pair<const char*, mode_t>> {};

TEST_P(NewFileModeTest, FollowsTheUmask)
{
    TempDir dir;
    WriteFileBytes(dir / "in", "text");
    ProgramResult r = RunShell(std::string("umask ") + GetParam().first + "; exec \"$ZEMRIK\" -q in out", dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(StatOf(dir / "out").st_mode & 07777, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Umasks, NewFileModeTest, ::testing::Values(
    std::make_pair("022", mode_t(0644)), std::make_pair("027", mode_t(0640)), std::make_pair("000", mode_t(0666))));

// --- Inputs whose size is not known in advance ------------------------------------

class UnsizedInputTest : public ::testing::TestWithParam<std::string> {};

TEST_P(UnsizedInputTest, IsReadToItsEnd)
{
    TempDir dir;
    std::string input = RandomBytes(300 << 10, 15);
    WriteFileBytes(dir / "data", input);
    ProgramResult r = RunShell(GetParam(), dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out"), Decoded(input));
}

INSTANTIATE_TEST_SUITE_P(Channels, UnsizedInputTest, ::testing::Values(
    "mkfifo pipe && { cat data > pipe & } && exec \"$ZEMRIK\" -q pipe out",
    "exec \"$ZEMRIK\" -q /dev/stdin out < data",
    "cat data | \"$ZEMRIK\" -q /dev/stdin out"));

TEST(Inputs, ProcFilesAreNotTakenAsEmpty)
{
    TempDir dir;
    ProgramResult r = RunProgram({"-q", "/proc/version", "out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    std::string version = ReadFileBytes("/proc/version");
    ASSERT_FALSE(version.empty());
    EXPECT_EQ(ReadFileBytes(dir / "out"), Decoded(version));
}

// --- Files past 2 GiB and 4 GiB -----------------------------------------------------

class LargeFileTest : public ::testing::TestWithParam<std::pair<long long, int>> {};

TEST_P(LargeFileTest, ConvertsEveryByteWithTheRightStars)
{
    const long long size = GetParam().first;
    TempDir dir;
    // A sparse file (zeros decode to spaces) with three marks in it, one past
    // each 32-bit boundary; a reader counts every byte and keeps the others.
    std::string script =
        "truncate -s " + std::to_string(size) + " big && "
        "printf '\\041' | dd of=big bs=1 seek=1000 conv=notrunc status=none && "
        "printf '\\042' | dd of=big bs=1 seek=2147483650 conv=notrunc status=none && "
        "printf '\\043' | dd of=big bs=1 seek=$((" + std::to_string(size) + " - 1)) conv=notrunc status=none && "
        "mkfifo pipe && { tee < pipe >(wc -c > total) | tr -d ' ' > others & } && "
        "\"$ZEMRIK\" big pipe; s=$?; wait; sleep 0.2; exit $s";
    ProgramResult r = RunShell(script, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner("BIG", "PIPE") + Frame(GetParam().second) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "total"), std::to_string(size) + "\n");
    EXPECT_EQ(ReadFileBytes(dir / "others"), "ABC");
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargeFileTest, ::testing::Values(
    std::make_pair(2147483648LL + 1000, 49),     // just past 2 GiB
    std::make_pair(4294967296LL + 1000, 49)));   // just past 4 GiB: 50 * 4 GiB / size

// --- The display never stops the work -------------------------------------------------

class DisplayFailureTest : public ::testing::TestWithParam<std::string> {};

TEST_P(DisplayFailureTest, TheConversionStillCompletes)
{
    TempDir dir;
    std::string input = RandomBytes(100 << 10, 16);
    WriteFileBytes(dir / "in", input);
    ProgramResult r = RunShell(GetParam(), dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out"), Decoded(input));
    EXPECT_EQ(ListDir(dir.Path), (Names{"in", "out"}));
}

INSTANTIATE_TEST_SUITE_P(Outputs, DisplayFailureTest, ::testing::Values(
    "\"$ZEMRIK\" in out | head -c 10 > /dev/null; exit ${PIPESTATUS[0]}",
    "exec \"$ZEMRIK\" in out > /dev/full",
    "exec \"$ZEMRIK\" in out >&-",
    // With every standard stream closed, no text may end up in the output.
    "exec \"$ZEMRIK\" in out <&- >&- 2>&-"));

TEST(DisplayFailure, AFailedConversionStillSaysSoInItsStatus)
{
    TempDir dir;
    EXPECT_EQ(RunShell("exec \"$ZEMRIK\" nope out >&-", dir.Path).ExitStatus, 1);
    EXPECT_EQ(RunShell("exec \"$ZEMRIK\" nope out > /dev/full", dir.Path).ExitStatus, 1);
    EXPECT_TRUE(ListDir(dir.Path).empty());
}
