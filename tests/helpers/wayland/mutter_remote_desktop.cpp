// Drives a headless mutter as a remote-desktop client does, through its D-Bus API: holds one
// remote-desktop session and, linked to it, one screen cast stream of each named monitor (with
// the pointer drawn in), which mutter all closes when this client leaves the bus. Waits up to
// 10 seconds for mutter's services to come on the session bus. Once the streams run, says on
// standard output "ready" and, for each stream, its PipeWire node and its monitor's area of
// mutter's stage (x, y, width, height); then takes one command a line on standard input and answers
// each with "ok", or "error: " and the reason:
//
//   mutter_remote_desktop CONNECTOR...
//     key NAME      a key, by the name of its xkb keysym, pressed and released
//     move I X Y    the pointer to X,Y of the I-th monitor, from its top left corner
//     button N      button N (1 left, 2 middle, 3 right) pressed and released
//     axis A STEPS  the wheel turned STEPS steps on axis A (0 vertical, 1 horizontal)
#include <linux/input-event-codes.h>
#include <systemd/sd-bus.h>
#include <xkbcommon/xkbcommon.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kRemoteDesktop = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kScreenCast = "org.gnome.Mutter.ScreenCast";

// One synchronous call to mutter; false with the reason in *error when it fails. The reply,
// when wanted, is the caller's to unref.
bool Call(sd_bus* bus, const char* service, const std::string& path, const char* interface,
          const char* member, std::string* error, sd_bus_message** reply, const char* types, ...) {
  sd_bus_error failure = SD_BUS_ERROR_NULL;
  sd_bus_message* answer = nullptr;
  va_list args;
  va_start(args, types);
  int result = sd_bus_call_methodv(bus, service, path.c_str(), interface, member, &failure, &answer,
                                   types, args);
  va_end(args);
  if (result < 0) {
    *error = std::string(member) + ": " + (failure.message ? failure.message : "failed");
  }
  sd_bus_error_free(&failure);
  if (reply && result >= 0) {
    *reply = answer;
  } else {
    sd_bus_message_unref(answer);
  }
  return result >= 0;
}

// The object path a call answers with; "" when it fails.
std::string PathOf(sd_bus_message* reply) {
  const char* path = nullptr;
  std::string text = reply && sd_bus_message_read(reply, "o", &path) >= 0 ? path : "";
  sd_bus_message_unref(reply);
  return text;
}

// Whether both of mutter's services are on the bus, waiting up to 10 seconds for them.
bool ServicesCame(sd_bus* bus) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    bool all = true;
    for (const char* service : {kRemoteDesktop, kScreenCast}) {
      sd_bus_message* reply = nullptr;
      int has = 0;
      all = all &&
            sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               service) >= 0 &&
            sd_bus_message_read(reply, "b", &has) >= 0 && has;
      sd_bus_message_unref(reply);
    }
    if (all) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

struct Stream {
  std::string path;
  uint32_t node = 0;
  bool added = false;
  int area[4] = {};  // the monitor's x, y, width and height on the stage
};

// The stream's "position" and "size" parameters, as mutter gives them; false without them.
bool ReadArea(sd_bus* bus, Stream& stream) {
  sd_bus_message* reply = nullptr;
  std::string interface = std::string(kScreenCast) + ".Stream";
  if (sd_bus_get_property(bus, kScreenCast, stream.path.c_str(), interface.c_str(), "Parameters",
                          nullptr, &reply, "a{sv}") < 0) {
    return false;
  }
  int found = 0;
  const char* key = nullptr;
  bool ok = sd_bus_message_enter_container(reply, 'a', "{sv}") > 0;
  while (ok && sd_bus_message_enter_container(reply, 'e', "sv") > 0) {
    ok = sd_bus_message_read(reply, "s", &key) >= 0;
    std::string name = ok ? key : "";
    int* pair = name == "position" ? stream.area : name == "size" ? stream.area + 2 : nullptr;
    if (ok && pair) {
      ok = sd_bus_message_read(reply, "v", "(ii)", pair, pair + 1) >= 0;
      ++found;
    } else if (ok) {
      ok = sd_bus_message_skip(reply, "v") >= 0;
    }
    ok = ok && sd_bus_message_exit_container(reply) >= 0;
  }
  sd_bus_message_unref(reply);
  return ok && found == 2;
}

int OnStreamAdded(sd_bus_message* message, void* data, sd_bus_error*) {
  auto& stream = *static_cast<Stream*>(data);
  if (sd_bus_message_read(message, "u", &stream.node) >= 0) stream.added = true;
  return 0;
}

class RemoteDesktop {
 public:
  explicit RemoteDesktop(sd_bus* bus) : m_bus(bus) {}

