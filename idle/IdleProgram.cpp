#include "idle/IdleProgram.h"

#include <csignal>
#include <cstdio>
#include <optional>

#include "idle/IdleArguments.h"
#include "idle/IdleStarter.h"

namespace vt {

int RunIdle(const std::vector<std::string>& args) {
  std::string error;
  std::optional<int> seconds = ParseIdleSeconds(args, &error);
  if (!seconds) {
    std::fprintf(stderr, "vantorel: %s\n", error.c_str());
    return 2;
  }
  int signal = 0;
  int code = 0;
  {
    IdleStarter starter(*seconds);
    code = starter.Run(&signal);
  }
  // The starter's signal handlers are gone with it: the signal now ends the program as it
  // would have at once.
  if (signal) std::raise(signal);
  return code;
}

}  // namespace vt
