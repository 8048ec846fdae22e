#include "CompositorSession.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

namespace vt {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int CompositorSession::Run(const std::string& command) const {
  ChildProcess child;
  std::string error;
  if (!child.Start(AsUser({"/bin/sh", "-c", command}), &error)) return -1;
  std::optional<int> code = child.WaitExit(10s);
  return code ? *code : -1;
}

bool CompositorSession::ShowsOnly(size_t output, uint32_t colour, size_t others) const {
  Bitmap32 picture = Screenshot(output);
  const uint32_t* pixels = picture.Data();
  size_t count = size_t(picture.Width()) * size_t(picture.Height());
  return count > 0 && count - size_t(std::count(pixels, pixels + count, colour)) <= others;
}

bool CompositorSession::WaitForColour(size_t output, uint32_t colour,
                                      std::chrono::milliseconds timeout, size_t others) const {
  return Within(timeout, [&] { return ShowsOnly(output, colour, others); });
}

bool CompositorSession::ShowsBackground(size_t output) const {
  return ShowsOnly(output, Background(output), kPointerPixels);
}

bool CompositorSession::WaitForBackground(size_t output, std::chrono::milliseconds timeout) const {
  return Within(timeout, [&] { return ShowsBackground(output); });
}

bool CompositorSession::Within(std::chrono::milliseconds timeout,
                               const std::function<bool()>& check) {
  for (auto end = std::chrono::steady_clock::now() + timeout;;) {
    if (check()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(50ms);
  }
}

bool CompositorSession::MakeFolder(const std::vector<std::string>& helpers, std::string* error) {
  char pattern[] = "/tmp/vantorel-session-XXXXXX";
  if (!mkdtemp(pattern)) {
    *error = "no folder for the session";
    return false;
  }
  m_folder = pattern;
  m_program = m_folder + "/vantorel";
  std::error_code failed;
  fs::copy_file(VT_BINARY_DIR "/vantorel", m_program, failed);
  if (!failed) {
    fs::copy(VT_BINARY_DIR "/VantorelData", m_folder + "/VantorelData", fs::copy_options::recursive,
             failed);
  }
  for (const std::string& helper : helpers) {
    if (!failed) fs::copy_file(VT_BINARY_DIR "/" + helper, m_folder + "/" + helper, failed);
  }
  const char* leak_options = std::getenv("LSAN_OPTIONS");
  std::string options = leak_options ? leak_options : "";
  if (size_t start = options.find("suppressions="); !failed && start != std::string::npos) {
    start += std::string("suppressions=").size();
    size_t end = std::min(options.find(':', start), options.size());
    fs::copy_file(options.substr(start, end - start), m_folder + "/lsan.supp", failed);
    m_leak_options = "LSAN_OPTIONS=" + options.replace(start, end - start, m_folder + "/lsan.supp");
  }
  if (failed) *error = "cannot fill " + m_folder + ": " + failed.message();
  return !failed;
}

bool CompositorSession::GiveFolderAway(std::string* error) const {
  if (GiveToUnprivileged(m_folder)) return true;
  *error = "cannot give " + m_folder + " to nobody";
  return false;
}

Bitmap32 CompositorSession::ReadPpm(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  file >> magic >> width >> height >> maximum;
  file.get();
  Bitmap32 picture;
  if (!file || magic != "P6" || maximum != 255 || width <= 0 || height <= 0) return picture;
  std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
  if (!file.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size()))) return picture;
  picture.Resize(width, height);
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
    picture.Data()[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  }
  return picture;
}

void CompositorSession::RemoveFolder() {
  std::error_code ignored;
  if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

}  // namespace vt
