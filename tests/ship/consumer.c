/* A host as a Windows developer writes it, built by each consumer test with MinGW-w64 or for the MSVC ABI
 * (with no C runtime: it needs none). It returns the number of the failed check; its log is expected.log. */
#include <corvelin.h>

int main(void) {
  static const unsigned char bytes[] = {0x00, 0x7f, 0x80, 0xff, 'h', 'o', 's', 't'};
  /* LF endings, records up to WARNING, no byte-order mark: every argument shows in the log. */
  if (logInit(".\\ship-logs", "ship_", 0, 1, 3, 0, 0) != 1) return 1;
  _log("written at every level");
  logInfo("not written: INFO is above the threshold");
  logWarning("warning");
  logPutHex(bytes, (int)sizeof bytes, 1, 10);
  logDumpRaw(bytes, (int)sizeof bytes, "bytes");
  makeBitStringUINT32(0x12345678u, "u32");
  w32ResetErrCode();
  if (getLastErr() != 0) return 2;
  logTerm();
  return 0;
}
