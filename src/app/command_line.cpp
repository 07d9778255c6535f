#include "app/command_line.h"

namespace {

constexpr std::string_view kFF7Ending = ".FF7";

NamedFile NameFromArgument(const std::string& typed, bool openAsTyped)
{
    std::string shown = UpperCase(typed);
    return {shown, openAsTyped ? typed : shown};
}

}  // namespace

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments, bool openAsTyped)
{
    ParsedCommandLine parsed;
    if (arguments.empty()) {
        parsed.Outcome = CommandLineOutcome::Usage;
        return parsed;
    }
    // Flags count only in these two places, and only as whole arguments:
    // -r first, then -q first of what is left. Anything else is a name.
    std::size_t next = 0;
    if (UpperCase(arguments[next]) == "-R") {
        parsed.Options.Decode = false;
        ++next;
    }
    if (next < arguments.size() && UpperCase(arguments[next]) == "-Q") {
        parsed.Options.Quiet = true;
        ++next;
    }
    if (next == arguments.size()) {
        parsed.Outcome = CommandLineOutcome::NoInput;
        return parsed;
    }
    parsed.Options.InputName = NameFromArgument(arguments[next], openAsTyped);
    if (next + 1 < arguments.size())
        parsed.Options.OutputName = NameFromArgument(arguments[next + 1], openAsTyped);
    return parsed;
}

NamedFile DefaultOutputName(const RunOptions& options)
{
    const NamedFile& in = options.InputName;
    if (options.Decode)
        return {in.Shown + std::string(kFF7Ending), in.Path + std::string(kFF7Ending)};
    std::string_view shown = in.Shown;
    if (shown.size() >= kFF7Ending.size() && shown.substr(shown.size() - kFF7Ending.size()) == kFF7Ending) {
        // Upper-casing keeps every byte in place, so both spellings lose the
        // same four bytes.
        std::size_t keep = shown.size() - kFF7Ending.size();
        return {in.Shown.substr(0, keep), in.Path.substr(0, keep)};
    }
    return in;  // converted in place
}

std::string ProgramFileName(const char* argument0, std::string_view separators)
{
    std::string_view path = argument0 != nullptr ? argument0 : "";
    std::size_t cut = path.find_last_of(separators);
    if (cut != std::string_view::npos)
        path.remove_prefix(cut + 1);
    return path.empty() ? std::string("zemrik") : std::string(path);
}
