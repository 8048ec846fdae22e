#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/FormDescription.h"
#include "widgets/FormReader.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TTimer.h"

namespace vt::test {
namespace {

const char* const kDescription = R"(# A form with one component of every kind.
object TestForm: TestForm
  Left = 12
  Top = 34
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsNone
  Caption = 'Test ''form'''
  ClientWidth = 200
  ClientHeight = 150
  Color = clMaroon
  Font.Charset = SHIFTJIS_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = 'ＭＳ Ｐゴシック'
  Font.Style = []
  KeyPreview = True
  Position = poDesktopCenter
  WindowState = wsNormal
  PixelsPerInch = 96
  TextHeight = 12
  OnCreate = FormCreate
  OnShow = FormShow
  OnClose = FormClose
  OnKeyDown = FormKeyDown
  OnMouseDown = FormMouseDown
  OnMouseMove = FormMouseMove
  OnResize = FormResize
  object ImgBack: TImage
    Left = 0
    Top = 0
    Width = 200
    Height = 150
    Picture = 'tiny.bmp'
    Stretch = True
    OnMouseDown = FormMouseDown
  end
  object LblSign: TLabel
    Left = 10
    Top = 20
    Width = 42
    Height = 20
    Alignment = taCenter
    AutoSize = False
    Caption = '満員'
    Color = clSilver
    Enabled = False
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clFuchsia
    Font.Height = -20
    Font.Name = 'ＭＳ Ｐゴシック'
    Font.Style = [fsBold]
    ParentColor = False
    ParentFont = False
    Transparent = True
    Visible = False
    Tag = 7
  end
  object BtnUp: TBitBtn
    Left = 100
    Top = 101
    Width = 20
    Height = 21
    Caption = '▲'
    Enabled = False
    TabOrder = 0
  end
  object Tick: TTimer
    Enabled = False
    Interval = 3000
    OnTimer = TickTimer
  end
end
)";

class FormDescriptionTest : public WidgetTest {
 protected:
  void SetUp() override {
    Bitmap32 tiny(2, 3, clRed);
    Serve("tiny.bmp", MakeBmp24(tiny));
  }

  // Registers every handler the description names; each writes its name down.
  TestForm::Setup Handlers() {
    return [this](TestForm& f) {
      auto note = [this](const std::string& name) { m_calls.push_back(name); };
      for (const char* name : {"FormCreate", "FormShow", "FormResize", "TickTimer"}) {
        f.RegisterHandler(name, TNotifyEvent([note, name](TObject*) { note(name); }));
      }
      f.RegisterHandler("FormClose",
                        TCloseEvent([note](TObject*, TCloseAction&) { note("FormClose"); }));
      f.RegisterHandler("FormKeyDown", TKeyEvent([note](TObject*, uint16_t& key, TShiftState) {
                          note("FormKeyDown " + std::to_string(key));
                        }));
      f.RegisterHandler("FormMouseDown", TMouseEvent([note](TObject* sender, TMouseButton,
                                                            TShiftState, int x, int y) {
                          note("FormMouseDown " + static_cast<TComponent*>(sender)->Name() + " " +
                               std::to_string(x) + "," + std::to_string(y));
                        }));
      f.RegisterHandler("FormMouseMove",
                        TMouseMoveEvent([note](TObject*, TShiftState, int x, int y) {
                          note("FormMouseMove " + std::to_string(x) + "," + std::to_string(y));
                        }));
    };
  }

  // Reads a description into a form of its own, outside the application's list.
  void Read(const std::string& text) {
    m_loose.push_back(std::make_unique<TestForm>(m_app, Handlers()));
    FormReader(*m_loose.back()).Read(text);
  }

  // Every text must fail to read.
  void ExpectReadErrors(std::initializer_list<std::string> texts) {
    for (const auto& text : texts) EXPECT_THROW(Read(text), EReadError) << text;
  }

