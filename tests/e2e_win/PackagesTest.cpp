// The Windows packages under Wine: the setup program's silent install into a prefix of the
// test's own, the saver started from where it was installed, the silent uninstall; and the
// portable ZIP's contents and the saver run from the unpacked folder.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "WineTest.h"

namespace vt {
namespace {

namespace fs = std::filesystem;

const char* const kDataFiles[] = {"mirso0.jpg", "mirso1.jpg", "mirso2.jpg", "mirso3.jpg",
                                  "mirso4.jpg", "mirso5.jpg", "Hito0.bmp",  "Hito1.bmp",
                                  "Hito2.bmp",  "Hito3.bmp",  "Hito4.bmp"};
constexpr const char* kSetup = VT_WIN_BINARY_DIR "/Vantorel-1.1.0-win64-setup.exe";
constexpr const char* kZip = VT_WIN_BINARY_DIR "/Vantorel-1.1.0-win64.zip";
constexpr const char* kUninstallKey =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantorel";

std::string Bytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// The file and the data folder hold exactly the build's bytes.
void ExpectSaverFiles(const fs::path& folder) {
  EXPECT_EQ(Bytes(folder / "vantorel.scr"), Bytes(VT_WIN_BINARY_DIR "/vantorel.scr"));
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder / "VantorelData")) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::set<std::string>(std::begin(kDataFiles), std::end(kDataFiles)));
  for (const char* name : kDataFiles) {
    EXPECT_EQ(Bytes(folder / "VantorelData" / name),
              Bytes(fs::path(VT_WIN_BINARY_DIR "/VantorelData") / name))
        << name;
  }
}

class WindowsPackages : public WineTest {
 protected:
  // What `reg query` prints for a key (one value, or all of them); empty when it is not there.
  std::string RegQuery(const std::string& key, const std::string& value = "") {
    std::string query = "WINEPREFIX=" + Prefix() + " WINEDEBUG=-all wine reg query '" + key + "'" +
                        (value.empty() ? "" : " /v '" + value + "'");
    // reg prints its "unable to find" on standard output too: only a found key's text counts.
    return CommandOutput("out=$(" + query + " 2>/dev/null) && printf %s \"$out\"");
  }
  // The text of a string value, as `reg query` prints it; empty when it is not there.
  std::string RegString(const std::string& key, const std::string& value) {
    const std::string text = RegQuery(key, value);
    const std::string type = "REG_SZ    ";
    size_t start = text.find(type);
    if (start == std::string::npos) return "";
    start += type.size();
    return text.substr(start, text.find_first_of("\r\n", start) - start);
  }
  void RegSet(const std::string& key, const std::string& value, const std::string& data) {
    ASSERT_EQ(Run("env WINEPREFIX=" + Prefix() + " WINEDEBUG=-all wine reg add '" + key + "' /v '" +
                  value + "' /d '" + data + "' /f >/dev/null 2>&1"),
              0);
  }
  // Runs an installer or uninstaller and waits for every process it started in the prefix.
  int RunToTheEnd(const std::string& program) {
    int code = ExitCode(StartWindows(program, {"/S"}), 60s);
    Run("env WINEPREFIX=" + Prefix() + " wineserver -w");
    return code;
  }
  // The saver, started from this file, shows its scene with no report (so it found its data
  // folder) and ends on a key.
  void ExpectSaverRunsFrom(const std::string& program) {
    ChildProcess& saver = ShowSaver(program);
    ASSERT_FALSE(HasFailure());
    ExpectKeyEndsSaver(saver);
  }
};

