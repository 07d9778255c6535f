// zemrik: converts one file between FF7 text and normal 8-bit text.
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/failure_report.h"
#include "app/platform.h"
#include "app/usage.h"
#include "console/console.h"
#include "console/progress.h"
#include "files/convert_file.h"
#include "translate/errors.h"
#include "translate/tables.h"

namespace {

int Run(const std::vector<std::string>& arguments, const std::string& programName)
{
    // 1. The title comes first, whatever follows.
    ConsoleSetTitle(kProgramTitle);

    // 2-3. Options from the arguments (upper-cased for every test on them).
    ParsedCommandLine parsed = ParseCommandLine(arguments, NamesOpenAsTyped());

    // 4. No arguments at all: how to use the program.
    if (parsed.Outcome == CommandLineOutcome::Usage) {
        PrintUsage(programName);
        return 0;
    }
    RunOptions& options = parsed.Options;

    // 5-7. Flags but no file.
    if (parsed.Outcome == CommandLineOutcome::NoInput) {
        if (!options.Quiet)
            ConsoleWrite("No input file specified!\r\n");
        return 0;
    }

    // 8-9. The output name, derived when not given.
    if (options.OutputName.Shown.empty())
        options.OutputName = DefaultOutputName(options, NamesDropTrailingDotsAndSpaces());

    // 10. Banner and empty frame, before the input is opened.
    if (!options.Quiet)
        ShowProgressFrame(options.InputName.Shown, options.OutputName.Shown);

    // 11-12. The table for the direction, then the conversion itself.
    BuildWorkTable(options.Decode);
    ConvertFile(options.InputName, options.OutputName, options.Quiet ? nullptr : UpdateProgress);

    // 13-14.
    if (!options.Quiet)
        EndProgressLine();
    return 0;
}

void Report(const Exception& failure, const std::string& programName)
{
    // The message may name a file: shown like the banner's names.
    ConsoleWrite(FailureReport(failure.ClassName(), programName, failure.CodeAddress(),
                               ConsoleShownName(failure.what())));
}

}  // namespace

int main(int argc, char** argv)
{
    PrepareStandardStreams();
    const std::string programName = ProgramName(argc, argv);
    int status = 1;
    try {
        status = Run(ProgramArguments(argc, argv), programName);
    } catch (const Exception& failure) {
        Report(failure, programName);
    } catch (const std::bad_alloc&) {
        Report(OutOfMemoryError(), programName);
    }
    // However the run ended, the user's terminal gets its own title back.
    ConsoleRestoreTitle();
    return status;
}
