#pragma once

#include <cstdarg>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "widgets/Backend.h"
#include "widgets/linux/SignalPipe.h"

// The Wayland types, declared here so that users of the backend need no Wayland header.
struct wl_buffer;
struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_keyboard;
struct wl_output;
struct wl_pointer;
struct wl_registry;
struct wl_seat;
struct wl_shm;
struct wl_subcompositor;
struct wl_subsurface;
struct wl_surface;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct wp_viewport;
struct wp_viewporter;
struct xdg_surface;
struct xdg_toplevel;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace vt {

class WaylandBuffers;
class WaylandKeys;

// The widget layer's platform in a Wayland session, through libwayland-client. Its methods are
// spread by concern: WaylandBackend.cpp (connection, globals, event loop, time),
// WaylandWindow.cpp, WaylandInput.cpp, WaylandPixels.cpp, WaylandScreen.cpp and
// WaylandPower.cpp.
// - screen: the output the compositor puts a full-screen surface on, in physical pixels, and
//   96 pixels per inch times its scale: the compositor's preferred fractional scale where it
//   offers one (drawn at the exact physical size through a viewport), else the output's
//   integer scale, of the output it is on now (entered and not left); a new size or scale of
//   that output announced as ScreenChanged, and so is its end while other outputs remain, for
//   the scene to move to one of them;
// - one saver per session, claimed through a lock file in the session's runtime folder;
// - windows: the full-screen form as a layer-shell overlay, or as a full-screen xdg toplevel
//   where the compositor has no layer shell (or VANTOREL_WAYLAND_SHELL=xdg asks for it);
//   boxes and pop-ups as subsurfaces above it; black covers over every other output, added
//   and removed with the outputs, whose input counts as the full-screen window's;
// - pixels: at most two shared-memory buffers per surface, reused only once released, and
//   only the dirty rectangles damaged; a frame callback with each commit, and no frame taken
//   until the compositor has said the last one was shown, so that nothing is painted while it
//   shows none (an output turned off, a surface hidden);
// - the pointer hidden on every enter while the display count is below 0;
// - input: keys through the seat's xkb keymap, pointer enters and motion as movements,
//   buttons; the wheel is no button;
// - a monotonic clock, and a wait on the connection with poll();
// - a broken connection reported as DisplayLost, with the compositor's protocol error;
// - SIGTERM, SIGINT and SIGHUP turned into a close request of the application's window, so
//   that a saver ended from outside ends as one closed;
// - nothing left to show on (no output at all, the scene's surface closed while its output
//   stays) as a close request of the application's window, which ends the program even under
//   a box.
// The compositor looks after everything else: whatever the program leaves is gone with its
// connection, and the session's idle handling stays the user's (the saver never inhibits it).
class WaylandBackend : public Backend {
 public:
  // Connects to the compositor that WAYLAND_DISPLAY (or WAYLAND_SOCKET) names. Returns
  // nullptr, with the reason in *error, when none answers or it lacks what the saver needs.
  static std::unique_ptr<WaylandBackend> Open(std::string* error);
  ~WaylandBackend() override;
  WaylandBackend(const WaylandBackend&) = delete;
  WaylandBackend& operator=(const WaylandBackend&) = delete;

  Rect PrimaryScreen() override;
  int PixelsPerInch() override;

  void SetIcon(const Bitmap32& icon) override;
  WindowHandle CreateWindow(const WindowRequest& request) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool visible) override;
  void SetWindowBounds(WindowHandle window, const Rect& bounds) override;
  void Present(WindowHandle window, const Bitmap32& frame, const std::vector<Rect>& dirty) override;

  int ShowCursor(bool show) override;

  bool ShowForeignWindow(uint64_t handle) override;
  bool GetForeignWindowRect(uint64_t handle, Rect& outer) override;

  void AnswerSysCommand(WindowHandle window, uint32_t command, intptr_t result) override;

  int64_t NowMs() override;
  std::optional<InputEvent> WaitEvent(int64_t deadline_ms) override;
  std::string LostReason() override { return m_lost_reason; }
  bool FrameInUse(WindowHandle window) override;

  bool RecordErrorBox(const std::string& title, const std::string& text) override;
  bool ClaimSaver() override;

 private:
  // The C callbacks of each file, which reach the backend's private parts.
  friend struct WaylandGlobalEvents;   // WaylandBackend.cpp
  friend struct WaylandSurfaceEvents;  // WaylandWindow.cpp
  friend struct WaylandInputEvents;    // WaylandInput.cpp
  friend struct WaylandOutputEvents;   // WaylandScreen.cpp
  friend struct WaylandFrameEvents;    // WaylandPower.cpp

