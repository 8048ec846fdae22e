#pragma once

#include <string>
#include <vector>

namespace vt {

// The whole of "vantorel --idle SECONDS": checks the idle time (exit code 2 and one line when
// it is not one), then runs the idle starter. Its exit code; a termination signal ends the
// program by that signal once the saver has ended and the display's settings are back.
int RunIdle(const std::vector<std::string>& args);

}  // namespace vt
