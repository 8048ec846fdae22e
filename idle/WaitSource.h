#pragma once

#include <poll.h>

#include <cstdint>
#include <optional>
#include <string>

namespace vt {

// A connection the idle starter's one poll() waits on: the compositor's, the X server's or a
// D-Bus connection. Nothing here blocks: the loop calls BeforeWait, polls every source's file
// descriptor until one is ready or the earliest deadline passes, then lets each source handle
// what arrived.
class WaitSource {
 public:
  virtual ~WaitSource() = default;

  virtual int Fd() const = 0;
  // The poll() events to wait for.
  virtual short Events() const { return POLLIN; }
  // The moment (monotonic milliseconds) the source must be looked at even when its file
  // descriptor stays quiet; none when it waits for the descriptor alone.
  virtual std::optional<int64_t> Deadline() const { return std::nullopt; }
  // Sends what is queued and handles what is already read, so that the wait misses nothing.
  virtual void BeforeWait() {}
  // Reads and handles what arrived; revents may be 0 (only a deadline passed). False when the
  // connection broke, with the reason, which completes "vantorel: ...".
  virtual bool Ready(short revents, std::string* lost) = 0;
  // The saver has ended, however it ended (a crash too): a source whose settings the saver
  // changes while it shows makes sure they are its own again.
  virtual void SaverEnded() {}
};

}  // namespace vt
