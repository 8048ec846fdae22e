#include "widgets/TForm.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <sstream>

#include "widgets/Exceptions.h"
#include "widgets/FormDescription.h"
#include "widgets/Graphic.h"
#include "widgets/Numbers.h"
#include "widgets/TApplication.h"
#include "widgets/TBitBtn.h"
#include "widgets/TImage.h"
#include "widgets/TLabel.h"
#include "widgets/TTimer.h"
#include "widgets/TextEngine.h"

namespace vt {

TForm::TForm(TApplication& application) : TControl(nullptr), m_application(application) {
  m_color = clBtnFace;
  m_parent_color = false;
  m_parent_font = false;
}

TForm::~TForm() = default;

void TForm::AddControl(TControl* control) { m_controls.push_back(control); }

TControl* TForm::FindControl(const std::string& name) const {
  for (TControl* c : m_controls) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

void TForm::SetActiveControl(TBitBtn* control) {
  if (control == m_active_control) return;
  TBitBtn* old = m_active_control;
  m_active_control = control;
  if (old) old->Invalidate();
  if (control) control->Invalidate();
}

void TForm::RegisterHandler(const std::string& name, THandler handler) {
  m_handlers[name] = std::move(handler);
}

const THandler* TForm::FindHandler(const std::string& name) const {
  auto it = m_handlers.find(name);
  return it == m_handlers.end() ? nullptr : &it->second;
}

// ---- Window -------------------------------------------------------------------------------

void TForm::CreateParams(TCreateParams& params) {
  params.Caption = Caption();
  params.Style = m_border_style == TBorderStyle::bsNone ? WS_POPUP : (WS_CAPTION | WS_SYSMENU);
  params.Style |= WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = 0;
}

void TForm::HandleNeeded() {
  if (m_handle) return;
  TCreateParams params;
  CreateParams(params);
  WindowRequest request;
  request.title = params.Caption;
  request.bounds = {params.X, params.Y, params.Width, params.Height};
  if (params.Style & WS_CHILD) {
    if (params.WndParent == 0) {
      throw EInvalidOperation(FormatMessage("コントロール '%s' は親ウィンドウを持っていません", Name()));
    }
    request.kind = WindowKind::Child;
    request.foreign_parent = params.WndParent;
  } else if (m_border_style == TBorderStyle::bsNone && m_window_state == TWindowState::wsMaximized) {
    request.kind = WindowKind::FullScreen;
  } else if (m_border_style == TBorderStyle::bsNone) {
    request.kind = WindowKind::Popup;
  } else {
    request.kind = WindowKind::Dialog;
  }
  m_window_kind = request.kind;
  m_handle = m_application.GetBackend().CreateWindow(request);
  ResizeFrame();
  InvalidateAll();
}

void TForm::Show() {
  try {
    if (OnShow) OnShow(this);
  } catch (...) {
    m_application.HandleException(std::current_exception());
  }
  HandleNeeded();
  Backend& backend = m_application.GetBackend();
  if (m_position == TPosition::poDesktopCenter && m_window_kind == WindowKind::Popup) {
    Rect screen = backend.PrimaryScreen();
    SetBounds(screen.left + (screen.width - Width()) / 2, screen.top + (screen.height - Height()) / 2,
              Width(), Height());
  }
  m_visible = true;
  m_showing = true;
  backend.ShowWindow(m_handle, true);
  InvalidateAll();
}

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (m_application.MainForm() == this) {
    m_application.Terminate();
  } else if (m_handle) {
    m_showing = false;
    m_visible = false;
    m_application.GetBackend().ShowWindow(m_handle, false);
  }
}

void TForm::WndProc(TMessage& message) { (void)message; }

void TForm::WindowDestroyed() {
  m_handle = 0;
  m_showing = false;
  // The lent memory went with the window.
  m_lent_frame = nullptr;
}

void TForm::BoundsChanged(const Rect& old_bounds) {
  bool resized = old_bounds.width != Width() || old_bounds.height != Height();
  if (m_handle) {
    if (resized) ResizeFrame();
    // A full-screen window covers its monitor whatever the bounds say.
    if (m_window_kind != WindowKind::FullScreen) {
      m_application.GetBackend().SetWindowBounds(m_handle, BoundsRect());
    }
  }
  if (resized) {
    InvalidateAll();
    if (OnResize) OnResize(this);
  }
}

// ---- Painting -----------------------------------------------------------------------------

void TForm::InvalidateAll() {
  m_dirty.clear();
  if (Width() > 0 && Height() > 0) m_dirty.push_back({0, 0, Width(), Height()});
}

void TForm::InvalidateRect(const Rect& rect) {
  Rect r = rect.Intersected({0, 0, Width(), Height()});
  if (r.IsEmpty()) return;
  // Merge with pending rectangles as long as the merge does not paint more than the two
  // rectangles would on their own; a car moving by a few pixels merges its old and new places.
  bool merged = true;
  while (merged) {
    merged = false;
    for (size_t i = 0; i < m_dirty.size(); ++i) {
      const Rect& d = m_dirty[i];
      if (d.Contains(r)) return;
      Rect u = d.United(r);
      if (r.Contains(d) || u.Area() <= d.Area() + r.Area()) {
        r = u;
        m_dirty.erase(m_dirty.begin() + long(i));
        merged = true;
        break;
      }
    }
  }
  m_dirty.push_back(r);
}

void TForm::Paint(Painter& painter) { painter.FillRect({0, 0, Width(), Height()}, m_color); }

std::vector<TControl*>::const_iterator TForm::LowestShownLayer(const Rect& rect) const {
  auto cover = std::find_if(m_controls.rbegin(), m_controls.rend(), [&](const TControl* c) {
    return !c->IsWindowed() && c->Visible() && c->OpaqueRect().Contains(rect);
  });
  if (cover == m_controls.rend()) return m_controls.end();
  // A picture still to be decoded is painted even when hidden, so that it decodes, and
  // reports a broken file, at the paint it always did.
  const bool decodes_beneath = std::any_of(cover + 1, m_controls.rend(), [&](const TControl* c) {
    return c->Visible() && c->PaintDecodes() && c->BoundsRect().Intersects(rect);
  });
  return decodes_beneath ? m_controls.end() : std::prev(cover.base());
}

std::vector<Rect> TForm::SplitAtCover(const Rect& rect) const {
  if (LowestShownLayer(rect) != m_controls.end()) return {};
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    const TControl* c = *it;
    if (c->IsWindowed() || !c->Visible()) continue;
    const Rect part = c->OpaqueRect().Intersected(rect);
    // Only a picture hiding at least half of the rectangle is worth the split.
    if (part.Area() * 2 < rect.Area() || part == rect) continue;
    return {part,
            {rect.left, rect.top, rect.width, part.top - rect.top},
            {rect.left, part.Bottom(), rect.width, rect.Bottom() - part.Bottom()},
            {rect.left, part.top, part.left - rect.left, part.height},
            {part.Right(), part.top, rect.Right() - part.Right(), part.height}};
  }
  return {};
}

