// Fuzzes argument handling and default output names: any bytes, split into
// arguments at NUL, must give options that keep the naming rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool HasLowerCase(const std::string& text)
{
    for (char c : text)
        if (c >= 'a' && c <= 'z')
            return true;
    return false;
}

bool EndsWith(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

void CheckName(const NamedFile& name, bool openAsTyped)
{
    Check(!HasLowerCase(name.Shown));
    Check(name.Path.size() == name.Shown.size());
    Check(UpperCase(name.Path) == name.Shown);
    if (!openAsTyped)
        Check(name.Path == name.Shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size > 0)
        arguments.push_back(current);

    for (bool openAsTyped : {true, false}) {
        ParsedCommandLine parsed = ParseCommandLine(arguments, openAsTyped);
        Check((parsed.Outcome == CommandLineOutcome::Usage) == arguments.empty());
        if (parsed.Outcome != CommandLineOutcome::Run)
            continue;
        RunOptions& options = parsed.Options;
        CheckName(options.InputName, openAsTyped);
        CheckName(options.OutputName, openAsTyped);
        if (!options.OutputName.Shown.empty())
            continue;
        for (bool dropped : {false, true}) {
            NamedFile derived = DefaultOutputName(options, dropped);
            CheckName(derived, openAsTyped);
            const std::string& in = options.InputName.Shown;
            std::string base = in.substr(0, dropped ? LengthWithoutTrailingDotsAndSpaces(in) : in.size());
            if (options.Decode)
                Check(derived.Shown == base + ".FF7");
            else if (EndsWith(base, ".FF7"))
                Check(derived.Shown + ".FF7" == base);
            else
                Check(derived.Shown == in && derived.Path == options.InputName.Path);
        }
    }

    std::string program = ProgramFileName(arguments.empty() ? nullptr : arguments[0].c_str(), "/\\:");
    Check(!program.empty() && program.find_first_of("/\\:") == std::string::npos);
    return 0;
}
