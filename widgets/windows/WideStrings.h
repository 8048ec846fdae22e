#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vt {

// Conversions between the core's UTF-8 and the wide strings of the Windows API. Malformed
// input becomes U+FFFD rather than failing.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The program's arguments after its own name, split as the system splits a command line
// (CommandLineToArgvW), in UTF-8.
std::vector<std::string> ProgramArguments();

}  // namespace vt
