#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

struct ArgumentsCase {
    std::vector<std::string> Arguments;
    CommandLineOutcome Outcome;
    bool Decode;
    bool Quiet;
    std::string Input;        // shown (upper-cased)
    std::string Output;       // shown, after the default is applied
    std::string InputPath;    // as opened where case matters
    std::string OutputPath;
};

class ParseCommandLineTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ParseCommandLineTest, FillsTheOptions)
{
    const ArgumentsCase& c = GetParam();
    for (bool openAsTyped : {true, false}) {
        ParsedCommandLine parsed = ParseCommandLine(c.Arguments, openAsTyped);
        ASSERT_EQ(parsed.Outcome, c.Outcome);
        RunOptions& o = parsed.Options;
        EXPECT_EQ(o.Decode, c.Decode);
        EXPECT_EQ(o.Quiet, c.Quiet);
        if (c.Outcome != CommandLineOutcome::Run)
            continue;
        if (o.OutputName.Shown.empty())
            o.OutputName = DefaultOutputName(o, false);
        EXPECT_EQ(o.InputName.Shown, c.Input);
        EXPECT_EQ(o.OutputName.Shown, c.Output);
        EXPECT_EQ(o.InputName.Path, openAsTyped ? c.InputPath : c.Input);
        EXPECT_EQ(o.OutputName.Path, openAsTyped ? c.OutputPath : c.Output);
    }
}

using O = CommandLineOutcome;

INSTANTIATE_TEST_SUITE_P(Cases, ParseCommandLineTest, ::testing::Values(
    ArgumentsCase{{}, O::Usage, true, false, "", "", "", ""},
    ArgumentsCase{{"-r"}, O::NoInput, false, false, "", "", "", ""},
    ArgumentsCase{{"-q"}, O::NoInput, true, true, "", "", "", ""},
    ArgumentsCase{{"-R", "-Q"}, O::NoInput, false, true, "", "", "", ""},
    // Flags only in their two places; anywhere else they are names.
    ArgumentsCase{{"-q", "-r", "x"}, O::Run, true, true, "-R", "X", "-r", "x"},
    ArgumentsCase{{"-rq"}, O::Run, true, false, "-RQ", "-RQ.FF7", "-rq", "-rq.FF7"},
    ArgumentsCase{{"a", "-r"}, O::Run, true, false, "A", "-R", "a", "-r"},
    ArgumentsCase{{"-r", "-r"}, O::Run, false, false, "-R", "-R", "-r", "-r"},
    // Default names.
    ArgumentsCase{{"scene.ff7"}, O::Run, true, false, "SCENE.FF7", "SCENE.FF7.FF7", "scene.ff7", "scene.ff7.FF7"},
    ArgumentsCase{{"-r", "uutai1.ff7"}, O::Run, false, false, "UUTAI1.FF7", "UUTAI1", "uutai1.ff7", "uutai1"},
    ArgumentsCase{{"-r", "Notes.txt"}, O::Run, false, false, "NOTES.TXT", "NOTES.TXT", "Notes.txt", "Notes.txt"},
    ArgumentsCase{{"-r", ".ff7"}, O::Run, false, false, ".FF7", "", ".ff7", ""},
    ArgumentsCase{{"-r", "ff7"}, O::Run, false, false, "FF7", "FF7", "ff7", "ff7"},
    ArgumentsCase{{"-r", "a.FF7.ff7"}, O::Run, false, false, "A.FF7.FF7", "A.FF7", "a.FF7.ff7", "a.FF7"},
    // Extra names are ignored; an empty output name means the default.
    ArgumentsCase{{"a", "b", "c"}, O::Run, true, false, "A", "B", "a", "b"},
    ArgumentsCase{{"x.ff7", ""}, O::Run, true, false, "X.FF7", "X.FF7.FF7", "x.ff7", "x.ff7.FF7"},
    // Only a-z change case; other bytes stay as typed.
    ArgumentsCase{{"\xe9t\xe9-z"}, O::Run, true, false, "\xe9T\xe9-Z", "\xe9T\xe9-Z.FF7", "\xe9t\xe9-z", "\xe9t\xe9-z.FF7"}));

// Where the system drops the dots and spaces that end a name, the default
// output is derived from the name without them.
struct TrailingCase {
    std::vector<std::string> Arguments;
    std::string Output;      // shown, derived where they are dropped
    std::string OutputPath;  // as opened where case matters
};

class TrailingDotsAndSpacesTest : public ::testing::TestWithParam<TrailingCase> {};

TEST_P(TrailingDotsAndSpacesTest, AreLeftOutOfTheDerivedName)
{
    const TrailingCase& c = GetParam();
    ParsedCommandLine parsed = ParseCommandLine(c.Arguments, true);
    ASSERT_EQ(parsed.Outcome, CommandLineOutcome::Run);
    NamedFile derived = DefaultOutputName(parsed.Options, true);
    EXPECT_EQ(derived.Shown, c.Output);
    EXPECT_EQ(derived.Path, c.OutputPath);
    // Where names keep them, they stay part of the name.
    NamedFile kept = DefaultOutputName(parsed.Options, false);
    const NamedFile& in = parsed.Options.InputName;
    EXPECT_EQ(kept.Shown, parsed.Options.Decode ? in.Shown + ".FF7" : in.Shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrailingDotsAndSpacesTest, ::testing::Values(
    TrailingCase{{"-r", "x.ff7."}, "X", "x"},
    TrailingCase{{"-r", "Sub\\x.Ff7 . ."}, "SUB\\X", "Sub\\x"},
    TrailingCase{{"x. "}, "X.FF7", "x.FF7"},
    TrailingCase{{"-r", ".ff7."}, "", ""},
    // Nothing to drop, or nothing but dots: the name stays as it is.
    TrailingCase{{"-r", "notes.txt."}, "NOTES.TXT.", "notes.txt."},
    TrailingCase{{"-r", "a\\.."}, "A\\..", "a\\.."},
    TrailingCase{{"-r", ".."}, "..", ".."}));

TEST(UpperCase, ChangesOnlyAsciiLetters)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string upper = UpperCase(all);
    for (int b = 0; b < 256; ++b) {
        int want = (b >= 'a' && b <= 'z') ? b - 32 : b;
        EXPECT_EQ(static_cast<unsigned char>(upper[static_cast<std::size_t>(b)]), want);
    }
}

struct ProgramNameCase {
    const char* Argument0;
    const char* Separators;
    const char* Expected;
};

class ProgramFileNameTest : public ::testing::TestWithParam<ProgramNameCase> {};

TEST_P(ProgramFileNameTest, KeepsWhatFollowsTheLastSeparator)
{
    const ProgramNameCase& c = GetParam();
    EXPECT_EQ(ProgramFileName(c.Argument0, c.Separators), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgramFileNameTest, ::testing::Values(
    ProgramNameCase{"/usr/bin/zemrik", "/\\:", "zemrik"},
    ProgramNameCase{"./Zemrik", "/\\:", "Zemrik"},
    ProgramNameCase{"C:\\Tools\\ZEMRIK.EXE", "\\:", "ZEMRIK.EXE"},
    ProgramNameCase{"C:zemrik.exe", "\\:", "zemrik.exe"},
    ProgramNameCase{"zemrik", "/\\:", "zemrik"},
    ProgramNameCase{"", "/\\:", "zemrik"},
    ProgramNameCase{nullptr, "/\\:", "zemrik"}));
