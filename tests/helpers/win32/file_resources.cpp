// file_resources: reads a program file's version and name the way the desktop does.
//
//   file_resources PROGRAM
//
// Reports on standard output, in UTF-8:
//   file-version A.B.C.D           VS_FIXEDFILEINFO's file version
//   product-version A.B.C.D        and its product version
//   string-1 TEXT                  string resource 1, loaded from the file as data
//   icon-group ID SIZE...          for icon groups 1 and 100, the width of the icon Windows
//                                  makes of each image of the group
//   dpiAware TEXT                  the manifest's dpiAware and dpiAwareness settings ("-"
//   dpiAwareness TEXT              for none)
//   original-filename TEXT         OriginalFilename of the version resource's first
//                                  language ("-" when it is missing)
// Exits with 1 when the file has no version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUtf8(const char* key, const wchar_t* text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s %s\n", key, utf8.c_str());
}

void PrintVersion(const char* key, DWORD high, DWORD low) {
  std::printf("%s %u.%u.%u.%u\n", key, unsigned(HIWORD(high)), unsigned(LOWORD(high)),
              unsigned(HIWORD(low)), unsigned(LOWORD(low)));
}

// A resource's bytes; empty when the file has none of that name.
std::string Resource(HMODULE file, const wchar_t* name, const wchar_t* type) {
  HRSRC found = file ? FindResourceW(file, name, type) : nullptr;
  HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return bytes ? std::string(bytes, SizeofResource(file, found)) : std::string();
}

void PrintIconGroup(HMODULE file, int group) {
  std::string directory = Resource(file, MAKEINTRESOURCEW(group), RT_GROUP_ICON);
  std::printf("icon-group %d", group);
  // GRPICONDIR: three words, then 14-byte entries ending in the image's RT_ICON id.
  for (size_t at = 6; at + 14 <= directory.size(); at += 14) {
    WORD id = WORD(uint8_t(directory[at + 12]) | uint8_t(directory[at + 13]) << 8);
    std::string image = Resource(file, MAKEINTRESOURCEW(id), RT_ICON);
    HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(image.data()),
                                          DWORD(image.size()), TRUE, 0x00030000, 0, 0, 0);
    ICONINFO info{};
    BITMAP bitmap{};
    if (icon && GetIconInfo(icon, &info) && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
      std::printf(" %ld", bitmap.bmWidth);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
    }
    if (icon) DestroyIcon(icon);
  }
  std::printf("\n");
}

// The text of the first element of that name in the manifest; "-" when there is none.
std::string ElementText(const std::string& xml, const std::string& element) {
  size_t open = xml.find("<" + element + " ");
  size_t start = open == std::string::npos ? open : xml.find('>', open);
  size_t end = start == std::string::npos ? start : xml.find("</" + element + ">", start);
  return end == std::string::npos ? "-" : xml.substr(start + 1, end - start - 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: file_resources PROGRAM\n");
    return 2;
  }
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  std::vector<BYTE> block(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(argv[1], 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
    std::fprintf(stderr, "file_resources: no version resource\n");
    return 1;
  }
  PrintVersion("file-version", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  PrintVersion("product-version", fixed->dwProductVersionMS, fixed->dwProductVersionLS);

  HMODULE file = LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  wchar_t name[256] = L"-";
  if (!file || LoadStringW(file, 1, name, 256) <= 0) wcscpy(name, L"-");
  PrintUtf8("string-1", name);
  for (int group : {1, 100}) PrintIconGroup(file, group);
  std::string manifest = Resource(file, MAKEINTRESOURCEW(1), RT_MANIFEST);
  for (const char* setting : {"dpiAware", "dpiAwareness"}) {
    std::printf("%s %s\n", setting, ElementText(manifest, setting).c_str());
  }
  if (file) FreeLibrary(file);

  struct Translation {
    WORD language, code_page;
  }* translation = nullptr;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof *translation) {
    PrintUtf8("original-filename", L"-");
    return 0;
  }
  wchar_t path[128];
  swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\OriginalFilename", translation->language,
           translation->code_page);
  wchar_t* text = nullptr;
  bool found =
      VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&text), &length) && length > 0;
  PrintUtf8("original-filename", found ? text : L"-");
  return 0;
}
