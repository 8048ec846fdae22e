#pragma once

#include <cstdint>
#include <string>

#include "shell/TElevatorScrForm.h"

namespace vt {

// The headless driver's JSON lines: one object per line, UTF-8.
class SceneReport {
 public:
  // A JSON string literal, quotes included; non-ASCII UTF-8 passes unchanged.
  static std::string Quote(const std::string& text);

  // The scale factors, baselines and bounds of every placed widget.
  static std::string Layout(const TElevatorScrForm& form);
  // The simulation's state after a handler (ev "show", "elv" or "timer1").
  static std::string Trace(const TElevatorScrForm& form, int64_t time_ms, const char* event);
  // One error box as it was shown.
  static std::string Error(int64_t time_ms, const std::string& title, const std::string& text);
};

}  // namespace vt