  enum class Shell { Layer, Xdg };

  struct Globals {
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_subcompositor* subcompositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wm_base = nullptr;
    zwlr_layer_shell_v1* layer_shell = nullptr;
    zxdg_output_manager_v1* output_manager = nullptr;
    wp_viewporter* viewporter = nullptr;
    wp_fractional_scale_manager_v1* fractional_scale = nullptr;
  };

  struct Output {
    WaylandBackend* backend = nullptr;
    uint32_t name = 0;  // the registry's
    uint32_t version = 0;
    wl_output* output = nullptr;
    zxdg_output_v1* xdg_output = nullptr;
    int scale = 1;
    Point position;  // from the output's geometry
    Size mode;       // the current mode, in physical pixels
    Rect logical;    // from xdg-output: where it lies in the compositor's space
    bool has_logical = false;
    bool done = false;  // its first description is complete
    bool removed = false;  // gone from the registry; released after the events at hand
  };

  // One surface of the program: a window of the widget layer, or the black cover of an
  // output. Sizes of shell surfaces are the compositor's logical ones; frames are drawn at
  // scale times that, scales counted in 120ths as the fractional-scale protocol counts them.
  struct Surface {
    WaylandBackend* backend = nullptr;
    WindowHandle window = 0;  // for a cover: the full-screen window it belongs to
    WindowKind kind = WindowKind::Popup;
    bool cover = false;
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    xdg_surface* xdg = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wl_subsurface* subsurface = nullptr;
    uint32_t output = 0;  // the output it is on, by registry name; 0 while unknown
    std::vector<uint32_t> entered;  // the outputs it is on, the last one entered last
    bool moving = false;            // its output went, and the scene moves to another
    Size configured;      // from the last configure
    Size pending;         // an xdg toplevel's size, until its surface's configure
    bool has_configure = false;
    int scale120 = 120;  // the scale the compositor wants now
    // A full-screen window's frames are laid out for this logical size and scale until the
    // program lays its scene out again (ScreenChanged).
    Size drawn_size;
    int drawn_scale120 = 120;
    bool change_announced = false;
    int preferred_scale120 = 0;  // from the fractional-scale protocol; 0 until it says
    wp_viewport* viewport = nullptr;
    wp_fractional_scale_v1* fractional = nullptr;
    bool shown = false;
    bool closed = false;  // closed by the compositor: it shows nothing any more
    Rect bounds;  // boxes and pop-ups: where the widget layer wants them, in frame pixels
    Rect missed;  // what frames presented before the first configure changed
    wl_callback* frame = nullptr;  // asked with the last frame, until the compositor answers
    wl_buffer* black = nullptr;  // a cover's picture, or a full-screen window's first one
    Size black_size;
    std::unique_ptr<WaylandBuffers> buffers;
  };

  struct Seat {
    WaylandBackend* backend = nullptr;
    uint32_t name = 0;
    uint32_t version = 0;
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_surface* pointer_focus = nullptr;
    wl_surface* keyboard_focus = nullptr;
    uint32_t enter_serial = 0;  // of the pointer's last enter, which set_cursor needs
    double pointer_x = 0;       // the pointer's place on its surface, for buttons
    double pointer_y = 0;
    TShiftState buttons = 0;
    std::unique_ptr<WaylandKeys> keys;
  };

  WaylandBackend(wl_display* display, Shell shell);
  bool Start(std::string* error);
  // A round trip to the compositor; false, with the connection marked lost, when it failed.
  bool Roundtrip();
  // The program has nothing left to show on: it is asked to end.
  void NothingToShow();
  // Decides, once the events at hand are dispatched, what a closed scene surface means.
  void SettleClosedScene();
  // Marks the connection lost, keeping the compositor's reason.
  void Lose();
  // ": " and that reason, or "" without one.
  std::string LostReasonText() const { return m_lost_reason.empty() ? "" : ": " + m_lost_reason; }
  void Push(const InputEvent& event);
  // Turns the termination signals that arrived since the last look into a close request.
  void TakeSignals();
  // libwayland's report of a protocol error, caught so that the program says it in its one line.
  static void LogHandler(const char* format, va_list args);

  // Globals, WaylandBackend.cpp
  void BindGlobal(uint32_t name, const char* interface, uint32_t version);
  void RemoveGlobal(uint32_t name);

