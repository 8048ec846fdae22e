// desktop_services: stands in, on a D-Bus bus, for the desktop's services that say whether the
// session is locked or held awake, for the idle starter (and mutter) to ask:
//
//   desktop_services SERVICE...
//
//   logind               org.freedesktop.login1: the manager's BlockInhibited (changes only
//                        invalidated, as they may be) and one session's LockedHint (changes
//                        with their value); GetSession gives that session for any name
//   gnome-session        org.gnome.SessionManager: InhibitedActions, IsInhibited
//   gnome-screensaver    org.gnome.ScreenSaver: GetActive, ActiveChanged
//   kde-screensaver      org.freedesktop.ScreenSaver on /ScreenSaver: GetActive, ActiveChanged
//   kde-powermanagement  org.kde.Solid.PowerManagement.PolicyAgent: HasInhibition,
//                        InhibitionsChanged
//
// It owns the names on the bus DBUS_SESSION_BUS_ADDRESS names and says "ready". Each line on
// standard input then changes one service, and is answered "ok" once the bus has the change:
//   lock SERVICE, unlock SERVICE        logind, gnome-screensaver, kde-screensaver
//   inhibit SERVICE, release SERVICE    logind (idle among the blocked operations),
//                                       gnome-session (idle, 8, among the inhibited actions),
//                                       kde-powermanagement (ChangeScreenSettings, 4)
// It ends, giving its names up, when standard input closes.
#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

namespace {

constexpr const char* kLogindManager = "/org/freedesktop/login1";
constexpr const char* kLogindSession = "/org/freedesktop/login1/session/_31";
constexpr const char* kGnomeSession = "/org/gnome/SessionManager";
constexpr const char* kGnomeScreenSaver = "/org/gnome/ScreenSaver";
constexpr const char* kKdeScreenSaver = "/ScreenSaver";
constexpr const char* kPolicyAgent = "/org/kde/Solid/PowerManagement/PolicyAgent";
constexpr const char* kPolicyAgentInterface = "org.kde.Solid.PowerManagement.PolicyAgent";

struct State {
  bool logind_inhibited = false;
  bool logind_locked = false;
  uint32_t gnome_actions = 0;
  bool gnome_locked = false;
  bool kde_locked = false;
  bool kde_inhibited = false;
};

State& Of(void* data) {
  return *static_cast<State*>(data);
}

int BlockInhibited(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                   void* data, sd_bus_error*) {
  return sd_bus_message_append(reply, "s", Of(data).logind_inhibited ? "sleep:idle" : "sleep");
}

int LockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* data,
               sd_bus_error*) {
  return sd_bus_message_append(reply, "b", int(Of(data).logind_locked));
}

int GetSession(sd_bus_message* call, void*, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "o", kLogindSession);
}

int InhibitedActions(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                     void* data, sd_bus_error*) {
  return sd_bus_message_append(reply, "u", Of(data).gnome_actions);
}

int IsInhibited(sd_bus_message* call, void* data, sd_bus_error*) {
  uint32_t flags = 0;
  sd_bus_message_read(call, "u", &flags);
  return sd_bus_reply_method_return(call, "b", int((Of(data).gnome_actions & flags) != 0));
}

int GnomeActive(sd_bus_message* call, void* data, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "b", int(Of(data).gnome_locked));
}

int KdeActive(sd_bus_message* call, void* data, sd_bus_error*) {
  return sd_bus_reply_method_return(call, "b", int(Of(data).kde_locked));
}

int HasInhibition(sd_bus_message* call, void* data, sd_bus_error*) {
  // Video players hold ChangeScreenSettings.
  uint32_t policies = 0;
  sd_bus_message_read(call, "u", &policies);
  return sd_bus_reply_method_return(call, "b", int(Of(data).kde_inhibited && (policies & 4)));
}

const sd_bus_vtable kLogindManagerTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("GetSession", "s", "o", GetSession, 0),
    SD_BUS_PROPERTY("BlockInhibited", "s", BlockInhibited, 0,
                    SD_BUS_VTABLE_PROPERTY_EMITS_INVALIDATION),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kLogindSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("LockedHint", "b", LockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kGnomeSessionTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("IsInhibited", "u", "b", IsInhibited, 0),
    SD_BUS_PROPERTY("InhibitedActions", "u", InhibitedActions, 0,
                    SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};
const sd_bus_vtable kGnomeScreenSaverTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("GetActive", "", "b", GnomeActive, 0),
    SD_BUS_SIGNAL("ActiveChanged", "b", 0), SD_BUS_VTABLE_END};
const sd_bus_vtable kKdeScreenSaverTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("GetActive", "", "b", KdeActive, 0),
    SD_BUS_SIGNAL("ActiveChanged", "b", 0), SD_BUS_VTABLE_END};
const sd_bus_vtable kPolicyAgentTable[] = {
    SD_BUS_VTABLE_START(0), SD_BUS_METHOD("HasInhibition", "u", "b", HasInhibition, 0),
    SD_BUS_SIGNAL("InhibitionsChanged", "a(ss)as", 0), SD_BUS_VTABLE_END};

