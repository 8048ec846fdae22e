// The file vantorel.scr itself: what kind of program it is, what it needs on a machine with
// nothing installed, and the version, name, icons and DPI setting the desktop reads from it.
#include <algorithm>
#include <regex>
#include <set>

#include "WineTest.h"

namespace vt {
namespace {

TEST(WindowsProgramFile, IsAGuiProgramForX64ThatImportsTheSystemLibrariesItUsesOnly) {
  std::string dump =
      CommandOutput("x86_64-w64-mingw32-objdump -p " + std::string(WineTest::kSaver));
  EXPECT_NE(dump.find("(PE32+)"), std::string::npos);
  EXPECT_NE(dump.find("(Windows GUI)"), std::string::npos);
  // The C++ runtime, libgcc and winpthread are linked in, and so is libjpeg. Each library is
  // there for a reason: IMM32 takes the input method off the saver's window, SHELL32 splits the
  // command line; a new one is a deliberate change of this list.
  const std::set<std::string> system = {"gdi32.dll",  "imm32.dll",   "kernel32.dll",
                                        "msvcrt.dll", "shell32.dll", "user32.dll"};
  static const std::regex kImport(R"(DLL Name: (\S+))");
  std::set<std::string> imports;
  for (std::sregex_iterator it(dump.begin(), dump.end(), kImport), end; it != end; ++it) {
    std::string name = (*it)[1];
    std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    imports.insert(name);
  }
  EXPECT_EQ(imports, system) << dump;
}

class WindowsProgramFileUnderWine : public WineTest {};

TEST_F(WindowsProgramFileUnderWine, CarriesVersionNameIconsOfFourSizesAndSystemDpiAwareness) {
  ChildProcess& reader = StartHelper("file_resources", {WindowsPath(kSaver)});
  for (const char* expected :
       {"file-version 1.1.0.0", "product-version 1.1.0.0", "string-1 Vantorel",
        "icon-group 1 16 32 48 256", "icon-group 100 16 32 48 256", "dpiAware true",
        "dpiAwareness system", "original-filename vantorel.scr"}) {
    EXPECT_EQ(ReadLine(reader), expected) << ErrorOutput(reader);
  }
  EXPECT_EQ(ExitCode(reader), 0);
}

}  // namespace
}  // namespace vt