  // Creates the sessions and the streams of these monitors and starts them; false with the
  // reason when mutter refuses or the streams' nodes do not come.
  bool Start(const std::vector<std::string>& connectors, std::string* error) {
    sd_bus_message* reply = nullptr;
    if (!Call(m_bus, kRemoteDesktop, "/org/gnome/Mutter/RemoteDesktop", kRemoteDesktop,
              "CreateSession", error, &reply, "")) {
      return false;
    }
    m_session = PathOf(reply);
    std::string session_interface = std::string(kRemoteDesktop) + ".Session";
    char* id = nullptr;
    sd_bus_error failure = SD_BUS_ERROR_NULL;
    if (sd_bus_get_property_string(m_bus, kRemoteDesktop, m_session.c_str(),
                                   session_interface.c_str(), "SessionId", &failure, &id) < 0) {
      *error = "no SessionId";
      sd_bus_error_free(&failure);
      return false;
    }
    std::string session_id = id;
    free(id);

    if (!Call(m_bus, kScreenCast, "/org/gnome/Mutter/ScreenCast", kScreenCast, "CreateSession",
              error, &reply, "a{sv}", 1, "remote-desktop-session-id", "s", session_id.c_str())) {
      return false;
    }
    std::string cast = PathOf(reply);
    std::string cast_interface = std::string(kScreenCast) + ".Session";
    std::string stream_interface = std::string(kScreenCast) + ".Stream";
    m_streams.resize(connectors.size());
    for (size_t i = 0; i < connectors.size(); ++i) {
      // Cursor mode 1: the pointer drawn into the frames, as a person sees the screen.
      if (!Call(m_bus, kScreenCast, cast, cast_interface.c_str(), "RecordMonitor", error, &reply,
                "sa{sv}", connectors[i].c_str(), 1, "cursor-mode", "u", 1u)) {
        return false;
      }
      m_streams[i].path = PathOf(reply);
      if (sd_bus_match_signal(m_bus, nullptr, kScreenCast, m_streams[i].path.c_str(),
                              stream_interface.c_str(), "PipeWireStreamAdded", OnStreamAdded,
                              &m_streams[i]) < 0) {
        *error = "cannot watch " + m_streams[i].path;
        return false;
      }
    }
    // The linked screen cast starts with the remote-desktop session.
    if (!Call(m_bus, kRemoteDesktop, m_session, session_interface.c_str(), "Start", error, nullptr,
              "")) {
      return false;
    }
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!AllAdded()) {
      if (std::chrono::steady_clock::now() > end) {
        *error = "the streams' PipeWire nodes did not come";
        return false;
      }
      int processed = sd_bus_process(m_bus, nullptr);
      if (processed < 0) {
        *error = "lost the bus";
        return false;
      }
      if (processed == 0) sd_bus_wait(m_bus, 100000);
    }
    for (Stream& stream : m_streams) {
      if (!ReadArea(m_bus, stream)) {
        *error = "no position and size of " + stream.path;
        return false;
      }
    }
    return true;
  }

  // For each stream: its node and its monitor's area.
  std::string Streams() const {
    std::string text;
    for (const Stream& stream : m_streams) {
      text += " " + std::to_string(stream.node);
      for (int figure : stream.area) text += " " + std::to_string(figure);
    }
    return text;
  }

  // Carries out one command line; false with the reason when it is unknown or mutter
  // refuses it.
  bool Do(const std::string& line, std::string* error) {
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "key") {
      std::string name;
      words >> name;
      xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
      if (keysym == XKB_KEY_NoSymbol) {
        *error = "no keysym " + name;
        return false;
      }
      return Notify("NotifyKeyboardKeysym", error, "ub", keysym, 1) &&
             Notify("NotifyKeyboardKeysym", error, "ub", keysym, 0);
    }
    if (command == "move") {
      size_t index = 0;
      double x = 0, y = 0;
      if (!(words >> index >> x >> y) || index >= m_streams.size()) {
        *error = "bad move: " + line;
        return false;
      }
      return Notify("NotifyPointerMotionAbsolute", error, "sdd", m_streams[index].path.c_str(), x,
                    y);
    }
    if (command == "button") {
      int button = 0;
      words >> button;
      const int codes[] = {BTN_LEFT, BTN_MIDDLE, BTN_RIGHT};
      if (button < 1 || button > 3) {
        *error = "bad button: " + line;
        return false;
      }
      return Notify("NotifyPointerButton", error, "ib", codes[button - 1], 1) &&
             Notify("NotifyPointerButton", error, "ib", codes[button - 1], 0);
    }
    if (command == "axis") {
      uint32_t axis = 0;
      int steps = 0;
      if (!(words >> axis >> steps)) {
        *error = "bad axis: " + line;
        return false;
      }
      return Notify("NotifyPointerAxisDiscrete", error, "ui", axis, steps);
    }
    *error = "unknown command: " + line;
    return false;
  }

 private:
  bool AllAdded() const {
    for (const Stream& stream : m_streams) {
      if (!stream.added) return false;
    }
    return true;
  }

  template <typename... Args>
  bool Notify(const char* member, std::string* error, const char* types, Args... args) {
    std::string session_interface = std::string(kRemoteDesktop) + ".Session";
    return Call(m_bus, kRemoteDesktop, m_session, session_interface.c_str(), member, error, nullptr,
                types, args...);
  }

  sd_bus* m_bus;
  std::string m_session;
  std::vector<Stream> m_streams;
};

}  // namespace

int main(int argc, char** argv) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    std::fprintf(stderr, "mutter_remote_desktop: no session bus\n");
    return 1;
  }
  if (!ServicesCame(bus)) {
    std::fprintf(stderr, "mutter_remote_desktop: mutter's services did not come\n");
    return 1;
  }
  RemoteDesktop remote(bus);
  std::string error;
  if (!remote.Start(std::vector<std::string>(argv + 1, argv + argc), &error)) {
    std::fprintf(stderr, "mutter_remote_desktop: %s\n", error.c_str());
    return 1;
  }
  std::cout << "ready" << remote.Streams() << std::endl;
  for (std::string line; std::getline(std::cin, line);) {
    // Signals that came meanwhile are read and dropped.
    while (sd_bus_process(bus, nullptr) > 0) {
    }
    if (remote.Do(line, &error)) {
      std::cout << "ok" << std::endl;
    } else {
      std::cout << "error: " << error << std::endl;
    }
  }
  sd_bus_flush_close_unref(bus);
  return 0;
}