  // Outputs, WaylandScreen.cpp
  void AddOutput(uint32_t name, uint32_t version);
  void DescribeOutput(Output& output);  // asks xdg-output for its logical place
  void OutputDone(Output& output);
  void RemoveOutput(uint32_t name);
  Rect LogicalArea(const Output& output) const;
  // A logical length at a scale in 120ths, in physical pixels.
  static int Scaled(int logical, int scale120);
  const Output* FindOutput(wl_output* output) const;
  // The full-screen window the screen questions are about: the shown one, else one made
  // and placed for the next request of a full-screen window.
  Surface& SceneSurface();
  void PreferredScale(Surface& surface, int scale120);
  // The scale a surface is drawn at now: the compositor's preferred one, else its output's.
  void UpdateScale(Surface& surface);
  // Announces a full-screen window's new size or scale, once, for its scene to be laid out
  // again.
  void CheckScreen(Surface& surface);
  void AnnounceScreenChange(Surface& surface);
  // A full-screen window's output went while others remain: it is laid out again on one.
  void MoveScene(Surface& surface);

  // Surfaces, WaylandWindow.cpp
  std::unique_ptr<Surface> NewSurface(WindowKind kind);
  // Gives a surface its full-screen role: on the output given, or where the compositor puts
  // it (nullptr).
  void MakeFullScreen(Surface& surface, wl_output* output);
  // Finds out where the compositor puts a new full-screen surface and at what size, by
  // mapping it black; waits for the compositor's answers.
  void Place(Surface& surface);
  void Configured(Surface& surface, int width, int height);
  // The layer shell's closed: the surface can show nothing any more.
  void Closed(Surface& surface);
  // Whether a surface can still show what it is given.
  static bool Showable(const Surface& surface) { return surface.surface && !surface.closed; }
  // Releases the covers and outputs that went while events were dispatched. libwayland keeps
  // an object destroyed in the middle of the events that name it alive for ever, so they wait
  // until the events at hand are dispatched.
  void ReleaseRetired();
  // Takes an output's cover off the screen, to be released with the rest.
  void RetireCover(uint32_t output);
  // The compositor's request to close an xdg toplevel.
  void CloseAsked(Surface& surface);
  void Entered(Surface& surface, wl_output* output);
  void Left(Surface& surface, wl_output* output);

  // Frames, WaylandPower.cpp: a callback asked with each frame committed, answered once the
  // compositor has shown it.
  void RequestFrame(Surface& surface);
  void FrameShown(Surface& surface);
  void ShowBlack(Surface& surface, int width, int height);
  void ReleaseSurface(Surface& surface);
  void ShowCovers();
  void AddCover(const Output& output);
  void RemoveCovers();
  // Puts a box or pop-up's subsurface at its place over the shown full-screen window.
  void PlaceAbove(Surface& surface);
  Surface* ShownScene();
  // The full-screen window that boxes go above: the shown one, else any made or placed.
  Surface* BoxParent();
  Surface* FindWindow(WindowHandle window);

  // Input, WaylandInput.cpp
  void AddSeat(uint32_t name, uint32_t version);
  void SeatCapabilities(Seat& seat, uint32_t capabilities);
  void RemoveSeat(Seat& seat);
  void PointerAt(Seat& seat, wl_surface* surface, double x, double y);
  void PointerButton(Seat& seat, uint32_t button, bool pressed);
  void KeyPressed(Seat& seat, uint32_t key);
  // The window that input over a surface belongs to, and the point in its frame's pixels.
  bool InputTarget(wl_surface* surface, double x, double y, InputEvent& event);
  void HidePointer(Seat& seat);

  wl_display* m_display;
  Shell m_shell;
  std::string m_display_name;
  Globals m_globals;
  bool m_lost = false;
  std::map<uint32_t, std::unique_ptr<Output>> m_outputs;
  std::map<uint32_t, std::unique_ptr<Seat>> m_seats;
  std::map<WindowHandle, std::unique_ptr<Surface>> m_windows;
  std::map<uint32_t, std::unique_ptr<Surface>> m_covers;  // by output
  std::unique_ptr<Surface> m_placed;                      // placed for the next full-screen window
  std::vector<std::unique_ptr<Surface>> m_retired_covers;
  std::vector<std::unique_ptr<Output>> m_retired_outputs;
  WindowHandle m_next_handle = 1;
  WindowHandle m_scene = 0;  // the shown full-screen window, which the covers belong to
  WindowHandle m_app_window = 0;
  bool m_nothing_to_show = false;
  bool m_scene_closed = false;  // a scene surface was closed amid the events at hand
  bool m_close_sent = false;
  std::string m_lost_reason;
  int m_claim_fd = -1;
  std::deque<InputEvent> m_queue;
  int m_cursor_count = 0;
  // Termination signals reach the event loop through a pipe that the wait watches.
  SignalPipe m_signals;
};

}  // namespace vt
