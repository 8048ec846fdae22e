#include "idle/IdleArguments.h"

#include <algorithm>

namespace vt {

bool IsIdleStart(const std::vector<std::string>& args) {
  return !args.empty() && args[0] == "--idle";
}

std::optional<int> ParseIdleSeconds(const std::vector<std::string>& args, std::string* error) {
  const std::string range =
      "a whole number of seconds from 1 to " + std::to_string(kMostIdleSeconds);
  if (args.size() < 2 || args[1].empty()) {
    *error = "--idle needs the idle time, " + range + ", as in \"vantorel --idle 300\"";
    return std::nullopt;
  }
  const std::string& text = args[1];
  // Digits only: no sign, no blanks, no fraction, no unit.
  bool digits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  long value = -1;
  if (digits) {
    size_t first = text.find_first_not_of('0');
    std::string significant = first == std::string::npos ? "0" : text.substr(first);
    // Longer than the limit's digits: too large, without reading a number that may overflow.
    value = significant.size() > std::to_string(kMostIdleSeconds).size()
                ? long(kMostIdleSeconds) + 1
                : std::stol(significant);
  }
  if (value < 1 || value > kMostIdleSeconds) {
    *error = "--idle " + text + ": the idle time must be " + range;
    return std::nullopt;
  }
  return int(value);
}

}  // namespace vt
