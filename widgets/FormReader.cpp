// Reading a form description into a form:
// - the components it lists, created by class name;
// - property values checked against what each property takes: whole numbers, True and False,
//   colour and enumeration names, sets, strings;
// - handlers bound by the names the form registered, pictures read from the built-in files;
// - the form scaled to the screen's pixels per inch once everything is read.
#include "widgets/FormReader.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <sstream>
#include <utility>

#include "widgets/Exceptions.h"
#include "widgets/Graphic.h"
#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TTimer.h"

namespace vt {

namespace {

using Property = FormDescription::Property;

[[noreturn]] void BadValue(const Property& p) {
  throw EReadError("プロパティ " + p.name + " の値 '" + p.value + "' が不正です (" +
                   std::to_string(p.line) + " 行目)");
}

int32_t IntValue(const Property& p) {
  int32_t v = 0;
  const char* b = p.value.data();
  const char* e = b + p.value.size();
  auto [ptr, ec] = std::from_chars(b, e, v);
  if (p.is_string || ec != std::errc() || ptr != e) BadValue(p);
  return v;
}

bool BoolValue(const Property& p) {
  if (p.value == "True") return true;
  if (p.value == "False") return false;
  BadValue(p);
}

TColor ColorValue(const Property& p) {
  static constexpr std::pair<const char*, TColor> kNames[] = {
      {"clBlack", clBlack},         {"clMaroon", clMaroon},
      {"clPurple", clPurple},       {"clGray", clGray},
      {"clSilver", clSilver},       {"clRed", clRed},
      {"clFuchsia", clFuchsia},     {"clWhite", clWhite},
      {"clBtnFace", clBtnFace},     {"clBtnHighlight", clBtnHighlight},
      {"clBtnShadow", clBtnShadow}, {"clWindowText", clWindowText}};
  for (const auto& [name, color] : kNames) {
    if (p.value == name) return color;
  }
  return TColor(IntValue(p));
}

template <class E, size_t N>
E EnumValue(const Property& p, const std::pair<const char*, E> (&names)[N]) {
  for (const auto& [name, value] : names) {
    if (p.value == name) return value;
  }
  BadValue(p);
}

// A set: the bits of the items it lists, each one of names.
template <size_t N>
unsigned SetValue(const Property& p, const std::pair<const char*, unsigned> (&names)[N]) {
  unsigned bits = 0;
  std::stringstream items(p.value);
  std::string item;
  while (std::getline(items, item, ',')) {
    auto it = std::find_if(std::begin(names), std::end(names),
                           [&](const auto& name) { return item == name.first; });
    if (it == std::end(names)) BadValue(p);
    bits |= it->second;
  }
  return bits;
}

void ApplyFontProperty(TControl& control, TFont font, const Property& p) {
  // Italic, underlined and struck-out text is taken, and drawn plain.
  static constexpr std::pair<const char*, unsigned> kStyles[] = {
      {"fsBold", fsBold}, {"fsItalic", 0}, {"fsUnderline", 0}, {"fsStrikeOut", 0}};
  std::string sub = p.name.substr(5);
  if (sub == "Charset") {
    font.Charset = p.value == "SHIFTJIS_CHARSET"  ? SHIFTJIS_CHARSET
                   : p.value == "DEFAULT_CHARSET" ? DEFAULT_CHARSET
                                                  : uint8_t(IntValue(p));
  } else if (sub == "Color") {
    font.Color = ColorValue(p);
  } else if (sub == "Height") {
    font.Height = IntValue(p);
  } else if (sub == "Name") {
    if (!p.is_string) BadValue(p);
    font.Name = p.value;
  } else if (sub == "Style") {
    font.Style = SetValue(p, kStyles);
  } else {
    BadValue(p);
  }
  control.SetFont(font);
}

}  // namespace

void FormReader::Read(const std::string& text) {
  FormDescription::Object root = FormDescription::Parse(text);
  m_form.SetName(root.name);
  for (const auto& p : root.properties) Apply(m_form, p);
  int design_ppi = m_form.PixelsPerInch();
  for (const auto& child : root.children) {
    TComponent& component = Create(child.class_name);
    component.SetName(child.name);
    if (auto* control = dynamic_cast<TControl*>(&component)) control->SetParent(&m_form);
    for (const auto& p : child.properties) Apply(component, p);
  }
  int ppi = m_form.Application().GetBackend().PixelsPerInch();
  if (ppi != design_ppi) m_form.ScaleForPixelsPerInch(ppi);
}

TComponent& FormReader::Create(const std::string& class_name) {
  if (class_name == "TImage") return *m_form.CreateOwned<TImage>();
  if (class_name == "TLabel") return *m_form.CreateOwned<TLabel>();
  if (class_name == "TBitBtn") return *m_form.CreateOwned<TBitBtn>();
  if (class_name == "TTimer") {
    auto* timer = m_form.CreateOwned<TTimer>(m_form.Application());
    m_form.AddTimer(timer);
    return *timer;
  }
  throw EReadError("クラス " + class_name + " が見つかりません");
}

void FormReader::Apply(TComponent& component, const Property& p) {
  if (auto* timer = dynamic_cast<TTimer*>(&component)) return ApplyToTimer(*timer, p);
  auto& control = dynamic_cast<TControl&>(component);
  if (ApplyToControl(control, p)) return;
  if (auto* form = dynamic_cast<TForm*>(&control)) return ApplyToForm(*form, p);
  if (auto* label = dynamic_cast<TLabel*>(&control)) return ApplyToLabel(*label, p);
  if (auto* image = dynamic_cast<TImage*>(&control)) return ApplyToImage(*image, p);
  // A button's kind and glyph are drawn by the button itself.
  if (dynamic_cast<TBitBtn*>(&control) && (p.name == "Kind" || p.name == "Glyph")) return;
  BadValue(p);
}

template <class Event>
void FormReader::Bind(Event& event, const Property& p) const {
  const THandler* handler = m_form.FindHandler(p.value);
  if (!handler) throw EReadError("メソッド " + p.value + " が見つかりません");
  const auto* bound = std::get_if<Event>(handler);
  if (!bound) throw EReadError("メソッド " + p.value + " の型が " + p.name + " に合いません");
  event = *bound;
}

void FormReader::ApplyToTimer(TTimer& timer, const Property& p) {
  const std::string& n = p.name;
  if (n == "Interval") return timer.SetInterval(uint32_t(IntValue(p)));
  if (n == "Enabled") return timer.SetEnabled(BoolValue(p));
  if (n == "OnTimer") {
    // A handler of another type is not found either: a timer takes nothing but OnTimer's.
    const THandler* handler = m_form.FindHandler(p.value);
    const TNotifyEvent* event = handler ? std::get_if<TNotifyEvent>(handler) : nullptr;
    if (!event) throw EReadError("メソッド " + p.value + " が見つかりません");
    return timer.SetOnTimer(*event);
  }
  BadValue(p);
}

bool FormReader::ApplyToControl(TControl& control, const Property& p) {
  const std::string& n = p.name;
  if (n == "Left") {
    control.SetLeft(IntValue(p));
  } else if (n == "Top") {
    control.SetTop(IntValue(p));
  } else if (n == "Width" || n == "ClientWidth") {
    control.SetWidth(IntValue(p));
  } else if (n == "Height" || n == "ClientHeight") {
    control.SetHeight(IntValue(p));
  } else if (n == "Visible") {
    control.SetVisible(BoolValue(p));
  } else if (n == "Enabled") {
    control.SetEnabled(BoolValue(p));
  } else if (n == "Caption") {
    control.SetCaption(p.value);
  } else if (n == "Color") {
    control.SetColor(ColorValue(p));
  } else if (n.rfind("Font.", 0) == 0) {
    ApplyFontProperty(control, control.Font(), p);
  } else if (n == "ParentFont" || n == "ParentColor" || n == "TabOrder") {
    // Implied by the properties above.
  } else if (n == "Tag") {
    control.SetTag(IntValue(p));
  } else if (n == "OnMouseDown") {
    Bind(control.OnMouseDown, p);
  } else if (n == "OnMouseUp") {
    Bind(control.OnMouseUp, p);
  } else if (n == "OnMouseMove") {
    Bind(control.OnMouseMove, p);
  } else {
    return false;
  }
  return true;
}

void FormReader::ApplyToForm(TForm& form, const Property& p) {
  static constexpr std::pair<const char*, TBorderStyle> kBorder[] = {
      {"bsNone", TBorderStyle::bsNone},
      {"bsSingle", TBorderStyle::bsSingle},
      {"bsSizeable", TBorderStyle::bsSizeable},
      {"bsDialog", TBorderStyle::bsDialog},
      {"bsToolWindow", TBorderStyle::bsToolWindow},
      {"bsSizeToolWin", TBorderStyle::bsSizeToolWin}};
  static constexpr std::pair<const char*, TWindowState> kState[] = {
      {"wsNormal", TWindowState::wsNormal},
      {"wsMinimized", TWindowState::wsMinimized},
      {"wsMaximized", TWindowState::wsMaximized}};
  static constexpr std::pair<const char*, TPosition> kPosition[] = {
      {"poDesigned", TPosition::poDesigned},
      {"poDefault", TPosition::poDefault},
      {"poScreenCenter", TPosition::poScreenCenter},
      {"poDesktopCenter", TPosition::poDesktopCenter},
      {"poMainFormCenter", TPosition::poMainFormCenter}};
  static constexpr std::pair<const char*, unsigned> kIcons[] = {{"biSystemMenu", biSystemMenu},
                                                                {"biMinimize", biMinimize},
                                                                {"biMaximize", biMaximize},
                                                                {"biHelp", biHelp}};
  const std::string& n = p.name;
  if (n == "BorderStyle") return form.SetBorderStyle(EnumValue(p, kBorder));
  if (n == "WindowState") return form.SetWindowState(EnumValue(p, kState));
  if (n == "Position") return form.SetPosition(EnumValue(p, kPosition));
  if (n == "KeyPreview") return form.SetKeyPreview(BoolValue(p));
  if (n == "PixelsPerInch") return form.SetPixelsPerInch(IntValue(p));
  if (n == "TextHeight") return form.SetTextHeight(IntValue(p));
  if (n == "BorderIcons") return form.SetBorderIcons(SetValue(p, kIcons));
  if (n == "OnCreate") return Bind(form.OnCreate, p);
  if (n == "OnShow") return Bind(form.OnShow, p);
  if (n == "OnResize") return Bind(form.OnResize, p);
  if (n == "OnClose") return Bind(form.OnClose, p);
  if (n == "OnKeyDown") return Bind(form.OnKeyDown, p);
  BadValue(p);
}

void FormReader::ApplyToLabel(TLabel& label, const Property& p) {
  static constexpr std::pair<const char*, TAlignment> kAlign[] = {
      {"taLeftJustify", TAlignment::taLeftJustify},
      {"taRightJustify", TAlignment::taRightJustify},
      {"taCenter", TAlignment::taCenter}};
  const std::string& n = p.name;
  if (n == "Alignment") return label.SetAlignment(EnumValue(p, kAlign));
  if (n == "AutoSize") return label.SetAutoSize(BoolValue(p));
  if (n == "WordWrap") return label.SetWordWrap(BoolValue(p));
  if (n == "Transparent") return label.SetTransparent(BoolValue(p));
  BadValue(p);
}

void FormReader::ApplyToImage(TImage& image, const Property& p) {
  const std::string& n = p.name;
  if (n == "Stretch") return image.SetStretch(BoolValue(p));
  if (n == "Proportional") return image.SetProportional(BoolValue(p));
  if (n == "Center") return image.SetCenter(BoolValue(p));
  if (n == "Transparent") return image.SetTransparent(BoolValue(p));
  if (n == "AutoSize") return image.SetAutoSize(BoolValue(p));
  if (n == "Picture") {
    if (!p.is_string) BadValue(p);
    std::span<const uint8_t> bytes = m_form.Application().Resource(p.value);
    size_t dot = p.value.find_last_of('.');
    std::string extension = dot == std::string::npos ? std::string() : p.value.substr(dot + 1);
    image.Picture().Assign(LoadGraphicFromMemory(bytes, extension));
    return;
  }
  BadValue(p);
}

}  // namespace vt