void TForm::PaintControl(Painter& painter, const Rect& rect, TControl& control) {
  if (!control.Visible() || !control.BoundsRect().Intersects(rect)) return;
  PainterStateSaver control_saver(painter);
  painter.Translate(control.Left(), control.Top());
  painter.AddClip({0, 0, control.Width(), control.Height()});
  try {
    control.Paint(painter);
  } catch (...) {
    if (!m_paint_error) m_paint_error = std::current_exception();
  }
}

void TForm::PaintRect(Painter& painter, const Rect& rect) {
  // The moving car hides most of what it dirties: its part is painted from the car up, and
  // only the strip it left, from the building up.
  if (std::vector<Rect> parts = SplitAtCover(rect); !parts.empty()) {
    for (const Rect& part : parts) {
      if (!part.IsEmpty()) PaintRect(painter, part);
    }
    return;
  }
  PainterStateSaver saver(painter);
  painter.AddClip(rect);
  // The background, pictures and labels in their order, then the buttons, which lie above
  // them all. What lies beneath a picture that hides the whole rectangle is left out: it would
  // only be painted over.
  auto lowest = LowestShownLayer(rect);
  if (lowest == m_controls.end()) {
    Paint(painter);
    lowest = m_controls.begin();
  }
  for (auto it = lowest; it != m_controls.end(); ++it) {
    if (!(*it)->IsWindowed()) PaintControl(painter, rect, **it);
  }
  for (TControl* c : m_controls) {
    if (c->IsWindowed()) PaintControl(painter, rect, *c);
  }
}

