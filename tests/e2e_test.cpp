// Runs the built program in a scratch directory and checks, byte for byte,
// what it prints, its exit status and the files it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
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

// Sets an environment variable for the programs started while it lives.
struct ScopedVariable {
    std::string Name;
    std::string Old;
    bool Had;
    ScopedVariable(const char* name, const char* value) : Name(name), Had(std::getenv(name) != nullptr)
    {
        if (Had)
            Old = std::getenv(name);
        setenv(name, value, 1);
    }
    ~ScopedVariable()
    {
        if (Had)
            setenv(Name.c_str(), Old.c_str(), 1);
        else
            unsetenv(Name.c_str());
    }
};

bool LocaleInstalled(const char* name)
{
    locale_t locale = newlocale(LC_ALL_MASK, name, locale_t(0));
    if (locale == locale_t(0))
        return false;
    freelocale(locale);
    return true;
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

// The output's folder is missing: the whole input is still read, so every
// star due is drawn before the report.
TEST(Failure, UncreatableOutputLeavesTheInputAlone)
{
    for (auto [size, stars] : {std::pair{2000, 25}, std::pair{3000, 34}}) {
        TempDir dir;
        std::string content = RandomBytes(size, 5);
        WriteFileBytes(dir / "in", content);
        ProgramResult r = RunProgram({"in", "missing/out"}, dir.Path);
        EXPECT_EQ(r.ExitStatus, 1);
        EXPECT_EQ(r.Output, Banner("IN", "MISSING/OUT") + Frame(stars) +
                                Report("EFCreateError", "Cannot create file MISSING/OUT."));
        EXPECT_EQ(ReadFileBytes(dir / "in"), content);
        EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"in"});
    }
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
        for (bool quiet : {true, false}) {
            SmallDisk disk("size=64k");
            if (!disk.Mounted)
                GTEST_SKIP() << "cannot mount a tmpfs (needs root): " << std::strerror(errno);
            const TempDir& dir = disk.Dir;
            std::string content = RandomBytes(40000, 17);
            WriteFileBytes(dir / "in", content);
            ASSERT_EQ(ReadFileBytes(dir / "in"), content);
            std::vector<std::string> arguments = inPlace ? std::vector<std::string>{"-r", "in"}
                                                         : std::vector<std::string>{"in", "out"};
            if (quiet)
                arguments.insert(arguments.begin() + (inPlace ? 1 : 0), "-q");
            ProgramResult r = RunProgram(arguments, dir.Path);
            EXPECT_EQ(r.ExitStatus, 1) << "in place: " << inPlace;
            // Shown: every star of the whole input, then the report.
            std::string shown = inPlace ? Banner("IN", "IN") : Banner("IN", "OUT");
            EXPECT_EQ(r.Output, (quiet ? "" : shown + Frame(49)) + Report("EWriteError", "Stream write error."));
            EXPECT_EQ(ReadFileBytes(dir / "in"), content);
            EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{"in"});
        }
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

// A file of many pieces, with the display: every byte and every star.
TEST(Output, ALongFileIsConvertedPieceByPiece)
{
    for (auto [size, stars] : {std::pair{std::size_t(3) << 20 | 512, 49}, std::pair{std::size_t(8) << 20, 50}}) {
        TempDir dir;
        std::string content = RandomBytes(size, 23);
        WriteFileBytes(dir / "long", content);
        ProgramResult r = RunProgram({"-r", "long", "out"}, dir.Path);
        EXPECT_EQ(r.ExitStatus, 0);
        EXPECT_EQ(r.Output, Banner("LONG", "OUT") + Frame(stars) + "\r\n");
        // Compared whole, not printed: a difference would fill the screen.
        EXPECT_TRUE(ReadFileBytes(dir / Created("out")) == Encoded(content)) << "size " << size;
    }
}

// A name is the file it names, whatever its characters: never a look-alike
// in the system's code page ("..\\important.txt" for a fullwidth backslash,
// "a.txt" for a fullwidth a).
struct LookAlikeCase {
    std::string Named;      // in the folder sub, where the program runs
    std::string LookAlike;  // relative to sub
};

class LookAlikeNameTest : public ::testing::TestWithParam<LookAlikeCase> {};

