// What a hostile user or a crash at any moment must not be able to do to a
// user's files: links swapped or planted, runs racing on one file, kills at
// every system call, closed standard streams, odd folders and names.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "support/expected.h"
#include "support/requirements.h"
#include "support/run_program.h"

namespace {

using Names = std::vector<std::string>;

std::string Shell(const std::string& script, const std::string& dir)
{
    ProgramResult r = RunShell(script + " 2>&1", dir);
    EXPECT_EQ(r.ExitStatus, 0) << script << ": " << r.Output;
    return r.Output;
}

const uid_t kNobody = 65534;

// The system calls a run makes, in order, by name.
std::vector<std::string> SyscallsOf(const std::vector<std::string>& arguments, const std::string& dir,
                                    const std::string& log)
{
    std::vector<std::string> command{"strace", "-f", "-qq", "-o", log, ProgramCommand().back()};
    command.insert(command.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(RunCommand(command, dir).ExitStatus, 0);
    std::vector<std::string> calls;
    std::istringstream lines(ReadFileBytes(log));
    std::regex call(R"(^(\d+ +)?([a-z0-9_]+)\()");
    std::smatch m;
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, m, call))
            calls.push_back(m[2]);
    return calls;
}

}  // namespace

// --- Links ------------------------------------------------------------------------

struct LinkCase {
    const char* Name;
    uid_t LinkOwner;
    uid_t TargetOwner;
    bool Followed;
};

class LinkOwnerTest : public ::testing::TestWithParam<LinkCase> {};

// Root converts a file in a folder that another user owns: a link of that
// user's is followed only to a file of that same user.
TEST_P(LinkOwnerTest, AnotherUsersLinkLeadsOnlyToTheirOwnFiles)
{
    REQUIRE_ROOT("to act as two users");
    const LinkCase& c = GetParam();
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "work").c_str(), 0755), 0);
    ASSERT_EQ(chown((dir / "work").c_str(), kNobody, kNobody), 0);
    std::string old = RandomBytes(3000, 40), input = RandomBytes(2000, 41);
    WriteFileBytes(dir / "target", old);
    ASSERT_EQ(chown((dir / "target").c_str(), c.TargetOwner, c.TargetOwner), 0);
    WriteFileBytes(dir / "in", input);
    ASSERT_EQ(symlink("../target", (dir / "work/notes").c_str()), 0);
    ASSERT_EQ(lchown((dir / "work/notes").c_str(), c.LinkOwner, c.LinkOwner), 0);

    ProgramResult r = RunProgram({"-q", "in", "work/notes"}, dir.Path);
    if (c.Followed) {
        EXPECT_EQ(r.ExitStatus, 0);
        EXPECT_EQ(ReadFileBytes(dir / "target"), Decoded(input));
        EXPECT_TRUE(S_ISLNK(StatOf(dir / "work/notes").st_mode));
    } else {
        EXPECT_EQ(r.ExitStatus, 1);
        EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file WORK/NOTES."));
        EXPECT_EQ(ReadFileBytes(dir / "target"), old);
    }
    EXPECT_EQ(ListDir(dir / "work"), Names{"notes"});
}

INSTANTIATE_TEST_SUITE_P(Owners, LinkOwnerTest, ::testing::Values(
    LinkCase{"TheirLinkToRootsFile", kNobody, 0, false},
    LinkCase{"TheirLinkToTheirFile", kNobody, kNobody, true},
    LinkCase{"RootsLinkToTheirFile", 0, kNobody, true},
    LinkCase{"RootsLinkToRootsFile", 0, 0, true}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.Name); });

// The folder's owner swaps a link to a file of root's in over the name while
// the input is being read: the write must not follow it.
TEST(Links, ALinkSwappedInWhileReadingIsNotFollowed)
{
    REQUIRE_ROOT("to act as two users");
    REQUIRE_TOOL("strace");
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "work").c_str(), 0755), 0);
    ASSERT_EQ(chown((dir / "work").c_str(), kNobody, kNobody), 0);
    std::string victim = RandomBytes(3000, 42), notes = RandomBytes(3000, 43);
    WriteFileBytes(dir / "victim", victim);
    WriteFileBytes(dir / "work/notes", notes);
    ASSERT_EQ(chown((dir / "work/notes").c_str(), kNobody, kNobody), 0);
    // Every read of the input waits half a second; the swap comes meanwhile.
    std::string script =
        "strace -f -o /dev/null -P work/notes -e trace=read -e inject=read:delay_enter=500000 "
        "\"$ZEMRIK\" -r -q work/notes & "
        "sleep 0.25; setpriv --reuid=65534 --regid=65534 --clear-groups "
        "sh -c 'ln -s ../victim work/swap && mv -T work/swap work/notes'; wait $!";
    ProgramResult r = RunShell(script, dir.Path);
    EXPECT_EQ(ReadFileBytes(dir / "victim"), victim);
    if (r.ExitStatus == 0) {
        EXPECT_EQ(ReadFileBytes(dir / "work/notes"), Encoded(notes));
    } else {
        EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file WORK/NOTES."));
    }
}

