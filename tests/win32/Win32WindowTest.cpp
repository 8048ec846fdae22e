// The Win32 backend's windows as the system sees them: the full-screen window takes keys with
// no input method between, while other windows keep the thread's input context.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "widgets/win32/Win32Api.h"
#include "widgets/win32/Win32Backend.h"

namespace vt {
namespace {

TEST(Win32Windows, OnlyTheFullScreenWindowHasNoInputContext) {
  std::string error;
  std::unique_ptr<Win32Backend> backend = Win32Backend::Open(&error);
  ASSERT_TRUE(backend) << error;
  auto input_context = [&](WindowKind kind) {
    WindowRequest request;
    request.kind = kind;
    request.bounds = {10, 10, 40, 30};
    HWND window = reinterpret_cast<HWND>(uintptr_t(backend->CreateWindow(request)));
    HIMC context = ImmGetContext(window);
    if (context != nullptr) ImmReleaseContext(window, context);
    return context;
  };
  EXPECT_NE(input_context(WindowKind::Popup), nullptr);
  EXPECT_EQ(input_context(WindowKind::FullScreen), nullptr);
}

}  // namespace
}  // namespace vt
