#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/Color.h"
#include "widgets/Painter.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TextEngine.h"

namespace vt::test {
namespace {

bool IsGrey(TColor c) {
  return RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c);
}

// A bitmap whose every pixel differs from its neighbours, so that sampling errors show.
Bitmap32 Gradient(int width, int height) {
  Bitmap32 b(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, Rgb(x * 5 + 1, y * 5 + 1, 77));
  }
  return b;
}

Bitmap32 Solid(int width, int height, TColor color) {
  return Bitmap32(width, height, color);
}

// Compresses pixels with libjpeg; a progressive file has several scans after its header.
std::vector<uint8_t> EncodeJpeg(const Bitmap32& pixels, bool progressive) {
  jpeg_compress_struct info{};
  jpeg_error_mgr error{};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(pixels.Width());
  info.image_height = JDIMENSION(pixels.Height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(pixels.Width()) * 3);
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < pixels.Width(); ++x) {
      TColor c = pixels.Pixel(x, int(info.next_scanline));
      row[size_t(x) * 3] = uint8_t(RedOf(c));
      row[size_t(x) * 3 + 1] = uint8_t(GreenOf(c));
      row[size_t(x) * 3 + 2] = uint8_t(BlueOf(c));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// A progressive JPEG whose header is sound but whose second scan names a component the frame
// does not have: libjpeg accepts the header and fails only while decoding the image data.
std::vector<uint8_t> JpegFailingHalfway() {
  std::vector<uint8_t> file = EncodeJpeg(Gradient(32, 32), true);
  int scans = 0;
  for (size_t i = 0; i + 5 < file.size(); ++i) {
    if (file[i] == 0xFF && file[i + 1] == 0xDA && ++scans == 2) {
      file[i + 5] = 0x7F;  // first component selector of the scan header
      return file;
    }
  }
  ADD_FAILURE() << "the encoder wrote fewer than two scans";
  return file;
}

// Checks every pixel of the area against expected(x, y), up to the first that differs.
void ExpectPixels(const Bitmap32& frame, const Rect& area,
                  const std::function<TColor(int x, int y)>& expected) {
  for (int y = area.top; y < area.Bottom(); ++y) {
    for (int x = area.left; x < area.Right(); ++x) {
      ASSERT_EQ(frame.Pixel(x, y), expected(x, y)) << x << "," << y;
    }
  }
}

// A picture that counts how often it is drawn.
// A picture that counts its paints and adds up the area it was asked to paint.
struct CountedImage : TImage {
  using TImage::TImage;
  void Paint(Painter& painter) override {
    ++m_paints;
    m_area += painter.ClipRect().Intersected({0, 0, Width(), Height()}).Area();
    TImage::Paint(painter);
  }
  int m_paints = 0;
  int64_t m_area = 0;
};

class RenderingTest : public WidgetTest {
 protected:
  // Paints rect alone over a poisoned frame, checks it against a whole repaint of the form and
  // returns how often `counted` was drawn for it.
  int PaintAlone(TForm& form, const Rect& rect, const CountedImage& counted) {
    Bitmap32 frame(form.Width(), form.Height(), clFuchsia);
    Painter painter(frame);
    const int before = counted.m_paints;
    form.PaintRect(painter, rect);
    const int paints = counted.m_paints - before;
    const Bitmap32& full = Repaint(form);
    ExpectPixels(frame, rect, [&](int x, int y) { return full.Pixel(x, y); });
    return paints;
  }
  TImage* AddImage(TForm* form, const Rect& bounds, const Bitmap32& picture) {
    auto* image = form->CreateOwned<TImage>();
    image->SetParent(form);
    image->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    image->Picture().Assign(BitmapGraphic(picture));
    return image;
  }
  TBitBtn* AddButton(TForm* form, const Rect& bounds) {
    auto* button = form->CreateOwned<TBitBtn>();
    button->SetParent(form);
    button->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    return button;
  }
  TLabel* AddBlock(TForm* form, const Rect& bounds, TColor color) {
    auto* label = form->CreateOwned<TLabel>();
    label->SetParent(form);
    label->SetAutoSize(false);
    label->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    label->SetColor(color);
    return label;
  }
  TLabel* AddTextLabel(TForm* form, const Rect& bounds, TColor back, TColor ink, int height,
                       const std::string& caption) {
    TLabel* label = AddBlock(form, bounds, back);
    TFont font;
    font.Color = ink;
    font.Height = height;
    font.Style = fsBold;
    label->SetFont(font);
    label->SetCaption(caption);
    return label;
  }
};

// Labels

TEST_F(RenderingTest, disabled_label_draws_a_silver_rectangle_with_engraved_text) {
  TestForm* form = MakePlainForm(120, 60);
  const Rect r{10, 10, 60, 30};
  TLabel* label = AddTextLabel(form, r, clSilver, clFuchsia, -20, "満員");

  const Bitmap32 enabled = Repaint(*form);
  const Rect ink = BoxOf(enabled, r, [](TColor c) { return c != clSilver; });
  ASSERT_FALSE(ink.IsEmpty());

  label->SetEnabled(false);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(CountPixels(frame, r, [](TColor c) { return !IsGrey(c); }), 0);
  EXPECT_GT(CountPixels(frame, r, [](TColor c) { return c == clBtnHighlight; }), 0);
  EXPECT_GT(CountPixels(frame, r, [](TColor c) { return c == clBtnShadow; }), 10);
  for (int y = r.top; y < r.Bottom(); ++y) {
    for (int x = r.left; x < r.Right(); ++x) {
      // The shadow lies where the text is; the highlight lies one pixel right of and below
      // the shadow.
      if (frame.Pixel(x, y) == clBtnShadow) {
        EXPECT_NE(enabled.Pixel(x, y), clSilver) << x << "," << y;
      }
      if (frame.Pixel(x, y) == clBtnHighlight) {
        EXPECT_LT(RedOf(frame.Pixel(x - 1, y - 1)), 192u) << x << "," << y;
      }
    }
  }
  // The highlight shows beyond the shadow's right and bottom edges.
  Rect dark = BoxOf(frame, r, [](TColor c) { return RedOf(c) < 192; });
  Rect light = BoxOf(frame, r, [](TColor c) { return RedOf(c) > 192; });
  EXPECT_TRUE(ink.Contains(dark));
  EXPECT_TRUE(ink.Translated(1, 1).Contains(light));
  EXPECT_GT(light.Right(), dark.Right());
  EXPECT_GT(light.Bottom(), dark.Bottom());
  // The rest of the rectangle is silver, and nothing outside it changed.
  EXPECT_EQ(CountPixels(frame, {r.left, r.Bottom() - 5, r.width, 5},
                        [](TColor c) { return c != clSilver; }),
            0);
  EXPECT_EQ(BoxOf(frame, frame.Bounds(), [](TColor c) { return c != clWhite; }), r);
  EXPECT_EQ(CountPixels(frame, frame.Bounds(), [](TColor c) { return c == clSilver; }) +
                CountPixels(frame, r, [](TColor c) { return c != clSilver; }),
            r.Area());

  label->SetEnabled(true);
  const Bitmap32& again = Repaint(*form);
  EXPECT_GT(CountPixels(again, r, [](TColor c) { return c == clFuchsia; }), 10);
  // Every pixel is silver or a mix of silver and fuchsia; no grey but the silver.
  EXPECT_EQ(CountPixels(again, r,
                        [](TColor c) {
                          return c != clSilver && !(RedOf(c) == BlueOf(c) && GreenOf(c) < RedOf(c));
                        }),
            0);
  EXPECT_EQ(CountPixels(again, r, [](TColor c) { return IsGrey(c) && c != clSilver; }), 0);
  EXPECT_EQ(BoxOf(again, r, [](TColor c) { return c != clSilver; }), ink);
}

TEST_F(RenderingTest, label_text_is_placed_across_the_width_by_alignment) {
  TestForm* form = MakePlainForm(300, 40);
  const std::string caption = "12人";
  TLabel* left = AddTextLabel(form, {0, 0, 100, 40}, clWhite, clBlack, -20, caption);
  TLabel* center = AddTextLabel(form, {100, 0, 100, 40}, clWhite, clBlack, -20, caption);
  TLabel* right = AddTextLabel(form, {200, 0, 100, 40}, clWhite, clBlack, -20, caption);
  center->SetAlignment(TAlignment::taCenter);
  right->SetAlignment(TAlignment::taRightJustify);
  const Bitmap32& frame = Repaint(*form);
  auto ink = [&](const TLabel* l) {
    return BoxOf(frame, l->BoundsRect(), [](TColor c) { return c != clWhite; });
  };
  const int width = m_app.Text().TextWidth(left->Font(), caption);
  ASSERT_LT(width, 100);
  Rect l = ink(left);
  ASSERT_FALSE(l.IsEmpty());
  EXPECT_EQ(ink(center), l.Translated(100 + (100 - width) / 2, 0));
  EXPECT_EQ(ink(right), l.Translated(200 + 100 - width, 0));
}

TEST_F(RenderingTest, transparent_label_draws_only_its_text) {
  TestForm* form = MakePlainForm(80, 40);
  AddBlock(form, {0, 0, 80, 40}, clRed);
  TLabel* label = AddTextLabel(form, {5, 5, 60, 25}, clSilver, clBlack, -20, "8");
  label->SetTransparent(true);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(CountPixels(frame, frame.Bounds(), [](TColor c) { return c == clSilver; }), 0);
  EXPECT_GT(CountPixels(frame, label->BoundsRect(), [](TColor c) { return c == clBlack; }), 5);
  EXPECT_EQ(frame.Pixel(64, 29), clRed);
}

TEST_F(RenderingTest, auto_sized_label_with_empty_caption_is_one_blank_wide_and_one_line_high) {
  TestForm* form = MakePlainForm(100, 50);
  auto* label = form->CreateOwned<TLabel>();
  label->SetParent(form);
  label->SetBounds(7, 9, 50, 30);
  label->SetCaption("1000");
  label->SetCaption("");
  const int blank = m_app.Text().TextWidth(label->Font(), " ");
  ASSERT_GT(blank, 0);
  EXPECT_EQ(label->BoundsRect(), (Rect{7, 9, blank, m_app.Text().LineHeight(label->Font())}));
  EXPECT_LT(blank, m_app.Text().TextWidth(label->Font(), "1000"));
}

TEST_F(RenderingTest, a_label_never_draws_outside_its_rectangle) {
  TestForm* form = MakePlainForm(100, 40);
  TLabel* label = AddTextLabel(form, {10, 5, 15, 10}, clSilver, clBlack, -20, "満員満員");
  label->SetEnabled(false);  // the highlight reaches one pixel further
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(BoxOf(frame, frame.Bounds(), [](TColor c) { return c != clWhite; }),
            label->BoundsRect());
}

// Pictures

TEST_F(RenderingTest, transparent_bitmap_shows_the_widget_beneath_through_every_white_pixel) {
  TestForm* form = MakePlainForm(40, 30, "clMaroon");
  AddBlock(form, {0, 0, 40, 30}, clSilver);
  Bitmap32 picture(4, 3);
  const TColor rows[3][4] = {{clWhite, clRed, clWhite, clPurple},
                             {clGray, clWhite, clWhite, clRed},
                             {clWhite, clPurple, clGray, clWhite}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) picture.SetPixel(x, y, rows[y][x]);
  }
  TImage* image = AddImage(form, {5, 5, 8, 6}, picture);
  image->SetStretch(true);
  image->SetTransparent(true);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) {
    if (!image->BoundsRect().Contains(x, y)) return clSilver;
    TColor source = rows[(y - 5) / 2][(x - 5) / 2];
    return source != clWhite ? source : clSilver;
  });
  // Turning transparency off repaints the picture by itself.
  image->SetTransparent(false);
  form->RepaintDirty();
  const Bitmap32& opaque = form->Frame();
  EXPECT_EQ(opaque.Pixel(5, 5), clWhite);
  EXPECT_EQ(opaque.Pixel(12, 10), clWhite);
}