// A relative link target is relative to the link's own folder.
TEST(Links, ARelativeTargetIsFoundFromTheLinksFolder)
{
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    std::string input = RandomBytes(2000, 44);
    WriteFileBytes(dir / "in", input);
    WriteFileBytes(dir / "sub/target", "old");
    ASSERT_EQ(symlink("target", (dir / "sub/link").c_str()), 0);
    ProgramResult r = RunProgram({"-q", "in", "sub/link"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "sub/target"), Decoded(input));
    EXPECT_TRUE(S_ISLNK(StatOf(dir / "sub/link").st_mode));
    EXPECT_EQ(ListDir(dir.Path), (Names{"in", "sub"}));
    EXPECT_EQ(ListDir(dir / "sub"), (Names{"link", "target"}));
}

// --- Runs racing on one file ---------------------------------------------------

// Two runs encode the same hard-linked file at once, through its two names:
// they take turns, and the file ends encoded twice, whole.
TEST(Races, TwoRunsOnOneHardLinkedFileTakeTurns)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        TempDir dir;
        std::string input = RandomBytes(std::size_t(24) << 20, 45 + attempt);
        WriteFileBytes(dir / "a", input);
        ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
        ProgramResult r = RunShell("\"$ZEMRIK\" -r -q a & one=$!; \"$ZEMRIK\" -r -q b & two=$!; "
                                   "wait $one || exit 1; wait $two || exit 2",
                                   dir.Path);
        EXPECT_EQ(r.ExitStatus, 0);
        EXPECT_TRUE(ReadFileBytes(dir / "a") == Encoded(Encoded(input))) << "attempt " << attempt;
        EXPECT_EQ(StatOf(dir / "a").st_ino, StatOf(dir / "b").st_ino);
        EXPECT_EQ(ListDir(dir.Path), (Names{"a", "b"}));
    }
}

// Two runs convert the same file in place by renaming: the second reads what
// the first wrote, not the file the first replaced.
TEST(Races, TwoRunsReplacingOneFileTakeTurns)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        TempDir dir;
        std::string input = RandomBytes(std::size_t(24) << 20, 48 + attempt);
        WriteFileBytes(dir / "a", input);
        ProgramResult r = RunShell("\"$ZEMRIK\" -r -q a & one=$!; \"$ZEMRIK\" -r -q a & two=$!; "
                                   "wait $one || exit 1; wait $two || exit 2",
                                   dir.Path);
        EXPECT_EQ(r.ExitStatus, 0);
        EXPECT_TRUE(ReadFileBytes(dir / "a") == Encoded(Encoded(input))) << "attempt " << attempt;
        EXPECT_EQ(ListDir(dir.Path), Names{"a"});
    }
}

// --- The copy kept while a hard-linked file is rewritten ------------------------

// A copy left by a killed rewrite may be the only whole old content there
// is: the next run on that file refuses rather than overwrite it.
TEST(Backup, ALeftoverCopyIsNeverOverwritten)
{
    TempDir dir;
    std::string half = RandomBytes(1500, 51), copy = RandomBytes(3000, 52);
    WriteFileBytes(dir / "a", half);
    ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
    WriteFileBytes(dir / "a.zemrik-backup", copy);
    for (const char* name : {"a", "b"}) {
        ProgramResult r = RunProgram({"-r", "-q", "a"}, dir.Path);
        EXPECT_EQ(r.ExitStatus, 1) << name;
        EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file A."));
    }
    EXPECT_EQ(ReadFileBytes(dir / "a"), half);
    EXPECT_EQ(ReadFileBytes(dir / "a.zemrik-backup"), copy);
    EXPECT_EQ(ListDir(dir.Path), (Names{"a", "a.zemrik-backup", "b"}));
}

