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

std::size_t LengthWithoutTrailingDotsAndSpaces(std::string_view name)
{
    std::size_t end = name.find_last_not_of(". ");
    // A last component of dots alone ("..") names a folder: it keeps them.
    if (end == std::string_view::npos || name[end] == '\\' || name[end] == '/' || name[end] == ':')
        return name.size();
    return end + 1;
}

NamedFile DefaultOutputName(const RunOptions& options, bool trailingDotsAndSpacesDropped)
{
    const NamedFile& in = options.InputName;
    // Upper-casing keeps every byte in place, so both spellings have the same
    // length and lose the same bytes.
    std::size_t length = trailingDotsAndSpacesDropped ? LengthWithoutTrailingDotsAndSpaces(in.Shown) : in.Shown.size();
    std::string_view shown = std::string_view(in.Shown).substr(0, length);
    if (options.Decode)
        return {std::string(shown) + std::string(kFF7Ending), in.Path.substr(0, length) + std::string(kFF7Ending)};
    if (shown.size() >= kFF7Ending.size() && shown.substr(shown.size() - kFF7Ending.size()) == kFF7Ending) {
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
