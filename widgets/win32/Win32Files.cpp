// The Windows platform's files:
// - ProgramFilePath through GetModuleFileNameW
// - ReadWholeFile with CreateFileW, so that folder and user names need not be ASCII; others
//   may read a file while it is open, not write it
// - the UTF-8 and UTF-16 conversions the other Win32 files share, and the command line
#include "widgets/win32/Win32Files.h"

#include <cstdint>
#include <vector>

#include "widgets/PlatformFiles.h"
#include "widgets/win32/Win32Api.h"

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

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), length);
  }
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(size_t(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), length, nullptr,
                        nullptr);
  }
  return narrow;
}

std::vector<std::string> ProgramArguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  if (arguments == nullptr) return result;
  for (int i = 1; i < count; ++i) result.push_back(Utf8FromWide(arguments[i]));
  LocalFree(arguments);
  return result;
}

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