  std::vector<std::string> m_calls;
  std::vector<std::unique_ptr<TestForm>> m_loose;
};

// A description of the test form with the given lines inside it.
std::string FormWith(const std::string& lines) {
  return "object TestForm: TestForm\n" + lines + "end\n";
}

// The lines of one component with a single property.
std::string Child(const std::string& object, const std::string& property) {
  return "  object " + object + "\n    " + property + "\n  end\n";
}

TEST_F(FormDescriptionTest, components_are_created_in_order_with_their_kinds_and_names) {
  TestForm* form = MakeForm(kDescription, Handlers());
  EXPECT_EQ(form->Name(), "TestForm");
  ASSERT_EQ(form->ComponentCount(), 4);
  EXPECT_NE(dynamic_cast<TImage*>(form->Components(0)), nullptr);
  EXPECT_NE(dynamic_cast<TLabel*>(form->Components(1)), nullptr);
  EXPECT_NE(dynamic_cast<TBitBtn*>(form->Components(2)), nullptr);
  EXPECT_NE(dynamic_cast<TTimer*>(form->Components(3)), nullptr);
  std::vector<std::string> names;
  for (int i = 0; i < form->ComponentCount(); ++i) names.push_back(form->Components(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"ImgBack", "LblSign", "BtnUp", "Tick"}));
  // The widgets are on the form in the same order; the timer is not a widget.
  ASSERT_EQ(form->Controls().size(), 3u);
  EXPECT_EQ(form->Controls()[0], form->FindComponent("ImgBack"));
  EXPECT_EQ(form->Controls()[1], form->FindComponent("LblSign"));
  EXPECT_EQ(form->Controls()[2], form->FindComponent("BtnUp"));
  EXPECT_EQ(form->FindControl("BtnUp"), form->FindComponent("BtnUp"));
  for (TControl* c : form->Controls()) {
    EXPECT_EQ(c->Parent(), form);
    EXPECT_EQ(c->Owner(), form);
  }
  ASSERT_EQ(form->Timers().size(), 1u);
  EXPECT_EQ(form->Timers()[0], form->FindComponent("Tick"));
}

TEST_F(FormDescriptionTest, the_forms_own_settings_are_applied) {
  TestForm* form = MakeForm(kDescription, Handlers());
  EXPECT_EQ(form->Caption(), "Test 'form'");
  EXPECT_EQ(form->Left(), 12);
  EXPECT_EQ(form->Top(), 34);
  EXPECT_EQ(form->ClientWidth(), 200);
  EXPECT_EQ(form->ClientHeight(), 150);
  EXPECT_EQ(form->Color(), clMaroon);
  EXPECT_EQ(form->BorderStyle(), TBorderStyle::bsNone);
  EXPECT_EQ(form->BorderIcons(), unsigned(biSystemMenu | biMinimize));
  EXPECT_EQ(form->Position(), TPosition::poDesktopCenter);
  EXPECT_EQ(form->WindowState(), TWindowState::wsNormal);
  EXPECT_TRUE(form->KeyPreview());
  EXPECT_EQ(form->PixelsPerInch(), 96);
  EXPECT_EQ(form->TextHeight(), 12);
  EXPECT_EQ(form->Font().Height, -12);
  EXPECT_EQ(form->Font().Name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(form->Font().Charset, SHIFTJIS_CHARSET);
  EXPECT_EQ(form->Font().Style, 0u);
}

TEST_F(FormDescriptionTest, the_components_settings_are_applied) {
  TestForm* form = MakeForm(kDescription, Handlers());
  auto* image = static_cast<TImage*>(form->FindComponent("ImgBack"));
  EXPECT_EQ(image->BoundsRect(), (Rect{0, 0, 200, 150}));
  EXPECT_TRUE(image->Stretch());
  EXPECT_FALSE(image->Proportional());
  EXPECT_FALSE(image->Transparent());
  EXPECT_EQ(image->Picture().Width(), 2);
  EXPECT_EQ(image->Picture().Height(), 3);
  EXPECT_TRUE(image->Visible());
  EXPECT_TRUE(image->Enabled());

  auto* label = static_cast<TLabel*>(form->FindComponent("LblSign"));
  EXPECT_EQ(label->BoundsRect(), (Rect{10, 20, 42, 20}));
  EXPECT_EQ(label->Alignment(), TAlignment::taCenter);
  EXPECT_FALSE(label->AutoSize());
  EXPECT_EQ(label->Caption(), "満員");
  EXPECT_EQ(label->Color(), clSilver);
  EXPECT_FALSE(label->ParentColor());
  EXPECT_FALSE(label->Enabled());
  EXPECT_EQ(label->Font().Color, clFuchsia);
  EXPECT_EQ(label->Font().Height, -20);
  EXPECT_TRUE(label->Font().IsBold());
  EXPECT_FALSE(label->ParentFont());
  EXPECT_TRUE(label->Transparent());
  EXPECT_FALSE(label->Visible());
  EXPECT_EQ(label->Tag(), 7);

  auto* button = static_cast<TBitBtn*>(form->FindComponent("BtnUp"));
  EXPECT_EQ(button->BoundsRect(), (Rect{100, 101, 20, 21}));
  EXPECT_EQ(button->Caption(), "▲");
  EXPECT_FALSE(button->Enabled());
  EXPECT_TRUE(button->ParentFont());
  EXPECT_EQ(button->Font(), form->Font());
  EXPECT_EQ(button->Color(), clMaroon);

  auto* timer = static_cast<TTimer*>(form->FindComponent("Tick"));
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 3000u);
  EXPECT_FALSE(timer->Running());
}

