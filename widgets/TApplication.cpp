#include "widgets/TApplication.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "widgets/ErrorBox.h"
#include "widgets/FormReader.h"
#include "widgets/PlatformFiles.h"
#include "widgets/TTimer.h"

namespace vt {

TApplication::TApplication(Backend& backend) : m_backend(backend), m_exe_name(ProgramFilePath()) {
  // A debugging aid: outline what each frame repaints, to see that only changes are drawn.
  const char* show = std::getenv("VANTOREL_SHOW_REPAINTS");
  if (show && *show && std::string(show) != "0") m_repaint_outline = RepaintOutline::Show;
  m_backend.SetImmediateDispatch([this](const InputEvent& event) { Dispatch(event); });
}

TApplication::~TApplication() {
  m_backend.SetImmediateDispatch(nullptr);
  // Forms own the timers, which unregister themselves here: free them while the list lives.
  m_forms.clear();
  if (m_handle) m_backend.DestroyWindow(m_handle);
}

void TApplication::Initialize() {}

void TApplication::SetTitle(const std::string& title) {
  m_title = title;
}

WindowHandle TApplication::Handle() {
  if (!m_handle) {
    WindowRequest request;
    request.kind = WindowKind::AppWindow;
    request.title = m_title;
    m_handle = m_backend.CreateWindow(request);
  }
  return m_handle;
}

std::span<const uint8_t> TApplication::Resource(std::string_view name) const {
  std::optional<std::span<const uint8_t>> found;
  if (m_find_resource) found = m_find_resource(name);
  if (!found) throw EReadError("リソース " + std::string(name) + " が見つかりません");
  return *found;
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form, std::string_view description) {
  TForm* raw = form.get();
  m_forms.push_back(std::move(form));
  if (!m_main_form) m_main_form = raw;
  std::span<const uint8_t> bytes = Resource(description);
  FormReader(*raw).Read(std::string(bytes.begin(), bytes.end()));
  try {
    if (raw->OnCreate) raw->OnCreate(raw);
  } catch (...) {
    HandleException(std::current_exception());
  }
  if (raw == m_main_form) {
    Handle();
    raw->HandleNeeded();
  }
}

// ---- Event loop ---------------------------------------------------------------------------

void TApplication::ShowMainForm() {
  if (!m_main_form) return;
  m_main_form->Show();
}

void TApplication::Run() {
  if (!m_main_form) return;
  ShowMainForm();
  while (!m_terminated) Step(-1);
}

void TApplication::RunUntil(int64_t deadline_ms) {
  while (!m_terminated && Step(deadline_ms)) {
  }
  PaintDirtyForms();
}

TTimer* TApplication::EarliestTimer() const {
  TTimer* best = nullptr;
  for (TTimer* t : m_timers) {
    if (!t->m_running) continue;
    // Equal due times tick in the order the timers were started.
    if (!best || t->m_next_due < best->m_next_due ||
        (t->m_next_due == best->m_next_due && t->m_start_sequence < best->m_start_sequence)) {
      best = t;
    }
  }
  return best;
}

bool TApplication::Step(int64_t deadline_ms) {
  PaintDirtyForms();
  if (m_terminated) return false;
  TTimer* timer = EarliestTimer();
  int64_t now = m_backend.NowMs();
  bool timer_due = timer && timer->m_next_due <= now;
  // A scene that nobody has seen the last frame of does not move on: a tick that falls due
  // while the platform still holds the main form's frame (the screens are dark, or the
  // compositor shows none of it) waits for FrameReleased, so the program sleeps meanwhile. It
  // then runs once, as a late tick does, and its frame follows at once.
  if (timer_due && MainFrameHeld()) {
    timer = nullptr;
    timer_due = false;
  }
  // Input and paint requests come before a due tick, as timer messages do on Windows.
  int64_t wait_until = -1;
  if (timer_due) {
    wait_until = now;
  } else {
    if (timer) wait_until = timer->m_next_due;
    if (deadline_ms >= 0 && (wait_until < 0 || wait_until > deadline_ms)) wait_until = deadline_ms;
    if (wait_until >= 0 && wait_until < now) wait_until = now;
  }
  if (std::optional<InputEvent> event = m_backend.WaitEvent(wait_until)) {
    Dispatch(*event);
    return true;
  }
  timer = timer ? EarliestTimer() : nullptr;
  // A wait that ran out has reached its end, also when the backend ended it a little early
  // so that ticks due close together share one wake-up.
  now = std::max(m_backend.NowMs(), wait_until);
  if (timer && timer->m_next_due <= now && (deadline_ms < 0 || timer->m_next_due <= deadline_ms)) {
    // The next turn waits for a frame held meanwhile.
    if (!MainFrameHeld()) FireTimer(*timer);
    return true;
  }
  return deadline_ms < 0 || now < deadline_ms;
}

bool TApplication::MainFrameHeld() const {
  return m_main_form && m_main_form->HandleAllocated() && m_main_form->Showing() &&
         m_backend.FrameInUse(m_main_form->Handle());
}

void TApplication::FireTimer(TTimer& timer) {
  // Ticks do not pile up: a late tick is delivered once and the next one is an interval on.
  int64_t now = m_backend.NowMs();
  timer.m_next_due += timer.m_interval;
  if (timer.m_next_due <= now) timer.m_next_due = now + timer.m_interval;
  TNotifyEvent handler = timer.m_on_timer;
  try {
    if (handler) handler(&timer);
  } catch (...) {
    HandleException(std::current_exception());
  }
}

int64_t TApplication::RunDueTimers() {
  // Each timer ticks at most once a call, as ticks do not pile up.
  for (size_t ticks = m_timers.size(); ticks > 0 && !m_terminated; --ticks) {
    TTimer* timer = EarliestTimer();
    if (!timer || timer->m_next_due > m_backend.NowMs()) break;
    FireTimer(*timer);
  }
  PaintDirtyForms();
  TTimer* next = EarliestTimer();
  return next ? next->m_next_due : -1;
}

void TApplication::TimerChanged(TTimer& timer) {
  if (std::find(m_timers.begin(), m_timers.end(), &timer) == m_timers.end()) {
    m_timers.push_back(&timer);
  }
  if (timer.m_running) {
    timer.m_next_due = m_backend.NowMs() + timer.m_interval;
    timer.m_start_sequence = ++m_timer_sequence;
  }
}

void TApplication::TimerDestroyed(TTimer& timer) {
  m_timers.erase(std::remove(m_timers.begin(), m_timers.end(), &timer), m_timers.end());
}

TForm* TApplication::FormOf(WindowHandle window) const {
  if (window == 0) return nullptr;
  if (m_error_box && m_error_box->Handle() == window) return m_error_box;
  for (const auto& f : m_forms) {
    if (f->Handle() == window) return f.get();
  }
  return nullptr;
}

void TApplication::Dispatch(const InputEvent& event) {
  if (event.type == EventType::DisplayLost) {
    std::string reason = m_backend.LostReason();
    if (!reason.empty()) reason = ": " + reason;
    std::fprintf(stderr, "%s: the connection to the display was lost%s\n", m_title.c_str(),
                 reason.c_str());
    std::fflush(stderr);
    std::_Exit(1);
  }
  if (m_handle && event.window == m_handle) {
    if (event.type == EventType::CloseRequest) Terminate();
    return;
  }
  if (event.type == EventType::ScreenChanged) {
    if (OnScreenChanged) OnScreenChanged();
    return;
  }
  TForm* form = FormOf(event.window);
  if (!form) return;
  bool is_input = event.type == EventType::KeyDown || event.type == EventType::MouseDown ||
                  event.type == EventType::MouseUp || event.type == EventType::MouseMove;
  if (m_modal_form && form != m_modal_form) {
    // While a box is open the other windows take no input. Keys go to the box whichever of
    // the program's windows holds the keyboard (a full-screen form keeps its grab).
    if (event.type == EventType::KeyDown) {
      form = m_modal_form;
    } else if (is_input || event.type == EventType::CloseRequest) {
      return;
    }
  }
  try {
    switch (event.type) {
      case EventType::KeyDown:
        form->DispatchKeyDown(event.key, event.shift);
        break;
      case EventType::MouseDown:
        form->DispatchMouseDown(event.button, event.shift, event.x, event.y);
        break;
      case EventType::MouseUp:
        form->DispatchMouseUp(event.button, event.shift, event.x, event.y);
        break;
      case EventType::MouseMove:
        form->DispatchMouseMove(event.shift, event.x, event.y);
        break;
      case EventType::Expose:
        form->InvalidateRect(event.rect);
        break;
      case EventType::Resized:
        if (event.width != form->Width() || event.height != form->Height()) {
          form->SetBounds(form->Left(), form->Top(), event.width, event.height);
        }
        break;
      case EventType::CloseRequest:
        form->Close();
        break;
      case EventType::Destroyed:
        form->WindowDestroyed();
        break;
      case EventType::SysCommand: {
        TMessage message;
        message.Msg = WM_SYSCOMMAND;
        message.WParam = event.command;
        form->WndProc(message);
        m_backend.AnswerSysCommand(event.window, event.command, message.Result);
        break;
      }
      case EventType::DisplayLost:
      case EventType::ScreenChanged:
      case EventType::FrameReleased:  // the repaint that waited for it comes next turn
        break;
    }
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TApplication::PaintDirtyForms() {
  auto paint = [this](TForm* form) {
    if (!form->HandleAllocated() || !form->Showing() || form->DirtyRects().empty()) return;
    // The platform still reads the last frame: the rectangles wait for FrameReleased.
    if (m_backend.FrameInUse(form->Handle())) return;
    std::vector<Rect> rects = form->RepaintDirty(m_repaint_outline);
    m_backend.Present(form->Handle(), form->Frame(), rects);
    if (std::exception_ptr error = form->TakePaintError()) HandleException(error);
  };
  for (size_t i = 0; i < m_forms.size(); ++i) paint(m_forms[i].get());
  if (m_error_box) paint(m_error_box);
}

// ---- Errors -------------------------------------------------------------------------------

std::string TApplication::ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const Exception& e) {
    ShowException(e);
  } catch (const std::exception& e) {
    ShowException(Exception("Exception", e.what()));
  } catch (...) {
    ShowException(Exception("Exception", "不明なエラー"));
  }
}

void TApplication::ShowException(const Exception& error) {
  ShowErrorBox(m_title, ErrorBoxText(error.Message()));
}

void TApplication::ShowErrorBox(const std::string& title, const std::string& text, BoxOwner owner) {
  // Every report also goes to standard error as one line, so a terminal or a test sees it.
  std::string line = title + ": ";
  for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  // One box at a time: an error while a box is open goes to standard error only, instead of
  // nesting boxes until the stack runs out.
  if (m_error_box_open) return;
  if (m_backend.RecordErrorBox(title, text)) return;

  m_error_box_open = true;
  WindowHandle owner_window = owner == BoxOwner::Application ? m_handle : 0;
  if (!m_backend.ShowMessageBox(owner_window, title, text, [this] { return RunDueTimers(); })) {
    RunDrawnErrorBox(title, text);
  }
  m_error_box_open = false;
  if (m_main_form) m_main_form->InvalidateAll();
}

void TApplication::RunDrawnErrorBox(const std::string& title, const std::string& text) {
  auto box = std::make_unique<ErrorBox>(*this, title, text);
  TForm* previous_modal = m_modal_form;
  m_error_box = box.get();
  m_modal_form = box.get();
  try {
    box->Show();
    while (!box->Dismissed() && !m_terminated) Step(-1);
  } catch (...) {
    // The box could not be shown (no window): the line on standard error has to do.
  }
  if (box->HandleAllocated()) m_backend.DestroyWindow(box->Handle());
  m_modal_form = previous_modal;
  m_error_box = nullptr;
}

}  // namespace vt