TEST_F(WindowsPackages, SetupInstallsIntoTheSystemFolderAndTheUninstallerTakesItAllBack) {
  const fs::path system = Prefix() + "/drive_c/windows/system32";
  const fs::path home = Prefix() + "/drive_c/Program Files/Vantorel";
  ASSERT_EQ(RunToTheEnd(kSetup), 0);
  ExpectSaverFiles(system);
  EXPECT_TRUE(fs::exists(home / "Uninstall.exe"));
  EXPECT_NE(RegQuery("HKCU\\Control Panel\\Desktop", "SCRNSAVE.EXE")
                .find("REG_SZ    C:\\windows\\system32\\vantorel.scr"),
            std::string::npos);
  EXPECT_NE(RegQuery("HKCU\\Control Panel\\Desktop", "ScreenSaveActive").find("REG_SZ    1"),
            std::string::npos);
  const std::string entry = RegQuery(kUninstallKey);
  for (const char* line :
       {"DisplayName    REG_SZ    Vantorel screen saver", "DisplayVersion    REG_SZ    1.1.0.0",
        "Publisher    REG_SZ    Vantorel",
        "DisplayIcon    REG_SZ    C:\\windows\\system32\\vantorel.scr,0",
        "UninstallString    REG_SZ    \"C:\\Program Files\\Vantorel\\Uninstall.exe\"",
        "EstimatedSize    REG_DWORD"}) {
    EXPECT_NE(entry.find(line), std::string::npos) << line << " not in\n" << entry;
  }

  ExpectSaverRunsFrom((system / "vantorel.scr").string());

  ASSERT_EQ(RunToTheEnd((home / "Uninstall.exe").string()), 0);
  EXPECT_FALSE(fs::exists(system / "vantorel.scr"));
  EXPECT_FALSE(fs::exists(system / "VantorelData"));
  EXPECT_FALSE(fs::exists(home));
  EXPECT_EQ(RegQuery("HKCU\\Control Panel\\Desktop", "SCRNSAVE.EXE"), "");
  EXPECT_EQ(RegQuery("HKCU\\Control Panel\\Desktop", "ScreenSaveActive"), "");
  EXPECT_EQ(RegQuery(kUninstallKey), "");
}

TEST_F(WindowsPackages, UninstallerGivesBackTheSaverHadBeforeUnlessAnotherWasChosenSince) {
  const std::string uninstaller = Prefix() + "/drive_c/Program Files/Vantorel/Uninstall.exe";
  const std::string desktop = "HKCU\\Control Panel\\Desktop";
  auto current = [&] {
    return RegString(desktop, "SCRNSAVE.EXE") + " " + RegString(desktop, "ScreenSaveActive");
  };
  RegSet(desktop, "SCRNSAVE.EXE", "C:\\windows\\system32\\before.scr");
  RegSet(desktop, "ScreenSaveActive", "0");
  ASSERT_EQ(RunToTheEnd(kSetup), 0);
  EXPECT_EQ(current(), "C:\\windows\\system32\\vantorel.scr 1");
  ASSERT_EQ(RunToTheEnd(uninstaller), 0);
  EXPECT_EQ(current(), "C:\\windows\\system32\\before.scr 0");

  ASSERT_EQ(RunToTheEnd(kSetup), 0);
  RegSet(desktop, "SCRNSAVE.EXE", "C:\\windows\\system32\\after.scr");
  ASSERT_EQ(RunToTheEnd(uninstaller), 0);
  EXPECT_EQ(current(), "C:\\windows\\system32\\after.scr 1");
  EXPECT_EQ(RegQuery(kUninstallKey), "");
}

TEST_F(WindowsPackages, ZipHoldsTheSaverItsDataAndAReadmeAndRunsUnpacked) {
  const fs::path unpacked = TempDir() + "/unpacked";
  fs::create_directories(unpacked);
  ASSERT_EQ(
      CommandOutput("cd '" + unpacked.string() + "' && cmake -E tar xf " + kZip + " && echo ok"),
      "ok\n");
  std::set<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(unpacked)) {
    entries.insert(fs::relative(entry.path(), unpacked).generic_string());
  }
  std::set<std::string> expected = {"README.txt", "vantorel.scr", "VantorelData"};
  for (const char* name : kDataFiles) expected.insert(std::string("VantorelData/") + name);
  EXPECT_EQ(entries, expected);
  ExpectSaverFiles(unpacked);
  EXPECT_NE(Bytes(unpacked / "README.txt").find("right-click vantorel.scr and choose \"Install\""),
            std::string::npos);

  ExpectSaverRunsFrom((unpacked / "vantorel.scr").string());
}

}  // namespace
}  // namespace vt