TEST_F(RenderingTest, transparent_colour_is_the_bottom_left_pixel) {
  TestForm* form = MakePlainForm(10, 10, "clSilver");
  Bitmap32 picture(2, 2);
  picture.SetPixel(0, 0, clWhite);
  picture.SetPixel(1, 0, clRed);
  picture.SetPixel(0, 1, clRed);  // bottom-left
  picture.SetPixel(1, 1, clBlack);
  TImage* image = AddImage(form, {0, 0, 2, 2}, picture);
  image->SetTransparent(true);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(frame.Pixel(0, 0), clWhite);
  EXPECT_EQ(frame.Pixel(1, 0), clSilver);
  EXPECT_EQ(frame.Pixel(0, 1), clSilver);
  EXPECT_EQ(frame.Pixel(1, 1), clBlack);
}

TEST_F(RenderingTest, a_new_picture_repaints_the_widget) {
  TestForm* form = MakePlainForm(60, 60);
  TImage* image = AddImage(form, {10, 20, 30, 15}, Solid(3, 3, clRed));
  form->RepaintDirty();
  image->Picture().Assign(BitmapGraphic(Solid(3, 3, clGray)));
  EXPECT_EQ(form->DirtyRects(), (std::vector<Rect>{{10, 20, 30, 15}}));
  form->RepaintDirty();
  EXPECT_EQ(form->Frame().Pixel(11, 21), clGray);
}

