/*
 * Reads corvelin_x64.dll's version resource back the way Windows Explorer
 * does and checks it against the version CMake was configured with.
 *
 *   dll_version_test <dll> <major.minor.patch>
 */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

static int failures = 0;

static void expectNumber(const char* what, DWORD got, DWORD want) {
  if (got == want) return;
  printf("%s: 0x%08lx, expected 0x%08lx\n", what, (unsigned long)got, (unsigned long)want);
  ++failures;
}

/* The string under the first translation the resource lists. */
static const wchar_t* stringValue(const void* info, const wchar_t* name) {
  struct Translation {
    WORD language;
    WORD codePage;
  }* translations = NULL;
  UINT size = 0;
  if (!VerQueryValueW(info, L"\\VarFileInfo\\Translation", (void**)&translations, &size) ||
      size < sizeof *translations) {
    return NULL;
  }
  wchar_t path[128];
  swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translations[0].language, translations[0].codePage, name);
  wchar_t* value = NULL;
  if (!VerQueryValueW(info, path, (void**)&value, &size) || size == 0) return NULL;
  return value;
}

static void expectString(const void* info, const wchar_t* name, const wchar_t* want) {
  const wchar_t* got = stringValue(info, name);
  if (got != NULL && wcscmp(got, want) == 0) return;
  printf("%ls: \"%ls\", expected \"%ls\"\n", name, got != NULL ? got : L"(missing)", want);
  ++failures;
}

int main(int argc, char** argv) {
  unsigned major = 0, minor = 0, patch = 0;
  if (argc != 3 || sscanf(argv[2], "%u.%u.%u", &major, &minor, &patch) != 3) {
    printf("usage: dll_version_test <dll> <major.minor.patch>\n");
    return 2;
  }
  wchar_t dll[MAX_PATH];
  wchar_t version[64];
  swprintf(dll, MAX_PATH, L"%hs", argv[1]);
  swprintf(version, 64, L"%hs", argv[2]);

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(dll, &handle);
  if (size == 0) {
    printf("%s has no version resource (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  void* info = HeapAlloc(GetProcessHeap(), 0, size);
  if (info == NULL || !GetFileVersionInfoW(dll, 0, size, info)) {
    printf("GetFileVersionInfoW failed: %lu\n", GetLastError());
    return 1;
  }

  VS_FIXEDFILEINFO* fixed = NULL;
  UINT fixedSize = 0;
  if (!VerQueryValueW(info, L"\\", (void**)&fixed, &fixedSize) || fixedSize < sizeof *fixed) {
    printf("no fixed file information\n");
    return 1;
  }
  expectNumber("signature", fixed->dwSignature, VS_FFI_SIGNATURE);
  expectNumber("file version (high)", fixed->dwFileVersionMS, MAKELONG(minor, major));
  expectNumber("file version (low)", fixed->dwFileVersionLS, MAKELONG(0, patch));
  expectNumber("product version (high)", fixed->dwProductVersionMS, MAKELONG(minor, major));
  expectNumber("product version (low)", fixed->dwProductVersionLS, MAKELONG(0, patch));
  expectNumber("file type", fixed->dwFileType, VFT_DLL);
  expectNumber("file flags", fixed->dwFileFlags & fixed->dwFileFlagsMask, 0);

  expectString(info, L"FileVersion", version);
  expectString(info, L"ProductVersion", version);
  expectString(info, L"ProductName", L"corvelin");
  expectString(info, L"FileDescription", L"corvelin logging library for Windows x64");
  expectString(info, L"OriginalFilename", L"corvelin_x64.dll");
  expectString(info, L"InternalName", L"corvelin_x64");
  expectString(info, L"CompanyName", L"the corvelin developers");
  expectString(info, L"LegalCopyright", L"Copyright (c) the corvelin developers. MIT licence.");

  HeapFree(GetProcessHeap(), 0, info);
  if (failures == 0) printf("version %s and its strings read back\n", argv[2]);
  return failures == 0 ? 0 : 1;
}
