// Runs the built program in a scratch directory and checks, byte for byte,
// what it prints, its exit status and the files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/expected.h"
#include "support/run_program.h"

namespace {

std::string UpperCased(std::string name)
{
    for (char& c : name)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return name;
}

// The name on disk of a file that the program creates, given the name typed:
// the Linux build creates it as typed, the Windows build upper-cased.
std::string Created(const std::string& typed)
{
    return TestingWindowsProgram() ? UpperCased(typed) : typed;
}

std::string UsageText()
{
    const std::string name = ModuleName();
    return "Talvenir ZEMRIK v1.0\r\n"
           "Format is: " + name + " [-r] [-q] [inputfile] [outputfile]\r\n"
           "\r\n"
           "   -r: Reverse process (encode normal->FF7 text; default decodes)\r\n"
           "   -q: Quiet mode. Don't display any output.\r\n"
           "   inputfile: File to read from.\r\n"
           "   outputfile: File to write to. If not specified default is:\r\n"
           "     Original file plus .FF7 extension when decoding\r\n"
           "     Original file when encoding (unless has .FF7 extension, then .FF7 removed)\r\n"
           "\r\n"
           "   Example: " + name + " -r UUTAI1.FF7\r\n"
           "   Encode UUTAI1.FF7 to UUTAI1\r\n";
}

}  // namespace

// Runs without a conversion: nothing is touched, status 0.
struct NoWorkCase {
    std::vector<std::string> Arguments;
    std::string Output;  // "" for silence; "usage" for the usage text
};

class NoConversionTest : public ::testing::TestWithParam<NoWorkCase> {};

