#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CompositorSession.h"
#include "EndToEndTest.h"
#include "SceneChecks.h"

namespace vt {

// The program in a Wayland session of a real headless compositor, beside the test's own Xvfb,
// which "/s" must leave alone and the modes that stay on X11 use. The program runs as the
// session's user, from the session's copy.
class CompositorTest : public EndToEndTest {
 protected:
  explicit CompositorTest(std::unique_ptr<CompositorSession> session)
      : m_session(std::move(session)) {}

  // Starts the session with Outputs(); skips the test when Unavailable() says why it cannot
  // run here. A fixture that goes on in its own SetUp returns when IsSkipped().
  void SetUp() override;
  virtual std::vector<CompositorSession::Output> Outputs() const = 0;
  // Starts the session with Outputs(), as the compositor's own outputs by default.
  virtual bool StartSession(std::string* error) { return m_session->Start(Outputs(), error); }
  virtual std::string Unavailable() const { return ""; }

  CompositorSession& Session() const { return *m_session; }

  // Starts the session's copy of the program with these arguments, in the session, with
  // these variables besides.
  ChildProcess& StartInSession(const std::vector<std::string>& args,
                               const std::vector<std::string>& environment = {});
  // Waits until the output shows the scene as laid out; false when the program (or whatever
  // runs it) ended or the time is up.
  bool WaitForScene(ChildProcess& runner, const SceneLayout& layout, size_t output = 0);
  // How many pixels of an output show the red of the error box's icon.
  size_t IconPixels(size_t output) const;
  // Exit code 0, nothing reported, and nothing of the program left on any of these outputs.
  void ExpectEndedCleanly(ChildProcess& saver, const std::vector<size_t>& outputs = {0, 1});

 private:
  std::unique_ptr<CompositorSession> m_session;
};

// Input given through a session's seat, as a parameter of the tests that give it.
struct SessionInput {
  const char* name;
  std::function<bool(CompositorSession&)> give;
};

inline void PrintTo(const SessionInput& input, std::ostream* out) { *out << input.name; }

inline std::string NameOf(const ::testing::TestParamInfo<SessionInput>& info) {
  return info.param.name;
}

}  // namespace vt