struct Service {
  const char* name;      // as the command line names it
  const char* bus_name;  // as the bus knows it
};

constexpr Service kServices[] = {{"logind", "org.freedesktop.login1"},
                                 {"gnome-session", "org.gnome.SessionManager"},
                                 {"gnome-screensaver", "org.gnome.ScreenSaver"},
                                 {"kde-screensaver", "org.freedesktop.ScreenSaver"},
                                 {"kde-powermanagement", kPolicyAgentInterface}};

bool Offer(sd_bus* bus, const std::string& service, State& state) {
  auto add = [&](const char* path, const char* interface, const sd_bus_vtable* table) {
    return sd_bus_add_object_vtable(bus, nullptr, path, interface, table, &state) >= 0;
  };
  if (service == "logind") {
    return add(kLogindManager, "org.freedesktop.login1.Manager", kLogindManagerTable) &&
           add(kLogindSession, "org.freedesktop.login1.Session", kLogindSessionTable);
  }
  if (service == "gnome-session") {
    return add(kGnomeSession, "org.gnome.SessionManager", kGnomeSessionTable);
  }
  if (service == "gnome-screensaver") {
    return add(kGnomeScreenSaver, "org.gnome.ScreenSaver", kGnomeScreenSaverTable);
  }
  if (service == "kde-screensaver") {
    return add(kKdeScreenSaver, "org.freedesktop.ScreenSaver", kKdeScreenSaverTable);
  }
  if (service == "kde-powermanagement") {
    return add(kPolicyAgent, kPolicyAgentInterface, kPolicyAgentTable);
  }
  return false;
}

// Carries out one command; false when it names nothing this program offers.
bool Change(sd_bus* bus, const std::set<std::string>& offered, const std::string& line,
            State& state) {
  std::istringstream words(line);
  std::string verb, service;
  words >> verb >> service;
  bool on = verb == "lock" || verb == "inhibit";
  bool lock = verb == "lock" || verb == "unlock";
  if (!offered.count(service) || (!lock && !on && verb != "release")) return false;
  if (lock && service == "logind") {
    state.logind_locked = on;
    return sd_bus_emit_properties_changed(bus, kLogindSession, "org.freedesktop.login1.Session",
                                          "LockedHint", nullptr) >= 0;
  }
  if (lock && (service == "gnome-screensaver" || service == "kde-screensaver")) {
    bool gnome = service == "gnome-screensaver";
    (gnome ? state.gnome_locked : state.kde_locked) = on;
    return sd_bus_emit_signal(bus, gnome ? kGnomeScreenSaver : kKdeScreenSaver,
                              gnome ? "org.gnome.ScreenSaver" : "org.freedesktop.ScreenSaver",
                              "ActiveChanged", "b", int(on)) >= 0;
  }
  if (lock) return false;
  if (service == "logind") {
    state.logind_inhibited = on;
    return sd_bus_emit_properties_changed(bus, kLogindManager, "org.freedesktop.login1.Manager",
                                          "BlockInhibited", nullptr) >= 0;
  }
  if (service == "gnome-session") {
    state.gnome_actions = on ? 8 : 0;
    return sd_bus_emit_properties_changed(bus, kGnomeSession, "org.gnome.SessionManager",
                                          "InhibitedActions", nullptr) >= 0;
  }
  if (service == "kde-powermanagement") {
    state.kde_inhibited = on;
    return sd_bus_emit_signal(bus, kPolicyAgent, kPolicyAgentInterface, "InhibitionsChanged",
                              "a(ss)as", 0, 0) >= 0;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    std::fprintf(stderr, "desktop_services: no bus at DBUS_SESSION_BUS_ADDRESS\n");
    return 1;
  }
  State state;
  std::set<std::string> offered;
  for (int i = 1; i < argc; ++i) {
    const Service* service = nullptr;
    for (const Service& known : kServices) {
      if (std::strcmp(known.name, argv[i]) == 0) service = &known;
    }
    if (!service || !Offer(bus, service->name, state) ||
        sd_bus_request_name(bus, service->bus_name, 0) < 0) {
      std::fprintf(stderr, "desktop_services: cannot offer %s\n", argv[i]);
      return 1;
    }
    offered.insert(service->name);
  }
  std::printf("ready\n");
  std::fflush(stdout);

  std::string pending;
  for (;;) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0},
                     {sd_bus_get_fd(bus), short(sd_bus_get_events(bus)), 0}};
    uint64_t usec = UINT64_MAX;
    sd_bus_get_timeout(bus, &usec);
    int timeout = usec == UINT64_MAX ? -1 : 10;
    if (poll(fds, 2, timeout) < 0) continue;
    while (sd_bus_process(bus, nullptr) > 0) {
    }
    if (!fds[0].revents) continue;
    char buffer[256];
    ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
    if (count <= 0) break;
    pending.append(buffer, size_t(count));
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      bool done = Change(bus, offered, pending.substr(0, end), state);
      sd_bus_flush(bus);
      std::printf("%s\n", done ? "ok" : "unknown");
      std::fflush(stdout);
    }
  }
  sd_bus_flush_close_unref(bus);
  return 0;
}