TEST_P(NoConversionTest, PrintsItsTextAndTouchesNothing)
{
    TempDir dir;
    ProgramResult r = RunProgram(GetParam().Arguments, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, GetParam().Output == "usage" ? UsageText() : GetParam().Output);
    EXPECT_TRUE(ListDir(dir.Path).empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, NoConversionTest, ::testing::Values(
    NoWorkCase{{}, "usage"},
    NoWorkCase{{"-r"}, "No input file specified!\r\n"},
    NoWorkCase{{"-R"}, "No input file specified!\r\n"},
    NoWorkCase{{"-q"}, ""},
    NoWorkCase{{"-r", "-q"}, ""},
    NoWorkCase{{"-r", "-Q"}, ""}));

// Conversions of one file with the display on: banner, frame and stars.
struct DisplayCase {
    std::size_t Size;
    int Stars;
};

class ProgressDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(ProgressDisplayTest, DrawsTheStarsDueAndEndsTheLine)
{
    TempDir dir;
    std::string content = RandomBytes(GetParam().Size, 7);
    WriteFileBytes(dir / "text.ff7", content);
    ProgramResult r = RunProgram({"text.ff7"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner("TEXT.FF7", "TEXT.FF7.FF7") + Frame(GetParam().Stars) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / Created("text.ff7.FF7")), Decoded(content));
    EXPECT_EQ(ReadFileBytes(dir / "text.ff7"), content);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProgressDisplayTest, ::testing::Values(
    DisplayCase{0, 0}, DisplayCase{1000, 0}, DisplayCase{1023, 0}, DisplayCase{1024, 50},
    DisplayCase{1500, 34}, DisplayCase{2048, 50}, DisplayCase{3000, 34},
    DisplayCase{51200, 50}, DisplayCase{51201, 49}));

// Which file is read and written, and what is shown, for each way of naming.
struct NamingCase {
    std::vector<std::string> Arguments;
    std::string Input;     // on disk
    std::string Output;    // as typed or derived; where it is the input, converted in place
    bool Encode;
    std::string Shown;     // the banner's "IN -> OUT"
};

class NamingTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(NamingTest, ConvertsTheRightFileIntoTheRightFile)
{
    const NamingCase& c = GetParam();
    TempDir dir;
    std::string content = RandomBytes(1024, 3);
    WriteFileBytes(dir / c.Input, content);
    ProgramResult r = RunProgram(c.Arguments, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "Talvenir ZEMRIK v1.0 " + c.Shown + "\r\n" + Frame(50) + "\r\n");
    // A file replaced in place keeps its name on disk on either system.
    std::string output = c.Output == c.Input ? c.Input : Created(c.Output);
    EXPECT_EQ(ReadFileBytes(dir / output), c.Encode ? Encoded(content) : Decoded(content));
    std::vector<std::string> listing{c.Input};
    if (output != c.Input)
        listing.push_back(output);
    std::sort(listing.begin(), listing.end());
    EXPECT_EQ(ListDir(dir.Path), listing);
}

INSTANTIATE_TEST_SUITE_P(Cases, NamingTest, ::testing::Values(
    NamingCase{{"scene"}, "scene", "scene.FF7", false, "SCENE -> SCENE.FF7"},
    NamingCase{{"scene.ff7"}, "scene.ff7", "scene.ff7.FF7", false, "SCENE.FF7 -> SCENE.FF7.FF7"},
    NamingCase{{"-r", "uutai1.ff7"}, "uutai1.ff7", "uutai1", true, "UUTAI1.FF7 -> UUTAI1"},
    NamingCase{{"-R", "Scene.FF7"}, "Scene.FF7", "Scene", true, "SCENE.FF7 -> SCENE"},
    NamingCase{{"-r", "notes.txt"}, "notes.txt", "notes.txt", true, "NOTES.TXT -> NOTES.TXT"},
    NamingCase{{"a", "b", "c"}, "a", "b", false, "A -> B"},
    NamingCase{{"x.ff7", ""}, "x.ff7", "x.ff7.FF7", false, "X.FF7 -> X.FF7.FF7"},
    NamingCase{{"-rq"}, "-rq", "-rq.FF7", false, "-RQ -> -RQ.FF7"},
    NamingCase{{"-r", "in", "out"}, "in", "out", true, "IN -> OUT"}));

TEST(Quiet, ConvertsWithoutAWord)
{
    TempDir dir;
    std::string content = RandomBytes(5000, 11);
    WriteFileBytes(dir / "a", content);
    ProgramResult r = RunProgram({"-r", "-q", "a", "b"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "");
    EXPECT_EQ(ReadFileBytes(dir / Created("b")), Encoded(content));

    // After -q, a -r is a file name.
    WriteFileBytes(dir / "-r", content);
    r = RunProgram({"-q", "-r", "x"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "");
    EXPECT_EQ(ReadFileBytes(dir / Created("x")), Decoded(content));
}

TEST(RoundTrip, DecodeThenEncodeAndBackGiveTheFileBack)
{
    for (std::size_t size : {0u, 1u, 1023u, 1024u, 1025u, 300u * 1024 + 17}) {
        TempDir dir;
        std::string content = RandomBytes(size, static_cast<unsigned>(size));
        WriteFileBytes(dir / "f", content);
        ASSERT_EQ(RunProgram({"-q", "f", "g"}, dir.Path).ExitStatus, 0);
        ASSERT_EQ(RunProgram({"-r", "-q", "g", "h"}, dir.Path).ExitStatus, 0);
        EXPECT_EQ(ReadFileBytes(dir / Created("h")), content) << "size " << size;
        ASSERT_EQ(RunProgram({"-r", "-q", "f"}, dir.Path).ExitStatus, 0);  // in place
        ASSERT_EQ(RunProgram({"-q", "f", "f"}, dir.Path).ExitStatus, 0);
        EXPECT_EQ(ReadFileBytes(dir / "f"), content) << "size " << size;
    }
}

TEST(Failure, MissingInputIsReportedAfterTheFrameAndCreatesNothing)
{
    TempDir dir;
    ProgramResult r = RunProgram({"nope"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Banner("NOPE", "NOPE.FF7") + Frame(0) +
                            Report("EFOpenError", "Cannot open file NOPE."));
    EXPECT_TRUE(ListDir(dir.Path).empty());
}

TEST(Failure, QuietDoesNotSilenceTheReport)
{
    TempDir dir;
    ProgramResult r = RunProgram({"-q", "-r", "x"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFOpenError", "Cannot open file -R."));
}

TEST(Failure, ADirectoryIsNotAnInput)
{
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    ProgramResult r = RunProgram({"-q", "sub", "out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFOpenError", "Cannot open file SUB."));
    EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"sub"});
}

TEST(Failure, ADirectoryIsNotAnOutput)
{
    TempDir dir;
    std::string content = RandomBytes(2000, 6);
    WriteFileBytes(dir / "in", content);
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    ProgramResult r = RunProgram({"-q", "in", "sub"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Report("EFCreateError", "Cannot create file SUB."));
    EXPECT_EQ(ReadFileBytes(dir / "in"), content);
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"in", "sub"}));
}

TEST(Failure, UncreatableOutputLeavesTheInputAlone)
{
    TempDir dir;
    std::string content = RandomBytes(2000, 5);
    WriteFileBytes(dir / "in", content);
    ProgramResult r = RunProgram({"in", "missing/out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Banner("IN", "MISSING/OUT") + Frame(25) +
                            Report("EFCreateError", "Cannot create file MISSING/OUT."));
    EXPECT_EQ(ReadFileBytes(dir / "in"), content);
    EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"in"});
}

TEST(Failure, EncodingDotFF7AloneLeavesAnEmptyOutputName)
{
    TempDir dir;
    WriteFileBytes(dir / ".ff7", "abc");
    ProgramResult r = RunProgram({"-r", ".ff7"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Banner(".FF7", "") + Frame(0) +
                            Report("EFCreateError", "Cannot create file ."));
    EXPECT_EQ(ReadFileBytes(dir / ".ff7"), "abc");
}

TEST(Output, ShowsNamesUpperCasedButOpensThemAsTyped)
{
    if (TestingWindowsProgram())
        GTEST_SKIP() << "Linux only: the Windows build opens and creates names upper-cased";
    TempDir dir;
    WriteFileBytes(dir / "Caf\xe9.txt", "Hi");
    ProgramResult r = RunProgram({"-r", "Caf\xe9.txt", "Out.ff7"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner("CAF\xe9.TXT", "OUT.FF7") + Frame(0) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "Out.ff7"), "\x28\x49");
}

TEST(Output, OnWindowsOpensAndCreatesNamesUpperCased)
{
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "Windows only: the Linux build opens and creates names as typed";
    TempDir dir;
    // In a UTF-8 locale (the Windows tests run in C.UTF-8) wine hands the
    // program its arguments in code page 1252, so the name typed here arrives
    // with its letter as the single byte 0xE9, which upper-casing leaves
    // alone. The input is found whatever its case on disk.
    WriteFileBytes(dir / "Caf\xc3\xa9.txt", "Hi");
    ProgramResult r = RunProgram({"-r", "Caf\xc3\xa9.txt", "Out.ff7"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner("CAF\xe9.TXT", "OUT.FF7") + Frame(0) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "OUT.FF7"), "\x28\x49");
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"Caf\xc3\xa9.txt", "OUT.FF7"}));
}

