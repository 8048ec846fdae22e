#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/Exceptions.h"
#include "widgets/Numbers.h"
#include "widgets/TForm.h"
#include "widgets/TextEngine.h"

namespace vt {

class TTimer;

enum class BoxOwner { Application, None };

// Finds a built-in resource (form description, picture) by file name.
using ResourceFinder = std::function<std::optional<std::span<const uint8_t>>(std::string_view)>;

// The application object: title, main form, its own hidden window, the terminated flag, the
// forms it owns, the event loop with its timers, and the error box.
class TApplication {
 public:
  explicit TApplication(Backend& backend);
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // Creates the application's own window.
  void Initialize();
  const std::string& Title() const { return m_title; }
  void SetTitle(const std::string& title);
  // The application's own window, made on first need with the current title.
  WindowHandle Handle();

  // Creates a form of class T: the reference is set as soon as the object exists, then the
  // description is read, OnCreate runs (its errors are reported, the form is made all the
  // same), and the first form becomes the main form and gets its window at once.
  template <class T, class... Args>
  void CreateForm(T*& reference, Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    reference = form.get();
    AdoptForm(std::move(form), T::DescriptionName());
  }
  TForm* MainForm() const { return m_main_form; }
  const std::vector<std::unique_ptr<TForm>>& Forms() const { return m_forms; }

  // Shows the main form and runs the event loop until the application is terminated.
  void Run();
  // Shows the main form without running the loop (the headless driver steps time itself).
  void ShowMainForm();
  // Handles events and timer ticks until the clock reaches deadline_ms or the application is
  // terminated; for the headless backend's virtual clock.
  void RunUntil(int64_t deadline_ms);
  void Terminate() { m_terminated = true; }
  bool Terminated() const { return m_terminated; }
  // Called when the screen under the full-screen form changes size or pixels per inch, as
  // the backend's ScreenChanged says; nothing happens without it.
  std::function<void()> OnScreenChanged;

  // Reports an error caught around a handler with the error box (one at a time).
  void HandleException(std::exception_ptr error);
  void ShowException(const Exception& error);
  // The error box's text: the message, with "." added after any character above ".".
  static std::string ErrorBoxText(const std::string& message);
  bool ErrorBoxOpen() const { return m_error_box_open; }
  // Shows a modal error box with its own nested event loop, in which timers keep ticking, and
  // returns when it is dismissed. The backend may record the box instead of showing it. The
  // box belongs to the application's window, or to none (the last-chance report).
  void ShowErrorBox(const std::string& title, const std::string& text,
                    BoxOwner owner = BoxOwner::Application);

  Backend& GetBackend() const { return m_backend; }
  TextEngine& Text() { return m_text; }
  RandomGenerator& Random() { return m_random; }
  void SetResourceFinder(ResourceFinder finder) { m_find_resource = std::move(finder); }
  std::span<const uint8_t> Resource(std::string_view name) const;
  // The program file's full path; a host program (the headless driver) may set another.
  const std::string& ExeName() const { return m_exe_name; }
  void SetExeName(std::string path) { m_exe_name = std::move(path); }

  // Timers register themselves here.
  void TimerChanged(TTimer& timer);
  void TimerDestroyed(TTimer& timer);
  // Repaints every dirty form and puts the changes on the screen.
  void PaintDirtyForms();

 private:
  void AdoptForm(std::unique_ptr<TForm> form, std::string_view description);
  void Dispatch(const InputEvent& event);
  TForm* FormOf(WindowHandle window) const;
  // One turn of the event loop: an event, or else a due timer tick, waiting up to deadline_ms
  // (no limit when negative). Returns false when the deadline passed with nothing to do.
  bool Step(int64_t deadline_ms);
  TTimer* EarliestTimer() const;
  // Whether the platform still holds the shown main form's last frame.
  bool MainFrameHeld() const;
  void FireTimer(TTimer& timer);
  // Runs the ticks that are due and repaints; returns the due time of the next tick, -1 when
  // no timer runs. For the platform's own modal loops.
  int64_t RunDueTimers();
  // The error box that the widget layer draws itself, with its nested event loop.
  void RunDrawnErrorBox(const std::string& title, const std::string& text);

  Backend& m_backend;
  TextEngine m_text;
  RandomGenerator m_random;
  ResourceFinder m_find_resource;
  std::string m_title;
  std::string m_exe_name;
  WindowHandle m_handle = 0;
  TForm* m_main_form = nullptr;
  std::vector<std::unique_ptr<TForm>> m_forms;
  std::vector<TTimer*> m_timers;
  uint64_t m_timer_sequence = 0;
  bool m_terminated = false;
  bool m_error_box_open = false;
  TForm* m_modal_form = nullptr;
  TForm* m_error_box = nullptr;
  RepaintOutline m_repaint_outline = RepaintOutline::None;
};

}  // namespace vt
