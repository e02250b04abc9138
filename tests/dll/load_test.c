/* The DLL loads and unloads in a plain host without doing anything. */
#include <windows.h>
#include <stdio.h>

int main(void) {
  HMODULE dll = LoadLibraryW(L"corvelin_x64.dll");
  if (dll == NULL) {
    printf("LoadLibraryW failed: %lu\n", GetLastError());
    return 1;
  }
  if (!FreeLibrary(dll)) {
    printf("FreeLibrary failed: %lu\n", GetLastError());
    return 1;
  }
  printf("loaded and unloaded\n");
  return 0;
}