std::vector<Rect> TForm::RepaintDirty(RepaintOutline outline) {
  std::vector<Rect> dirty;
  dirty.swap(m_dirty);
  if (Frame().Width() != std::max(Width(), 0) || Frame().Height() != std::max(Height(), 0)) {
    ResizeFrame();
  }
  Painter painter(m_lent_frame ? *m_lent_frame : m_frame);
  for (const Rect& r : dirty) PaintRect(painter, r);
  if (outline == RepaintOutline::Show) {
    for (const Rect& r : dirty) painter.DrawFrame(r, clFuchsia, clFuchsia);
  }
  return dirty;
}

void TForm::ResizeFrame() {
  const int width = std::max(Width(), 0), height = std::max(Height(), 0);
  m_lent_frame = m_handle ? m_application.GetBackend().LendFrame(m_handle, width, height) : nullptr;
  if (m_lent_frame) {
    m_frame = Bitmap32();
    m_lent_frame->Fill(m_color);
  } else {
    m_frame.Resize(width, height, m_color);
  }
}

std::exception_ptr TForm::TakePaintError() {
  std::exception_ptr e = m_paint_error;
  m_paint_error = nullptr;
  return e;
}

// ---- Input --------------------------------------------------------------------------------

TControl* TForm::ControlAtPos(int x, int y) const {
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() && c->Visible() && c->Enabled() && c->BoundsRect().Contains(x, y)) return c;
  }
  for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
    TControl* c = *it;
    if (!c->IsWindowed() && c->Visible() && c->Enabled() && c->BoundsRect().Contains(x, y)) return c;
  }
  return nullptr;
}

void TForm::DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
    return;
  }
  if (c->IsWindowed()) SetActiveControl(static_cast<TBitBtn*>(c));
  if (c->OnMouseDown) c->OnMouseDown(c, button, shift, x - c->Left(), y - c->Top());
}

void TForm::DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
    return;
  }
  if (c->OnMouseUp) c->OnMouseUp(c, button, shift, x - c->Left(), y - c->Top());
}

void TForm::DispatchMouseMove(TShiftState shift, int x, int y) {
  TControl* c = ControlAtPos(x, y);
  if (!c) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
    return;
  }
  if (c->OnMouseMove) c->OnMouseMove(c, shift, x - c->Left(), y - c->Top());
}

TControl* TForm::FindNextFocusable(bool forward) const {
  std::vector<TControl*> focusable;
  for (TControl* c : m_controls) {
    if (c->CanFocus()) focusable.push_back(c);
  }
  if (focusable.empty()) return nullptr;
  auto it = std::find(focusable.begin(), focusable.end(), static_cast<TControl*>(m_active_control));
  if (it == focusable.end()) return forward ? focusable.front() : focusable.back();
  size_t i = size_t(it - focusable.begin());
  size_t n = focusable.size();
  return focusable[forward ? (i + 1) % n : (i + n - 1) % n];
}

void TForm::MoveFocus(bool forward) {
  if (TControl* next = FindNextFocusable(forward)) SetActiveControl(static_cast<TBitBtn*>(next));
}

void TForm::DispatchKeyDown(uint16_t key, TShiftState shift) {
  // Dialog navigation first; a key it consumes reaches no key handler.
  bool ctrl_or_alt = (shift & (ssCtrl | ssAlt)) != 0;
  if (key == VK_TAB && !ctrl_or_alt) {
    MoveFocus((shift & ssShift) == 0);
    return;
  }
  if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && m_active_control) {
    MoveFocus(key == VK_RIGHT || key == VK_DOWN);
    return;
  }
  if (key == VK_RETURN && (shift & (ssShift | ssCtrl | ssAlt)) == 0 && m_active_control &&
      m_active_control->Enabled()) {
    if (m_active_control->OnClick) m_active_control->OnClick(m_active_control);
    return;
  }
  // Buttons have no key handlers, so only the form's own handler can see the key.
  if ((m_key_preview || !m_active_control) && OnKeyDown) OnKeyDown(this, key, shift);
}

