#pragma once

#include <string>

#include "ChildProcess.h"

namespace vt {

// A D-Bus bus daemon of a test's own, on a socket in the given folder, that lets everyone own
// and call everything and starts no service: a session bus, or a stand-in for the system bus.
class PrivateBus {
 public:
  // Starts it on the socket <folder>/<name>, its configuration and log beside it; false with
  // the reason when it does not start.
  bool Start(const std::string& folder, const std::string& name, std::string* error);
  const std::string& Address() const { return m_address; }
  // Ends it at once, as a crash would.
  void Kill() { m_daemon.Kill(); }

 private:
  ChildProcess m_daemon;
  std::string m_address;
};

}  // namespace vt
