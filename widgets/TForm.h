#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Bitmap32.h"
#include "widgets/TControl.h"

namespace vt {

class TApplication;
class TBitBtn;
class TTimer;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
enum class TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };

// Window style bits a form's window is created with.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_CHILD = 0x40000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_CLIPSIBLINGS = 0x04000000u;
constexpr uint32_t WS_CLIPCHILDREN = 0x02000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;

// The parameters a form's window is created with; a form class may adjust them.
struct TCreateParams {
  std::string Caption;
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  uint64_t WndParent = 0;
};

// A platform message that a form class handles itself.
struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t SC_SCREENSAVE = 0xF140;
// The bits of a system command that name it; the rest are the system's own.
constexpr uint32_t SC_COMMAND_MASK = 0xFFF0;

enum class RepaintOutline { None, Show };

using THandler = std::variant<TNotifyEvent, TMouseEvent, TMouseMoveEvent, TKeyEvent, TCloseEvent>;

// A window whose client area is the parent of its widgets. It keeps a framebuffer of its
// client area and the list of rectangles that changed since the last frame. Its methods are
// spread by concern: TForm.cpp (the window and its widgets), TFormRepaint.cpp (repainting) and
// TFormInput.cpp (input and focus). FormReader reads a form description into it.
class TForm : public TControl {
 public:
  explicit TForm(TApplication& application);
  ~TForm() override;

  TApplication& Application() const { return m_application; }

  TBorderStyle BorderStyle() const { return m_border_style; }
  void SetBorderStyle(TBorderStyle value) { m_border_style = value; }
  unsigned BorderIcons() const { return m_border_icons; }
  void SetBorderIcons(unsigned value) { m_border_icons = value; }
  TWindowState WindowState() const { return m_window_state; }
  void SetWindowState(TWindowState value) { m_window_state = value; }
  TPosition Position() const { return m_position; }
  void SetPosition(TPosition value) { m_position = value; }
  bool KeyPreview() const { return m_key_preview; }
  void SetKeyPreview(bool value) { m_key_preview = value; }
  int32_t ClientWidth() const { return Width(); }
  int32_t ClientHeight() const { return Height(); }
  void SetClientWidth(int32_t value) { SetWidth(value); }
  void SetClientHeight(int32_t value) { SetHeight(value); }
  int32_t PixelsPerInch() const { return m_pixels_per_inch; }
  void SetPixelsPerInch(int32_t value) { m_pixels_per_inch = value; }
  int32_t TextHeight() const { return m_text_height; }
  void SetTextHeight(int32_t value) { m_text_height = value; }
  TImeMode ImeMode() const { return m_ime_mode; }
  void SetImeMode(TImeMode value) { m_ime_mode = value; }

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TCloseEvent OnClose;
  TKeyEvent OnKeyDown;
  TNotifyEvent OnResize;

  // Closing: OnClose runs; closing the main form terminates the application.
  void Close();
  // The window, created on first need through CreateParams.
  WindowHandle Handle() const { return m_handle; }
  bool HandleAllocated() const { return m_handle != 0; }
  void HandleNeeded();
  bool Showing() const { return m_showing; }

  // Widgets in the order they were given this form as parent.
  const std::vector<TControl*>& Controls() const { return m_controls; }
  TControl* FindControl(const std::string& name) const;
  TBitBtn* ActiveControl() const { return m_active_control; }
  void SetActiveControl(TBitBtn* control);
  const std::vector<TTimer*>& Timers() const { return m_timers; }

  // A handler the form description may bind by name.
  void RegisterHandler(const std::string& name, THandler handler);
  const THandler* FindHandler(const std::string& name) const;

  // Painting: the frame of the client area and the rectangles waiting to be repainted.
  const Bitmap32& Frame() const { return m_lent_frame ? *m_lent_frame : m_frame; }
  const std::vector<Rect>& DirtyRects() const { return m_dirty; }
  void InvalidateAll();
  // Repaints every dirty rectangle into the frame and returns them (cleared afterwards). With
  // RepaintOutline::Show each repainted rectangle is outlined, to make repaints visible.
  std::vector<Rect> RepaintDirty(RepaintOutline outline = RepaintOutline::None);
  // The first error a widget raised while painting since the last call, if any. Painting goes
  // on past such an error so that one broken picture does not leave the rest unpainted.
  std::exception_ptr TakePaintError();
  // Paints one rectangle of the client area into a painter (used by RepaintDirty and tests).
  void PaintRect(Painter& painter, const Rect& rect);
  void Paint(Painter& painter) override;