// ---- Reading a form description -----------------------------------------------------------

namespace {

[[noreturn]] void BadValue(const FormDescription::Property& p) {
  throw EReadError("プロパティ " + p.name + " の値 '" + p.value + "' が不正です (" +
                   std::to_string(p.line) + " 行目)");
}

int32_t IntValue(const FormDescription::Property& p) {
  int32_t v = 0;
  const char* b = p.value.data();
  const char* e = b + p.value.size();
  auto [ptr, ec] = std::from_chars(b, e, v);
  if (p.is_string || ec != std::errc() || ptr != e) BadValue(p);
  return v;
}

bool BoolValue(const FormDescription::Property& p) {
  if (p.value == "True") return true;
  if (p.value == "False") return false;
  BadValue(p);
}

TColor ColorValue(const FormDescription::Property& p) {
  static constexpr std::pair<const char*, TColor> kNames[] = {
      {"clBlack", clBlack},         {"clMaroon", clMaroon},   {"clPurple", clPurple},
      {"clGray", clGray},           {"clSilver", clSilver},   {"clRed", clRed},
      {"clFuchsia", clFuchsia},     {"clWhite", clWhite},     {"clBtnFace", clBtnFace},
      {"clBtnHighlight", clBtnHighlight}, {"clBtnShadow", clBtnShadow},
      {"clWindowText", clWindowText}};
  for (const auto& [name, color] : kNames) {
    if (p.value == name) return color;
  }
  return TColor(IntValue(p));
}

template <class E, size_t N>
E EnumValue(const FormDescription::Property& p, const std::pair<const char*, E> (&names)[N]) {
  for (const auto& [name, value] : names) {
    if (p.value == name) return value;
  }
  BadValue(p);
}

void ApplyFontProperty(TControl& control, TFont font, const FormDescription::Property& p) {
  std::string sub = p.name.substr(5);
  if (sub == "Charset") {
    font.Charset = p.value == "SHIFTJIS_CHARSET" ? SHIFTJIS_CHARSET
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
    font.Style = 0;
    std::stringstream items(p.value);
    std::string item;
    while (std::getline(items, item, ',')) {
      if (item == "fsBold") {
        font.Style |= fsBold;
      } else if (item != "fsItalic" && item != "fsUnderline" && item != "fsStrikeOut") {
        BadValue(p);
      }
    }
  } else {
    BadValue(p);
  }
  control.SetFont(font);
}

}  // namespace

