// Data files as the Windows program reads them: beside other readers, and not while another
// program has the file open for writing.
#include <gtest/gtest.h>

#include "widgets/PlatformFiles.h"
#include "widgets/windows/WideStrings.h"
#include "widgets/windows/Win32Api.h"

namespace vt {
namespace {

TEST(WideFiles, ReadsBesideAReaderButNotWhileAWriterHasTheFileOpen) {
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
  const std::wstring path = std::wstring(folder) + L"vantorel-share-test.bmp";
  auto open = [&](DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(path.c_str(), access, share, nullptr, disposition, 0, nullptr);
  };
  HANDLE made = open(GENERIC_WRITE, 0, CREATE_ALWAYS);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(made, "BM", 2, &written, nullptr));
  CloseHandle(made);
  std::vector<uint8_t> bytes;
  for (DWORD access : {DWORD(GENERIC_READ), DWORD(GENERIC_WRITE)}) {
    HANDLE other = open(access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    EXPECT_EQ(ReadWholeFile(Utf8FromWide(path), bytes),
              access == GENERIC_READ ? FileReadResult::Read : FileReadResult::CannotOpen);
    CloseHandle(other);
  }
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'B', 'M'}));
  DeleteFileW(path.c_str());
}

}  // namespace
}  // namespace vt
