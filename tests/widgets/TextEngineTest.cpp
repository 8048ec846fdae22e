#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Painter.h"
#include "widgets/TFont.h"
#include "widgets/TextEngine.h"

namespace vt {
namespace {

TFont PGothic(int height, bool bold = false) {
  TFont font;
  font.Height = height;
  font.Style = bold ? unsigned(fsBold) : 0u;
  return font;
}

// The smallest rectangle of pixels that differ from the background.
Rect InkBox(const Bitmap32& bitmap, TColor background) {
  Rect box;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (bitmap.Pixel(x, y) != background) box = box.United({x, y, 1, 1});
    }
  }
  return box;
}

// Total darkness added over a white background, summed over the three channels.
long Ink(const Bitmap32& bitmap) {
  long ink = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor c = bitmap.Pixel(x, y);
      ink += long(765 - RedOf(c) - GreenOf(c) - BlueOf(c));
    }
  }
  return ink;
}

// The forms' face and its Linux stand-in have no internal leading: a line of a font -n high is
// n pixels. GDI adds the leading of a face's Windows metrics, which the face that Wine serves
// in its place has (less than an eighth of the em).
void ExpectLineOfEm(int line, int em) {
#ifdef _WIN32
  EXPECT_GE(line, em);
  EXPECT_LE(line, em + (em + 7) / 8);
#else
  EXPECT_EQ(line, em);
#endif
}

class TextEngineTest : public ::testing::Test {
 protected:
  TextEngine m_engine;
};

// Metrics

TEST_F(TextEngineTest, negative_heights_give_lines_of_that_many_pixels) {
  for (int n : {12, 13, 15, 19, 20}) {
    SCOPED_TRACE(n);
    ExpectLineOfEm(m_engine.LineHeight(PGothic(-n)), n);
    ExpectLineOfEm(m_engine.LineHeight(PGothic(-n, true)), n);
  }
}

TEST_F(TextEngineTest, positive_height_is_the_whole_line) {
  EXPECT_EQ(m_engine.LineHeight(PGothic(16)), 16);
  EXPECT_EQ(m_engine.LineHeight(PGothic(30)), 30);
}

TEST_F(TextEngineTest, full_sign_in_bold_measures_its_design_size) {
  Size full = m_engine.MeasureText(PGothic(-20, true), "満員");
  EXPECT_GE(full.width, 40);
  EXPECT_LE(full.width, 44);
  ExpectLineOfEm(full.height, 20);
  Size car_full = m_engine.MeasureText(PGothic(-15, true), "満員");
  EXPECT_GE(car_full.width, 30);
  EXPECT_LE(car_full.width, 33);
  ExpectLineOfEm(car_full.height, 15);
}

TEST_F(TextEngineTest, emboldening_widens_the_advance) {
  EXPECT_GT(m_engine.TextWidth(PGothic(-20, true), "満員"),
            m_engine.TextWidth(PGothic(-20), "満員"));
  EXPECT_EQ(m_engine.TextWidth(PGothic(-20), "満員"), 40);
}

TEST_F(TextEngineTest, width_is_the_sum_of_the_characters) {
  TFont font = PGothic(-20, true);
  EXPECT_EQ(m_engine.TextWidth(font, "10人"), m_engine.TextWidth(font, "1") +
                                                  m_engine.TextWidth(font, "0") +
                                                  m_engine.TextWidth(font, "人"));
  EXPECT_EQ(m_engine.TextWidth(font, ""), 0);
}

TEST_F(TextEngineTest, empty_text_measures_as_one_blank) {
  TFont font = PGothic(-13);
  int blank = m_engine.TextWidth(font, " ");
  EXPECT_GT(blank, 0);
  EXPECT_EQ(m_engine.MeasureText(font, ""), (Size{blank, m_engine.LineHeight(font)}));
}

TEST_F(TextEngineTest, measure_takes_the_widest_line_and_counts_lines) {
  TFont font = PGothic(-12);
  int wide = m_engine.TextWidth(font, "wide line");
  const int line = m_engine.LineHeight(font);
  EXPECT_EQ(m_engine.MeasureText(font, "ab\nwide line\r\nc"), (Size{wide, 3 * line}));
  EXPECT_EQ(m_engine.MeasureText(font, "ab\n").height, 2 * line);
}

TEST_F(TextEngineTest, tabs_expand_to_multiples_of_eight_average_widths) {
  TFont font = PGothic(-12);
  int stop = 8 * m_engine.TextWidth(font, "x");
  EXPECT_EQ(m_engine.TextWidth(font, "\t"), stop);
  EXPECT_EQ(m_engine.TextWidth(font, "a\tb"), stop + m_engine.TextWidth(font, "b"));
  EXPECT_EQ(m_engine.TextWidth(font, "\t\t"), 2 * stop);
  std::string past_stop(size_t(stop / m_engine.TextWidth(font, "i") + 1), 'i');
  ASSERT_GE(m_engine.TextWidth(font, past_stop), stop);
  EXPECT_EQ(m_engine.TextWidth(font, past_stop + "\t"), 2 * stop);
}

