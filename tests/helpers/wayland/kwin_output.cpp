// Changes one of KWin's outputs as its display settings do, through KDE's output-management
// protocol: turns it off or on, or gives it a scale. Exit code 0 once KWin applied the change,
// 1 when it refused it or has no such output.
//
//   kwin_output NAME disable | enable | scale FACTOR
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "kde-output-device-v2-client-protocol.h"
#include "kde-output-management-v2-client-protocol.h"

namespace {

struct Device {
  kde_output_device_v2* device = nullptr;
  std::string name;
  std::vector<wl_proxy*> modes;  // kde_output_device_mode_v2, made by KWin's events
};

struct Globals {
  kde_output_management_v2* management = nullptr;
  std::list<Device> devices;
};

// Of a device's many events only its name and the modes it makes matter here; the others
// are let pass.
int DeviceEvent(const void*, void* target, uint32_t, const wl_message* message, wl_argument* args) {
  auto* device = static_cast<Device*>(wl_proxy_get_user_data(static_cast<wl_proxy*>(target)));
  if (std::strcmp(message->name, "name") == 0) device->name = args[0].s;
  if (std::strcmp(message->name, "mode") == 0) {
    device->modes.push_back(reinterpret_cast<wl_proxy*>(args[0].o));
  }
  return 0;
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto& globals = *static_cast<Globals*>(data);
  std::string_view kind = interface;
  if (kind == kde_output_management_v2_interface.name) {
    globals.management = static_cast<kde_output_management_v2*>(
        wl_registry_bind(registry, name, &kde_output_management_v2_interface, 1));
  } else if (kind == kde_output_device_v2_interface.name && version >= 2) {
    Device& device = globals.devices.emplace_back();
    device.device = static_cast<kde_output_device_v2*>(
        wl_registry_bind(registry, name, &kde_output_device_v2_interface, 2));
    wl_proxy_add_dispatcher(reinterpret_cast<wl_proxy*>(device.device), DeviceEvent, nullptr,
                            &device);
  }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

enum class Result { kWaiting, kApplied, kFailed };

void OnApplied(void* data, kde_output_configuration_v2*) {
  *static_cast<Result*>(data) = Result::kApplied;
}

void OnFailed(void* data, kde_output_configuration_v2*) {
  *static_cast<Result*>(data) = Result::kFailed;
}

constexpr kde_output_configuration_v2_listener kConfigurationListener = {OnApplied, OnFailed};

// Asks KWin for the change ("enable", "disable" or "scale" and a factor) and waits for its
// answer.
Result Apply(wl_display* display, kde_output_management_v2* management,
             kde_output_device_v2* device, char** change) {
  Result result = Result::kWaiting;
  kde_output_configuration_v2* configuration =
      kde_output_management_v2_create_configuration(management);
  kde_output_configuration_v2_add_listener(configuration, &kConfigurationListener, &result);
  if (std::strcmp(change[0], "scale") == 0) {
    kde_output_configuration_v2_scale(configuration, device,
                                      wl_fixed_from_double(std::atof(change[1])));
  } else {
    kde_output_configuration_v2_enable(configuration, device,
                                       std::strcmp(change[0], "enable") == 0);
  }
  kde_output_configuration_v2_apply(configuration);
  while (result == Result::kWaiting && wl_display_dispatch(display) >= 0) {
  }
  if (result != Result::kApplied) std::fprintf(stderr, "kwin_output: KWin refused the change\n");
  kde_output_configuration_v2_destroy(configuration);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::string_view change = argc >= 3 ? argv[2] : "";
  bool scale = change == "scale" && argc == 4;
  if (!scale && (argc != 3 || (change != "enable" && change != "disable"))) {
    std::fprintf(stderr, "usage: kwin_output NAME disable | enable | scale FACTOR\n");
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "kwin_output: no Wayland display\n");
    return 1;
  }
  Globals globals;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  // The globals, then each device's description.
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);
  kde_output_device_v2* device = nullptr;
  for (const Device& known : globals.devices) {
    if (known.name == argv[1]) device = known.device;
  }
  Result result = Result::kFailed;
  if (globals.management && device) {
    result = Apply(display, globals.management, device, argv + 2);
  } else {
    std::fprintf(stderr, "kwin_output: no output %s to manage\n", argv[1]);
  }
  for (Device& known : globals.devices) {
    for (wl_proxy* mode : known.modes) wl_proxy_destroy(mode);
    kde_output_device_v2_destroy(known.device);
  }
  if (globals.management) kde_output_management_v2_destroy(globals.management);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return result == Result::kApplied ? 0 : 1;
}
