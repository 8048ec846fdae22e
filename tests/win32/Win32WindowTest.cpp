// The full-screen window takes keys with no input method between; other windows keep the
// thread's input context.
#include <gtest/gtest.h>

#include "widgets/win32/Win32Backend.h"
#include "widgets/windows/Win32Api.h"

namespace vt {
namespace {

TEST(Win32Windows, OnlyTheFullScreenWindowHasNoInputContext) {
  std::string error;
  std::unique_ptr<Win32Backend> backend = Win32Backend::Open(&error);
  ASSERT_TRUE(backend) << error;
  for (WindowKind kind : {WindowKind::Popup, WindowKind::FullScreen}) {
    auto window =
        reinterpret_cast<HWND>(uintptr_t(backend->CreateWindow({kind, "", {0, 0, 9, 9}})));
    HIMC context = ImmGetContext(window);
    EXPECT_EQ(context == nullptr, kind == WindowKind::FullScreen);
    if (context != nullptr) ImmReleaseContext(window, context);
  }
}

}  // namespace
}  // namespace vt
