#include "idle/DBusConnection.h"

#include <cstring>
#include <utility>

namespace vt {

namespace {

constexpr BusObject kBusDriver = {"org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus"};

// The handlers live on the heap, owned by their sd-bus slot: the slot's end (its reply came,
// or the connection closed) frees them.
int CallHandler(sd_bus_message* message, void* data, sd_bus_error* /*error*/) {
  auto& handler = *static_cast<DBusConnection::Handler*>(data);
  handler(sd_bus_message_is_method_error(message, nullptr) ? nullptr : message);
  return 0;
}

void DeleteHandler(void* data) {
  delete static_cast<DBusConnection::Handler*>(data);
}

// A match the bus refused leaves its signals unheard, as if no one sent them; the connection
// goes on (sd-bus's default would close it).
int IgnoreInstallResult(sd_bus_message* /*message*/, void* /*data*/, sd_bus_error* /*error*/) {
  return 0;
}

// Hands a slot to the connection, which frees its handler with it.
void KeepSlot(sd_bus_slot* slot) {
  sd_bus_slot_set_destroy_callback(slot, &DeleteHandler);
  sd_bus_slot_set_floating(slot, 1);
  sd_bus_slot_unref(slot);
}

template <typename T>
std::optional<T> ReadBasic(sd_bus_message* message, char type) {
  T value{};
  if (!message || sd_bus_message_read_basic(message, type, &value) <= 0) return std::nullopt;
  return value;
}

}  // namespace

std::unique_ptr<DBusConnection> DBusConnection::Open(Bus bus) {
  sd_bus* connection = nullptr;
  int result =
      bus == Bus::Session ? sd_bus_open_user(&connection) : sd_bus_open_system(&connection);
  if (result < 0) return nullptr;
  return std::unique_ptr<DBusConnection>(new DBusConnection(connection, bus));
}

DBusConnection::~DBusConnection() {
  // Closed without waiting for what is still queued: nothing sent at the end matters.
  sd_bus_close_unref(m_bus);
}

std::string DBusConnection::Name() const {
  return m_kind == Bus::Session ? "session bus" : "system bus";
}

sd_bus_message* DBusConnection::NewCall(const BusObject& object, const char* member) {
  sd_bus_message* message = nullptr;
  if (sd_bus_message_new_method_call(m_bus, &message, object.service, object.path, object.interface,
                                     member) < 0) {
    return nullptr;
  }
  sd_bus_message_set_auto_start(message, 0);
  return message;
}

void DBusConnection::Send(sd_bus_message* message, Handler reply) {
  auto* handler = new Handler(std::move(reply));
  sd_bus_slot* slot = nullptr;
  int result = message ? sd_bus_call_async(m_bus, &slot, message, &CallHandler, handler, 0) : -1;
  sd_bus_message_unref(message);
  if (result < 0) {
    (*handler)(nullptr);
    delete handler;
    return;
  }
  KeepSlot(slot);
}

void DBusConnection::GetProperty(const BusObject& object, const char* property, const char* type,
                                 Handler value) {
  BusObject properties{object.service, object.path, "org.freedesktop.DBus.Properties"};
  std::string contents = type;
  Call(
      properties, "Get",
      [value = std::move(value), contents](sd_bus_message* reply) {
        bool entered = reply && sd_bus_message_enter_container(reply, 'v', contents.c_str()) > 0;
        value(entered ? reply : nullptr);
      },
      "ss", object.interface, property);
}

void DBusConnection::AddMatch(const std::string& rule, Handler handler) {
  auto* owned = new Handler(std::move(handler));
  sd_bus_slot* slot = nullptr;
  if (sd_bus_add_match_async(m_bus, &slot, rule.c_str(), &CallHandler, &IgnoreInstallResult,
                             owned) < 0) {
    delete owned;
    return;
  }
  KeepSlot(slot);
}

void DBusConnection::OnSignal(const char* path, const char* interface, const char* member,
                              Handler handler) {
  AddMatch(std::string("type='signal',path='") + path + "',interface='" + interface + "',member='" +
               member + "'",
           std::move(handler));
}

void DBusConnection::OnOwnerChange(const char* name, std::function<void(bool owned)> handler) {
  AddMatch(std::string("type='signal',sender='org.freedesktop.DBus',path='/org/freedesktop/DBus',"
                       "interface='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
               name + "'",
           [handler = std::move(handler), watched = std::string(name)](sd_bus_message* signal) {
             std::optional<std::string> changed = ReadText(signal);
             std::optional<std::string> before = ReadText(signal);
             std::optional<std::string> after = ReadText(signal);
             if (changed == watched && before && after) handler(!after->empty());
           });
}

void DBusConnection::HasOwner(const char* name, std::function<void(bool owned)> answer) {
  Call(
      kBusDriver, "NameHasOwner",
      [answer = std::move(answer)](sd_bus_message* reply) {
        answer(ReadBool(reply).value_or(false));
      },
      "s", name);
}

std::optional<bool> DBusConnection::ReadBool(sd_bus_message* message) {
  std::optional<int> value = ReadBasic<int>(message, 'b');
  if (!value) return std::nullopt;
  return *value != 0;
}

std::optional<uint32_t> DBusConnection::ReadUint32(sd_bus_message* message) {
  return ReadBasic<uint32_t>(message, 'u');
}

std::optional<uint64_t> DBusConnection::ReadUint64(sd_bus_message* message) {
  return ReadBasic<uint64_t>(message, 't');
}

std::optional<std::string> DBusConnection::ReadText(sd_bus_message* message, char type) {
  std::optional<const char*> text = ReadBasic<const char*>(message, type);
  if (!text || !*text) return std::nullopt;
  return std::string(*text);
}

bool DBusConnection::NamesProperty(sd_bus_message* message, const char* interface,
                                   const char* property) {
  if (ReadText(message) != std::string(interface)) return false;
  bool named = false;
  if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return false;
  while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
    std::optional<std::string> name = ReadText(message);
    if (!name || sd_bus_message_skip(message, "v") < 0) return false;
    named |= *name == property;
    sd_bus_message_exit_container(message);
  }
  sd_bus_message_exit_container(message);
  if (sd_bus_message_enter_container(message, 'a', "s") <= 0) return named;
  while (std::optional<std::string> name = ReadText(message)) named |= *name == property;
  return named;
}

int DBusConnection::Fd() const {
  return sd_bus_get_fd(m_bus);
}

short DBusConnection::Events() const {
  int events = sd_bus_get_events(m_bus);
  return events < 0 ? POLLIN : short(events);
}

std::optional<int64_t> DBusConnection::Deadline() const {
  uint64_t usec = 0;
  if (sd_bus_get_timeout(m_bus, &usec) < 0 || usec == UINT64_MAX) return std::nullopt;
  return int64_t((usec + 999) / 1000);
}

bool DBusConnection::Ready(short /*revents*/, std::string* lost) {
  // sd-bus reads, writes and dispatches one message at a time.
  int result = 0;
  while ((result = sd_bus_process(m_bus, nullptr)) > 0) {
  }
  if (result < 0 || sd_bus_is_open(m_bus) <= 0) {
    *lost = "lost the connection to the " + Name();
    return false;
  }
  return true;
}

}  // namespace vt
