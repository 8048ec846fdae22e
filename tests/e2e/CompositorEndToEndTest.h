#pragma once

#include <string>
#include <vector>

#include "CompositorSession.h"
#include "EndToEndTest.h"
#include "SceneChecks.h"

namespace vt {

// The program in a Wayland session under a real headless compositor (see CompositorSession),
// beside the test's own Xvfb, which "/s" must leave alone and the modes that stay on X11 use.
// The program runs as the session's user, from the session's copy.
class CompositorEndToEndTest : public EndToEndTest {
 protected:
  void SetUp() override;
  virtual CompositorSession& Session() = 0;
  // The session's outputs: by default a 1024 x 768 one where a new full-screen surface goes,
  // and an 800 x 600 one to its right.
  virtual std::vector<CompositorSession::Output> Outputs() const;

  // Starts the session's copy of the program with these arguments, in the session, with
  // these variables besides.
  ChildProcess& StartInSession(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment = {});
  // Waits until the output shows the scene as laid out; false when the program (or whatever
  // runs it) ended or the time is up.
  bool WaitForScene(ChildProcess& runner, const SceneLayout& layout, size_t output = 0);
  // Exit code 0, nothing reported, and nothing of the program left on any of these outputs.
  void ExpectEndedCleanly(ChildProcess& saver, const std::vector<size_t>& outputs = {0, 1});
};

}  // namespace vt