// The output goes into the directory its name gives, and nothing else is
// left there.
TEST(Output, GoesIntoTheDirectoryNamed)
{
    TempDir dir;
    std::string content = RandomBytes(3000, 10);
    WriteFileBytes(dir / "in", content);
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    // Windows separates directories with a backslash as well.
    ProgramResult r = RunProgram({"-q", "in", TestingWindowsProgram() ? "sub\\out" : "sub/out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "sub" + "/" + Created("out")), Decoded(content));
    EXPECT_EQ(ListDir(dir / "sub"), std::vector<std::string>{Created("out")});
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"in", "sub"}));
}

// A device has no directory entry to replace: it takes the bytes, and no
// file appears beside the input.
TEST(Output, TheNullDeviceTakesTheBytes)
{
    TempDir dir;
    std::string content = RandomBytes(3000, 9);
    WriteFileBytes(dir / "in", content);
    ProgramResult r = RunProgram({"-q", "in", TestingWindowsProgram() ? "NUL" : "/dev/null"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "");
    EXPECT_EQ(ReadFileBytes(dir / "in"), content);
    EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"in"});
}

// A pipe announces no size: it is read to its end, not taken as empty.
TEST(Input, APipeIsReadToItsEnd)
{
    TempDir dir;
    std::string content = RandomBytes(200000, 13);
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    pid_t writer = fork();
    if (writer == 0) {
        int fd = open((dir / "pipe").c_str(), O_WRONLY);
        std::size_t done = 0;
        while (fd >= 0 && done < content.size()) {
            ssize_t n = write(fd, content.data() + done, content.size() - done);
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    ProgramResult r = RunProgram({"-q", "pipe", "out"}, dir.Path);
    kill(writer, SIGKILL);  // in case the program never opened the pipe
    waitpid(writer, nullptr, 0);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / Created("out")), Decoded(content));
}

// A symbolic link as the output: the file it points to gets the content, and
// the link stays a link.
TEST(Output, ASymbolicLinkStaysALink)
{
    TempDir dir;
    std::string content = RandomBytes(3000, 14);
    WriteFileBytes(dir / "in", content);
    ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
    WriteFileBytes(dir / "real/target", "old");
    ASSERT_EQ(symlink("real/target", (dir / "link").c_str()), 0);
    ProgramResult r = RunProgram({"-q", "in", "link"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "real/target"), Decoded(content));
    struct stat st;
    ASSERT_EQ(lstat((dir / "link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"in", "link", "real"}));
    EXPECT_EQ(ListDir(dir / "real"), std::vector<std::string>{"target"});
}

// A hard-linked output is rewritten, not replaced by a new file under one of
// its names: every name shows the new content.
TEST(Output, AHardLinkedOutputKeepsItsLinks)
{
    TempDir dir;
    std::string content = RandomBytes(3000, 15);
    WriteFileBytes(dir / "in", content);
    WriteFileBytes(dir / "out", RandomBytes(5000, 16));
    ASSERT_EQ(link((dir / "out").c_str(), (dir / "other").c_str()), 0);
    ProgramResult r = RunProgram({"-q", "in", "out"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / "out"), Decoded(content));
    EXPECT_EQ(ReadFileBytes(dir / "other"), Decoded(content));
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"in", "other", "out"}));
}

