/*
 * A host built as an MSVC project builds it: the MSVC target ABI, linked by
 * lld-link against corvelin_x64.lib. There is no C runtime on the build
 * machine, so the host has its own entry point and declares the three
 * kernel32 functions it needs. It exits with the number of the first check
 * that failed; the log it writes is compared by the test.
 */
#include <corvelin.h>

typedef void* HANDLE;
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) HANDLE __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(HANDLE file, const void* data, unsigned long size,
                                              unsigned long* written, void* overlapped);

static unsigned long length(const char* s) {
  unsigned long n = 0;
  while (s[n] != 0) ++n;
  return n;
}

static void say(const char* text) {
  unsigned long written = 0;
  WriteFile(GetStdHandle((unsigned long)-11), text, length(text), &written, 0);
}

static void check(int ok, unsigned int number, const char* what) {
  if (ok) return;
  say("msvc_consumer: failed: ");
  say(what);
  say("\n");
  ExitProcess(number);
}

void consumerMain(void) {
  /* LF endings, records up to WARNING, no byte-order mark: every argument,
     the three on the stack included, shows in the log. */
  check(logInit(".\\msvc-logs", "msvc_", 0, 1, 3, 0, 0) == 1, 1, "logInit returns 1");
  check(logInit(".\\msvc-logs", "again_", 0, 1, 3, 0, 0) == 0, 2, "a second logInit returns 0");

  _log("written at every level");
  logDebug("not written: DEBUG is above the threshold");
  logInfo("not written: INFO is above the threshold");
  logWarning("warning from an MSVC host");
  logError("error from an MSVC host");
  logCritical("critical from an MSVC host");

  logPut("0123456789abcdef", 16, 1, 10);
  {
    static const unsigned char bytes[] = {0x00, 0x7f, 0x80, 0xff, 'm', 's', 'v', 'c'};
    logPutHex(bytes, (int)sizeof bytes, 0, 10);
    logDumpRaw(bytes, (int)sizeof bytes, "bytes");
  }
  logDumpUTF8("UTF-8: \xc3\xa9\xe3\x81\x82", 0, "text");
  makeBitStringUINT32(0x12345678u, "u32");
  w32ResetErrCode();
  check(getLastErr() == 0, 4, "getLastErr after w32ResetErrCode returns 0");

  logTerm();
  check(logInit(".\\msvc-logs", "msvc_", 0, 1, 3, 0, 0) == 0, 3, "logInit after logTerm returns 0");
  say("msvc_consumer: done\n");
  ExitProcess(0);
}
