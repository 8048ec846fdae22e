#include "PrivateBus.h"

#include <fstream>
#include <sstream>

namespace vt {

using namespace std::chrono_literals;

bool PrivateBus::Start(const std::string& folder, const std::string& name, std::string* error) {
  std::string config = folder + "/" + name + ".conf";
  std::ofstream(config)
      << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
         " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
         "<busconfig>\n"
         "  <type>session</type>\n"
         "  <listen>unix:path="
      << folder << "/" << name
      << "</listen>\n"
         "  <auth>EXTERNAL</auth>\n"
         "  <policy context=\"default\">\n"
         "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
         "    <allow eavesdrop=\"true\"/>\n"
         "    <allow own=\"*\"/>\n"
         "  </policy>\n"
         "</busconfig>\n";
  ChildProcess::Options options;
  options.argv = {"/usr/bin/dbus-daemon", "--nofork", "--print-address=1",
                  "--config-file=" + config};
  options.pipe_stdout = true;
  options.stderr_path = folder + "/" + name + "-log.txt";
  if (!m_daemon.Start(options, error)) return false;
  m_address = m_daemon.ReadLine(10s).value_or("");
  if (m_address.empty()) {
    std::stringstream log;
    log << std::ifstream(options.stderr_path).rdbuf();
    *error = "the bus " + name + " did not start: " + log.str();
    return false;
  }
  return true;
}

}  // namespace vt
