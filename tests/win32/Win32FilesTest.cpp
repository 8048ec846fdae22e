// Data files as the Windows program reads them: with others reading at the same time, and not
// while another program has the file open for writing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/PlatformFiles.h"
#include "widgets/win32/Win32Api.h"
#include "widgets/win32/Win32Files.h"

namespace vt {
namespace {

TEST(Win32Files, ReadsBesideAReaderButNotWhileAWriterHasTheFileOpen) {
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring path = std::wstring(folder) + L"vantorel-share-test.bmp";
  auto open = [&](DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  };
  HANDLE made = open(GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(made, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(made, "BM", 2, &written, nullptr));
  CloseHandle(made);

  const std::string name = Utf8FromWide(path);
  std::vector<uint8_t> bytes;
  HANDLE reader = open(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_EQ(ReadWholeFile(name, bytes), FileReadResult::Read);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'B', 'M'}));
  CloseHandle(reader);
  // A picture being written is not read half written, however the writer shares it.
  HANDLE writer = open(GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  EXPECT_EQ(ReadWholeFile(name, bytes), FileReadResult::CannotOpen);
  CloseHandle(writer);
  EXPECT_EQ(ReadWholeFile(name, bytes), FileReadResult::Read);
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace vt
