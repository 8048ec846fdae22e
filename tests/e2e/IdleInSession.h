#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "CompositorTest.h"
#include "IdleChecks.h"

namespace vt {

// "--idle SECONDS" in the session of a real compositor, beside what the compositor's own
// fixture gives (Base: a CompositorTest).
template <typename Base>
class IdleInSession : public Base {
 protected:
  using Base::Base;
  static constexpr int kSeconds = 2;

  // The starter as the session's user, with no system bus, and these variables besides.
  ChildProcess& StartIdle(std::vector<std::string> environment = {}) {
    environment.push_back("DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/bus");
    return this->StartInSession({"--idle", std::to_string(kSeconds)}, environment);
  }

  // Waits until the starter's saver shows the scene on the first output: that saver, the one
  // process the starter runs; -1 when none came.
  pid_t WaitForIdleScene(ChildProcess& idle, const SceneLayout& layout) {
    if (!this->WaitUntil([&] { return !ChildProcessesOf(idle.Pid()).empty() || !idle.Running(); },
                         20s) ||
        !this->WaitForScene(idle, layout)) {
      return -1;
    }
    std::vector<pid_t> savers = ChildProcessesOf(idle.Pid());
    EXPECT_EQ(savers.size(), 1u);
    return savers.empty() ? -1 : savers[0];
  }

  // No saver for the whole time, with the starter running all along.
  bool NoSaverFor(ChildProcess& idle, std::chrono::milliseconds time) {
    bool came = this->WaitUntil(
        [&] { return !ChildProcessesOf(idle.Pid()).empty() || !idle.Running(); }, time);
    return !came && idle.Running();
  }

  bool SaverEnds(pid_t saver) {
    return this->WaitUntil([&] { return ProcessEnded(saver); }, 10s);
  }

  // A client whose surfaces hold idle inhibitors, as a video player's does: a background of
  // the outputs' own colour (tests/helpers/wayland/solid_background --inhibit-idle, run from
  // the given copy); the test fails when it does not start.
  ChildProcess& StartInhibitor(const std::string& program) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "%06x", this->Session().Background(0));
    ChildProcess::Options options = this->Session().AsUser({program, colour, "--inhibit-idle"});
    options.pipe_stdin = true;
    options.pipe_stdout = true;
    ChildProcess& inhibitor = this->Launch(options, "inhibitor");
    EXPECT_EQ(inhibitor.ReadLine(10s), "ready") << this->ErrorOutput(inhibitor);
    return inhibitor;
  }

  // The compositor went away: the starter ends with exit code 1 and this one line, the last
  // (its saver, which shares its standard error, may have said its own before it).
  void ExpectLostWithOneLine(ChildProcess& idle, const std::string& line) {
    EXPECT_EQ(this->ExitCode(idle, 10s), 1);
    std::string text = this->ErrorOutput(idle);
    std::string own = "vantorel: " + line + "\n";
    EXPECT_TRUE(text.size() >= own.size() &&
                text.compare(text.size() - own.size(), own.size(), own) == 0 &&
                text.find(own) == text.size() - own.size())
        << text;
  }
};

}  // namespace vt
