/*
 * corvelin demo: a small host program, written the way a user would.
 *
 *   corvelin_demo [writeFlg] [--profile file.ini] [--boxes | --unattended]
 *
 * Starts a session in .\demo-logs, writes a record at every level, one of
 * each dump, a few bit tables, the description of a Win32 call that fails
 * on purpose and two timings, ends, and says on the console what it did.
 * Run it twice and the second session appends to the same day's file. With
 * --profile the settings come from a profile file (section [Halvix])
 * instead. With --boxes it also asks two questions in message boxes (they
 * wait for the user, so they are off by default). With --unattended it
 * asks them from a window station of its own, where nobody sees a box, as
 * a service or a scheduled task runs: the library then shows no box, hands
 * the texts to the debugger, and nobody confirms.
 */
#include <corvelin.h>

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* Something to measure: a checksum over a few megabytes. */
static unsigned long checksum(void) {
  static unsigned char data[8 * 1024 * 1024];
  unsigned long sum = 0;
  size_t i;
  for (i = 0; i < sizeof data; ++i) data[i] = (unsigned char)(i * 31u);
  for (i = 0; i < sizeof data; ++i) sum = sum * 33u + data[i];
  return sum;
}

/* The window station a service or a scheduled task gets: not the interactive one. */
static int leaveTheDesktop(void) {
  HWINSTA station = CreateWindowStationW(L"corvelin_demo", 0, WINSTA_ALL_ACCESS, NULL);
  return station != NULL && SetProcessWindowStation(station);
}

int main(int argc, char** argv) {
  int writeFlg = 8192;
  int boxes = 0, unattended = 0;
  const char* profile = NULL;
  unsigned long sum;
  int i;
  const char* dir = ".\\demo-logs";
  for (i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--boxes") == 0) {
      boxes = 1;
    } else if (strcmp(argv[i], "--unattended") == 0) {
      boxes = unattended = 1;
    } else if (strcmp(argv[i], "--profile") == 0 && i + 1 < argc) {
      profile = argv[++i];
    } else {
      writeFlg = atoi(argv[i]);
    }
  }

  /* CR LF line endings, every level admitted, not sleeping, byte-order mark on a new file;
     or whatever section [Halvix] of the profile says. */
  if (profile != NULL ? !logInitProfile(profile) : !logInit(dir, "demo_", writeFlg, 0, 5, 0, 1)) {
    fprintf(stderr, "corvelin_demo: the log could not be started (see the message box)\n");
    return 1;
  }
  if (profile != NULL) {
    printf("corvelin demo: a session started by logInitProfile from %s\n", profile);
  } else {
    printf("corvelin demo: a session started by logInit with WriteFlg %d\n", writeFlg);
  }
  printf("  records at every level, one of each dump, four bit tables\n");

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

  /* Values byte by byte, and characters beside their UTF-8 form. */
  makeBitStringUSHORT16(0x3042, "U+3042 あ as one UTF-16 unit");
  makeBitStringUINT32(0x12345678, "0x12345678 in memory order");
  makeBitStringUnicodeScalarValue(0xE9, "U+00E9 é");
  makeBitStringUnicodeScalarValue(0x1F600, "U+1F600 😀");

  /* A Win32 call that fails on purpose: the thread's code, read and described. */
  w32ResetErrCode();
  if (GetFileAttributesA(".\\demo-logs\\no-such-file.txt") == INVALID_FILE_ATTRIBUTES) {
    const uint32_t code = getLastErr();
    w32ErrLog("demo main() GetFileAttributesA", __LINE__);
    printf("  a Win32 call that fails on purpose (GetFileAttributesA of a missing file): error %lu, "
           "described in the log\n", (unsigned long)code);
  }

  profileTimeStart("Sleep(250)");
  Sleep(250);
  profileTimeStop();
  profileTimeStart("checksum of 8 MB");
  sum = checksum();
  profileTimeStop();
  printf("  two timings: Sleep(250) and a checksum of 8 MB (%08lx)\n", sum);

  if (unattended && !leaveTheDesktop()) {
    printf("  no window station of its own could be made; the boxes are left out\n");
    boxes = 0;
  }
  if (boxes) {
    int answer;
    msgBox("corvelin demo: こんにちは 😀", "corvelin demo");
    answer = msgBoxOkCancel("Write one more record?", "corvelin demo");
    if (unattended) {
      printf("  two message boxes, asked where nobody can see them (as in a service): the library showed none,\n"
             "  sent both texts to the debugger as \"corvelin: [corvelin demo] ...\" and answered %d, Cancel\n",
             answer);
      logInfo("msgBoxOkCancel answered Cancel: no box can be seen on this window station");
    } else {
      printf("  two message boxes; msgBoxOkCancel answered %d (1 OK, 2 Cancel, 0 no box could be made)\n", answer);
      logInfo(answer == 1 ? "the user chose OK" : answer == 2 ? "the user chose Cancel" : "no box could be made");
    }
  } else if (!unattended) {
    printf("  no message boxes (--boxes asks two questions, --unattended shows what a service gets)\n");
  }

  logTerm();

  if (profile == NULL) {
    time_t now = time(NULL);
    struct tm* t = localtime(&now);
    printf("log written to %s\\demo_%04d%02d%02d.log\n", dir, t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
  } else {
    printf("log written where %s says (LogWritePathDir, LogFileNamePrefix)\n", profile);
  }
  return 0;
}
