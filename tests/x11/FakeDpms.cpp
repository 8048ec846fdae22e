#include "FakeDpms.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>
#include <dlfcn.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vt {

namespace {

std::optional<FakeDpms> g_answers;
int g_reads = 0;

std::optional<FakeDpms> FromEnvironment() {
  const char* level = std::getenv("VT_FAKE_DPMS");
  if (!level) return std::nullopt;
  constexpr uint16_t kOn = 0, kOff = 3;
  return FakeDpms{
      .present = true, .enabled = true, .level = std::string(level) == "off" ? kOff : kOn};
}

// Before the program's first call.
[[maybe_unused]] const bool g_environment_read = [] {
  g_answers = FromEnvironment();
  return true;
}();

// libXext's own definition of a call, for when no test has set the answers.
template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void FakeDpms::Set(const FakeDpms& answers) {
  g_answers = answers;
  g_reads = 0;
}

void FakeDpms::Reset() {
  g_answers.reset();
}

int FakeDpms::Reads() {
  return g_reads;
}

}  // namespace vt

extern "C" {

Bool DPMSQueryExtension(Display* display, int* event_base, int* error_base) {
  if (!vt::g_answers) {
    return vt::Real<Bool (*)(Display*, int*, int*)>("DPMSQueryExtension")(display, event_base,
                                                                          error_base);
  }
  *event_base = 0;
  *error_base = 0;
  return vt::g_answers->present ? True : False;
}

Bool DPMSCapable(Display* display) {
  if (!vt::g_answers) return vt::Real<Bool (*)(Display*)>("DPMSCapable")(display);
  return vt::g_answers->present ? True : False;
}

Status DPMSInfo(Display* display, CARD16* level, BOOL* enabled) {
  if (!vt::g_answers) {
    return vt::Real<Status (*)(Display*, CARD16*, BOOL*)>("DPMSInfo")(display, level, enabled);
  }
  ++vt::g_reads;
  if (!vt::g_answers->present) return 0;
  *level = vt::g_answers->level;
  *enabled = vt::g_answers->enabled ? True : False;
  return 1;
}

}  // extern "C"
