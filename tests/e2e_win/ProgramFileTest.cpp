// The file vantorel.scr itself: what kind of program it is, what it needs on a machine with
// nothing installed, and the version and name the desktop reads from it.
#include <algorithm>
#include <regex>
#include <set>

#include "WineTest.h"

namespace vt {
namespace {

TEST(WindowsProgramFile, IsAGuiProgramForX64ThatImportsSystemLibrariesOnly) {
  std::string dump =
      CommandOutput("x86_64-w64-mingw32-objdump -p " + std::string(WineTest::kSaver));
  EXPECT_NE(dump.find("(PE32+)"), std::string::npos);
  EXPECT_NE(dump.find("(Windows GUI)"), std::string::npos);
  // The C++ runtime, libgcc and winpthread are linked in, and so is libjpeg.
  const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                        "shell32.dll",  "comctl32.dll", "advapi32.dll",
                                        "msvcrt.dll",   "ole32.dll",    "imm32.dll"};
  static const std::regex kImport(R"(DLL Name: (\S+))");
  int imports = 0;
  for (std::sregex_iterator it(dump.begin(), dump.end(), kImport), end; it != end; ++it) {
    std::string name = (*it)[1];
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    EXPECT_TRUE(system.count(name) || name.rfind("api-ms-win-", 0) == 0) << name;
    ++imports;
  }
  EXPECT_GE(imports, 2) << dump;
}

class WindowsProgramFileUnderWine : public WineTest {};

TEST_F(WindowsProgramFileUnderWine, CarriesVersionOneOneAndTheNameVantorelForTheDesktop) {
  ChildProcess& reader = StartHelper("file_resources", {WindowsPath(kSaver)});
  for (const char* expected : {"file-version 1.1.0.0", "product-version 1.1.0.0",
                               "string-1 Vantorel", "original-filename vantorel.scr"}) {
    EXPECT_EQ(ReadLine(reader), expected) << ErrorOutput(reader);
  }
  EXPECT_EQ(ExitCode(reader), 0);
}

}  // namespace
}  // namespace vt