TEST_F(RenderingTest, picture_area_follows_stretch_proportional_and_truncates_sizes) {
  TestForm* form = MakePlainForm(100, 100);
  TImage* image = AddImage(form, {0, 0, 10, 10}, Gradient(1, 1));
  // One widget changed from row to row: the area follows every change of picture and size.
  const struct {
    bool stretch, proportional;
    Size widget, picture;
    Rect dest;
  } cases[] = {
      {true, true, {100, 100}, {39, 50}, {0, 0, 78, 100}},  // tall: the height limits
      {true, true, {100, 100}, {50, 39}, {0, 0, 100, 78}},  // wide: fills the width
      {true, true, {100, 20}, {50, 39}, {0, 0, 25, 20}},    // flat widget: Trunc(20 * 50 / 39)
      {true, true, {50, 50}, {30, 20}, {0, 0, 50, 33}},     // 33.3
      {true, true, {50, 50}, {20, 30}, {0, 0, 33, 50}},
      {true, true, {50, 50}, {25, 30}, {0, 0, 41, 50}},  // 41.7
      {true, true, {10, 50}, {20, 30}, {0, 0, 10, 15}},  // too narrow: the width limits
      {true, true, {10, 50}, {21, 29}, {0, 0, 10, 13}},  // 13.8
      // Scaled to the width, exactly as high as the widget: the width stays whole.
      {true, true, {10, 6}, {30, 20}, {0, 0, 10, 6}},  // 6.7 high, 9 wide had it fitted the height
      {true, true, {6, 10}, {20, 30}, {0, 0, 6, 10}},
      // Proportional without stretch shrinks only a picture too large.
      {false, true, {60, 60}, {20, 30}, {0, 0, 20, 30}},
      {false, true, {60, 60}, {30, 120}, {0, 0, 15, 60}},
      // Stretch without proportional fills the widget.
      {true, false, {9, 8}, {3, 2}, {0, 0, 9, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture.width << "x" << c.picture.height << " in "
                                    << c.widget.width << "x" << c.widget.height);
    image->SetStretch(c.stretch);
    image->SetProportional(c.proportional);
    image->Picture().Assign(BitmapGraphic(Gradient(c.picture.width, c.picture.height)));
    image->SetBounds(0, 0, c.widget.width, c.widget.height);
    EXPECT_EQ(image->DestRect(), c.dest);
  }
}

TEST_F(RenderingTest, proportional_stretch_of_a_tall_picture_keeps_its_shape_at_the_top_left) {
  TestForm* form = MakePlainForm(120, 110, "clMaroon");
  const Bitmap32 picture = Gradient(39, 50);
  TImage* image = AddImage(form, {10, 5, 100, 100}, picture);
  image->SetStretch(true);
  image->SetProportional(true);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) {
    if (x < 10 || x >= 88 || y < 5 || y >= 105) return clMaroon;
    return picture.Pixel((x - 10) * 39 / 78, (y - 5) * 50 / 100);
  });
}

TEST_F(RenderingTest, proportional_stretch_of_a_wide_picture_in_a_flat_widget_samples_its_area) {
  TestForm* form = MakePlainForm(100, 100);
  TImage* image = AddImage(form, {0, 0, 100, 20}, Gradient(50, 39));
  image->SetStretch(true);
  image->SetProportional(true);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(frame.Pixel(24, 19), Gradient(50, 39).Pixel(24 * 50 / 25, 19 * 39 / 20));
  EXPECT_EQ(frame.Pixel(25, 0), clWhite);
}

TEST_F(RenderingTest, stretch_without_proportional_fills_the_widget) {
  TestForm* form = MakePlainForm(20, 20, "clMaroon");
  const Bitmap32 picture = Gradient(3, 2);
  AddImage(form, {2, 3, 9, 8}, picture)->SetStretch(true);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) {
    if (x < 2 || x >= 11 || y < 3 || y >= 11) return clMaroon;
    return picture.Pixel((x - 2) * 3 / 9, (y - 3) * 2 / 8);
  });
}

TEST_F(RenderingTest, unstretched_picture_keeps_its_own_size_clipped_to_the_widget) {
  TestForm* form = MakePlainForm(30, 30, "clMaroon");
  const Bitmap32 big = Gradient(10, 10);
  AddImage(form, {1, 2, 6, 4}, big);
  const Bitmap32 small = Gradient(3, 3);
  AddImage(form, {15, 15, 10, 10}, small);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) {
    if (x >= 1 && x < 7 && y >= 2 && y < 6) return big.Pixel(x - 1, y - 2);
    if (x >= 15 && x < 18 && y >= 15 && y < 18) return small.Pixel(x - 15, y - 15);
    return clMaroon;
  });
}

TEST_F(RenderingTest, scaling_samples_whole_pixels_without_smoothing) {
  TestForm* form = MakePlainForm(6, 6);
  Bitmap32 checker(2, 2);
  checker.SetPixel(0, 0, clBlack);
  checker.SetPixel(1, 0, clWhite);
  checker.SetPixel(0, 1, clWhite);
  checker.SetPixel(1, 1, clBlack);
  TImage* image = AddImage(form, {0, 0, 6, 6}, checker);
  image->SetStretch(true);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, frame.Bounds(),
               [](int x, int y) { return ((x / 3) + (y / 3)) % 2 == 0 ? clBlack : clWhite; });
  // Shrinking drops rows and columns.
  image->Picture().Assign(BitmapGraphic(Gradient(6, 6)));
  image->SetBounds(0, 0, 2, 2);
  const Bitmap32& small = Repaint(*form);
  EXPECT_EQ(small.Pixel(0, 0), Gradient(6, 6).Pixel(0, 0));
  EXPECT_EQ(small.Pixel(1, 0), Gradient(6, 6).Pixel(3, 0));
  EXPECT_EQ(small.Pixel(1, 1), Gradient(6, 6).Pixel(3, 3));
}