TEST_F(FormDescriptionTest, a_label_left_to_size_itself_takes_the_size_of_its_caption) {
  TestForm* form = MakeForm(
      "object TestForm: TestForm\n"
      "  object L: TLabel\n"
      "    Left = 5\n"
      "    Top = 6\n"
      "    Width = 100\n"
      "    Height = 50\n"
      "    Caption = '10'\n"
      "  end\n"
      "end\n");
  auto* label = static_cast<TLabel*>(form->FindComponent("L"));
  EXPECT_TRUE(label->AutoSize());
  EXPECT_EQ(label->BoundsRect(), (Rect{5, 6, m_app.Text().TextWidth(label->Font(), "10"),
                                       m_app.Text().LineHeight(label->Font())}));
}

TEST_F(FormDescriptionTest, handlers_are_bound_by_name_with_their_event_types) {
  TestForm* form = MakeForm(kDescription, Handlers());
  EXPECT_EQ(m_calls, (std::vector<std::string>{"FormCreate"}));
  m_calls.clear();
  ShowAndPaint();
  EXPECT_EQ(m_calls, (std::vector<std::string>{"FormShow"}));

  m_calls.clear();
  PostMouse(*form, EventType::MouseDown, 30, 40);
  PostMouse(*form, EventType::MouseMove, 31, 41);  // the picture has no move handler
  PostKey(*form, 'Q');
  Pump();
  EXPECT_EQ(m_calls, (std::vector<std::string>{"FormMouseDown ImgBack 30,40", "FormKeyDown 81"}));

  m_calls.clear();
  static_cast<TControl*>(form->FindComponent("ImgBack"))->SetVisible(false);
  PostMouse(*form, EventType::MouseMove, 31, 41);
  PostMouse(*form, EventType::MouseDown, 32, 42);
  Pump();
  EXPECT_EQ(m_calls,
            (std::vector<std::string>{"FormMouseMove 31,41", "FormMouseDown TestForm 32,42"}));

  m_calls.clear();
  auto* timer = static_cast<TTimer*>(form->FindComponent("Tick"));
  timer->SetEnabled(true);
  m_app.RunUntil(m_backend.NowMs() + 3000);
  EXPECT_EQ(m_calls, (std::vector<std::string>{"TickTimer"}));

  m_calls.clear();
  form->SetBounds(form->Left(), form->Top(), 300, 150);
  EXPECT_EQ(m_calls, (std::vector<std::string>{"FormResize"}));

  m_calls.clear();
  form->Close();
  EXPECT_EQ(m_calls, (std::vector<std::string>{"FormClose"}));
  EXPECT_TRUE(m_app.Terminated());
}

TEST_F(FormDescriptionTest, a_missing_handler_is_a_read_error) {
  try {
    Read(FormWith(Child("T: TTimer", "OnTimer = Nowhere")));
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "メソッド Nowhere が見つかりません");
  }
  ExpectReadErrors(
      {FormWith("  OnCreate = Missing\n"), FormWith(Child("L: TLabel", "OnMouseDown = Gone"))});
}

TEST_F(FormDescriptionTest, a_handler_of_the_wrong_type_is_a_read_error) {
  ExpectReadErrors({FormWith("  OnKeyDown = FormShow\n"), FormWith("  OnShow = FormKeyDown\n"),
                    FormWith(Child("I: TImage", "OnMouseDown = FormMouseMove")),
                    FormWith(Child("T: TTimer", "OnTimer = FormClose"))});
}

TEST_F(FormDescriptionTest, an_unknown_property_is_a_read_error) {
  ExpectReadErrors({FormWith("  Colour = clRed\n"), FormWith(Child("B: TBitBtn", "Stretch = True")),
                    FormWith(Child("T: TTimer", "Left = 3")),
                    FormWith(Child("L: TLabel", "Stretch = True")), FormWith("  Font.Size = 9\n")});
}