// An interrupt in the middle of a rewrite waits for its end.
TEST(Backup, AnInterruptDuringARewriteWaitsForItsEnd)
{
    REQUIRE_TOOL("strace");
    TempDir dir;
    std::string input = RandomBytes(3000, 53);
    WriteFileBytes(dir / "a", input);
    ASSERT_EQ(link((dir / "a").c_str(), (dir / "b").c_str()), 0);
    // Write 1 fills the temporary file, write 2 makes the copy, write 3
    // rewrites the file.
    ProgramResult r = RunCommand(TracedCommand({"-e", "inject=write:signal=SIGINT:when=3"}, {"-r", "-q", "a"}), dir.Path);
    EXPECT_EQ(r.Signal, SIGINT);
    EXPECT_EQ(ReadFileBytes(dir / "a"), Encoded(input));
    EXPECT_EQ(ListDir(dir.Path), (Names{"a", "b"}));
}

// --- A kill at every system call --------------------------------------------------

struct CrashCase {
    const char* Name;
    std::vector<std::string> Arguments;
    bool HardLinked;  // the output is a second name of the file "out"
    bool InPlace;     // the input is the output
};

class CrashSweepTest : public ::testing::TestWithParam<CrashCase> {};

// SIGKILL at the entry of each system call of a run in turn: the output's
// name holds exactly its old or its new content (or, for a rewrite in
// place, the documented copy holds the old), the input is untouched unless
// it is the output, and nothing else is left but a complete new copy.
TEST_P(CrashSweepTest, LeavesTheOldOrTheNewContent)
{
    REQUIRE_TOOL("strace");
    const CrashCase& c = GetParam();
    const std::string input = RandomBytes(5000, 54), old = RandomBytes(7000, 55);
    const std::string fresh = c.InPlace ? Encoded(input) : Decoded(input);
    auto prepare = [&](const TempDir& dir) {
        WriteFileBytes(dir / "in", input);
        if (!c.InPlace)
            WriteFileBytes(dir / "out", old);
        if (c.HardLinked) {
            EXPECT_EQ(link((dir / (c.InPlace ? "in" : "out")).c_str(), (dir / "other").c_str()), 0);
        }
    };
    const std::string output = c.InPlace ? "in" : "out";
    const std::string before = c.InPlace ? input : old;

    std::vector<std::string> calls;
    {
        TempDir dir;
        prepare(dir);
        calls = SyscallsOf(c.Arguments, dir.Path, dir.Path + ".log");
        unlink((dir.Path + ".log").c_str());
        ASSERT_EQ(ReadFileBytes(dir / output), fresh);
    }
    ASSERT_GT(calls.size(), 10u);

    std::map<std::string, int> seen;
    int points = 0;
    for (const std::string& call : calls) {
        int nth = ++seen[call];
        if (call == "execve" || call == "exit_group")
            continue;  // the program has not started yet, or is complete
        ++points;
        TempDir dir;
        prepare(dir);
        std::string injection = "inject=" + call + ":signal=SIGKILL:when=" + std::to_string(nth);
        ProgramResult r = RunCommand(TracedCommand({"-e", injection}, c.Arguments), dir.Path);
        std::string where = call + " #" + std::to_string(nth);
        EXPECT_EQ(r.Signal, SIGKILL) << where;

        std::string now = ReadFileBytes(dir / output);
        std::string backup = dir / (output + ".zemrik-backup");
        bool backupKept = FileExists(backup);
        if (backupKept) {
            EXPECT_EQ(ReadFileBytes(backup), before) << where;
        } else {
            EXPECT_TRUE(now == before || now == fresh) << where;
        }
        if (!c.InPlace) {
            EXPECT_EQ(ReadFileBytes(dir / "in"), input) << where;
        }
        if (c.HardLinked) {
            EXPECT_EQ(StatOf(dir / output).st_ino, StatOf(dir / "other").st_ino) << where;
        }
        for (const std::string& name : ListDir(dir.Path)) {
            if (name == "in" || name == "out" || name == "other" || dir / name == backup)
                continue;
            EXPECT_EQ(name.rfind("." + output + ".zemrik-", 0), 0u) << where << ": " << name;
            EXPECT_EQ(ReadFileBytes(dir / name), fresh) << where << ": " << name;
        }
    }
    std::cout << "[ crashes  ] " << c.Name << ": " << points << " crash points tried\n";
}