// What stretching a picture afresh into dest gives on a bare form.
Bitmap32 FreshStretch(const TForm& form, const Bitmap32& picture, const Rect& dest,
                      std::optional<TColor> transparent = std::nullopt) {
  Bitmap32 fresh(form.Width(), form.Height(), form.Color());
  Painter painter(fresh);
  painter.DrawScaled(picture, dest, transparent);
  return fresh;
}

TEST_F(RenderingTest, stretched_picture_copy_is_remade_when_the_picture_or_the_size_changes) {
  TestForm* form = MakePlainForm(60, 50, "clMaroon");
  // Each picture is larger than the widget: shrunk, its copy is smaller than its pixels.
  const Bitmap32 first = Gradient(70, 50);
  TImage* image = AddImage(form, {5, 4, 30, 20}, first);
  image->SetStretch(true);
  image->SetTransparent(true);
  auto expect_fresh_stretch = [&](const Bitmap32& frame, const Bitmap32& picture,
                                  std::optional<TColor> transparent) {
    const Bitmap32 fresh = FreshStretch(*form, picture, image->BoundsRect(), transparent);
    ExpectPixels(frame, frame.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
    EXPECT_EQ(image->ScaledCopyBytes(), size_t(image->Width()) * size_t(image->Height()) * 4);
  };
  expect_fresh_stretch(Repaint(*form), first, first.Pixel(0, 4));

  // A JPEG, decoded only when first drawn.
  image->Picture().Assign(LoadGraphicFromMemory(EncodeJpeg(Gradient(90, 40), false), "jpg"));
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
  const Bitmap32& second_frame = Repaint(*form);
  expect_fresh_stretch(second_frame, *image->Picture().Graphic()->Pixels(), std::nullopt);

  image->SetBounds(5, 4, 41, 17);
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
  const Bitmap32& third_frame = Repaint(*form);
  expect_fresh_stretch(third_frame, *image->Picture().Graphic()->Pixels(), std::nullopt);
}

TEST_F(RenderingTest, a_rectangle_an_opaque_picture_hides_is_painted_from_that_picture_up) {
  TestForm* form = MakePlainForm(60, 50, "clMaroon");
  auto* lower = form->CreateOwned<CountedImage>();
  lower->SetParent(form);
  lower->Picture().Assign(BitmapGraphic(Gradient(50, 40)));
  TImage* upper = AddImage(form, {10, 10, 30, 20}, Gradient(4, 4));
  upper->SetStretch(true);
  auto lower_paints = [&](const Rect& rect) { return PaintAlone(*form, rect, *lower); };
  EXPECT_EQ(lower_paints(upper->BoundsRect()), 0);
  // A rectangle it hides most of is split: the lower picture is drawn in the strips left of and
  // below the part it hides, not beneath that part; the strip below splits again where the
  // lower picture's pixels end, above the bare rest of its bounds.
  EXPECT_EQ(lower_paints({8, 10, 32, 34}), 3);
  // Around all four sides of the part it hides: four strips, each whole, the one below split
  // again.
  EXPECT_EQ(lower_paints({8, 8, 34, 34}), 5);
  upper->SetTransparent(true);  // its bottom-left colour lets the lower picture through
  EXPECT_EQ(lower_paints(upper->BoundsRect()), 1);
  upper->SetTransparent(false);
  upper->SetStretch(false);  // drawn at its own 4 x 4 pixels, the rest of the widget is bare
  EXPECT_EQ(lower_paints(upper->BoundsRect()), 1);
  EXPECT_EQ(lower_paints({10, 10, 4, 4}), 0);
  // A JPEG is drawn beneath it all the same until decoded, and hides nothing once it failed.
  lower->Picture().Assign(LoadGraphicFromMemory(EncodeJpeg(Gradient(50, 40), false), "jpg"));
  EXPECT_EQ(lower_paints({10, 10, 4, 4}), 1);
  upper->Picture().Assign(LoadGraphicFromMemory(JpegFailingHalfway(), "jpg"));
  EXPECT_EQ(lower_paints(upper->BoundsRect()), 1);  // decoding fails here
  EXPECT_EQ(lower_paints(upper->BoundsRect()), 1);
}

TEST_F(RenderingTest, a_picture_moving_over_one_that_hides_everything_repaints_each_pixel_once) {
  // The car over the building, over a backdrop: each move paints the car's new place from
  // the car up and the strip it left from the building up, as a whole repaint would show it.
  TestForm* form = MakePlainForm(80, 70, "clMaroon");
  TImage* backdrop = AddImage(form, {0, 0, 80, 70}, Gradient(80, 70));
  backdrop->SetStretch(true);
  auto* building = form->CreateOwned<CountedImage>();
  building->SetParent(form);
  building->SetBounds(10, 5, 60, 60);
  building->SetStretch(true);
  building->Picture().Assign(BitmapGraphic(Gradient(30, 30)));
  TImage* car = AddImage(form, {20, 30, 16, 12}, Gradient(8, 6));
  car->SetStretch(true);
  TImage* lamp = AddImage(form, {22, 32, 4, 4}, Gradient(4, 4));
  lamp->SetTransparent(true);
  Repaint(*form);
  for (int step : {3, 3, -5, 2}) {
    SCOPED_TRACE(step);
    building->m_area = 0;
    car->SetBounds(car->Left(), car->Top() + step, car->Width(), car->Height());
    lamp->SetBounds(lamp->Left(), lamp->Top() + step, lamp->Width(), lamp->Height());
    form->RepaintDirty();
    const Bitmap32 moved = form->Frame();
    EXPECT_EQ(building->m_area, int64_t(car->Width()) * std::abs(step));
    const Bitmap32& full = Repaint(*form);
    ExpectPixels(moved, moved.Bounds(), [&](int x, int y) { return full.Pixel(x, y); });
  }
}

// A form that counts how often its background is painted.
struct BackgroundCountingForm : TestForm {
  using TestForm::TestForm;
  void Paint(Painter& painter) override {
    ++m_backgrounds;
    TestForm::Paint(painter);
  }
  int m_backgrounds = 0;
};

TEST_F(RenderingTest, a_photograph_still_to_decode_that_fills_the_form_spares_its_background) {
  Serve(std::string(TestForm::DescriptionName()), PlainFormDescription(40, 30, "clMaroon"));
  BackgroundCountingForm* form = nullptr;
  m_app.CreateForm(form);
  TImage* photo = AddImage(form, {0, 0, 40, 30}, Gradient(1, 1));
  photo->SetStretch(true);
  TImage* label_like = AddImage(form, {5, 5, 6, 6}, Gradient(6, 6));
  label_like->SetTransparent(true);
  // A new photograph comes: decoded as it is first drawn, it hides the whole form.
  photo->Picture().Assign(LoadGraphicFromMemory(EncodeJpeg(Gradient(20, 15), false), "jpg"));
  Bitmap32 frame(40, 30, clFuchsia);
  Painter painter(frame);
  form->PaintRect(painter, {0, 0, 40, 30});
  EXPECT_EQ(form->m_backgrounds, 0);
  Bitmap32 expected = FreshStretch(*form, *photo->Picture().Graphic()->Pixels(), {0, 0, 40, 30});
  Painter over(expected);
  over.DrawCopy(Gradient(6, 6), 5, 5, Gradient(6, 6).Pixel(0, 5));
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) { return expected.Pixel(x, y); });
  // One that fails to decode draws nothing: the background shows, and the picture above it.
  photo->Picture().Assign(LoadGraphicFromMemory(JpegFailingHalfway(), "jpg"));
  frame.Fill(clFuchsia);
  form->PaintRect(painter, {0, 0, 40, 30});
  EXPECT_EQ(form->m_backgrounds, 1);
  Bitmap32 bare(40, 30, clMaroon);
  Painter on_bare(bare);
  on_bare.DrawCopy(Gradient(6, 6), 5, 5, Gradient(6, 6).Pixel(0, 5));
  ExpectPixels(frame, frame.Bounds(), [&](int x, int y) { return bare.Pixel(x, y); });
  form->TakePaintError();
}