TEST_F(FormDescriptionTest, a_bad_value_is_a_read_error) {
  for (const char* line :
       {"Left = ten", "Left = 10px", "Left = 'ten'", "KeyPreview = Yes", "Color = clPink",
        "BorderStyle = bsThick", "BorderIcons = [biClose]", "Font.Style = [fsWide]",
        "Font.Name = Gothic", "Caption = 'a' 'b'", "PixelsPerInch = 9999999999"}) {
    EXPECT_THROW(Read(FormWith(std::string("  ") + line + "\n")), EReadError) << line;
  }
}

TEST_F(FormDescriptionTest, a_malformed_description_is_a_read_error_naming_the_line) {
  try {
    Read(FormWith("  Left = 1\n  Left 10\n"));
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find("3 行目"), std::string::npos) << e.Message();
  }
  for (const char* text : {
           "object TestForm: TestForm\n  Caption = 'open\nend\n",         // unterminated text
           "object TestForm: TestForm\n  Left =\nend\n",                  // no value
           "object TestForm: TestForm\n  = 5\nend\n",                     // no name
           "object TestForm: TestForm\n  Left = 1\n",                     // no end
           "object TestForm: TestForm\nend\nend\n",                       // one end too many
           "object TestForm TestForm\nend\n",                             // no colon
           "object : TestForm\nend\n",                                    // no name
           "Left = 1\nobject TestForm: TestForm\nend\n",                  // outside an object
           "object A: TestForm\nend\nobject B: TestForm\nend\n",          // two forms
           "object TestForm: TestForm\n  BorderIcons = [biHelp\nend\n",   // unterminated set
           "object TestForm: TestForm\n  object E: TEdit\n  end\nend\n",  // unknown class
           "",
       }) {
    EXPECT_THROW(Read(text), EReadError) << text;
  }
}

TEST_F(FormDescriptionTest, comments_blank_lines_and_indentation_are_ignored) {
  FormDescription::Object o = FormDescription::Parse(
      "\n# top\nobject F: TForm\n\n    # inside\n\tLeft = 5\r\n  object L: TLabel\r\n"
      "Caption = 'it''s'\n  end\n  BorderIcons = [ biHelp , biMinimize ]\nend\n\n");
  EXPECT_EQ(o.name, "F");
  EXPECT_EQ(o.class_name, "TForm");
  ASSERT_EQ(o.properties.size(), 2u);
  EXPECT_EQ(o.properties[0].name, "Left");
  EXPECT_EQ(o.properties[0].value, "5");
  EXPECT_EQ(o.properties[0].line, 6);
  EXPECT_FALSE(o.properties[0].is_string);
  EXPECT_EQ(o.properties[1].value, "biHelp,biMinimize");
  ASSERT_EQ(o.children.size(), 1u);
  EXPECT_EQ(o.children[0].properties[0].value, "it's");
  EXPECT_TRUE(o.children[0].properties[0].is_string);
}

TEST_F(FormDescriptionTest, a_form_made_through_the_application_needs_its_description) {
  TestForm* form = nullptr;
  EXPECT_THROW(m_app.CreateForm(form), EReadError);
}

// Scaling for the screen's pixels per inch

const char* const kScaledDescription = R"(object TestForm: TestForm
  BorderStyle = bsNone
  ClientWidth = 200
  ClientHeight = 150
  Font.Height = -12
  PixelsPerInch = 96
  TextHeight = 12
  object A: TLabel
    Left = 10
    Top = 7
    Width = 33
    Height = 21
    AutoSize = False
    Font.Height = -20
    ParentFont = False
  end
  object B: TLabel
    Left = -7
    Top = 11
    Width = 2
    Height = 13
    AutoSize = False
    Font.Height = -13
    ParentFont = False
  end
  object C: TImage
    Left = 100
    Top = 100
    Width = 45
    Height = 50
  end
  object D: TLabel
    Left = 1
    Top = 2
    Width = 3
    Height = 4
    AutoSize = False
    Caption = 'x'
  end
end
)";

struct Scaled {
  int ppi;
  int form_font;  // the form's font height after reading
  int text_height;
  Rect a, b, c, d;
  int a_font, b_font;
  int client_width, client_height;
};

void PrintTo(const Scaled& s, std::ostream* out) {
  *out << s.ppi << " pixels per inch";
}

class ScaledFormTest : public WidgetTest, public ::testing::WithParamInterface<Scaled> {
 protected:
  ScaledFormTest()
      : WidgetTest(std::make_unique<HeadlessBackend>(Size{640, 480}, GetParam().ppi)) {}
};

