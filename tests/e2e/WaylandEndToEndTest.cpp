#include "WaylandEndToEndTest.h"

namespace vt {

WaylandEndToEndTest::WaylandEndToEndTest()
    : CompositorTest(std::make_unique<SwaySession>()),
      m_sway(static_cast<SwaySession&>(Session())) {}

std::vector<SwaySession::Output> WaylandEndToEndTest::Outputs() const {
  return {{1024, 768}, {800, 600}};
}

}  // namespace vt
