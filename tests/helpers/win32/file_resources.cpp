// file_resources: reads a program file's version and name the way the desktop does.
//
//   file_resources PROGRAM
//
// Reports on standard output, in UTF-8:
//   file-version A.B.C.D           VS_FIXEDFILEINFO's file version
//   product-version A.B.C.D        and its product version
//   string-1 TEXT                  string resource 1, loaded from the file as data
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