TEST_F(TextEngineTest, invalid_utf8_is_measured_and_drawn_without_harm) {
  TFont font = PGothic(-12);
  const std::vector<std::string> samples = {"\xff",      "a\xe6\xba",           "\xe6",
                                            "\xc0\xaf",  "\xed\xa0\x80",        "\xf4\x90\x80\x80",
                                            "\x80\x80x", std::string("a\0b", 3)};
  Bitmap32 bitmap(60, 20, clWhite);
  Painter painter(bitmap);
  for (const std::string& sample : samples) {
    EXPECT_GT(m_engine.TextWidth(font, sample), 0) << sample;
    m_engine.DrawLine(painter, font, sample, 0, 0, clBlack);
    m_engine.WrapLines(font, sample, 1);
  }
  // A truncated sequence stands for one character; the byte after it is read again.
  EXPECT_EQ(m_engine.TextWidth(font,
                               "\xe6"
                               "a"),
            m_engine.TextWidth(font, "\xef\xbf\xbd") + m_engine.TextWidth(font, "a"));
}

// Wrapping

TEST_F(TextEngineTest, load_caption_wraps_before_the_cjk_character) {
  TFont font = PGothic(-20, true);
  EXPECT_EQ(m_engine.WrapLines(font, "10人", 30), (std::vector<std::string>{"10", "人"}));
  EXPECT_EQ(m_engine.WrapLines(font, "10人", 200), (std::vector<std::string>{"10人"}));
}

TEST_F(TextEngineTest, wraps_at_blanks_and_drops_them) {
  TFont font = PGothic(-12);
  int narrow = m_engine.TextWidth(font, "a b") - 1;
  EXPECT_EQ(m_engine.WrapLines(font, "a b c", narrow), (std::vector<std::string>{"a", "b", "c"}));
  int two = m_engine.TextWidth(font, "a b");
  EXPECT_EQ(m_engine.WrapLines(font, "a b c", two), (std::vector<std::string>{"a b", "c"}));
}

TEST_F(TextEngineTest, unbreakable_piece_stays_whole_on_its_own_line) {
  TFont font = PGothic(-12);
  EXPECT_EQ(m_engine.WrapLines(font, "x elevator y", 10),
            (std::vector<std::string>{"x", "elevator", "y"}));
}

TEST_F(TextEngineTest, explicit_line_breaks_are_kept) {
  TFont font = PGothic(-12);
  EXPECT_EQ(m_engine.WrapLines(font, "a\r\n\nb c", 1000),
            (std::vector<std::string>{"a", "", "b c"}));
  EXPECT_EQ(m_engine.WrapLines(font, "", 1000), (std::vector<std::string>{""}));
}

TEST_F(TextEngineTest, japanese_text_breaks_between_characters) {
  TFont font = PGothic(-12);
  int two = m_engine.TextWidth(font, "満員");
  EXPECT_EQ(m_engine.WrapLines(font, "満員満員満", two),
            (std::vector<std::string>{"満員", "満員", "満"}));
}

// Drawing

TEST_F(TextEngineTest, glyph_ink_stays_inside_the_measured_box) {
  TFont font = PGothic(-20);
  Bitmap32 bitmap(60, 40, clWhite);
  Painter painter(bitmap);
  m_engine.DrawLine(painter, font, "B", 10, 5, clRed);
  Size size = m_engine.MeasureText(font, "B");
  Rect box{10, 5, size.width, size.height};
  Rect ink = InkBox(bitmap, clWhite);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_TRUE(box.Contains(ink)) << ink.left << "," << ink.top << " " << ink.width << "x"
                                 << ink.height;
  bool solid_red = false;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor c = bitmap.Pixel(x, y);
      // Coverage mixes red over white: red stays full, green and blue fall together.
      EXPECT_EQ(RedOf(c), 255u);
      EXPECT_EQ(GreenOf(c), BlueOf(c));
      solid_red = solid_red || c == clRed;
    }
  }
  EXPECT_TRUE(solid_red);
}

