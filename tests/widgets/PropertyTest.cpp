#include <gtest/gtest.h>

#include <vector>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TextEngine.h"

namespace vt::test {
namespace {

// A 200 x 150 form with a fixed-size label, a picture and a button, painted once so that no
// rectangle is pending.
class PropertyTest : public WidgetTest {
 protected:
  void SetUp() override {
    m_form = MakePlainForm(200, 150);
    m_label = m_form->CreateOwned<TLabel>();
    m_label->SetParent(m_form);
    m_label->SetAutoSize(false);
    m_label->SetBounds(10, 10, 40, 20);
    m_label->SetCaption("abc");
    m_image = m_form->CreateOwned<TImage>();
    m_image->SetParent(m_form);
    m_image->SetBounds(100, 50, 30, 30);
    m_button = m_form->CreateOwned<TBitBtn>();
    m_button->SetParent(m_form);
    m_button->SetBounds(20, 100, 60, 24);
    m_form->RepaintDirty();
    ASSERT_TRUE(m_form->DirtyRects().empty());
  }

  std::vector<Rect> Dirty() const { return m_form->DirtyRects(); }

  TestForm* m_form = nullptr;
  TLabel* m_label = nullptr;
  TImage* m_image = nullptr;
  TBitBtn* m_button = nullptr;
};

// Reading back

TEST_F(PropertyTest, enabled_reads_back_the_last_value_also_while_hidden) {
  for (TControl* c : std::vector<TControl*>{m_label, m_image, m_button}) {
    c->SetVisible(false);
    c->SetEnabled(false);
    EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_FALSE(c->Visible());
    c->SetVisible(true);
    EXPECT_FALSE(c->Enabled());
    c->SetVisible(false);
    c->SetEnabled(true);
    EXPECT_TRUE(c->Enabled());
    c->SetVisible(true);
    EXPECT_TRUE(c->Enabled());
  }
}

TEST_F(PropertyTest, caption_and_bounds_read_back_while_hidden) {
  m_label->SetVisible(false);
  m_label->SetCaption("満員");
  m_label->SetBounds(-5, 7, 33, 44);
  EXPECT_EQ(m_label->Caption(), "満員");
  EXPECT_EQ(m_label->BoundsRect(), (Rect{-5, 7, 33, 44}));

  m_button->SetVisible(false);
  m_button->SetCaption("5");
  m_button->SetLeft(3);
  m_button->SetTop(4);
  m_button->SetWidth(5);
  m_button->SetHeight(6);
  EXPECT_EQ(m_button->Caption(), "5");
  EXPECT_EQ(m_button->Left(), 3);
  EXPECT_EQ(m_button->Top(), 4);
  EXPECT_EQ(m_button->Width(), 5);
  EXPECT_EQ(m_button->Height(), 6);

  m_image->SetVisible(false);
  m_image->SetBounds(1000, -1000, 0, 7);
  EXPECT_EQ(m_image->BoundsRect(), (Rect{1000, -1000, 0, 7}));
  m_image->SetVisible(true);
  EXPECT_EQ(m_image->BoundsRect(), (Rect{1000, -1000, 0, 7}));
}

TEST_F(PropertyTest, tag_reads_back_and_changes_nothing_on_screen) {
  m_label->SetTag(-42);
  m_image->SetTag(INT32_MAX);
  EXPECT_EQ(m_label->Tag(), -42);
  EXPECT_EQ(m_image->Tag(), INT32_MAX);
  EXPECT_TRUE(Dirty().empty());
}

TEST_F(PropertyTest, a_new_widget_follows_its_parents_font_and_colour_until_its_own_is_set) {
  TFont font;
  font.Height = -17;
  font.Color = clRed;
  m_form->SetFont(font);
  m_form->SetColor(clPurple);
  auto* label = m_form->CreateOwned<TLabel>();
  label->SetParent(m_form);
  EXPECT_EQ(label->Font(), font);
  EXPECT_TRUE(label->ParentFont());
  EXPECT_EQ(label->Color(), clPurple);
  EXPECT_TRUE(label->ParentColor());

  TFont own;
  own.Height = -20;
  own.Style = fsBold;
  own.Color = clFuchsia;
  label->SetFont(own);
  label->SetColor(clSilver);
  EXPECT_EQ(label->Font(), own);
  EXPECT_FALSE(label->ParentFont());
  EXPECT_EQ(label->Color(), clSilver);
  EXPECT_FALSE(label->ParentColor());

  // Copying a font that equals the current one still ends following the parent.
  auto* other = m_form->CreateOwned<TLabel>();
  other->SetParent(m_form);
  other->SetFont(other->Font());
  EXPECT_FALSE(other->ParentFont());
}

// Setting the current value does nothing

TEST_F(PropertyTest, setting_the_current_value_marks_nothing) {
  for (TControl* c : std::vector<TControl*>{m_label, m_image, m_button}) {
    c->SetLeft(c->Left());
    c->SetTop(c->Top());
    c->SetWidth(c->Width());
    c->SetHeight(c->Height());
    c->SetBounds(c->Left(), c->Top(), c->Width(), c->Height());
    c->SetVisible(true);
    c->SetEnabled(true);
    c->SetCaption(c->Caption());
    c->SetColor(c->Color());
    c->SetFont(c->Font());
  }
  m_label->SetAlignment(m_label->Alignment());
  m_label->SetAutoSize(false);
  m_label->SetWordWrap(false);
  m_label->SetTransparent(false);
  m_image->SetStretch(false);
  m_image->SetProportional(false);
  m_image->SetTransparent(false);
  m_image->SetAutoSize(false);
  m_image->SetCenter(false);
  EXPECT_TRUE(Dirty().empty());
}

TEST_F(PropertyTest, setting_the_current_value_of_a_dark_widget_keeps_it_unpainted) {
  m_label->SetEnabled(false);
  m_form->RepaintDirty();
  m_label->SetEnabled(false);
  m_button->SetVisible(false);
  m_form->RepaintDirty();
  m_button->SetVisible(false);
  EXPECT_TRUE(Dirty().empty());
}

// What a change marks

TEST_F(PropertyTest, moving_a_widget_far_marks_exactly_its_old_and_new_rectangles) {
  m_image->SetBounds(10, 100, 30, 30);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 30, 30}, {10, 100, 30, 30}}));
}

