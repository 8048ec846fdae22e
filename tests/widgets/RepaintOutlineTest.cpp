// The debugging outline of repainted rectangles.
#include <gtest/gtest.h>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TImage.h"

namespace vt::test {
namespace {

using RepaintOutlineTest = WidgetTest;

TEST_F(RepaintOutlineTest, OutlinesOnlyWhatWasRepaintedUntilItIsRepaintedAgain) {
  TestForm* form = MakePlainForm(60, 40);
  ShowAndPaint();
  auto is_outline = [](TColor c) { return (c & 0xFFFFFF) == clFuchsia; };

  Rect changed{10, 5, 20, 10};
  TImage* image = form->CreateOwned<TImage>();
  image->SetBounds(changed.left, changed.top, changed.width, changed.height);
  image->SetParent(form);
  form->RepaintDirty(RepaintOutline::Show);
  const Bitmap32& frame = form->Frame();
  EXPECT_EQ(BoxOf(frame, frame.Bounds(), is_outline), changed);
  EXPECT_EQ(CountPixels(frame, frame.Bounds(), is_outline), 2 * 20 + 2 * 10 - 4);

  form->InvalidateAll();
  form->RepaintDirty();
  EXPECT_EQ(CountPixels(form->Frame(), form->Frame().Bounds(), is_outline), 0);
}

}  // namespace
}  // namespace vt::test
