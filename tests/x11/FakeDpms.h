#pragma once

#include <cstdint>

namespace vt {

// The answers of a server with DPMS, which no X server that runs here has: the test program
// defines the DPMS calls of libXext itself, so that the backend's reads of the monitors'
// power get these answers. Until a test sets them (and after Reset) every call goes to libXext
// and the server. Built as a library of its own and loaded into the program with LD_PRELOAD,
// it answers as VT_FAKE_DPMS says: "off" for monitors powered down, "on" for lit ones
// (scripts/measure-cpu.sh --dark).
struct FakeDpms {
  bool present = true;  // the extension, and a server capable of DPMS
  bool enabled = true;
  uint16_t level = 0;  // DPMSModeOn, Standby, Suspend or Off (0 to 3)

  static void Set(const FakeDpms& answers);
  static void Reset();
  // How many times the power level was read since the last Set.
  static int Reads();
};

}  // namespace vt
