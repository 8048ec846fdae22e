// The form's window and its widgets:
// - the widgets and timers it holds, and the handlers its description may bind by name;
// - the window, created through CreateParams on first need, shown, closed, moved and resized;
// - the frame its client area is painted into, in memory the backend lends where it lends any;
// - the form and its widgets scaled from the pixels per inch they were designed at.
#include "widgets/TForm.h"

#include <algorithm>
#include <utility>

#include "widgets/Exceptions.h"
#include "widgets/Numbers.h"
#include "widgets/TApplication.h"
#include "widgets/TextEngine.h"

namespace vt {

TForm::TForm(TApplication& application) : TControl(nullptr), m_application(application) {
  m_color = clBtnFace;
  m_parent_color = false;
  m_parent_font = false;
}

TForm::~TForm() = default;

void TForm::AddControl(TControl* control) {
  m_controls.push_back(control);
}

TControl* TForm::FindControl(const std::string& name) const {
  for (TControl* c : m_controls) {
    if (c->Name() == name) return c;
  }
  return nullptr;
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
      throw EInvalidOperation(
          FormatMessage("コントロール '%s' は親ウィンドウを持っていません", Name()));
    }
    request.kind = WindowKind::Child;
    request.foreign_parent = params.WndParent;
  } else if (m_border_style == TBorderStyle::bsNone &&
             m_window_state == TWindowState::wsMaximized) {
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
    SetBounds(screen.left + (screen.width - Width()) / 2,
              screen.top + (screen.height - Height()) / 2, Width(), Height());
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

void TForm::WndProc(TMessage& message) {
  (void)message;
}

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

// ---- Scaling ------------------------------------------------------------------------------

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