TEST_P(ScaledFormTest, widgets_and_fonts_are_scaled_by_the_measured_text_height) {
  const Scaled& s = GetParam();
  TestForm* form = MakeForm(kScaledDescription);
  EXPECT_EQ(form->PixelsPerInch(), s.ppi);
  EXPECT_EQ(form->Font().Height, s.form_font);
#ifdef _WIN32
  // The figures are those of a face whose line is one em, as the forms' face is; the face that
  // Wine serves in its place has internal leading, and the scaling then gives other figures.
  if (m_app.Text().LineHeight(form->Font()) != s.text_height) {
    GTEST_SKIP() << "the face measures " << m_app.Text().LineHeight(form->Font());
  }
#endif
  EXPECT_EQ(m_app.Text().LineHeight(form->Font()), s.text_height);
  auto control = [&](const char* name) {
    return static_cast<TControl*>(form->FindComponent(name));
  };
  EXPECT_EQ(control("A")->BoundsRect(), s.a);
  EXPECT_EQ(control("B")->BoundsRect(), s.b);
  EXPECT_EQ(control("C")->BoundsRect(), s.c);
  EXPECT_EQ(control("D")->BoundsRect(), s.d);
  EXPECT_EQ(control("A")->Font().Height, s.a_font);
  EXPECT_EQ(control("B")->Font().Height, s.b_font);
  // A widget without a font of its own follows the form's.
  EXPECT_TRUE(control("D")->ParentFont());
  EXPECT_EQ(control("D")->Font().Height, s.form_font);
  EXPECT_EQ(form->ClientWidth(), s.client_width);
  EXPECT_EQ(form->ClientHeight(), s.client_height);
}

// At 120 pixels per inch the form's -12 becomes -15, which measures 15: everything grows by
// 15/12. A font of its own of -20 is 12 points at 120, grows to 15 points, -25 pixels; -13 is
// 8 points (7.8 rounded), grows to 10 points, -17 pixels (16.67 rounded).
// At 144 the form's font is -18 and measures 18: everything grows by 18/12; -20 is 10 points,
// grows to 15, -30 pixels; -13 is 7 points (6.5 rounded away from zero), grows to 11 (10.5),
// -22 pixels.
// clang-format off
INSTANTIATE_TEST_SUITE_P(PixelsPerInch, ScaledFormTest, ::testing::Values(
    // ppi, the form's font and text height, the bounds of A, B, C and D, the fonts of A and B,
    // the client size.
    Scaled{96,  -12, 12, {10, 7, 33, 21},  {-7, 11, 2, 13},   {100, 100, 45, 50}, {1, 2, 3, 4},
           -20, -13, 200, 150},
    Scaled{120, -15, 15, {13, 9, 41, 26},  {-9, 14, 3, 16},   {125, 125, 56, 63}, {1, 3, 4, 5},
           -25, -17, 250, 188},
    Scaled{144, -18, 18, {15, 11, 50, 31}, {-11, 17, 3, 19}, {150, 150, 68, 75}, {2, 3, 4, 6},
           -30, -22, 300, 225}),
    [](const ::testing::TestParamInfo<Scaled>& info) { return std::to_string(info.param.ppi); });
// clang-format on

}  // namespace
}  // namespace vt::test

// The form's life: showing, resizing, exposure and closing

namespace vt::test {
namespace {

class FormLifecycleTest : public WidgetTest {
 protected:
  TestForm* MakeCentredForm() {
    return MakeForm(
        "object TestForm: TestForm\n"
        "  Left = 3\n"
        "  Top = 4\n"
        "  BorderStyle = bsNone\n"
        "  ClientWidth = 200\n"
        "  ClientHeight = 150\n"
        "  Color = clMaroon\n"
        "  Position = poDesktopCenter\n"
        "  OnShow = FormShow\n"
        "  OnResize = FormResize\n"
        "  OnClose = FormClose\n"
        "end\n",
        [this](TestForm& f) {
          f.RegisterHandler("FormShow", TNotifyEvent([this, &f](TObject*) {
                              const HeadlessBackend::Window* w = m_backend.FindWindow(f.Handle());
                              m_visible_at_show = w && w->visible;
                              m_calls.push_back("show");
                            }));
          f.RegisterHandler("FormResize", TNotifyEvent([this, &f](TObject*) {
                              m_calls.push_back("resize " + std::to_string(f.ClientWidth()) + "x" +
                                                std::to_string(f.ClientHeight()));
                            }));
          f.RegisterHandler("FormClose", TCloseEvent([this](TObject*, TCloseAction&) {
                              m_calls.push_back("close");
                            }));
        });
  }