// The repaint cache at its edges

TEST_F(RenderingTest, a_picture_stretched_as_wide_or_as_high_as_its_form_is_scaled_once) {
  TestForm* form = MakePlainForm(40, 30, "clMaroon");
  const Bitmap32 picture = Gradient(70, 45);
  TImage* image = AddImage(form, {0, 0, 1, 1}, picture);
  image->SetStretch(true);
  // Each lies inside the form and is smaller than the picture, so it is scaled once and later
  // repaints copy from that.
  for (const Rect& bounds : {Rect{0, 5, 40, 12}, Rect{6, 0, 20, 30}, Rect{0, 0, 40, 30}}) {
    SCOPED_TRACE(testing::Message() << bounds.width << "x" << bounds.height);
    image->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    EXPECT_EQ(image->ScaledCopyBytes(), 0u);  // the copy of the old size is gone at once
    const int made = image->ScaledCopiesMade();
    const Bitmap32 fresh = FreshStretch(*form, picture, bounds);
    for (int repaint = 0; repaint < 3; ++repaint) {
      ExpectPixels(Repaint(*form), fresh.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
    }
    EXPECT_EQ(image->ScaledCopiesMade() - made, 1);
    EXPECT_EQ(image->ScaledCopyBytes(), size_t(bounds.Area()) * 4);
  }
  // Its memory goes as soon as the look changes, before any repaint.
  image->SetProportional(true);
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
  Repaint(*form);
  const int made_before_enlarging = image->ScaledCopiesMade();
  EXPECT_GT(image->ScaledCopyBytes(), 0u);
  image->SetStretch(false);
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);

  // Enlarged, it is stretched from its own pixels on every repaint and keeps no copy; so is one
  // shrunk in height but larger as a whole.
  image->SetStretch(true);
  image->SetProportional(false);
  const Bitmap32 small = Gradient(8, 45);
  image->Picture().Assign(BitmapGraphic(small));
  for (const Rect& bounds : {Rect{0, 0, 40, 30}, Rect{3, 2, 37, 28}}) {
    image->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    const Bitmap32 fresh = FreshStretch(*form, small, bounds);
    for (int repaint = 0; repaint < 2; ++repaint) {
      ExpectPixels(Repaint(*form), fresh.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
    }
  }
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
  EXPECT_EQ(image->ScaledCopiesMade(), made_before_enlarging);
}

TEST_F(RenderingTest, a_picture_stretched_to_its_own_width_or_height_still_stretches_the_other) {
  TestForm* form = MakePlainForm(40, 30, "clMaroon");
  const Bitmap32 picture = Gradient(10, 5);
  TImage* image = AddImage(form, {0, 0, 1, 1}, picture);
  image->SetStretch(true);
  for (const Rect& bounds : {Rect{3, 2, 10, 20}, Rect{3, 2, 25, 5}}) {
    SCOPED_TRACE(testing::Message() << bounds.width << "x" << bounds.height);
    image->SetBounds(bounds.left, bounds.top, bounds.width, bounds.height);
    const Bitmap32 fresh = FreshStretch(*form, picture, bounds);
    ExpectPixels(Repaint(*form), fresh.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
  }
  // At its own size in both, it is its own copy.
  image->SetBounds(3, 2, 10, 5);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, {3, 2, 10, 5}, [&](int x, int y) { return picture.Pixel(x - 3, y - 2); });
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
}

TEST_F(RenderingTest, a_transparent_picture_larger_than_its_form_shows_the_form_through_its_key) {
  TestForm* form = MakePlainForm(30, 20, "clRed");
  const Bitmap32 picture = Gradient(6, 4);
  const Rect bounds{-4, -3, 40, 28};
  TImage* image = AddImage(form, bounds, picture);
  image->SetStretch(true);
  image->SetTransparent(true);
  const Bitmap32 fresh = FreshStretch(*form, picture, bounds, picture.Pixel(0, 3));
  ExpectPixels(Repaint(*form), fresh.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
  EXPECT_EQ(fresh.Pixel(0, 19), clRed);
  // Only its visible part is stretched, each time: no copy larger than the form is kept.
  EXPECT_EQ(image->ScaledCopyBytes(), 0u);
  EXPECT_EQ(image->ScaledCopiesMade(), 0);
}

TEST_F(RenderingTest, a_centred_stretched_picture_keeps_its_place_in_a_widget_of_another_shape) {
  TestForm* form = MakePlainForm(120, 70, "clMaroon");
  const Bitmap32 wide = Gradient(80, 40), tall = Gradient(40, 80);
  // Odd room around each: the picture's place is rounded towards the top and the left.
  TImage* flat = AddImage(form, {5, 5, 40, 61}, wide);
  TImage* narrow = AddImage(form, {50, 5, 61, 40}, tall);
  for (TImage* image : {flat, narrow}) {
    image->SetStretch(true);
    image->SetProportional(true);
    image->SetCenter(true);
  }
  EXPECT_EQ(flat->DestRect(), (Rect{0, 20, 40, 20}));
  EXPECT_EQ(narrow->DestRect(), (Rect{20, 0, 20, 40}));
  Bitmap32 fresh = FreshStretch(*form, wide, {5, 25, 40, 20});
  Painter(fresh).DrawScaled(tall, {70, 5, 20, 40}, std::nullopt);
  // The first repaint scales each picture, the second copies from the scaled copies.
  for (int repaint = 0; repaint < 2; ++repaint) {
    ExpectPixels(Repaint(*form), fresh.Bounds(), [&](int x, int y) { return fresh.Pixel(x, y); });
  }
  EXPECT_EQ(flat->ScaledCopiesMade(), 1);
  EXPECT_EQ(narrow->ScaledCopiesMade(), 1);
}

TEST_F(RenderingTest, a_picture_larger_than_its_widget_hides_only_the_widgets_part) {
  TestForm* form = MakePlainForm(40, 40, "clMaroon");
  auto* lower = form->CreateOwned<CountedImage>();
  lower->SetParent(form);
  lower->SetBounds(0, 0, 40, 40);
  lower->Picture().Assign(BitmapGraphic(Gradient(40, 40)));
  // Unstretched, its 20 x 20 pixels are cut to the 8 x 6 widget.
  AddImage(form, {10, 14, 8, 6}, Gradient(20, 20));
  EXPECT_EQ(PaintAlone(*form, {10, 14, 8, 6}, *lower), 0);
  EXPECT_EQ(PaintAlone(*form, {10, 14, 20, 20}, *lower), 1);
  EXPECT_EQ(form->Frame().Pixel(25, 25), Gradient(40, 40).Pixel(25, 25));
  EXPECT_EQ(form->Frame().Pixel(17, 19), Gradient(20, 20).Pixel(7, 5));
}

TEST_F(RenderingTest, an_auto_sized_picture_takes_the_size_of_each_picture_it_is_given) {
  TestForm* form = MakePlainForm(60, 50, "clMaroon");
  TImage* image = AddImage(form, {5, 6, 40, 30}, Gradient(7, 4));
  image->SetAutoSize(true);
  EXPECT_EQ(image->BoundsRect(), (Rect{5, 6, 7, 4}));
  const Bitmap32 second = Gradient(12, 9);
  image->Picture().Assign(BitmapGraphic(second));
  EXPECT_EQ(image->BoundsRect(), (Rect{5, 6, 12, 9}));
  ExpectPixels(Repaint(*form), form->Frame().Bounds(), [&](int x, int y) {
    return Rect{5, 6, 12, 9}.Contains(x, y) ? second.Pixel(x - 5, y - 6) : clMaroon;
  });
  // Without AutoSize the widget keeps its size whatever the picture.
  image->SetAutoSize(false);
  image->Picture().Assign(BitmapGraphic(Gradient(3, 3)));
  EXPECT_EQ(image->BoundsRect(), (Rect{5, 6, 12, 9}));
}

TEST_F(RenderingTest, a_form_without_a_window_repaints_a_frame_of_its_size_after_any_resize) {
  MakePlainForm(10, 10);  // the main form, which has its window at once
  TestForm* form = MakePlainForm(40, 30, "clMaroon");
  ASSERT_FALSE(form->HandleAllocated());
  for (Size size : {Size{40, 50}, Size{60, 50}, Size{20, 10}}) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    form->SetBounds(0, 0, size.width, size.height);
    const Bitmap32& frame = Repaint(*form);
    EXPECT_EQ((Size{frame.Width(), frame.Height()}), size);
    EXPECT_EQ(CountPixels(frame, frame.Bounds(), [](TColor c) { return c != clMaroon; }), 0);
  }
}

TEST_F(RenderingTest, changes_far_apart_present_their_own_rectangles_and_close_ones_their_union) {
  TestForm* form = MakePlainForm(200, 150, "clMaroon");
  TImage* first = AddImage(form, {10, 10, 20, 20}, Solid(1, 1, clRed));
  TImage* second = AddImage(form, {150, 100, 30, 30}, Solid(1, 1, clRed));
  first->SetStretch(true);
  second->SetStretch(true);
  ShowAndPaint();
  m_backend.ResetPresentStats();
  first->Picture().Assign(BitmapGraphic(Solid(1, 1, clGray)));
  second->Picture().Assign(BitmapGraphic(Solid(1, 1, clGray)));
  first->Invalidate();  // again, inside what is pending already
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.PresentCalls(), 1);
  EXPECT_EQ(m_backend.PresentedPixels(), 20 * 20 + 30 * 30);
  // Moved by a few pixels, the old and the new place go as one rectangle.
  m_backend.ResetPresentStats();
  second->SetBounds(153, 102, 30, 30);
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.PresentedPixels(), 33 * 32);
  const Bitmap32& screen = m_backend.FindWindow(form->Handle())->screen;
  EXPECT_EQ(screen.Pixel(15, 15), clGray);
  EXPECT_EQ(screen.Pixel(151, 101), clMaroon);
  EXPECT_EQ(screen.Pixel(182, 131), clGray);
  // Changes side by side cost no more as one rectangle than as two: they go as one.
  first->SetBounds(10, 10, 20, 20);
  TLabel* beside = AddBlock(form, {30, 10, 15, 20}, clGray);
  m_app.PaintDirtyForms();
  first->Invalidate();
  beside->Invalidate();
  EXPECT_EQ(form->DirtyRects(), (std::vector<Rect>{{10, 10, 35, 20}}));
  // A change wholly outside the form presents nothing.
  m_backend.ResetPresentStats();
  second->SetBounds(300, 200, 30, 30);
  m_app.PaintDirtyForms();
  second->SetBounds(320, 200, 30, 30);
  m_backend.ResetPresentStats();
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.PresentCalls(), 0);
}