INSTANTIATE_TEST_SUITE_P(Runs, CrashSweepTest, ::testing::Values(
    CrashCase{"InPlace", {"-r", "-q", "in"}, false, true},
    CrashCase{"ReplacingAnotherFile", {"-q", "in", "out"}, false, false},
    CrashCase{"HardLinkedRewrite", {"-r", "-q", "in"}, true, true},
    CrashCase{"HardLinkedOutput", {"-q", "in", "out"}, true, false}),
    [](const ::testing::TestParamInfo<CrashCase>& info) { return std::string(info.param.Name); });

// The order that makes a replacement survive a power loss: the new content
// written and flushed, then renamed, then the folder flushed.
TEST(Crash, AReplacementIsFlushedRenamedAndItsFolderFlushed)
{
    REQUIRE_TOOL("strace");
    TempDir dir;
    WriteFileBytes(dir / "in", RandomBytes(3000, 56));
    WriteFileBytes(dir / "out", "old");
    std::string log = dir.Path + ".log";
    std::vector<std::string> command{"strace", "-f", "-qq", "-o", log, "-e",
                                     "trace=write,fsync,fdatasync,rename,renameat,renameat2",
                                     ProgramCommand().back(), "-q", "in", "out"};
    ASSERT_EQ(RunCommand(command, dir.Path).ExitStatus, 0);
    std::string trace = ReadFileBytes(log);
    unlink(log.c_str());

    std::smatch m;
    ASSERT_TRUE(std::regex_search(trace, m, std::regex(R"(write\((\d+), )"))) << trace;
    std::string file = m[1];
    ASSERT_TRUE(std::regex_search(trace, m, std::regex(R"(renameat2?\((\d+), "[^"]*", \d+, "out")"))) << trace;
    std::string folder = m[1];
    std::size_t written = trace.rfind("write(" + file + ", ");
    std::size_t fileFlushed = trace.find("fsync(" + file + ")");
    std::size_t renamed = trace.find("renameat");
    std::size_t folderFlushed = trace.find("fsync(" + folder + ")", renamed);
    ASSERT_NE(fileFlushed, std::string::npos) << trace;
    ASSERT_NE(folderFlushed, std::string::npos) << trace;
    EXPECT_LT(written, fileFlushed) << trace;
    EXPECT_LT(fileFlushed, renamed) << trace;
    EXPECT_LT(renamed, folderFlushed) << trace;
}

// --- Signals ------------------------------------------------------------------------

// Where the file system gives no unnamed files, the temporary file has a name
// while it is written: every signal that ends the program removes it.
class NamedTemporaryTest : public ::testing::TestWithParam<int> {};

TEST_P(NamedTemporaryTest, AnEndingSignalRemovesIt)
{
    REQUIRE_TOOL("strace");
    const int signal = GetParam();
    TempDir dir;
    std::string input = RandomBytes(3000, 57);
    WriteFileBytes(dir / "f", input);
    // Which openat asks for an unnamed file: that one is refused.
    std::string log = dir.Path + ".log";
    std::vector<std::string> trace{"strace", "-f", "-qq", "-o", log, "-e", "trace=openat",
                                   ProgramCommand().back(), "-q", "f", "out"};
    ASSERT_EQ(RunCommand(trace, dir.Path).ExitStatus, 0);
    std::istringstream lines(ReadFileBytes(log));
    unlink(log.c_str());
    unlink((dir / "out").c_str());
    int nth = 0, unnamed = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("openat(") == std::string::npos)
            continue;
        ++nth;
        if (line.find("O_TMPFILE") != std::string::npos)
            unnamed = nth;
    }
    ASSERT_GT(unnamed, 0);

    ProgramResult r = RunCommand(
        TracedCommand({"-e", "inject=openat:error=EOPNOTSUPP:when=" + std::to_string(unnamed), "-e",
                "inject=write:signal=" + std::to_string(signal) + ":when=1"},
               {"-q", "f", "out"}),
        dir.Path);
    EXPECT_EQ(r.Signal, signal);
    EXPECT_EQ(ReadFileBytes(dir / "f"), input);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

INSTANTIATE_TEST_SUITE_P(Signals, NamedTemporaryTest, ::testing::Values(
    SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGXCPU, SIGPWR, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF));

// A hang-up the program was started ignoring (nohup) stays ignored.
TEST(Signals, AnIgnoredHangUpStaysIgnored)
{
    REQUIRE_TOOL("strace");
    TempDir dir;
    std::string input = RandomBytes(3000, 58);
    WriteFileBytes(dir / "f", input);
    ProgramResult r = RunShell("trap '' HUP; exec strace -f -o /dev/null -e inject=write:signal=SIGHUP:when=1 "
                               "\"$ZEMRIK\" -r -q f",
                               dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "f"), Encoded(input));
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

// --- Standard streams the program was started without ---------------------------

struct StreamCase {
    std::string Script;
    std::string Report;  // on standard output
};

class MissingStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(MissingStreamTest, IsLikeAMissingFile)
{
    TempDir dir;
    std::string important = RandomBytes(3000, 59);
    WriteFileBytes(dir / "important.txt", important);
    ProgramResult r = RunShell(GetParam().Script, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, GetParam().Report);
    EXPECT_EQ(ReadFileBytes(dir / "important.txt"), important);
    EXPECT_EQ(ListDir(dir.Path), Names{"important.txt"});
}

INSTANTIATE_TEST_SUITE_P(Spellings, MissingStreamTest, ::testing::Values(
    StreamCase{"exec \"$ZEMRIK\" -q /dev/stdin important.txt <&-",
               Report("EFOpenError", "Cannot open file /DEV/STDIN.")},
    StreamCase{"exec \"$ZEMRIK\" -q /dev/fd/0 important.txt <&-",
               Report("EFOpenError", "Cannot open file /DEV/FD/0.")},
    StreamCase{"exec \"$ZEMRIK\" -q /proc/self/fd/0 important.txt <&-",
               Report("EFOpenError", "Cannot open file /PROC/SELF/FD/0.")},
    StreamCase{"exec \"$ZEMRIK\" -q important.txt /dev/stderr 2>&-",
               Report("EFCreateError", "Cannot create file /DEV/STDERR.")},
    StreamCase{"exec \"$ZEMRIK\" -q important.txt /proc/thread-self/fd/2 2>&-",
               Report("EFCreateError", "Cannot create file /PROC/THREAD-SELF/FD/2.")},
    // Its report has nowhere to go: the status tells.
    StreamCase{"\"$ZEMRIK\" -q important.txt /dev/stdout >&-; s=$?; echo status $s; exit $s", "status 1\n"}));

// --- Folders and names ----------------------------------------------------------------

// A folder that only lets names be added: a new output is added, an
// existing one cannot be replaced, and nothing is left behind either way.
TEST(Folders, AnAppendOnlyFolderGetsNewFilesAndKeepsNoLitter)
{
    REQUIRE_ROOT("to act as two users");
    REQUIRE_TOOL("chattr");
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "box").c_str(), 0755), 0);
    std::string input = RandomBytes(3000, 60);
    WriteFileBytes(dir / "box/in", input);
    if (RunShell("chattr +a box 2>/dev/null", dir.Path).ExitStatus != 0)
        GTEST_SKIP() << "skipped: this file system has no append-only folders";
    ProgramResult added = RunProgram({"-q", "box/in", "box/out"}, dir.Path);
    ProgramResult replaced = RunProgram({"-r", "-q", "box/in"}, dir.Path);
    Names listing = ListDir(dir / "box");
    Shell("chattr -a box", dir.Path);

    EXPECT_EQ(added.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "box/out"), Decoded(input));
    EXPECT_EQ(replaced.ExitStatus, 1);
    EXPECT_EQ(replaced.Output, Report("EFCreateError", "Cannot create file BOX/IN."));
    EXPECT_EQ(ReadFileBytes(dir / "box/in"), input);
    EXPECT_EQ(listing, (Names{"in", "out"}));
}

