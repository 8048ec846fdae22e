// The Linux platform's files:
// - ProgramFilePath through /proc/self/exe
// - ReadWholeFile with POSIX descriptors (paths are UTF-8 bytes already)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "widgets/PlatformFiles.h"

namespace vt {

namespace {

// A file descriptor closed on every way out.
class FileHandle {
 public:
  explicit FileHandle(int fd) : m_fd(fd) {}
  ~FileHandle() {
    if (m_fd >= 0) close(m_fd);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int Get() const { return m_fd; }

 private:
  int m_fd;
};

}  // namespace

std::string ProgramFilePath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), size_t(n));
}

FileReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FileHandle file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  // A folder opens on this platform but is not a file that can be read.
  if (file.Get() < 0 || fstat(file.Get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    return FileReadResult::CannotOpen;
  }
  bytes.clear();
  if (S_ISREG(info.st_mode) && info.st_size > 0) bytes.reserve(size_t(info.st_size));
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t got = read(file.Get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return FileReadResult::ReadFailed;
    }
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return FileReadResult::Read;
}

}  // namespace vt
