#pragma once

#include <string>
#include <vector>

#include "EndToEndTest.h"
#include "SceneChecks.h"
#include "SwaySession.h"

namespace vt {

// The program in a Wayland session: a headless sway (see SwaySession) beside the test's own
// Xvfb, which "/s" must leave alone and the modes that stay on X11 use. The program runs as
// the session's user, from the session's copy.
class WaylandEndToEndTest : public EndToEndTest {
 protected:
  void SetUp() override;
  // Starts m_sway with Outputs(): headless by default.
  virtual void StartSession();
  // The session's outputs: by default HEADLESS-1, 1024 x 768 and focused, and HEADLESS-2,
  // 800 x 600, to its right.
  virtual std::vector<SwaySession::Output> Outputs() const;

  // Starts the session's copy of the program with these arguments, in the session, with
  // these variables besides.
  ChildProcess& StartInSession(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment = {});
  // Waits until the output shows the scene as laid out; false when the program (or whatever
  // runs it) ended or the time is up.
  bool WaitForScene(ChildProcess& runner, const SceneLayout& layout,
                    size_t output = 0);
  // How many pixels of an output show the red of the error box's icon.
  size_t IconPixels(size_t output) const;
  // Exit code 0, nothing reported, and nothing of the program left on any of these outputs.
  void ExpectEndedCleanly(ChildProcess& saver,
                          const std::vector<size_t>& outputs = {0, 1});

  SwaySession m_sway;
};

}  // namespace vt
