/*
 * corvelin demo: a small host program, written the way a user would.
 *
 *   corvelin_demo [writeFlg]
 *
 * Starts a session in .\demo-logs, writes a record at every level, ends,
 * and prints where the log went. Run it twice with different writeFlg
 * values and the second session appends to the same day's file.
 */
#include <corvelin.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

int main(int argc, char** argv) {
  const int writeFlg = argc > 1 ? atoi(argv[1]) : 8192;
  const char* dir = ".\\demo-logs";

  /* CR LF line endings, every level admitted, not sleeping, byte-order mark on a new file. */
  if (!logInit(dir, "demo_", writeFlg, 0, 5, 0, 1)) {
    fprintf(stderr, "corvelin_demo: the log could not be started (see the message box)\n");
    return 1;
  }

  _log("corvelin demo: one record at every level");
  logDebug("debug: details for whoever maintains this program");
  logInfo("info: the demo is running");
  logWarning("warning: 100% of this output is made up");
  logError("error: nothing actually failed");
  logCritical("critical: still nothing failed");
  logInfo("UTF-8 passes through untouched: 日本語のテキスト, Ελληνικά, 😀");

  /* One of each dump. */
  {
    const char* text = "A text dump breaks long text into lines of about newLineCnt bytes, never inside "
                       "a character: 日本語のテキストも途中で切れません。";
    const unsigned char bytes[] = {0x00, 0x01, 0x7F, 0x80, 0xAB, 0xCD, 0xEF, 0xFF, 'c', 'o', 'r', 'v', 'e', 'l',
                                   'i', 'n', 0xE3, 0x81, 0x82};
    logPut(text, (int32_t)strlen(text), 1, 40);
    logPutHex(bytes, (int32_t)sizeof bytes, 1, 16);
    logDumpRaw(bytes, (int32_t)sizeof bytes, "some bytes");
    logDumpUTF8("UTF-8 table: あいうえお, é, 😀 and ASCII", 0, "a UTF-8 text");
  }

  logTerm();

  time_t now = time(NULL);
  struct tm* t = localtime(&now);
  printf("log written to %s\\demo_%04d%02d%02d.log\n", dir, t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
  return 0;
}
