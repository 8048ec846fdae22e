#include "KWinTest.h"

namespace vt {

KWinTest::KWinTest() : CompositorTest(std::make_unique<KWinSession>()) {}

std::vector<CompositorSession::Output> KWinTest::Outputs() const {
  return {{1280, 720}, {1280, 720}};
}

void KWinTest::StartSaver() {
  m_saver = &StartInSession({"/s"});
  ASSERT_TRUE(WaitForScene(*m_saver, kLayout1280x720)) << ErrorOutput(*m_saver);
}

}  // namespace vt
