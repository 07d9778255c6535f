#include "app/usage.h"

#include "console/console.h"
#include "console/progress.h"

std::string UsageText(std::string_view programName)
{
    std::string name(programName);
    std::string text;
    text += std::string(kProgramTitle) + "\r\n";
    text += "Format is: " + name + " [-r] [-q] [inputfile] [outputfile]\r\n";
    text += "\r\n";
    text += "   -r: Reverse process (encode normal->FF7 text; default decodes)\r\n";
    text += "   -q: Quiet mode. Don't display any output.\r\n";
    text += "   inputfile: File to read from.\r\n";
    text += "   outputfile: File to write to. If not specified default is:\r\n";
    text += "     Original file plus .FF7 extension when decoding\r\n";
    text += "     Original file when encoding (unless has .FF7 extension, then .FF7 removed)\r\n";
    text += "\r\n";
    text += "   Example: " + name + " -r UUTAI1.FF7\r\n";
    text += "   Encode UUTAI1.FF7 to UUTAI1\r\n";
    return text;
}

void PrintUsage(std::string_view programName)
{
    ConsoleWrite(UsageText(programName));
}
