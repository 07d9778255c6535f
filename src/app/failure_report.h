#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The one form in which a failed run is reported:
// "Exception CLASS in module NAME at ADDRESS." LF, then the message with a
// final "." (added when missing), CR LF.
std::string FailureReport(std::string_view className, std::string_view moduleName,
                          std::uint32_t codeAddress, std::string_view message);