// Any path the system accepts works, in place too: up to 4095 bytes. (The
// test's own files are reached through the shell, by the same relative path.)
TEST(Folders, TheLongestPathsConvert)
{
    TempDir dir;
    // Folders down to 3840 bytes leave 241 to 255 bytes for the file's name.
    std::string path;
    while (path.size() < 3840) {
        path += std::string(std::min<std::size_t>(250, 3840 - path.size() - 1), 'd') + "/";
        ASSERT_EQ(mkdir((dir / path).c_str(), 0755), 0);
    }
    std::string input = RandomBytes(3000, 61);
    WriteFileBytes(dir / "in", input);
    for (std::size_t length : {4081u, 4090u, 4095u}) {
        std::string file = path + std::string(length - path.size(), 'f');
        ASSERT_EQ(file.size(), length);
        Shell("cp in " + file, dir.Path);
        ProgramResult r = RunProgram({"-r", "-q", file}, dir.Path);
        EXPECT_EQ(r.ExitStatus, 0) << length << ": " << r.Output;
        Shell("mv " + file + " out", dir.Path);
        EXPECT_TRUE(ReadFileBytes(dir / "out") == Encoded(input)) << length;
    }
}

// Files of pseudo file systems announce a size they do not hold: read to
// their end, like /proc files.
TEST(Inputs, PseudoFilesAreReadToTheirEnd)
{
    const std::string file = "/sys/devices/system/cpu/online";
    if (!FileExists(file))
        GTEST_SKIP() << "skipped: no " << file;
    TempDir dir;
    ProgramResult r = RunProgram({"-q", file, "out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0) << r.Output;
    std::string content = ReadFileBytes(file);
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(ReadFileBytes(dir / "out"), Decoded(content));
}

// --- What a replaced file keeps ------------------------------------------------------

TEST(Attributes, AReplacedFileKeepsItsAclAndExtendedAttributes)
{
    REQUIRE_TOOL("setfacl");
    REQUIRE_TOOL("setfattr");
    TempDir dir;
    WriteFileBytes(dir / "f", RandomBytes(3000, 62));
    if (RunShell("setfacl -m u:65534:rw- f && setfattr -n user.note -v kept f", dir.Path).ExitStatus != 0)
        GTEST_SKIP() << "skipped: this file system keeps no ACLs or user attributes";
    std::string before = Shell("getfacl -n f; getfattr -d f", dir.Path);
    ino_t inode = StatOf(dir / "f").st_ino;
    EXPECT_EQ(RunProgram({"-r", "-q", "f"}, dir.Path).ExitStatus, 0);
    EXPECT_NE(StatOf(dir / "f").st_ino, inode);  // replaced, not rewritten
    EXPECT_EQ(Shell("getfacl -n f; getfattr -d f", dir.Path), before);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

// A user let in by the ACL converts a file of root's: it stays root's, with
// its ACL, rewritten in place.
TEST(Attributes, AFileThatCannotBeGivenAwayIsRewrittenInPlace)
{
    REQUIRE_ROOT("to act as two users");
    REQUIRE_TOOL("setfacl");
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path.c_str(), 0777), 0);
    std::string input = RandomBytes(3000, 63);
    WriteFileBytes(dir / "f", input);
    // In the user's own group: only the owner is beyond them.
    ASSERT_EQ(chown((dir / "f").c_str(), 0, kNobody), 0);
    ASSERT_EQ(chmod((dir / "f").c_str(), 0640), 0);
    if (RunShell("setfacl -m u:65534:rw- f", dir.Path).ExitStatus != 0)
        GTEST_SKIP() << "skipped: this file system keeps no ACLs";
    std::string before = Shell("getfacl -n f", dir.Path);
    ino_t inode = StatOf(dir / "f").st_ino;
    ProgramResult r = RunShell("exec setpriv --reuid=65534 --regid=65534 --clear-groups \"$ZEMRIK\" -r -q f", dir.Path);
    EXPECT_EQ(r.ExitStatus, 0) << r.Output;
    EXPECT_EQ(ReadFileBytes(dir / "f"), Encoded(input));
    EXPECT_EQ(StatOf(dir / "f").st_ino, inode);
    EXPECT_EQ(StatOf(dir / "f").st_uid, 0u);
    EXPECT_EQ(StatOf(dir / "f").st_gid, kNobody);
    EXPECT_EQ(Shell("getfacl -n f", dir.Path), before);
    EXPECT_EQ(ListDir(dir.Path), Names{"f"});
}

// A new file in a folder with a default ACL gets what touch would give it.
TEST(Attributes, ANewFileFollowsTheFoldersDefaultAcl)
{
    REQUIRE_TOOL("setfacl");
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "box").c_str(), 0755), 0);
    WriteFileBytes(dir / "in", RandomBytes(3000, 64));
    if (RunShell("setfacl -d -m u:65534:rw- box", dir.Path).ExitStatus != 0)
        GTEST_SKIP() << "skipped: this file system keeps no ACLs";
    for (const char* mask : {"022", "077"}) {
        Shell(std::string("umask ") + mask + "; touch box/touched && \"$ZEMRIK\" -q in box/made", dir.Path);
        std::string touched = Shell("getfacl -n box/touched | tail -n +2", dir.Path);
        EXPECT_EQ(Shell("getfacl -n box/made | tail -n +2", dir.Path), touched) << "umask " << mask;
        Shell("rm box/touched box/made", dir.Path);
    }
}
