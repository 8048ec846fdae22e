#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "idle/WaitSource.h"

namespace vt {

// An object of a service on the bus, and the interface its calls and signals belong to.
struct BusObject {
  const char* service;
  const char* path;
  const char* interface;
};

// One D-Bus connection through sd-bus, waited on by the idle starter's poll() like its other
// connections. Every call is asynchronous, so that a slow desktop service never stalls the
// wait, and never starts a service that is not running. What comes back is checked like any
// other input: the readers below give nothing where the message holds something else.
class DBusConnection : public WaitSource {
 public:
  enum class Bus { Session, System };
  // A reply, positioned at its first argument (null when the call failed), or a signal.
  using Handler = std::function<void(sd_bus_message*)>;

  // The connected bus; none where there is none (a bare X11 or sway session has no session
  // bus, a container no system bus).
  static std::unique_ptr<DBusConnection> Open(Bus bus);
  ~DBusConnection() override;
  DBusConnection(const DBusConnection&) = delete;
  DBusConnection& operator=(const DBusConnection&) = delete;

  // Calls a method with the arguments of sd-bus's append types; the handler gets the reply.
  template <typename... Args>
  void Call(const BusObject& object, const char* member, Handler reply, const char* types = nullptr,
            Args... args) {
    sd_bus_message* message = NewCall(object, member);
    if (message && types && sd_bus_message_append(message, types, args...) < 0) {
      message = sd_bus_message_unref(message);
    }
    Send(message, std::move(reply));
  }
  // Reads a property of the given D-Bus type; the handler gets the reply positioned at its
  // value, or null when the call failed or the value is of another type.
  void GetProperty(const BusObject& object, const char* property, const char* type, Handler value);
  // Calls the handler with each signal of that member from the object, from whichever sender.
  void OnSignal(const char* path, const char* interface, const char* member, Handler handler);
  // Calls the handler when the name's owner changes, with whether it has one now.
  void OnOwnerChange(const char* name, std::function<void(bool owned)> handler);
  // Asks whether the name has an owner now.
  void HasOwner(const char* name, std::function<void(bool owned)> answer);

  // One argument of a message, of the basic D-Bus type named, read and checked.
  static std::optional<bool> ReadBool(sd_bus_message* message);
  static std::optional<uint32_t> ReadUint32(sd_bus_message* message);
  static std::optional<uint64_t> ReadUint64(sd_bus_message* message);
  // A string ('s'), an object path ('o'), or a bus name in a signal.
  static std::optional<std::string> ReadText(sd_bus_message* message, char type = 's');
  // Whether a PropertiesChanged signal of the interface names the property, changed or
  // invalidated.
  static bool NamesProperty(sd_bus_message* message, const char* interface, const char* property);

  int Fd() const override;
  short Events() const override;
  std::optional<int64_t> Deadline() const override;
  bool Ready(short revents, std::string* lost) override;

 private:
  DBusConnection(sd_bus* bus, Bus kind) : m_bus(bus), m_kind(kind) {}

  // A method call that starts no service; null when it cannot be made.
  sd_bus_message* NewCall(const BusObject& object, const char* member);
  // Sends the call (taking it) with the reply's handler; a call that cannot be sent is
  // answered as a failure at once.
  void Send(sd_bus_message* message, Handler reply);
  // Installs a match rule with its handler, owned by the connection.
  void AddMatch(const std::string& rule, Handler handler);
  std::string Name() const;

  sd_bus* m_bus;
  Bus m_kind;
};

}  // namespace vt