TEST_P(LookAlikeNameTest, ConvertsExactlyTheNamedFile)
{
    const LookAlikeCase& c = GetParam();
    TempDir dir;
    ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    std::string named = "the file named";
    std::string other = "its look-alike";
    WriteFileBytes(dir / "sub/" + c.Named, named);
    WriteFileBytes(dir / "sub/" + c.LookAlike, other);
    ProgramResult r = RunProgram({"-r", "-q", c.Named}, dir / "sub");
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "");
    EXPECT_EQ(ReadFileBytes(dir / "sub/" + c.Named), Encoded(named));
    EXPECT_EQ(ReadFileBytes(dir / "sub/" + c.LookAlike), other);
    std::vector<std::string> all = ListDir(dir.Path);
    for (const std::string& name : ListDir(dir / "sub"))
        all.push_back("sub/" + name);
    std::sort(all.begin(), all.end());
    std::vector<std::string> expected{"sub", "sub/" + c.Named,
                                      c.LookAlike.rfind("../", 0) == 0 ? c.LookAlike.substr(3) : "sub/" + c.LookAlike};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(all, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LookAlikeNameTest, ::testing::Values(
    LookAlikeCase{"..\xef\xbc\xbcimportant.txt", "../important.txt"},  // U+FF3C
    LookAlikeCase{"\xef\xbd\x81.txt", "a.txt"}));                     // U+FF41

// A name the code page cannot hold at all converts; off a console the
// Windows build shows it in the code page, '?' for each character it lacks
// (not a look-alike: the fullwidth a is not shown as "a").
TEST(Names, ANameOutsideTheCodePageConverts)
{
    TempDir dir;
    const std::string name = "\xef\xbd\x81\xe6\x97\xa5\xe6\x9c\xac.txt";  // ａ日本.txt
    std::string content(1024, 'n');
    WriteFileBytes(dir / name, content);
    ProgramResult r = RunProgram({"-r", name}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    std::string shown = TestingWindowsProgram() ? "???.TXT" : "\xef\xbd\x81\xe6\x97\xa5\xe6\x9c\xac.TXT";
    EXPECT_EQ(r.Output, Banner(shown, shown) + Frame(50) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / name), Encoded(content));
    EXPECT_EQ(ListDir(dir.Path), std::vector<std::string>{name});
}