TEST_F(TextEngineTest, painter_clip_protects_pixels_outside_it) {
  TFont font = PGothic(-20, true);
  Bitmap32 full(60, 30, clWhite);
  Painter full_painter(full);
  m_engine.DrawLine(full_painter, font, "満員", 2, 2, clBlack);

  Bitmap32 clipped(60, 30, clWhite);
  Painter painter(clipped);
  Rect clip{10, 0, 15, 30};
  painter.AddClip(clip);
  m_engine.DrawLine(painter, font, "満員", 2, 2, clBlack);
  for (int y = 0; y < clipped.Height(); ++y) {
    for (int x = 0; x < clipped.Width(); ++x) {
      EXPECT_EQ(clipped.Pixel(x, y), clip.Contains(x, y) ? full.Pixel(x, y) : clWhite)
          << x << "," << y;
    }
  }
  EXPECT_FALSE(InkBox(clipped, clWhite).IsEmpty());
}

TEST_F(TextEngineTest, drawing_follows_the_painter_origin) {
  TFont font = PGothic(-12);
  Bitmap32 direct(40, 30, clWhite);
  Painter direct_painter(direct);
  m_engine.DrawLine(direct_painter, font, "Ag", 7, 9, clBlack);

  Bitmap32 moved(40, 30, clWhite);
  Painter painter(moved);
  painter.Translate(5, 4);
  m_engine.DrawLine(painter, font, "Ag", 2, 5, clBlack);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_EQ(moved.Pixel(x, y), direct.Pixel(x, y)) << x << "," << y;
  }
}

TEST_F(TextEngineTest, bold_draws_more_ink_than_regular) {
  Bitmap32 regular(80, 30, clWhite);
  Bitmap32 bold(80, 30, clWhite);
  Painter regular_painter(regular);
  Painter bold_painter(bold);
  m_engine.DrawLine(regular_painter, PGothic(-20), "満員", 0, 0, clBlack);
  m_engine.DrawLine(bold_painter, PGothic(-20, true), "満員", 0, 0, clBlack);
  EXPECT_GT(Ink(bold), Ink(regular) * 11 / 10);
}

TEST_F(TextEngineTest, tab_moves_the_next_glyph_to_the_tab_stop) {
  TFont font = PGothic(-12);
  int stop = m_engine.TextWidth(font, "\t");
  Bitmap32 tabbed(stop + 20, 16, clWhite);
  Painter tabbed_painter(tabbed);
  m_engine.DrawLine(tabbed_painter, font, "\tI", 0, 0, clBlack);
  Bitmap32 shifted(stop + 20, 16, clWhite);
  Painter shifted_painter(shifted);
  m_engine.DrawLine(shifted_painter, font, "I", stop, 0, clBlack);
  EXPECT_EQ(InkBox(tabbed, clWhite), InkBox(shifted, clWhite));
  EXPECT_GE(InkBox(tabbed, clWhite).left, stop);
}

TEST_F(TextEngineTest, repeated_drawing_gives_identical_pixels) {
  TFont font = PGothic(-20, true);
  Bitmap32 first(40, 25, clWhite);
  Bitmap32 second(40, 25, clWhite);
  Painter first_painter(first);
  Painter second_painter(second);
  m_engine.DrawLine(first_painter, font, "9人", 0, 0, clPurple);
  m_engine.DrawLine(second_painter, PGothic(-12), "other", 0, 0, clPurple);
  second = Bitmap32(40, 25, clWhite);
  m_engine.DrawLine(second_painter, font, "9人", 0, 0, clPurple);
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_EQ(first.Pixel(x, y), second.Pixel(x, y));
  }
}

TEST(TextEngineFaces, form_face_is_a_proportional_gothic) {
  TextEngine engine;
  TFont font = PGothic(-20);
  EXPECT_LT(engine.TextWidth(font, "i"), engine.TextWidth(font, "m"));
  EXPECT_EQ(engine.TextWidth(font, "人"), 20);
}

TEST(TextEngineFaces, character_missing_from_the_face_still_draws) {
  TextEngine engine;
  TFont font = PGothic(-20);
  const char* replacement = "\xef\xbf\xbd";  // U+FFFD, which IPAPGothic lacks
  int width = engine.TextWidth(font, replacement);
  EXPECT_GT(width, 0);
  Bitmap32 bitmap(40, 25, clWhite);
  Painter painter(bitmap);
  engine.DrawLine(painter, font, replacement, 0, 0, clBlack);
  Rect ink = InkBox(bitmap, clWhite);
  EXPECT_FALSE(ink.IsEmpty());
  EXPECT_LE(ink.Right(), width + 1);
}

TEST(TextEngineFaces, unknown_face_falls_back_to_a_japanese_face) {
  TextEngine engine;
  TFont font = PGothic(-20);
  font.Name = "No Such Face Anywhere";
  ExpectLineOfEm(engine.LineHeight(font), 20);
  // Full-width ideographs are one em wide in any Japanese face.
  EXPECT_EQ(engine.TextWidth(font, "人"), 20);
}

}  // namespace
}  // namespace vt