// Stacking and clipping

TEST_F(RenderingTest, later_widgets_lie_over_earlier_ones_and_buttons_over_all) {
  TestForm* form = MakePlainForm(80, 60);
  AddButton(form, {40, 30, 30, 20});
  AddImage(form, {0, 0, 30, 30}, Solid(30, 30, clRed));
  AddImage(form, {10, 10, 30, 30}, Solid(30, 30, clGray));
  AddBlock(form, {35, 25, 40, 30}, clPurple);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(frame.Pixel(5, 5), clRed);
  EXPECT_EQ(frame.Pixel(15, 15), clGray);  // the later picture over the earlier one
  EXPECT_EQ(frame.Pixel(29, 29), clGray);
  EXPECT_EQ(frame.Pixel(36, 26), clPurple);
  // The button, created first, lies over the picture and the label made after it.
  EXPECT_EQ(frame.Pixel(40, 30), clBtnHighlight);
  EXPECT_EQ(frame.Pixel(55, 40), clBtnFace);
  EXPECT_EQ(frame.Pixel(69, 49), clBtnDarkFrame);
  EXPECT_EQ(frame.Pixel(72, 40), clPurple);
}

TEST_F(RenderingTest, stacking_follows_the_order_of_parenting_not_of_creation) {
  TestForm* form = MakePlainForm(20, 20);
  auto* first = form->CreateOwned<TImage>();
  auto* second = form->CreateOwned<TImage>();
  first->Picture().Assign(BitmapGraphic(Solid(20, 20, clRed)));
  second->Picture().Assign(BitmapGraphic(Solid(20, 20, clGray)));
  second->SetParent(form);
  first->SetParent(form);
  EXPECT_EQ(Repaint(*form).Pixel(10, 10), clRed);
}

