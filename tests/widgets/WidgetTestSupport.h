#pragma once

// Shared pieces of the widget-layer tests: a form class read from a small description that the
// test supplies, an application on the headless backend, bitmap files made in memory, input
// posted as a person would give it, and pixel helpers.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "widgets/Bitmap32.h"
#include "widgets/Graphic.h"
#include "widgets/TApplication.h"
#include "widgets/TForm.h"
#include "widgets/headless/HeadlessBackend.h"

namespace vt::test {

// A form of the tests. The set-up function runs in the constructor, so the handlers it
// registers are there when the description is read.
class TestForm : public TForm {
 public:
  using Setup = std::function<void(TestForm&)>;
  explicit TestForm(TApplication& application, const Setup& setup = {}) : TForm(application) {
    if (setup) setup(*this);
  }
  static std::string_view DescriptionName() { return "TestForm.form"; }
};

// A borderless form of the given client size and colour, with nothing on it.
inline std::string PlainFormDescription(int width, int height,
                                        const std::string& color = "clWhite") {
  return "object TestForm: TestForm\n"
         "  BorderStyle = bsNone\n"
         "  ClientWidth = " +
         std::to_string(width) +
         "\n"
         "  ClientHeight = " +
         std::to_string(height) +
         "\n"
         "  Color = " +
         color +
         "\n"
         "  PixelsPerInch = 96\n"
         "  TextHeight = 12\n"
         "end\n";
}

// A 24-bit Windows bitmap file holding the given pixels (rows stored bottom-up).
inline std::vector<uint8_t> MakeBmp24(const Bitmap32& pixels) {
  const int w = pixels.Width(), h = pixels.Height();
  const int stride = (w * 3 + 3) / 4 * 4;
  const uint32_t data_size = uint32_t(stride * h);
  const uint32_t file_size = 14 + 40 + data_size;
  std::vector<uint8_t> out;
  auto u16 = [&](uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  u32(file_size);
  u32(0);
  u32(14 + 40);
  u32(40);
  u32(uint32_t(w));
  u32(uint32_t(h));
  u16(1);
  u16(24);
  u32(0);
  u32(data_size);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      TColor c = pixels.Pixel(x, y);
      out.push_back(uint8_t(BlueOf(c)));
      out.push_back(uint8_t(GreenOf(c)));
      out.push_back(uint8_t(RedOf(c)));
    }
    for (int pad = w * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

inline std::unique_ptr<TGraphic> BitmapGraphic(const Bitmap32& pixels) {
  return LoadGraphicFromMemory(MakeBmp24(pixels), "bmp");
}

// Pixels of a rectangle of a bitmap that satisfy a condition.
inline int64_t CountPixels(const Bitmap32& bitmap, const Rect& rect,
                           const std::function<bool(TColor)>& condition) {
  int64_t n = 0;
  Rect r = rect.Intersected(bitmap.Bounds());
  for (int y = r.top; y < r.Bottom(); ++y) {
    for (int x = r.left; x < r.Right(); ++x) {
      if (condition(bitmap.Pixel(x, y))) ++n;
    }
  }
  return n;
}

// The smallest rectangle holding every pixel of the area that satisfies a condition.
inline Rect BoxOf(const Bitmap32& bitmap, const Rect& area,
                  const std::function<bool(TColor)>& condition) {
  Rect box;
  Rect r = area.Intersected(bitmap.Bounds());
  for (int y = r.top; y < r.Bottom(); ++y) {
    for (int x = r.left; x < r.Right(); ++x) {
      if (condition(bitmap.Pixel(x, y))) box = box.United({x, y, 1, 1});
    }
  }
  return box;
}

// An application on a headless backend, with the resources the tests put in.
class WidgetTest : public ::testing::Test {
 protected:
  explicit WidgetTest(
      std::unique_ptr<HeadlessBackend> backend = std::make_unique<HeadlessBackend>(Size{640, 480}))
      : m_backend_owner(std::move(backend)), m_backend(*m_backend_owner), m_app(m_backend) {
    m_app.Initialize();
    m_app.SetTitle("Widget Test");
    m_app.SetResourceFinder(
        [this](std::string_view name) -> std::optional<std::span<const uint8_t>> {
          auto it = m_resources.find(std::string(name));
          if (it == m_resources.end()) return std::nullopt;
          return std::span<const uint8_t>(it->second);
        });
  }

  void Serve(const std::string& name, std::vector<uint8_t> bytes) {
    m_resources[name] = std::move(bytes);
  }
  void Serve(const std::string& name, const std::string& text) {
    m_resources[name] = std::vector<uint8_t>(text.begin(), text.end());
  }

  // Creates a form through the application from a description; the first one is the main
  // form and gets its window at once.
  TestForm* MakeForm(const std::string& description, const TestForm::Setup& setup = {}) {
    Serve(std::string(TestForm::DescriptionName()), description);
    TestForm* form = nullptr;
    m_app.CreateForm(form, setup);
    return form;
  }
  TestForm* MakePlainForm(int width, int height, const std::string& color = "clWhite",
                          const TestForm::Setup& setup = {}) {
    return MakeForm(PlainFormDescription(width, height, color), setup);
  }

  // Shows the main form and paints it once.
  void ShowAndPaint() {
    m_app.ShowMainForm();
    m_app.PaintDirtyForms();
  }
  // Paints the whole form afresh into its frame.
  const Bitmap32& Repaint(TForm& form) {
    form.InvalidateAll();
    form.RepaintDirty();
    return form.Frame();
  }

  // Handles every event already posted (and any tick due now) without moving the clock.
  void Pump() { m_app.RunUntil(m_backend.NowMs()); }

  void PostMouse(const TForm& form, EventType type, int x, int y,
                 TMouseButton button = TMouseButton::mbLeft, TShiftState shift = 0) {
    InputEvent e;
    e.type = type;
    e.window = form.Handle();
    e.x = x;
    e.y = y;
    e.button = button;
    e.shift = shift;
    m_backend.PostEvent(e);
  }
  void PostKey(WindowHandle window, uint16_t key, TShiftState shift = 0) {
    InputEvent e;
    e.type = EventType::KeyDown;
    e.window = window;
    e.key = key;
    e.shift = shift;
    m_backend.PostEvent(e);
  }
  void PostKey(const TForm& form, uint16_t key, TShiftState shift = 0) {
    PostKey(form.Handle(), key, shift);
  }

  std::unique_ptr<HeadlessBackend> m_backend_owner;
  HeadlessBackend& m_backend;
  TApplication m_app;
  std::map<std::string, std::vector<uint8_t>> m_resources;
};

}  // namespace vt::test
