// The two form descriptions built into the program: every component, in its stored order, with
// its kind, design bounds, settings, picture and event bindings.
#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "assets/BuiltinResources.h"
#include "widgets/FormReader.h"
#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TTimer.h"
#include "widgets/headless/HeadlessBackend.h"

namespace vt {
namespace {

// A form that reads a description and records which handler each binding calls, so that a
// binding can be checked by firing it.
class DescribedForm : public TForm {
 public:
  DescribedForm(TApplication& application, std::vector<std::string>& fired) : TForm(application) {
    auto notify = [&fired](std::string name) {
      return TNotifyEvent([&fired, name](TObject*) { fired.push_back(name); });
    };
    for (const char* name :
         {"FormCreate", "FormShow", "ElvTimerTimer", "Timer1Timer", "FormResize"}) {
      RegisterHandler(name, notify(name));
    }
    RegisterHandler("FormClose", TCloseEvent([&fired](TObject*, TCloseAction&) {
                      fired.push_back("FormClose");
                    }));
    RegisterHandler("FormKeyDown", TKeyEvent([&fired](TObject*, uint16_t&, TShiftState) {
                      fired.push_back("FormKeyDown");
                    }));
    RegisterHandler("ImgHaikeiMouseDown",
                    TMouseEvent([&fired](TObject*, TMouseButton, TShiftState, int, int) {
                      fired.push_back("ImgHaikeiMouseDown");
                    }));
    RegisterHandler("ImgHaikeiMouseMove",
                    TMouseMoveEvent([&fired](TObject*, TShiftState, int, int) {
                      fired.push_back("ImgHaikeiMouseMove");
                    }));
  }
};

class FormDescriptions : public ::testing::Test {
 protected:
  FormDescriptions() : application(backend), form(application, fired) {
    application.SetResourceFinder(assets::Find);
  }
  void Read(const char* name) {
    std::span<const uint8_t> text = application.Resource(name);
    FormReader(form).Read(std::string(text.begin(), text.end()));
  }
  template <class T>
  T* Component(const char* name) {
    T* c = dynamic_cast<T*>(form.FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // Fires every mouse and timer binding of a component and returns the handlers that ran.
  std::vector<std::string> Bindings(TComponent* c) {
    fired.clear();
    if (auto* control = dynamic_cast<TControl*>(c)) {
      if (control->OnMouseDown) control->OnMouseDown(c, TMouseButton::mbLeft, 0, 0, 0);
      if (control->OnMouseMove) control->OnMouseMove(c, 0, 0, 0);
      if (control->OnMouseUp) control->OnMouseUp(c, TMouseButton::mbLeft, 0, 0, 0);
    }
    if (auto* timer = dynamic_cast<TTimer*>(c)) {
      if (timer->OnTimer()) timer->OnTimer()(timer);
    }
    return fired;
  }
  static TFont Font(int height, TColor color, unsigned style) {
    TFont f;
    f.Height = height;
    f.Color = color;
    f.Style = style;
    return f;
  }

  HeadlessBackend backend;
  TApplication application;
  std::vector<std::string> fired;
  DescribedForm form;
};

TEST_F(FormDescriptions, SaverFormHasItsSettingsAndFormEvents) {
  Read("ElevatorScrForm.form");
  EXPECT_EQ(form.Name(), "ElevatorScrForm");
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsNone);
  EXPECT_EQ(form.BorderIcons(), 0u);
  EXPECT_EQ(form.WindowState(), TWindowState::wsMaximized);
  EXPECT_EQ(form.Position(), TPosition::poDesktopCenter);
  EXPECT_TRUE(form.KeyPreview());
  EXPECT_EQ(form.Color(), clMaroon);
  EXPECT_EQ(form.Font(), Font(-12, clWindowText, 0));
  EXPECT_EQ(form.ClientWidth(), 700);
  EXPECT_EQ(form.ClientHeight(), 550);
  EXPECT_EQ(form.PixelsPerInch(), 96);
  EXPECT_EQ(form.TextHeight(), 12);

  fired.clear();
  TCloseAction action = TCloseAction::caHide;
  uint16_t key = 'A';
  form.OnCreate(&form);
  form.OnShow(&form);
  form.OnClose(&form, action);
  form.OnKeyDown(&form, key, 0);
  form.OnMouseDown(&form, TMouseButton::mbLeft, 0, 0, 0);
  form.OnMouseMove(&form, 0, 0, 0);
  EXPECT_EQ(fired, (std::vector<std::string>{"FormCreate", "FormShow", "FormClose", "FormKeyDown",
                                             "ImgHaikeiMouseDown", "ImgHaikeiMouseMove"}));
  EXPECT_FALSE(form.OnResize);
}

TEST_F(FormDescriptions, SaverComponentsComeInTheirStoredOrderWithTheirKinds) {
  Read("ElevatorScrForm.form");
  std::vector<std::string> names;
  for (int i = 0; i < form.ComponentCount(); ++i) names.push_back(form.Components(i)->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"ImgBillding", "LblManin", "ImgHaikei", "ImgElv",
                                             "Label1", "LblKyakuCount", "LblElvManin", "ImgHito",
                                             "ImgOkujo", "ImgKanban", "Label2", "BitBtn1",
                                             "BitBtn2", "Timer1", "ElvTimer"}));
  for (const char* n : {"ImgBillding", "ImgHaikei", "ImgElv", "ImgHito", "ImgOkujo", "ImgKanban"}) {
    Component<TImage>(n);
  }
  for (const char* n : {"LblManin", "Label1", "LblKyakuCount", "LblElvManin", "Label2"}) {
    Component<TLabel>(n);
  }
  Component<TBitBtn>("BitBtn1");
  Component<TBitBtn>("BitBtn2");
  // Pictures and labels stack in the stored order; the buttons lie above them all.
  std::vector<std::string> stacking;
  for (TControl* c : form.Controls()) stacking.push_back(c->Name());
  EXPECT_EQ(stacking, std::vector<std::string>(names.begin(), names.end() - 2));
}

TEST_F(FormDescriptions, SaverPicturesHaveTheirBoundsSettingsPicturesAndBindings) {
  Read("ElevatorScrForm.form");
  struct Expected {
    const char* name;
    Rect bounds;
    bool stretch, proportional, transparent, visible;
    int picture_width, picture_height;
    const char* format;
    std::vector<std::string> bindings;
  };
  const std::vector<std::string> mouse = {"ImgHaikeiMouseDown", "ImgHaikeiMouseMove"};
  const Expected expected[] = {
      {"ImgBillding", {0, 0, 700, 550}, true, false, false, true, 733, 550, "jpg", mouse},
      {"ImgHaikei", {128, 56, 620, 515}, true, false, false, true, 620, 515, "jpg", mouse},
      {"ImgElv", {151, 200, 95, 70}, true, false, false, true, 95, 70, "jpg", {}},
      {"ImgHito", {320, 248, 45, 50}, false, false, true, false, 18, 50, "bmp", {}},
      {"ImgOkujo", {272, 8, 100, 100}, true, true, true, true, 39, 50, "bmp", {}},
      {"ImgKanban", {408, 16, 450, 103}, true, false, false, true, 450, 103, "jpg", {}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    TImage* image = Component<TImage>(e.name);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->BoundsRect(), e.bounds);
    EXPECT_EQ(image->Stretch(), e.stretch);
    EXPECT_EQ(image->Proportional(), e.proportional);
    EXPECT_EQ(image->Transparent(), e.transparent);
    EXPECT_EQ(image->Visible(), e.visible);
    EXPECT_TRUE(image->Enabled());
    EXPECT_FALSE(image->Center());
    ASSERT_NE(image->Picture().Graphic(), nullptr);
    EXPECT_EQ(image->Picture().Width(), e.picture_width);
    EXPECT_EQ(image->Picture().Height(), e.picture_height);
    EXPECT_EQ(image->Picture().Graphic()->FormatName(), e.format);
    EXPECT_EQ(Bindings(image), e.bindings);
  }
}

TEST_F(FormDescriptions, SaverLabelsAndButtonsHaveTheirLooksAndBindings) {
  Read("ElevatorScrForm.form");
  TLabel* manin = Component<TLabel>("LblManin");
  // Auto-sized labels are one line of their font high.
  EXPECT_EQ(manin->BoundsRect(),
            (Rect{298, 232, 42, application.Text().LineHeight(manin->Font())}));
  EXPECT_EQ(manin->Caption(), "満員");
  EXPECT_EQ(manin->Color(), clSilver);
  EXPECT_EQ(manin->Font(), Font(-20, clFuchsia, fsBold));
  EXPECT_FALSE(manin->Enabled());
  EXPECT_FALSE(manin->Visible());
  EXPECT_TRUE(manin->AutoSize());
  EXPECT_FALSE(manin->Transparent());
  EXPECT_EQ(Bindings(manin), (std::vector<std::string>{"ImgHaikeiMouseDown"}));

  TLabel* panel = Component<TLabel>("Label1");
  EXPECT_EQ(panel->BoundsRect(), (Rect{160, 208, 11, 16}));
  EXPECT_EQ(panel->Caption(), "B");
  EXPECT_EQ(panel->Alignment(), TAlignment::taCenter);
  EXPECT_FALSE(panel->AutoSize());
  EXPECT_EQ(panel->Color(), clGray);
  EXPECT_EQ(panel->Font(), Font(-19, clRed, fsBold));
  EXPECT_FALSE(panel->Enabled());
  EXPECT_FALSE(panel->Visible());

  TLabel* load = Component<TLabel>("LblKyakuCount");
  EXPECT_EQ(load->BoundsRect(), (Rect{216, 224, 30, 41}));
  EXPECT_EQ(load->Caption(), "0人");
  EXPECT_EQ(load->Alignment(), TAlignment::taCenter);
  EXPECT_FALSE(load->AutoSize());
  EXPECT_TRUE(load->WordWrap());
  EXPECT_TRUE(load->Transparent());
  EXPECT_EQ(load->Font(), Font(-20, clPurple, fsBold));
  EXPECT_TRUE(load->Enabled() && load->Visible());

  TLabel* full = Component<TLabel>("LblElvManin");
  EXPECT_EQ(full->BoundsRect(), (Rect{160, 248, 32, application.Text().LineHeight(full->Font())}))
      << "the size of its caption";
  EXPECT_EQ(full->Caption(), "満員");
  EXPECT_TRUE(full->AutoSize());
  EXPECT_TRUE(full->Transparent());
  EXPECT_EQ(full->Font(), Font(-15, clPurple, fsBold));

  TLabel* credit = Component<TLabel>("Label2");
  EXPECT_EQ(credit->Left(), 320);
  EXPECT_EQ(credit->Top(), 408);
  EXPECT_EQ(credit->Height(), application.Text().LineHeight(credit->Font()));
  EXPECT_NE(credit->Caption().find("2026"), std::string::npos);
  EXPECT_NE(credit->Caption().find("Vantorel"), std::string::npos);
  EXPECT_EQ(credit->Caption().find('\n'), std::string::npos) << "one line";
  EXPECT_TRUE(credit->AutoSize());
  EXPECT_EQ(credit->Color(), clBlack);
  EXPECT_EQ(credit->Font(), Font(-13, clWhite, 0));

  for (const char* name : {"BitBtn1", "BitBtn2"}) {
    SCOPED_TRACE(name);
    TBitBtn* button = Component<TBitBtn>(name);
    EXPECT_EQ(button->Left(), 264);
    EXPECT_EQ(button->Top(), std::string(name) == "BitBtn1" ? 224 : 264);
    EXPECT_EQ(button->Width(), 25);
    EXPECT_EQ(button->Height(), 25);
    EXPECT_EQ(button->Caption(), std::string(name) == "BitBtn1" ? "↑" : "↓");
    EXPECT_EQ(button->Font(), Font(-20, clRed, fsBold));
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(button->Visible());
    EXPECT_TRUE(Bindings(button).empty());
  }
  for (const char* name : {"ImgElv", "Label1", "LblKyakuCount", "LblElvManin", "Label2"}) {
    EXPECT_TRUE(Bindings(form.FindComponent(name)).empty()) << name;
  }
}

TEST_F(FormDescriptions, SaverTimersAndTheirHandlers) {
  Read("ElevatorScrForm.form");
  TTimer* arrivals = Component<TTimer>("Timer1");
  EXPECT_EQ(arrivals->Interval(), 3000u);
  EXPECT_FALSE(arrivals->Enabled());
  EXPECT_EQ(Bindings(arrivals), (std::vector<std::string>{"Timer1Timer"}));
  TTimer* car = Component<TTimer>("ElvTimer");
  EXPECT_EQ(car->Interval(), 100u);
  EXPECT_TRUE(car->Enabled());
  EXPECT_TRUE(car->Running());
  EXPECT_EQ(Bindings(car), (std::vector<std::string>{"ElvTimerTimer"}));
}

TEST_F(FormDescriptions, PreviewFormHoldsOneStretchedStill) {
  Read("PrvForm.form");
  EXPECT_EQ(form.Name(), "PrvForm");
  EXPECT_EQ(form.Caption(), "PrvForm");
  EXPECT_EQ(form.BorderStyle(), TBorderStyle::bsNone);
  EXPECT_EQ(form.BorderIcons(), 0u);
  EXPECT_EQ(form.BoundsRect(), (Rect{349, 214, 353, 329}));
  EXPECT_EQ(form.Color(), clBtnFace);
  EXPECT_EQ(form.Font(), Font(-12, clWindowText, 0));
  EXPECT_EQ(form.ComponentCount(), 1);
  fired.clear();
  form.OnResize(&form);
  EXPECT_EQ(fired, (std::vector<std::string>{"FormResize"}));
  TImage* image = Component<TImage>("Image1");
  EXPECT_EQ(image->BoundsRect(), (Rect{0, 0, 353, 329}));
  EXPECT_TRUE(image->Stretch());
  EXPECT_FALSE(image->Proportional());
  EXPECT_EQ(image->Picture().Width(), 350);
  EXPECT_EQ(image->Picture().Height(), 262);
  EXPECT_EQ(image->Picture().Graphic()->FormatName(), "jpg");
  EXPECT_TRUE(Bindings(image).empty());
}

// Built-in files are found by their own file names, whole, and by nothing else.
TEST(BuiltInFiles, AreFoundWholeByTheirFileNamesOnly) {
  std::optional<std::span<const uint8_t>> car = assets::Find("car.jpg");
  ASSERT_TRUE(car);
  ASSERT_GE(car->size(), 4u);
  EXPECT_EQ((std::vector<uint8_t>{(*car)[0], (*car)[1]}), (std::vector<uint8_t>{0xFF, 0xD8}));
  EXPECT_EQ((std::vector<uint8_t>{(*car)[car->size() - 2], car->back()}),
            (std::vector<uint8_t>{0xFF, 0xD9}));
  for (const char* name : {"car_jpg", "car", "car.jpgx", "", "車.jpg", "nothing.jpg"}) {
    EXPECT_FALSE(assets::Find(name)) << name;
  }
}

// The template person is an 8-bit bitmap with a full palette; the rooftop character 24-bit.
TEST_F(FormDescriptions, BuiltInBitmapsHaveTheirDepths) {
  auto header = [](const char* name) {
    std::span<const uint8_t> bytes = *assets::Find(name);
    EXPECT_GE(bytes.size(), 54u);
    auto u32 = [&](size_t at) {
      return uint32_t(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24);
    };
    uint32_t colours = u32(46);
    return std::pair<int, uint32_t>(bytes[28] | bytes[29] << 8, colours);
  };
  auto [person_bits, person_colours] = header("person.bmp");
  EXPECT_EQ(person_bits, 8);
  EXPECT_TRUE(person_colours == 256 || person_colours == 0);
  EXPECT_EQ(header("rooftop.bmp").first, 24);
  auto [icon_bits, icon_colours] = header("icon.bmp");
  EXPECT_EQ(icon_bits, 32);
  (void)icon_colours;
  std::unique_ptr<TGraphic> icon = LoadGraphicFromMemory(*assets::Find("icon.bmp"), "bmp");
  EXPECT_EQ(icon->Width(), 32);
  EXPECT_EQ(icon->Height(), 32);
}

}  // namespace
}  // namespace vt
