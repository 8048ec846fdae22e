// A full-screen form of the widget layer on the X11 backend, as the saver's is: shown, it is
// painted once, the server's exposure of the new window answered from the frame already sent;
// while DPMS has the monitors off (as the backend reads it, the server's answers standing in
// for a server that has DPMS) nothing is painted or sent and its ticks wait, and once input
// lights the monitors it goes on with one late tick and its frame.
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "FakeDpms.h"
#include "widgets/TApplication.h"
#include "widgets/TForm.h"
#include "widgets/TTimer.h"
// Last: it brings X's headers, whose macros (None, Below) would break the widget layer's.
#include "X11TestSupport.h"

namespace vt {
namespace {

constexpr uint16_t kDpmsOn = 0, kDpmsOff = 3;

// A borderless maximised form that counts its background painted over all of it.
class CountingForm : public TForm {
 public:
  explicit CountingForm(TApplication& application) : TForm(application) {}
  static std::string_view DescriptionName() { return "CountingForm.form"; }
  void Paint(Painter& painter) override {
    if (painter.ClipRect().Contains(Rect{0, 0, Width(), Height()})) ++m_whole_paints;
    TForm::Paint(painter);
  }
  int WholePaints() const { return m_whole_paints; }

 private:
  int m_whole_paints = 0;
};

const std::string kDescription =
    "object CountingForm: TCountingForm\n"
    "  BorderStyle = bsNone\n"
    "  WindowState = wsMaximized\n"
    "  ClientWidth = 1024\n"
    "  ClientHeight = 768\n"
    "  Color = clWhite\n"
    "  PixelsPerInch = 96\n"
    "  TextHeight = 12\n"
    "end\n";

// The times this process has gone to sleep and woken up again.
long WakeUps() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::stol(line.substr(24));
  }
  return -1;
}

class X11Form : public X11BackendTest {
 protected:
  void TearDown() override { FakeDpms::Reset(); }

  enum class Ticking { No, Yes };
  // The application with its full-screen form, shown; with Ticking::Yes a timer of 100 ms
  // turns the form from white to black and back.
  void Start(Ticking ticking = Ticking::Yes) {
    m_backend = Open();
    ASSERT_TRUE(m_backend);
    m_app = std::make_unique<TApplication>(*m_backend);
    m_app->SetTitle("Form test");
    m_app->SetResourceFinder([](std::string_view) -> std::optional<std::span<const uint8_t>> {
      return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(kDescription.data()),
                                      kDescription.size());
    });
    m_app->CreateForm(m_form);
    m_app->ShowMainForm();
    if (ticking == Ticking::No) return;
    auto* timer = m_form->CreateOwned<TTimer>(*m_app);
    timer->SetInterval(100);
    timer->SetOnTimer([this](TObject*) {
      ++m_ticks;
      m_form->SetColor(m_form->Color() == clWhite ? clBlack : clWhite);
    });
  }
  void RunFor(int64_t ms) { m_app->RunUntil(m_backend->NowMs() + ms); }
  unsigned long Shown() const { return RootPixel(Test(), 512, 384) & 0xFFFFFF; }
  // The server puts a frame some time after it is sent.
  bool ShowsSoon(unsigned long pixel) const {
    for (int i = 0; i < 100 && Shown() != pixel; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return Shown() == pixel;
  }

  std::unique_ptr<X11Backend> m_backend;
  std::unique_ptr<TApplication> m_app;
  CountingForm* m_form = nullptr;
  int m_ticks = 0;
};

TEST_F(X11Form, a_form_shown_is_painted_once_and_its_exposure_answered_from_the_frame_sent) {
  Start(Ticking::No);
  // Long enough for the server's exposure of the mapped window to come and be handled.
  RunFor(1000);
  EXPECT_EQ(m_form->WholePaints(), 1);
  EXPECT_TRUE(m_backend->UsesSharedMemory(m_form->Handle()));
  EXPECT_TRUE(ShowsSoon(0xFFFFFF)) << std::hex << Shown();
  // Uncovered again, it shows its frame without being painted again.
  Window over =
      XCreateSimpleWindow(Test(), DefaultRootWindow(Test()), 400, 300, 200, 150, 0, 0, 0x00FF00);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  XChangeWindowAttributes(Test(), over, CWOverrideRedirect, &attributes);
  XMapRaised(Test(), over);
  XSync(Test(), False);
  ASSERT_TRUE(ShowsSoon(0x00FF00));
  XDestroyWindow(Test(), over);
  XSync(Test(), False);
  RunFor(500);
  EXPECT_TRUE(ShowsSoon(0xFFFFFF)) << std::hex << Shown();
  EXPECT_EQ(m_form->WholePaints(), 1);
}

TEST_F(X11Form, dark_monitors_get_no_frame_and_no_tick_until_input_lights_them) {
  FakeDpms::Set({.present = true, .enabled = true, .level = kDpmsOn});
  Start();
  RunFor(500);
  ASSERT_GT(m_ticks, 2);

  FakeDpms::Set({.present = true, .enabled = true, .level = kDpmsOff});
  // The level is read at least once a second while lit.
  RunFor(1500);
  ASSERT_GE(FakeDpms::Reads(), 1);
  const int ticks = m_ticks;
  const unsigned long shown = Shown();
  // A change of the picture meanwhile is neither painted nor sent, and the program sleeps but
  // for a read of the level every two seconds.
  m_form->SetColor(0x0000FF);
  const long wake_ups = WakeUps();
  RunFor(2500);
  EXPECT_EQ(m_ticks, ticks);
  EXPECT_EQ(Shown(), shown);
  EXPECT_LE(WakeUps() - wake_ups, 6);

  // Input powers the monitors up (the wheel, which ends no saver): one late tick at once, not
  // a burst of the missed ones, and its frame with it.
  FakeDpms::Set({.present = true, .enabled = true, .level = kDpmsOn});
  ASSERT_EQ(m_server.Run("xdotool click 4"), 0);
  for (int i = 0; i < 40 && m_ticks == ticks; ++i) RunFor(50);
  ASSERT_GT(m_ticks, ticks);
  EXPECT_LE(m_ticks - ticks, 2);
  // The blue was never sent: what shows is the colour the late tick gave.
  const unsigned long expected = m_form->Color() == clWhite ? 0xFFFFFF : 0;
  EXPECT_TRUE(ShowsSoon(expected)) << std::hex << Shown();
}

TEST_F(X11Form, a_server_without_dpms_or_with_it_disabled_is_never_dark) {
  for (FakeDpms answers : {FakeDpms{.present = false, .enabled = true, .level = kDpmsOff},
                           FakeDpms{.present = true, .enabled = false, .level = kDpmsOff}}) {
    FakeDpms::Set(answers);
    m_ticks = 0;
    Start();
    RunFor(2500);
    EXPECT_GE(m_ticks, 15) << "DPMS present: " << answers.present;
    m_app.reset();
    m_backend.reset();
  }
}

}  // namespace
}  // namespace vt