// Applies one property of the description to a form or widget; the names are those the
// descriptions use. Unknown names are errors, so a typo cannot pass unnoticed.
static void ApplyProperty(TForm& form, TComponent& component, const FormDescription::Property& p) {
  const std::string& n = p.name;

  if (auto* timer = dynamic_cast<TTimer*>(&component)) {
    if (n == "Interval") return timer->SetInterval(uint32_t(IntValue(p)));
    if (n == "Enabled") return timer->SetEnabled(BoolValue(p));
    if (n == "OnTimer") {
      const THandler* handler = form.FindHandler(p.value);
      const TNotifyEvent* event = handler ? std::get_if<TNotifyEvent>(handler) : nullptr;
      if (!event) throw EReadError("メソッド " + p.value + " が見つかりません");
      return timer->SetOnTimer(*event);
    }
    BadValue(p);
  }

  auto& control = dynamic_cast<TControl&>(component);
  auto handler_for = [&]() -> const THandler& {
    const THandler* handler = form.FindHandler(p.value);
    if (!handler) throw EReadError("メソッド " + p.value + " が見つかりません");
    return *handler;
  };
  auto mismatch = [&]() { throw EReadError("メソッド " + p.value + " の型が " + n + " に合いません"); };

  if (n == "Left") return control.SetLeft(IntValue(p));
  if (n == "Top") return control.SetTop(IntValue(p));
  if (n == "Width" || n == "ClientWidth") return control.SetWidth(IntValue(p));
  if (n == "Height" || n == "ClientHeight") return control.SetHeight(IntValue(p));
  if (n == "Visible") return control.SetVisible(BoolValue(p));
  if (n == "Enabled") return control.SetEnabled(BoolValue(p));
  if (n == "Caption") return control.SetCaption(p.value);
  if (n == "Color") return control.SetColor(ColorValue(p));
  if (n.rfind("Font.", 0) == 0) return ApplyFontProperty(control, control.Font(), p);
  if (n == "ParentFont" || n == "ParentColor" || n == "TabOrder") return;  // implied by the above
  if (n == "Tag") return control.SetTag(IntValue(p));
  if (n == "OnMouseDown") {
    const auto* e = std::get_if<TMouseEvent>(&handler_for());
    if (!e) mismatch();
    control.OnMouseDown = *e;
    return;
  }
  if (n == "OnMouseUp") {
    const auto* e = std::get_if<TMouseEvent>(&handler_for());
    if (!e) mismatch();
    control.OnMouseUp = *e;
    return;
  }
  if (n == "OnMouseMove") {
    const auto* e = std::get_if<TMouseMoveEvent>(&handler_for());
    if (!e) mismatch();
    control.OnMouseMove = *e;
    return;
  }

  if (auto* f = dynamic_cast<TForm*>(&control)) {
    static constexpr std::pair<const char*, TBorderStyle> kBorder[] = {
        {"bsNone", TBorderStyle::bsNone}, {"bsSingle", TBorderStyle::bsSingle},
        {"bsSizeable", TBorderStyle::bsSizeable}, {"bsDialog", TBorderStyle::bsDialog},
        {"bsToolWindow", TBorderStyle::bsToolWindow}, {"bsSizeToolWin", TBorderStyle::bsSizeToolWin}};
    static constexpr std::pair<const char*, TWindowState> kState[] = {
        {"wsNormal", TWindowState::wsNormal}, {"wsMinimized", TWindowState::wsMinimized},
        {"wsMaximized", TWindowState::wsMaximized}};
    static constexpr std::pair<const char*, TPosition> kPosition[] = {
        {"poDesigned", TPosition::poDesigned}, {"poDefault", TPosition::poDefault},
        {"poScreenCenter", TPosition::poScreenCenter}, {"poDesktopCenter", TPosition::poDesktopCenter},
        {"poMainFormCenter", TPosition::poMainFormCenter}};
    if (n == "BorderStyle") return f->SetBorderStyle(EnumValue(p, kBorder));
    if (n == "WindowState") return f->SetWindowState(EnumValue(p, kState));
    if (n == "Position") return f->SetPosition(EnumValue(p, kPosition));
    if (n == "KeyPreview") return f->SetKeyPreview(BoolValue(p));
    if (n == "PixelsPerInch") return f->SetPixelsPerInch(IntValue(p));
    if (n == "TextHeight") return f->SetTextHeight(IntValue(p));
    if (n == "BorderIcons") {
      unsigned icons = 0;
      std::stringstream items(p.value);
      std::string item;
      while (std::getline(items, item, ',')) {
        if (item == "biSystemMenu") icons |= biSystemMenu;
        else if (item == "biMinimize") icons |= biMinimize;
        else if (item == "biMaximize") icons |= biMaximize;
        else if (item == "biHelp") icons |= biHelp;
        else BadValue(p);
      }
      return f->SetBorderIcons(icons);
    }
    auto notify = [&](TNotifyEvent& slot) {
      const auto* e = std::get_if<TNotifyEvent>(&handler_for());
      if (!e) mismatch();
      slot = *e;
    };
    if (n == "OnCreate") return notify(f->OnCreate);
    if (n == "OnShow") return notify(f->OnShow);
    if (n == "OnResize") return notify(f->OnResize);
    if (n == "OnClose") {
      const auto* e = std::get_if<TCloseEvent>(&handler_for());
      if (!e) mismatch();
      f->OnClose = *e;
      return;
    }
    if (n == "OnKeyDown") {
      const auto* e = std::get_if<TKeyEvent>(&handler_for());
      if (!e) mismatch();
      f->OnKeyDown = *e;
      return;
    }
    BadValue(p);
  }

  if (auto* label = dynamic_cast<TLabel*>(&control)) {
    static constexpr std::pair<const char*, TAlignment> kAlign[] = {
        {"taLeftJustify", TAlignment::taLeftJustify}, {"taRightJustify", TAlignment::taRightJustify},
        {"taCenter", TAlignment::taCenter}};
    if (n == "Alignment") return label->SetAlignment(EnumValue(p, kAlign));
    if (n == "AutoSize") return label->SetAutoSize(BoolValue(p));
    if (n == "WordWrap") return label->SetWordWrap(BoolValue(p));
    if (n == "Transparent") return label->SetTransparent(BoolValue(p));
    BadValue(p);
  }
  if (auto* image = dynamic_cast<TImage*>(&control)) {
    if (n == "Stretch") return image->SetStretch(BoolValue(p));
    if (n == "Proportional") return image->SetProportional(BoolValue(p));
    if (n == "Center") return image->SetCenter(BoolValue(p));
    if (n == "Transparent") return image->SetTransparent(BoolValue(p));
    if (n == "AutoSize") return image->SetAutoSize(BoolValue(p));
    if (n == "Picture") {
      if (!p.is_string) BadValue(p);
      std::span<const uint8_t> bytes = form.Application().Resource(p.value);
      size_t dot = p.value.find_last_of('.');
      std::string extension = dot == std::string::npos ? std::string() : p.value.substr(dot + 1);
      image->Picture().Assign(LoadGraphicFromMemory(bytes, extension));
      return;
    }
    BadValue(p);
  }
  if (dynamic_cast<TBitBtn*>(&control)) {
    if (n == "Kind" || n == "Glyph") return;
    BadValue(p);
  }
  BadValue(p);
}

