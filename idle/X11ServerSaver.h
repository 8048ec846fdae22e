#pragma once

#include <memory>
#include <string>

#include "idle/IdleEvents.h"
#include "idle/WaitSource.h"

struct _XDisplay;

namespace vt {

// The X server's own saver timer as the idle signal, as X11 lockers use it: its timeout set to
// the idle time, and MIT-SCREEN-SAVER's ScreenSaverNotify events saying when it comes on (idle)
// and goes off (input). The server counts by itself; nothing is polled. It honours what
// programs do to hold it off (XScreenSaverSuspend, as mpv and Firefox call it, and
// XResetScreenSaver). While it is the starter's, the server's saver neither blanks nor tiles
// the screen, so that the scene is not hidden behind it; the user's settings come back when
// the starter ends.
class X11ServerSaver : public WaitSource {
 public:
  // Opens the display DISPLAY names and takes its saver timer. Null with the reason when there
  // is no display, it lacks the extension, or XScreenSaver's daemon is the display's saver.
  static std::unique_ptr<X11ServerSaver> Open(int idle_seconds, IdleEvents& events,
                                              std::string* error);
  ~X11ServerSaver() override;
  X11ServerSaver(const X11ServerSaver&) = delete;
  X11ServerSaver& operator=(const X11ServerSaver&) = delete;

  int Fd() const override;
  void BeforeWait() override;
  bool Ready(short revents, std::string* lost) override;
  // The saver switches the server's saver timer off while it shows and back as it ends; one
  // that crashed or was killed leaves it off, and the session would never be idle again.
  void SaverEnded() override;

 private:
  struct Settings {
    int timeout = 0;
    int interval = 0;
    int prefer_blanking = 0;
    int allow_exposures = 0;
  };

  X11ServerSaver(_XDisplay* display, IdleEvents& events, int idle_seconds)
      : m_display(display), m_events(events), m_idle_seconds(idle_seconds) {}
  // Whether XScreenSaver's daemon runs on the display: it marks a child window of the root.
  bool DaemonRuns() const;
  // Handles the events already read from the connection.
  void HandleQueued();
  // Sets the server's saver timer as the starter uses it.
  void TakeTimer();

  _XDisplay* m_display;
  IdleEvents& m_events;
  int m_idle_seconds = 0;
  int m_event_base = 0;
  Settings m_user;
  bool m_on_at_start = false;
  bool m_taken = false;  // the timer is the starter's, and the user's settings are to come back
};

}  // namespace vt