// The disk fills up while the new content is written, for a new output and
// for a conversion in place: a write error, the files as they were, no
// temporary file left behind.
TEST(Failure, AFullDiskLeavesEveryFileAsItWas)
{
    for (bool inPlace : {false, true}) {
        SmallDisk disk("size=64k");
        if (!disk.Mounted)
            GTEST_SKIP() << "cannot mount a tmpfs (needs root): " << std::strerror(errno);
        const TempDir& dir = disk.Dir;
        std::string content = RandomBytes(40000, 17);
        WriteFileBytes(dir / "in", content);
        ASSERT_EQ(ReadFileBytes(dir / "in"), content);
        ProgramResult r = RunProgram(inPlace ? std::vector<std::string>{"-r", "-q", "in"}
                                             : std::vector<std::string>{"-q", "in", "out"},
                                     dir.Path);
        EXPECT_EQ(r.ExitStatus, 1) << "in place: " << inPlace;
        EXPECT_EQ(r.Output, Report("EWriteError", "Stream write error."));
        EXPECT_EQ(ReadFileBytes(dir / "in"), content);
        EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"in"});
    }
}

// The program is killed while it writes the new content: the output is as it
// was and the temporary file is gone with the process.
TEST(Failure, AProgramKilledWhileWritingLeavesEveryFileAsItWas)
{
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "Windows build only: there the system removes the temporary file of a "
                        "killed program, which a POSIX program killed outright cannot do";
    TempDir dir;
    // Large enough for the write to last a good while.
    WriteFileBytes(dir / "in", std::string(std::size_t(300) << 20, 'x'));
    WriteFileBytes(dir / "out", "old");
    std::vector<std::string> words = ProgramCommand();
    for (const char* argument : {"-q", "in", "out"})
        words.push_back(argument);
    pid_t program = fork();
    if (program == 0) {
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        if (chdir(dir.Path.c_str()) == 0)
            execvp(argv[0], argv.data());
        _exit(127);
    }
    // Kill it once the temporary file is being written. (A kill in the very
    // instant of its creation is beyond any program's reach.)
    bool seen = false;
    for (int i = 0; i < 20000 && !seen; ++i) {
        for (const std::string& name : ListDir(dir.Path)) {
            struct stat st;
            if (name != "in" && name != "out" && stat((dir / name).c_str(), &st) == 0 && st.st_size > 0)
                seen = true;
        }
        if (!seen)
            usleep(1000);
    }
    kill(program, SIGKILL);
    int status = 0;
    waitpid(program, &status, 0);
    ASSERT_TRUE(seen) << "no temporary file appeared";
    EXPECT_TRUE(WIFSIGNALED(status));
    usleep(500000);  // the system removes the file once the process is gone
    EXPECT_EQ(ReadFileBytes(dir / "out"), "old");
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{"in", "out"}));
}

// A name made to retitle and clear a terminal: a file or a pipe gets its
// exact bytes, in the banner and in the failure report (only a terminal
// shows its control characters as '?').
class ControlCharactersInNamesTest : public ::testing::TestWithParam<bool> {};

TEST_P(ControlCharactersInNamesTest, ReachFilesAndPipesAsTheyAre)
{
    if (TestingWindowsProgram())
        GTEST_SKIP() << "Windows file names cannot hold control characters";
    const bool toFile = GetParam();
    const std::string shown = "\x1b]0;PWNED\a\x1b[2J";
    TempDir dir;
    WriteFileBytes(dir / "\x1b]0;pwned\a\x1b[2J", "Hi");
    auto run = [&](const std::string& suffix) {
        // bash's $'...' spelling of the name typed.
        std::string name = "$'\\e]0;pwned\\a\\e[2J'" + suffix;
        if (!toFile)
            return RunShell("exec \"$ZEMRIK\" " + name, dir.Path);  // into the test's pipe
        ProgramResult r = RunShell("\"$ZEMRIK\" " + name + " > shown.txt", dir.Path);
        r.Output = ReadFileBytes(dir / "shown.txt");
        return r;
    };

    ProgramResult r = run("");
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, Banner(shown, shown + ".FF7") + Frame(0) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "\x1b]0;pwned\a\x1b[2J.FF7"), Decoded("Hi"));

    r = run("x");
    EXPECT_EQ(r.ExitStatus, 1);
    EXPECT_EQ(r.Output, Banner(shown + "X", shown + "X.FF7") + Frame(0) +
                            Report("EFOpenError", "Cannot open file " + shown + "X."));
}

INSTANTIATE_TEST_SUITE_P(ToAFileAndToAPipe, ControlCharactersInNamesTest, ::testing::Bool());