void TForm::ReadDescription(const std::string& text) {
  FormDescription::Object root = FormDescription::Parse(text);
  SetName(root.name);
  for (const auto& p : root.properties) ApplyProperty(*this, *this, p);
  int design_ppi = m_pixels_per_inch;
  for (const auto& child : root.children) {
    TComponent* component = nullptr;
    if (child.class_name == "TImage") {
      component = CreateOwned<TImage>();
    } else if (child.class_name == "TLabel") {
      component = CreateOwned<TLabel>();
    } else if (child.class_name == "TBitBtn") {
      component = CreateOwned<TBitBtn>();
    } else if (child.class_name == "TTimer") {
      auto* timer = CreateOwned<TTimer>(m_application);
      AddTimer(timer);
      component = timer;
    } else {
      throw EReadError("クラス " + child.class_name + " が見つかりません");
    }
    component->SetName(child.name);
    if (auto* control = dynamic_cast<TControl*>(component)) control->SetParent(this);
    for (const auto& p : child.properties) ApplyProperty(*this, *component, p);
  }
  int ppi = m_application.GetBackend().PixelsPerInch();
  if (ppi != design_ppi) ScaleForPixelsPerInch(ppi);
}

void TForm::ScaleForPixelsPerInch(int ppi) {
  TFont font = m_font;
  font.Height = MulDiv(font.Height, ppi, m_pixels_per_inch);
  m_font = font;
  // Widgets without a font of their own follow the form's new font.
  for (TControl* c : m_controls) {
    if (!c->ParentFont() || c->m_font == m_font) continue;
    c->m_font = m_font;
    c->Invalidate();
    c->TextChanged();
  }
  m_pixels_per_inch = ppi;
  int measured = m_application.Text().LineHeight(m_font);
  int designed = m_text_height;
  if (measured == designed || designed == 0) return;
  auto scale = [&](int32_t v) { return MulDiv(v, measured, designed); };
  for (TControl* c : m_controls) {
    int32_t left = scale(c->Left()), top = scale(c->Top());
    int32_t right = scale(c->Left() + c->Width()), bottom = scale(c->Top() + c->Height());
    c->SetBounds(left, top, right - left, bottom - top);
    if (!c->ParentFont()) {
      TFont f = c->Font();
      f.SetSizeAt(MulDiv(f.SizeAt(ppi), measured, designed), ppi);
      c->SetFont(f);
    }
  }
  SetBounds(Left(), Top(), scale(Width()), scale(Height()));
}

}  // namespace vt
