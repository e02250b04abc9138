// Bit tables, Win32 errors, message boxes and timing through the real DLL:
// the system's own error texts, its MessageBoxW import and its clock.
#include "host.h"

namespace host {
namespace {

const char* const kSleepBanner =
    "##### if logInit use. LOG_SLEEP Switch ON! No save logs...  logInit() No.5 Param 0 Set to start Log! #####\r\n";

// A failed Win32 call's code, read back and described with the system's text.
void lastErrorDescribed() {
  const std::wstring path = startLog("diag_", 0);
  SetLastError(87);
  api().w32ResetErrCode();
  HOST_CHECK_EQ(GetLastError(), 0u);
  HOST_CHECK_EQ(api().getLastErr(), 0u);

  HANDLE missing = CreateFileW((workDir() + L"\\missing.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  const std::uint32_t read = api().getLastErr();
  const DWORD afterRead = GetLastError();
  api().w32ErrLog("probe()", 120);
  const DWORD afterLog = GetLastError();
  HOST_CHECK(missing == INVALID_HANDLE_VALUE);
  HOST_CHECK_EQ(read, ERROR_FILE_NOT_FOUND);
  HOST_CHECK_EQ(afterRead, ERROR_FILE_NOT_FOUND);
  HOST_CHECK_EQ(afterLog, ERROR_FILE_NOT_FOUND);

  SetLastError(0x2000ABCD);  // an application's own code: the system has no text
  api().w32ErrLog("custom", 7);
  api().logTerm();

  const std::string text = narrow(systemText(ERROR_FILE_NOT_FOUND));
  HOST_CHECK(!text.empty());
  HOST_CHECK_EQ(readFile(path), banners("diag_", path,
                                        "[SYSLOG][○--INFO--○] probe() line=120 Win32 ErrCode=2 :" + text +
                                            "\r\n[SYSLOG][○--INFO--○] custom line=7 Win32 ErrCode=536914893 :(no "
                                            "system text for this code)\r\n"));
}

DWORD WINAPI logFromThread(void*) {
  api().logInfo("while the box is open");
  return 0;
}

// Japanese and a character outside the BMP reach MessageBoxW whole; the box
// is shown with the library's lock released and the host's code restored.
void hostBoxes() {
  const std::wstring path = startLog("diag_", 0);
  HANDLE other = nullptr;
  bool otherLogged = false;
  onBox = [&] {
    SetLastError(1400);  // what a real box may leave behind
    if (other != nullptr) return;
    other = CreateThread(nullptr, 0, logFromThread, nullptr, 0, nullptr);
    otherLogged = WaitForSingleObject(other, 5000) == WAIT_OBJECT_0;
  };
  boxAnswer = IDCANCEL;
  SetLastError(6);
  api().msgBox("日本語のテキスト 😀", "タイトル 😀");
  HOST_CHECK_EQ(GetLastError(), 6u);
  HOST_CHECK(otherLogged);
  HOST_CHECK_EQ(api().msgBoxOkCancel("続けますか?", "確認"), IDCANCEL);
  boxAnswer = IDOK;
  HOST_CHECK_EQ(api().msgBoxOkCancel("もう一度", ""), IDOK);
  api().msgBox(std::string(511, 'x').c_str(), "no box");
  HOST_CHECK_EQ(api().msgBoxOkCancel("no box", std::string(511, 'y').c_str()), 0);
  if (other != nullptr) {
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
  }
  onBox = nullptr;
  api().logTerm();
  HOST_CHECK_BOXES({
      {L"日本語のテキスト \xD83D\xDE00", L"タイトル \xD83D\xDE00", 0},
      {L"続けますか?", L"確認", 1},
      {L"もう一度", L"", 1},
  });
  HOST_CHECK_EQ(readFile(path),
                banners("diag_", path,
                        "[while the box is open]\r\n"
                        "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp msgBox() maxSize=510 < "
                        "dataSize=511\r\n"
                        "[SYSLOG][■--ERROR--■] bufSizCheck_U8() file,func=corvelin.cpp msgBoxOkCancel() maxSize=510 < "
                        "dataSize=511\r\n"));
}

// Everything of this family, called where none of it may act.
void callEverything() {
  api().makeBitStringUSHORT16(1, "x");
  api().makeBitStringUINT32(1, "x");
  api().makeBitStringUnicodeScalarValue(0x41, "x");
  api().makeBitStringUnicodeScalarValue(0x110000, "x");
  SetLastError(ERROR_ACCESS_DENIED);
  HOST_CHECK_EQ(api().getLastErr(), 0u);
  api().w32ErrLog("x", 1);
  api().msgBox("x", "y");
  HOST_CHECK_EQ(api().msgBoxOkCancel("x", "y"), 0);
  api().profileTimeStart("x");
  api().profileTimeStop();
  HOST_CHECK_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  HOST_CHECK_BOXES({});
}

void nothingBeforeStart() {
  callEverything();
  api().w32ResetErrCode();  // the one that works without a session
  HOST_CHECK_EQ(GetLastError(), 0u);
}

void nothingWhileSleeping() {
  const std::wstring path = startLog("diag_", 0, 0, 5, 1);
  callEverything();
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), kSleepBanner);
}

std::int64_t wallTicks() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

// A real Sleep between start and stop, against the system's clock.
void timing() {
  const std::wstring path = startLog("diag_", 0);
  const std::int64_t before = wallTicks();
  api().profileTimeStart("sleep");
  Sleep(300);
  api().profileTimeStop();
  const std::int64_t after = wallTicks();
  api().logTerm();
  const std::vector<std::string> got = lines(readFile(path));
  HOST_CHECK_EQ(got.size(), 5u);
  if (got.size() != 5) return;
  const double seconds = HOST_SECONDS(got[1], "[SYSLOG][○--INFO--○] [sleep] 経過時間=", "[sec]\r\n");
  HOST_CHECK_EQ(got[1].substr(got[1].size() - 10, 3), "000");  // whole milliseconds
  HOST_CHECK(seconds >= 0.29);
  HOST_CHECK(seconds <= static_cast<double>(after - before) / 1e7 + 0.001);
}

// The tables of the unit test with the same golden file, through the export table.
void bitTables() {
  const std::wstring path = startLog("diag_", 0, 0, -1);
  api().makeBitStringUSHORT16(0x3042, "あ");
  api().makeBitStringUINT32(0x3042, "あ");
  api().makeBitStringUSHORT16(0, "");
  api().makeBitStringUSHORT16(0xFFFF, "m");
  api().makeBitStringUINT32(0x12345678, "%s%d%n");
  for (std::uint32_t scalar : {0x41u, 0xE9u, 0x3042u, 0x1F600u, 0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD800u, 0xFFFFu,
                               0x10000u, 0x10FFFFu}) {
    api().makeBitStringUnicodeScalarValue(scalar, "x");
  }
  api().makeBitStringUnicodeScalarValue(0x110000, "x");  // the error line obeys outputLevel
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), banners("diag_", path, golden("bit_tables.txt")));
}

}  // namespace

const std::vector<Scenario>& diagScenarios() {
  static const std::vector<Scenario> list = {
      {"diag_last_error_described", [](auto&) { lastErrorDescribed(); }},
      {"diag_boxes", [](auto&) { hostBoxes(); }},
      {"diag_nothing_before_start", [](auto&) { nothingBeforeStart(); }},
      {"diag_nothing_while_sleeping", [](auto&) { nothingWhileSleeping(); }},
      {"diag_profile_timing", [](auto&) { timing(); }},
      {"diag_bit_tables", [](auto&) { bitTables(); }},
  };
  return list;
}

}  // namespace host