TEST_F(RenderingTest, hidden_widgets_are_not_drawn) {
  TestForm* form = MakePlainForm(40, 40, "clMaroon");
  TImage* under = AddImage(form, {0, 0, 20, 20}, Solid(20, 20, clRed));
  TImage* over = AddImage(form, {10, 10, 20, 20}, Solid(20, 20, clGray));
  TBitBtn* button = AddButton(form, {25, 25, 15, 15});
  EXPECT_EQ(Repaint(*form).Pixel(15, 15), clGray);
  // Hiding repaints only what they covered, from what lies beneath them.
  over->SetVisible(false);
  button->SetVisible(false);
  form->RepaintDirty();
  const Bitmap32& frame = form->Frame();
  EXPECT_EQ(frame.Pixel(15, 15), clRed);
  EXPECT_EQ(frame.Pixel(25, 25), clMaroon);
  EXPECT_EQ(frame.Pixel(39, 39), clMaroon);
  under->SetVisible(false);
  EXPECT_EQ(CountPixels(Repaint(*form), {0, 0, 40, 40}, [](TColor c) { return c != clMaroon; }), 0);
}

TEST_F(RenderingTest, widgets_are_clipped_to_the_form) {
  TestForm* form = MakePlainForm(30, 30);
  AddImage(form, {-5, -5, 20, 20}, Solid(1, 1, clRed))->SetStretch(true);
  AddImage(form, {20, 25, 40, 40}, Solid(1, 1, clGray))->SetStretch(true);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(CountPixels(frame, frame.Bounds(), [](TColor c) { return c == clRed; }), 15 * 15);
  EXPECT_EQ(CountPixels(frame, frame.Bounds(), [](TColor c) { return c == clGray; }), 10 * 5);
  EXPECT_EQ(frame.Pixel(14, 14), clRed);
  EXPECT_EQ(frame.Pixel(15, 15), clWhite);
}

TEST_F(RenderingTest, a_picture_cut_by_the_forms_left_and_top_edges_keeps_its_sampling) {
  TestForm* form = MakePlainForm(30, 30);
  const Bitmap32 picture = Gradient(10, 10);
  AddImage(form, {-5, -7, 20, 20}, picture)->SetStretch(true);
  AddImage(form, {20, -3, 10, 10}, picture);
  const Bitmap32& frame = Repaint(*form);
  ExpectPixels(frame, {0, 0, 15, 13},
               [&](int x, int y) { return picture.Pixel((x + 5) / 2, (y + 7) / 2); });
  ExpectPixels(frame, {20, 0, 10, 7}, [&](int x, int y) { return picture.Pixel(x - 20, y + 3); });
  EXPECT_EQ(frame.Pixel(15, 13), clWhite);
}

TEST_F(RenderingTest, disabled_button_draws_engraved_caption) {
  TestForm* form = MakePlainForm(60, 40);
  TBitBtn* button = AddButton(form, {0, 0, 60, 40});
  TFont font;
  font.Height = -20;
  font.Color = clRed;
  button->SetFont(font);
  button->SetCaption("満員");
  const Bitmap32 enabled = Repaint(*form);
  EXPECT_GT(CountPixels(enabled, {2, 2, 56, 36}, [](TColor c) { return c == clRed; }), 5);
  button->SetEnabled(false);
  const Bitmap32& frame = Repaint(*form);
  EXPECT_EQ(CountPixels(frame, {2, 2, 56, 36}, [](TColor c) { return !IsGrey(c); }), 0);
  EXPECT_GT(CountPixels(frame, {2, 2, 56, 36}, [](TColor c) { return c == clBtnShadow; }), 5);
  EXPECT_GT(CountPixels(frame, {2, 2, 56, 36}, [](TColor c) { return c == clBtnHighlight; }), 0);
}

// Painting only what changed