  // Posts an event of the type for the form's window; fill() sets its other fields.
  void PostWindowEvent(const TForm& form, EventType type,
                       const std::function<void(InputEvent&)>& fill = {}) {
    InputEvent e;
    e.type = type;
    e.window = form.Handle();
    if (fill) fill(e);
    m_backend.PostEvent(e);
  }

  // A second form through the application, from a plain description.
  TestForm* MakeSecondForm() {
    Serve("TestForm.form", PlainFormDescription(50, 40));
    TestForm* other = nullptr;
    m_app.CreateForm(other);
    return other;
  }

  std::vector<std::string> m_calls;
  bool m_visible_at_show = true;
};

TEST_F(FormLifecycleTest, show_runs_before_the_window_appears_centred_on_the_desktop) {
  TestForm* form = MakeCentredForm();
  ASSERT_TRUE(form->HandleAllocated());
  EXPECT_FALSE(m_backend.FindWindow(form->Handle())->visible);
  ShowAndPaint();
  EXPECT_EQ(m_calls, (std::vector<std::string>{"show"}));
  EXPECT_FALSE(m_visible_at_show);
  const HeadlessBackend::Window* w = m_backend.FindWindow(form->Handle());
  EXPECT_TRUE(w->visible);
  EXPECT_EQ(form->BoundsRect(), (Rect{220, 165, 200, 150}));
  EXPECT_EQ(w->bounds, (Rect{220, 165, 200, 150}));
  EXPECT_EQ(w->screen.Pixel(199, 149), clMaroon);
}

TEST_F(FormLifecycleTest, a_new_window_size_resizes_the_form_and_repaints_it) {
  TestForm* form = MakeCentredForm();
  ShowAndPaint();
  m_calls.clear();
  auto to_300x100 = [](InputEvent& e) {
    e.width = 300;
    e.height = 100;
  };
  PostWindowEvent(*form, EventType::Resized, to_300x100);
  m_backend.ResetPresentStats();
  Pump();
  EXPECT_EQ(m_calls, (std::vector<std::string>{"resize 300x100"}));
  EXPECT_EQ(form->Frame().Width(), 300);
  EXPECT_EQ(form->Frame().Height(), 100);
  EXPECT_EQ(m_backend.PresentedPixels(), 300 * 100);
  // The same size again changes nothing.
  m_calls.clear();
  PostWindowEvent(*form, EventType::Resized, to_300x100);
  m_backend.ResetPresentStats();
  Pump();
  EXPECT_TRUE(m_calls.empty());
  EXPECT_EQ(m_backend.PresentedPixels(), 0);
}

TEST_F(FormLifecycleTest, an_exposed_rectangle_is_presented_again) {
  TestForm* form = MakeCentredForm();
  ShowAndPaint();
  PostWindowEvent(*form, EventType::Expose, [](InputEvent& e) { e.rect = {10, 20, 30, 40}; });
  m_backend.ResetPresentStats();
  Pump();
  EXPECT_EQ(m_backend.PresentCalls(), 1);
  EXPECT_EQ(m_backend.PresentedPixels(), 30 * 40);
}

TEST_F(FormLifecycleTest, closing_the_main_form_ends_the_event_loop) {
  TestForm* form = MakeCentredForm();
  ShowAndPaint();
  PostWindowEvent(*form, EventType::CloseRequest);
  m_app.RunUntil(60000);
  EXPECT_EQ(m_calls, (std::vector<std::string>{"show", "close"}));
  EXPECT_TRUE(m_app.Terminated());
  EXPECT_LT(m_backend.NowMs(), 60000);
}

TEST_F(FormLifecycleTest, closing_another_form_hides_it) {
  MakeCentredForm();
  TestForm* other = MakeSecondForm();
  other->Show();
  ASSERT_TRUE(m_backend.FindWindow(other->Handle())->visible);
  other->Close();
  EXPECT_FALSE(m_app.Terminated());
  EXPECT_FALSE(other->Showing());
  EXPECT_FALSE(m_backend.FindWindow(other->Handle())->visible);
}

TEST_F(FormLifecycleTest, the_first_form_made_is_the_main_form) {
  TestForm* first = MakeCentredForm();
  TestForm* second = MakeSecondForm();
  EXPECT_EQ(m_app.MainForm(), first);
  EXPECT_EQ(m_app.Forms().size(), 2u);
  EXPECT_FALSE(second->HandleAllocated());
}

}  // namespace
}  // namespace vt::test
