#pragma once

#include <string>
#include <vector>

#include "CompositorTest.h"
#include "KWinSession.h"

namespace vt {

// The program in a headless KWin's session (see KWinSession), skipped where KWin cannot run.
class KWinTest : public CompositorTest {
 protected:
  KWinTest();
  std::string Unavailable() const override { return KWinSession::Unavailable(); }
  // Virtual-0 and Virtual-1, 1280 x 720 each, side by side.
  std::vector<CompositorSession::Output> Outputs() const override;

  KWinSession& KWin() const { return static_cast<KWinSession&>(Session()); }
  // Starts "/s" and waits for its scene on Virtual-0, laid out for 1280 x 720 at 96 dpi.
  void StartSaver();

  ChildProcess* m_saver = nullptr;
};

}  // namespace vt
