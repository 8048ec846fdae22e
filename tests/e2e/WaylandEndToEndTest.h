#pragma once

#include <vector>

#include "CompositorTest.h"
#include "SwaySession.h"

namespace vt {

// The program in a headless sway's session (see SwaySession).
class WaylandEndToEndTest : public CompositorTest {
 protected:
  WaylandEndToEndTest();
  // The session's outputs: by default HEADLESS-1, 1024 x 768 and focused, and HEADLESS-2,
  // 800 x 600, to its right.
  std::vector<SwaySession::Output> Outputs() const override;

  SwaySession& m_sway;
};

}  // namespace vt