// In code page 932 the second byte of many characters lies in a-z: that of
// ッ is 'b', and upper-cased it would make ィ. Upper-casing must change the
// letters a-z of the name and nothing inside another character.
TEST(Names, OnAJapaneseSystemUpperCasingChangesNoCharacter)
{
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "Windows only: a system whose code page is 932";
    if (!LocaleInstalled("ja_JP.UTF-8"))
        GTEST_SKIP() << "the locale ja_JP.UTF-8, which gives wine code page 932, is not installed "
                        "(localedef -i ja_JP -f UTF-8 ja_JP.UTF-8)";
    ScopedVariable japanese("LC_ALL", "ja_JP.UTF-8");
    TempDir dir;
    const std::string tsu = "\xe3\x83\x83";  // ッ
    const std::string i = "\xe3\x82\xa3";    // ィ
    std::string content(1024, 't');
    std::string other(1024, 'i');
    WriteFileBytes(dir / tsu + ".txt", content);
    WriteFileBytes(dir / i + ".txt", other);

    ProgramResult r = RunProgram({"-r", tsu + ".txt"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    // Shown in code page 932: ッ is 83 62.
    EXPECT_EQ(r.Output, Banner("\x83\x62.TXT", "\x83\x62.TXT") + Frame(50) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / tsu + ".txt"), Encoded(content));
    EXPECT_EQ(ReadFileBytes(dir / i + ".txt"), other);

    // A new name made from it keeps its characters too.
    r = RunProgram({"-q", tsu + ".txt"}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(dir / tsu + ".TXT.FF7"), content);
    EXPECT_EQ(ListDir(dir.Path), (std::vector<std::string>{i + ".txt", tsu + ".TXT.FF7", tsu + ".txt"}));
}

// A path longer than the old 260-character limit of Windows, converted in
// place: the temporary file beside it has a longer one still.
TEST(Names, APathOf300CharactersConvertsInPlace)
{
    TempDir dir;
    const char separator = TestingWindowsProgram() ? '\\' : '/';
    std::string typed;
    std::string onDisk = dir.Path;
    for (char folder : {'a', 'b', 'c', 'd'}) {
        typed += std::string(60, folder) + separator;
        onDisk += "/" + std::string(60, folder);
        ASSERT_EQ(mkdir(onDisk.c_str(), 0755), 0);
    }
    typed += std::string(56, 'f');
    ASSERT_EQ(typed.size(), 300u);
    onDisk += "/" + std::string(56, 'f');
    std::string content = "far down";
    WriteFileBytes(onDisk, content);

    ProgramResult r = RunProgram({"-r", "-q", typed}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(onDisk), Encoded(content));
    EXPECT_EQ(ListDir(onDisk.substr(0, onDisk.rfind('/'))), std::vector<std::string>{std::string(56, 'f')});

    if (!TestingWindowsProgram())
        return;
    // Typed in the system's own long form, "\\?\" and the whole path (wine
    // shows the root of the Linux file system as drive Z:).
    std::string system = "\\\\?\\Z:" + onDisk;
    std::replace(system.begin(), system.end(), '/', '\\');
    r = RunProgram({"-r", "-q", system}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(ReadFileBytes(onDisk), Encoded(Encoded(content)));
    EXPECT_EQ(ListDir(onDisk.substr(0, onDisk.rfind('/'))), std::vector<std::string>{std::string(56, 'f')});
}

// Windows drops the dots and spaces that end a name when it opens it: the
// default output is derived from the name without them.
struct TrailingCase {
    std::vector<std::string> Arguments;
    std::string Input;    // on disk
    std::string Created;  // on disk
    bool Encode;
    std::string Shown;    // the banner's "IN -> OUT"
};

class TrailingDotsAndSpacesTest : public ::testing::TestWithParam<TrailingCase> {};

TEST_P(TrailingDotsAndSpacesTest, AreLeftOutOfTheDefaultOutput)
{
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "Windows only: elsewhere they are part of the name";
    const TrailingCase& c = GetParam();
    TempDir dir;
    std::string content(1024, 'x');
    WriteFileBytes(dir / c.Input, content);
    ProgramResult r = RunProgram(c.Arguments, dir.Path);
    EXPECT_EQ(r.ExitStatus, 0);
    EXPECT_EQ(r.Output, "Talvenir ZEMRIK v1.0 " + c.Shown + "\r\n" + Frame(50) + "\r\n");
    EXPECT_EQ(ReadFileBytes(dir / c.Created), c.Encode ? Encoded(content) : Decoded(content));
    EXPECT_EQ(ReadFileBytes(dir / c.Input), content);
    std::vector<std::string> listing{c.Input, c.Created};
    std::sort(listing.begin(), listing.end());
    EXPECT_EQ(ListDir(dir.Path), listing);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrailingDotsAndSpacesTest, ::testing::Values(
    TrailingCase{{"-r", "x.ff7."}, "x.ff7", "X", true, "X.FF7. -> X"},
    TrailingCase{{"-r", "x.ff7 . "}, "x.ff7", "X", true, "X.FF7 .  -> X"},
    TrailingCase{{"x."}, "x", "X.FF7", false, "X. -> X.FF7"}));

// The module named in the usage text is the program's own file, whatever the
// parent process put in argument 0.
TEST(Names, TheModuleNameIsTheProgramFileHoweverItIsStarted)
{
    if (!TestingWindowsProgram())
        GTEST_SKIP() << "Windows only: on Linux the name is argument 0 after its last /";
    std::vector<std::string> wine = ProgramCommand();
    std::string program = wine.back();
    wine.pop_back();
    ASSERT_EQ(program.front(), '/') << "needs the program's absolute path";
    std::string folder = program.substr(0, program.rfind('/'));
    // Through cmd, which starts a program with argument 0 as typed: a path
    // with forward slashes, and the bare name without ".exe".
    for (const std::string& typed : {"Z:" + program, std::string("zemrik")}) {
        std::vector<std::string> command = wine;
        for (const std::string& word : {std::string("cmd"), std::string("/c"), typed})
            command.push_back(word);
        ProgramResult r = RunCommand(command, folder);
        EXPECT_EQ(r.ExitStatus, 0) << typed;
        EXPECT_EQ(r.Output, UsageText()) << typed;
    }
}

// Off a console a name's control characters are written as they are: a file
// or a pipe gets the name's exact bytes.
TEST(Names, ControlCharactersReachAPipeAsTheyAre)
{
    TempDir dir;
    const std::string typed = "a\x1b]0;T\x07" "b";
    ProgramResult r = RunProgram({typed}, dir.Path);
    EXPECT_EQ(r.ExitStatus, 1);
    const std::string shown = "A\x1b]0;T\x07" "B";
    EXPECT_EQ(r.Output, Banner(shown, shown + ".FF7") + Frame(0) +
                            Report("EFOpenError", "Cannot open file " + shown + "."));
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