TEST_F(PropertyTest, moving_a_widget_a_little_marks_the_union_of_its_old_and_new_rectangles) {
  m_image->SetLeft(105);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 35, 30}}));
}

TEST_F(PropertyTest, resizing_marks_old_and_new_rectangles) {
  m_image->SetBounds(100, 50, 10, 10);  // the new rectangle lies inside the old one
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 30, 30}}));
  m_form->RepaintDirty();
  m_image->SetHeight(60);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 10, 60}}));
}

TEST_F(PropertyTest, enabled_caption_and_colour_changes_mark_the_widgets_rectangle) {
  m_label->SetEnabled(false);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{10, 10, 40, 20}}));
  m_form->RepaintDirty();
  m_label->SetCaption("xyz");
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{10, 10, 40, 20}}));
  m_form->RepaintDirty();
  m_label->SetColor(clRed);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{10, 10, 40, 20}}));
  m_form->RepaintDirty();
  m_button->SetEnabled(false);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{20, 100, 60, 24}}));
}

TEST_F(PropertyTest, hiding_and_showing_mark_the_widgets_rectangle) {
  m_image->SetVisible(false);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 30, 30}}));
  m_form->RepaintDirty();
  m_image->SetVisible(true);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 30, 30}}));
}

TEST_F(PropertyTest, changes_to_a_hidden_widget_mark_nothing) {
  m_label->SetVisible(false);
  m_form->RepaintDirty();
  m_label->SetEnabled(false);
  m_label->SetCaption("hidden");
  m_label->SetColor(clRed);
  m_label->SetBounds(150, 120, 20, 20);
  EXPECT_TRUE(Dirty().empty());
  m_label->SetVisible(true);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{150, 120, 20, 20}}));
}

TEST_F(PropertyTest, a_second_change_inside_a_pending_rectangle_adds_nothing) {
  m_label->SetEnabled(false);
  m_label->SetCaption("x");
  m_label->SetColor(clSilver);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{10, 10, 40, 20}}));
}

TEST_F(PropertyTest, marked_rectangles_are_clipped_to_the_form) {
  m_image->SetBounds(190, 140, 30, 30);
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{100, 50, 30, 30}, {190, 140, 10, 10}}));
  m_form->RepaintDirty();
  m_image->SetBounds(300, 300, 30, 30);  // wholly outside: only the old place changes
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{190, 140, 10, 10}}));
}

TEST_F(PropertyTest, repainting_clears_the_marked_rectangles_and_returns_them) {
  m_image->SetBounds(10, 100, 30, 30);
  std::vector<Rect> painted = m_form->RepaintDirty();
  EXPECT_EQ(painted, (std::vector<Rect>{{100, 50, 30, 30}, {10, 100, 30, 30}}));
  EXPECT_TRUE(Dirty().empty());
}

// Labels that size themselves

TEST_F(PropertyTest, an_auto_sized_label_takes_the_size_of_its_caption) {
  TextEngine& text = m_app.Text();
  auto* label = m_form->CreateOwned<TLabel>();
  label->SetParent(m_form);
  label->SetBounds(30, 40, 5, 5);
  label->SetCaption("12");
  Size size = text.MeasureText(label->Font(), "12");
  EXPECT_EQ(label->BoundsRect(), (Rect{30, 40, size.width, size.height}));
  EXPECT_EQ(size.height, text.LineHeight(label->Font()));

  m_form->RepaintDirty();
  label->SetCaption("12345");
  Size wider = text.MeasureText(label->Font(), "12345");
  ASSERT_GT(wider.width, size.width);
  EXPECT_EQ(label->BoundsRect(), (Rect{30, 40, wider.width, wider.height}));
  // The old rectangle lies inside the new one.
  EXPECT_EQ(Dirty(), (std::vector<Rect>{{30, 40, wider.width, wider.height}}));
}

TEST_F(PropertyTest, an_auto_sized_right_justified_label_keeps_its_right_edge) {
  auto* label = m_form->CreateOwned<TLabel>();
  label->SetParent(m_form);
  label->SetAlignment(TAlignment::taRightJustify);
  label->SetCaption("1");
  label->SetLeft(100 - label->Width());
  ASSERT_EQ(label->Left() + label->Width(), 100);
  label->SetCaption("10000");
  EXPECT_EQ(label->Left() + label->Width(), 100);
  EXPECT_EQ(label->Width(), m_app.Text().TextWidth(label->Font(), "10000"));
}

TEST_F(PropertyTest, an_auto_sized_label_follows_a_new_font) {
  auto* label = m_form->CreateOwned<TLabel>();
  label->SetParent(m_form);
  label->SetCaption("満員");
  TFont big = label->Font();
  big.Height = -20;
  label->SetFont(big);
  EXPECT_EQ(label->Height(), m_app.Text().LineHeight(big));
  EXPECT_GT(label->Height(), m_app.Text().LineHeight(TFont()));
  EXPECT_EQ(label->Width(), m_app.Text().TextWidth(big, "満員"));
}

}  // namespace
}  // namespace vt::test
