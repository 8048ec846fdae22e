#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vt {

// The longest idle time "--idle" takes: a day.
inline constexpr int kMostIdleSeconds = 86400;

// Whether the command line asks for the idle starter: "--idle" as its first argument, exactly.
bool IsIdleStart(const std::vector<std::string>& args);

// The idle time of "--idle SECONDS": whole seconds written in decimal digits alone, from 1 to a
// day. None, with the one line to show the user, for anything else; arguments after it are
// ignored, as the other modes ignore theirs.
std::optional<int> ParseIdleSeconds(const std::vector<std::string>& args, std::string* error);

}  // namespace vt