  // Input, in client coordinates, as the event loop delivers it.
  void DispatchMouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void DispatchMouseUp(TMouseButton button, TShiftState shift, int x, int y);
  void DispatchMouseMove(TShiftState shift, int x, int y);
  void DispatchKeyDown(uint16_t key, TShiftState shift);
  // The topmost visible and enabled widget under a point that takes mouse input, or nullptr
  // for the form itself.
  TControl* ControlAtPos(int x, int y) const;

  // Platform messages the form class may handle itself; the default handles none.
  virtual void WndProc(TMessage& message);
  // The window was destroyed from outside (a child window goes with its host).
  virtual void WindowDestroyed();
  // Shows the form (used by the event loop for the main form).
  void Show();

 protected:
  // Fills in the window-creation parameters; a borderless form gives a pop-up window.
  virtual void CreateParams(TCreateParams& params);
  void BoundsChanged(const Rect& old_bounds) override;
  void InvalidateRect(const Rect& rect) override;

 private:
  friend class TControl;
  friend class TTimer;
  friend class TApplication;
  friend class FormReader;
  void AddControl(TControl* control);
  void AddTimer(TTimer* timer) { m_timers.push_back(timer); }
  void ScaleForPixelsPerInch(int ppi);
  void MoveFocus(bool forward);
  TControl* FindNextFocusable(bool forward) const;
  // The topmost picture hiding all of rect; rend() when none does.
  std::vector<TControl*>::const_reverse_iterator TopmostCover(const Rect& rect) const;
  // The lowest widget to paint in rect: the topmost picture hiding all of it, or end() when
  // the whole stack is painted, background included (nothing hides all of rect, or a picture
  // beneath has yet to decode).
  std::vector<TControl*>::const_iterator LowestShownLayer(const Rect& rect) const;
  // When a picture above any that hides all of rect hides most, but not all, of it: the part
  // it hides, then the strips around that part. Empty when rect is best painted whole.
  std::vector<Rect> SplitAtCover(const Rect& rect) const;
  // The strips of rect above, below, left and right of part, which lies inside it (some may
  // be empty).
  static std::vector<Rect> StripsAround(const Rect& rect, const Rect& part);
  // Marks for repainting what a widget's change of rect can show: rect less the part a picture
  // above the widget hides, when that part is large.
  void InvalidateUnder(const TControl& control, const Rect& rect);
  void PaintControl(Painter& painter, const Rect& rect, TControl& control);
  // Gives the frame the form's size, in memory the backend lends where it lends any, filled
  // with the form's colour.
  void ResizeFrame();

  TApplication& m_application;
  TBorderStyle m_border_style = TBorderStyle::bsSizeable;
  unsigned m_border_icons = biSystemMenu | biMinimize | biMaximize;
  TWindowState m_window_state = TWindowState::wsNormal;
  TPosition m_position = TPosition::poDesigned;
  bool m_key_preview = false;
  int32_t m_pixels_per_inch = 96;
  int32_t m_text_height = 12;
  TImeMode m_ime_mode = TImeMode::imDontCare;

  WindowHandle m_handle = 0;
  bool m_showing = false;
  std::vector<TControl*> m_controls;
  std::vector<TTimer*> m_timers;
  TBitBtn* m_active_control = nullptr;
  std::map<std::string, THandler> m_handlers;
  Bitmap32 m_frame;                  // the frame, unless the backend lends one
  Bitmap32* m_lent_frame = nullptr;  // the backend's memory for it, while the window lives
  std::vector<Rect> m_dirty;
  std::exception_ptr m_paint_error;
  WindowKind m_window_kind = WindowKind::Popup;
};

}  // namespace vt