TEST_F(RenderingTest, moving_a_picture_presents_only_its_old_and_new_rectangles) {
  TestForm* form = MakePlainForm(200, 150, "clMaroon");
  AddImage(form, {0, 0, 200, 150}, Gradient(20, 15))->SetStretch(true);
  TImage* moving = AddImage(form, {30, 40, 40, 40}, Solid(1, 1, clRed));
  moving->SetStretch(true);
  ShowAndPaint();
  m_backend.ResetPresentStats();

  moving->SetLeft(35);
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.PresentCalls(), 1);
  EXPECT_EQ(m_backend.PresentedPixels(), 45 * 40);
  EXPECT_LT(m_backend.PresentedPixels() * 10, 200 * 150);

  // The screen holds exactly what a full repaint of the form gives.
  const HeadlessBackend::Window* window = m_backend.FindWindow(form->Handle());
  ASSERT_NE(window, nullptr);
  const Bitmap32 screen = window->screen;
  const Bitmap32& full = Repaint(*form);
  ASSERT_EQ(screen.Width(), 200);
  ASSERT_EQ(screen.Height(), 150);
  ExpectPixels(screen, screen.Bounds(), [&](int x, int y) { return full.Pixel(x, y); });
  EXPECT_EQ(screen.Pixel(30, 40), Gradient(20, 15).Pixel(3, 4));
  EXPECT_EQ(screen.Pixel(35, 40), clRed);
}

TEST_F(RenderingTest, a_change_beneath_a_picture_hiding_much_of_it_presents_only_whats_around) {
  // The photograph changing behind the building.
  TestForm* form = MakePlainForm(200, 150, "clMaroon");
  TImage* backdrop = AddImage(form, {0, 0, 200, 150}, Gradient(20, 15));
  backdrop->SetStretch(true);
  TImage* corner = AddImage(form, {0, 0, 50, 50}, Gradient(5, 5));
  TImage* hidden = AddImage(form, {60, 50, 20, 20}, Gradient(2, 2));  // behind the building
  auto* building = form->CreateOwned<CountedImage>();
  building->SetParent(form);
  building->SetBounds(40, 30, 100, 90);  // 30 % of the form
  building->SetStretch(true);
  building->Picture().Assign(BitmapGraphic(Gradient(10, 9)));
  TImage* sign = AddImage(form, {0, 0, 20, 20}, Solid(1, 1, clPurple));  // 16 % of the corner
  sign->SetStretch(true);
  ShowAndPaint();
  const Bitmap32& screen = m_backend.FindWindow(form->Handle())->screen;
  auto expect_full_repaint = [&] {
    const Bitmap32 shown = screen;
    const Bitmap32& full = Repaint(*form);
    ExpectPixels(shown, shown.Bounds(), [&](int x, int y) { return full.Pixel(x, y); });
  };

  // Only the strips around the building are repainted and sent.
  m_backend.ResetPresentStats();
  backdrop->Picture().Assign(BitmapGraphic(Gradient(25, 15)));
  m_app.PaintDirtyForms();
  EXPECT_EQ(building->m_paints, 1);  // the first paint only
  EXPECT_EQ(m_backend.PresentedPixels(), 200 * 150 - 100 * 90);
  EXPECT_EQ(screen.Pixel(199, 149), Gradient(25, 15).Pixel(24, 14));
  expect_full_repaint();

  // The building moving away in the same turn uncovers the new photograph.
  backdrop->Picture().Assign(BitmapGraphic(Gradient(20, 16)));
  building->SetLeft(60);
  m_app.PaintDirtyForms();
  EXPECT_EQ(screen.Pixel(45, 35), Gradient(20, 16).Pixel(4, 3));
  expect_full_repaint();

  // A picture hiding less than a quarter leaves the rectangle whole.
  m_backend.ResetPresentStats();
  corner->Picture().Assign(BitmapGraphic(Gradient(6, 6)));
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.PresentedPixels(), 50 * 50);

  // A picture hidden whole is still painted, so that its new file is decoded, and a broken one
  // reported, as soon as it is given.
  hidden->Picture().Assign(LoadGraphicFromMemory(JpegFailingHalfway(), "jpg"));
  m_app.PaintDirtyForms();
  EXPECT_EQ(m_backend.ErrorBoxes().size(), 1u);
}

TEST_F(RenderingTest, nothing_changed_presents_nothing) {
  MakePlainForm(50, 50);
  ShowAndPaint();
  m_backend.ResetPresentStats();
  m_app.RunUntil(m_backend.NowMs() + 1000);
  EXPECT_EQ(m_backend.PresentCalls(), 0);
  EXPECT_EQ(m_backend.PresentedPixels(), 0);
}

TEST_F(RenderingTest, jpeg_that_fails_while_decoding_is_reported_once_and_then_draws_nothing) {
  TestForm* form = MakePlainForm(60, 60, "clMaroon");
  auto* image = form->CreateOwned<TImage>();
  image->SetParent(form);
  image->SetBounds(10, 10, 40, 40);
  image->SetStretch(true);
  // The header is sound, so loading succeeds; decoding waits for the first paint.
  std::unique_ptr<TGraphic> graphic = LoadGraphicFromMemory(JpegFailingHalfway(), "jpg");
  ASSERT_EQ(graphic->Width(), 32);
  image->Picture().Assign(std::move(graphic));
  ShowAndPaint();
  ASSERT_EQ(m_backend.ErrorBoxes().size(), 1u);
  EXPECT_EQ(m_backend.ErrorBoxes()[0].title, "Widget Test");
  EXPECT_EQ(m_backend.ErrorBoxes()[0].text,
            "JPEG エラー #" + std::to_string(int(JERR_BAD_COMPONENT_ID)) + ".");

  form->InvalidateAll();
  m_app.RunUntil(m_backend.NowMs() + 500);
  EXPECT_EQ(m_backend.ErrorBoxes().size(), 1u);
  const Bitmap32& screen = m_backend.FindWindow(form->Handle())->screen;
  EXPECT_EQ(CountPixels(screen, screen.Bounds(), [](TColor c) { return c != clMaroon; }), 0);
}

TEST_F(RenderingTest, a_sound_progressive_jpeg_draws) {
  TestForm* form = MakePlainForm(32, 32, "clMaroon");
  auto* image = form->CreateOwned<TImage>();
  image->SetParent(form);
  image->SetBounds(0, 0, 32, 32);
  image->Picture().Assign(LoadGraphicFromMemory(EncodeJpeg(Solid(32, 32, clGray), true), "jpg"));
  ShowAndPaint();
  EXPECT_TRUE(m_backend.ErrorBoxes().empty());
  // Lossy, but a flat grey stays close to grey.
  TColor c = form->Frame().Pixel(16, 16);
  EXPECT_NEAR(int(RedOf(c)), 128, 3);
  EXPECT_NEAR(int(GreenOf(c)), 128, 3);
  EXPECT_NEAR(int(BlueOf(c)), 128, 3);
}

}  // namespace
}  // namespace vt::test
