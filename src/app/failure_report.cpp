#include "app/failure_report.h"

std::string FailureReport(std::string_view className, std::string_view moduleName,
                          std::uint32_t codeAddress, std::string_view message)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string address(8, '0');
    for (int i = 7; i >= 0; --i, codeAddress >>= 4)
        address[static_cast<std::size_t>(i)] = kHex[codeAddress & 0xF];

    std::string report = "Exception ";
    report += className;
    report += " in module ";
    report += moduleName;
    report += " at " + address + ".\n";
    report += message;
    if (!message.empty() && message.back() != '.')
        report += '.';
    report += "\r\n";
    return report;
}
