#pragma once

#include "CompositorEndToEndTest.h"
#include "SwaySession.h"

namespace vt {

// The program in a headless sway (see SwaySession): HEADLESS-1, 1024 x 768 and focused, and
// HEADLESS-2, 800 x 600, to its right, unless a test asks for other outputs.
class WaylandEndToEndTest : public CompositorEndToEndTest {
 protected:
  CompositorSession& Session() override { return m_sway; }

  SwaySession m_sway;
};

}  // namespace vt
