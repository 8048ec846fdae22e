// The Windows platform's files:
// - ProgramFilePath through GetModuleFileNameW
// - ReadWholeFile with CreateFileW, so that folder and user names need not be ASCII; others
//   may read a file while it is open, not write it
#include <cstdint>
#include <vector>

#include "widgets/PlatformFiles.h"
#include "widgets/windows/WideStrings.h"
#include "widgets/windows/Win32Api.h"

namespace vt {

namespace {

// A file handle closed on every way out.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : m_handle(handle) {}
  ~FileHandle() {
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

}  // namespace

std::string ProgramFilePath() {
  // The path may be longer than MAX_PATH; the call truncates and says so by filling the
  // buffer, so grow it until the path fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), n));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

FileReadResult ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  // Others may read the file while it is read here, but not write it: a picture being written
  // does not open, instead of being read half written. Without FILE_FLAG_BACKUP_SEMANTICS a
  // folder does not open, as it must not.
  FileHandle file(CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) return FileReadResult::CannotOpen;
  bytes.clear();
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0) bytes.reserve(size_t(size.QuadPart));
  std::vector<uint8_t> buffer(65536);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
      return FileReadResult::ReadFailed;
    }
    if (got == 0) break;
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
  }
  return FileReadResult::Read;
}

}  // namespace vt
