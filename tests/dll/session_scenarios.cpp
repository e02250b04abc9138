// Session scenarios through the real DLL: one start per process.
#include "host.h"

namespace host {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

std::wstring logPath(const std::wstring& dir, const std::wstring& prefix = L"app_") {
  return dir + L"\\" + prefix + today() + L".log";
}

void newFile(bool bom) {
  const std::wstring path = startLog("app_", 8192, 0, 5, 0, bom ? 7 : 0);
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), (bom ? kBom : "") + banners("app_", path));
  HOST_CHECK_BOXES({});
}

// A first session in another process, then this one on the same file.
void appendSecondSession() {
  const std::wstring dir = workDir();
  HANDLE child = spawnSelf(L"child_session \"" + dir + L"\"");
  WaitForSingleObject(child, 60000);
  DWORD code = 1;
  GetExitCodeProcess(child, &code);
  CloseHandle(child);
  HOST_CHECK_EQ(code, 0);

  const std::wstring path = startLog("app_", 8192, 0, 5, 0, 1);
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), kBom + banners("app_", path) + banners("app_", dir));
  HOST_CHECK_BOXES({});
}

void childSession(const std::vector<std::string>& args) {
  if (api().logInit(args.at(0).c_str(), "app_", 8192, 0, 5, 0, 1) != 1) std::exit(3);
  api().logTerm();
}

void directoryCreatedByTheOpen() {
  const std::wstring dir = workDir() + L"\\made";
  HOST_CHECK_EQ(api().logInit(narrow(dir).c_str(), "app_", 0, 0, 5, 0, 0), 1);
  api().logTerm();
  HOST_CHECK_EQ(readFile(logPath(dir)), banners("app_", logPath(dir)));
}

void missingParent() {
  const std::wstring dir = workDir() + L"\\no\\logs";
  HOST_CHECK_EQ(api().logInit(narrow(dir).c_str(), "app_", 0, 0, 5, 0, 0), 0);
  HOST_CHECK_BOXES({
      {L"[FATAL] " + dir + L" ERROR_PATH_NOT_FOUND CreateDirectory : createDirCheck() line=443 Win32 ErrCode=3 :" +
           systemText(3),
       L"createDirCheck()", 0},
      {L"createDirCheckがエラー Directory pathが間違っていませんか? Dir path={" + dir + L"}",
       L"logOpen_W() createDirCheck() Error!", 0},
  });
  HOST_CHECK(!fileExists(workDir() + L"\\no"));
  api().logTerm();  // after a failed start: nothing to end, no crash
}

// Another process holds the file open for writing, as a session would.
void heldByAnotherProcess() {
  const std::wstring dir = workDir();
  const std::wstring path = logPath(dir);
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, L"corvelin_test_ready");
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"corvelin_test_release");
  HANDLE child = spawnSelf(L"child_hold \"" + path + L"\"");
  HOST_CHECK_EQ(WaitForSingleObject(ready, 60000), WAIT_OBJECT_0);

  HOST_CHECK_EQ(api().logInit(narrow(dir).c_str(), "app_", 0, 0, 5, 0, 1), 0);
  HOST_CHECK_BOXES({
      {L"File Open Error errcode=32 path=" + path, L"hvfopen() Error!", 0},
      {L"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=32 :" + systemText(32),
       L"logutl_W.cpp logOpen() line=112", 0},
  });
  SetEvent(release);
  WaitForSingleObject(child, 60000);
  CloseHandle(child);
  HOST_CHECK_EQ(readFile(path), "held");
}

void childHold(const std::vector<std::string>& args) {
  HANDLE f = CreateFileW(widen(args.at(0)).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD n = 0;
  WriteFile(f, "held", 4, &n, nullptr);
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"corvelin_test_ready");
  HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, L"corvelin_test_release");
  SetEvent(ready);
  WaitForSingleObject(release, 60000);
  CloseHandle(f);
}

void profileEveryKey() {
  const std::wstring dir = workDir();
  const std::wstring logs = dir + L"\\logs";
  const std::wstring ini = dir + L"\\app.ini";
  writeFile(ini, "[Halvix]\r\nLogFileNamePrefix=app_\r\nLogWritePathDir=" + narrow(logs) +
                     "\r\nWriteFlg=8192\r\nCrLfOption=1\r\nLogOutPutLevel=5\r\nLogSleepSwitch=0\r\n"
                     "BomSetFlg=3\r\nLogKBytesRotateFlg=1\r\nLogKBytesSize=1\r\n");
  HOST_CHECK_EQ(api().logInitProfile(narrow(ini).c_str()), 1);
  api().logTerm();
  HOST_CHECK_EQ(readFile(logPath(logs)), kBom + banners("app_", logPath(logs), "", "\n"));
  HOST_CHECK_BOXES({});
}

// Only the section line: prefix PREFIX_, the current directory, no mark.
void profileSectionOnly() {
  const std::wstring dir = workDir();
  const std::wstring ini = dir + L"\\empty.ini";
  writeFile(ini, "[Halvix]\r\n");
  SetCurrentDirectoryW(dir.c_str());
  HOST_CHECK_EQ(api().logInitProfile(narrow(ini).c_str()), 1);
  api().logTerm();
  const std::wstring name = L"PREFIX_" + today() + L".log";
  HOST_CHECK_EQ(readFile(dir + L"\\" + name), banners("PREFIX_", L".\\\\" + name));
}

void profileMissing() {
  const std::wstring ini = workDir() + L"\\none.ini";
  HOST_CHECK_EQ(api().logInitProfile(narrow(ini).c_str()), 0);
  HOST_CHECK_BOXES({{L"logInitProfileReadにセットしたパスにファイルが存在しません。path=" + ini,
                     L"logInitProfileRead()", 0}});
}

// Paths of 511 bytes get their length boxes and leave the session
// startable; a directory path of exactly 510 bytes passes. Components stay
// short: the Linux file system under Wine takes 255 bytes a name.
void pathLengthLimits() {
  const std::wstring base = workDir();
  std::string dir = narrow(base);
  while (dir.size() + 1 + 60 * 3 < 510) {
    dir += "\\";
    for (int i = 0; i < 60; ++i) dir += "\xE3\x81\x82";  // あ
    CreateDirectoryW(widen(dir).c_str(), nullptr);
  }
  dir += "\\";
  while (dir.size() + 3 <= 510) dir += "\xE3\x81\x84";  // い
  dir += std::string(510 - dir.size(), 'd');
  HOST_CHECK_EQ(dir.size(), 510u);
  HOST_CHECK_EQ(api().logInit((dir + "d").c_str(), "p", 0, 0, 5, 0, 0), 0);
  HOST_CHECK_EQ(api().logInitProfile(std::string(511, 'x').c_str()), 0);
  HOST_CHECK_BOXES({
      {L"logInit() dir Path文字列長超過 510バイトを超過しました", L"logInit() dir Path 長さ超過エラー", 0},
      {L"logInitProfile() path文字列長超過 510バイトを超過しました", L"logInit() dir Path 長さ超過エラー", 0},
  });
  HOST_CHECK_EQ(api().logInit(dir.c_str(), "p", 0, 0, 5, 0, 0), 1);
  HOST_CHECK(fileExists(logPath(widen(dir), L"p")));
  api().logTerm();
}

void prefixLengthLimit() {
  const std::string dir = narrow(workDir());
  HOST_CHECK_EQ(api().logInit(dir.c_str(), std::string(261, 'p').c_str(), 0, 0, 5, 0, 0), 0);
  HOST_CHECK_BOXES({{L"logInit() dir Path文字列長超過 260バイトを超過しました", L"logInit() prefix文字列 長さ超過エラー", 0}});
  // 260 bytes pass the check; the name is then too long for the file system
  // under Wine, so the open reports it, but the length box does not come again.
  boxes().clear();
  api().logInit(dir.c_str(), std::string(260, 'p').c_str(), 0, 0, 5, 0, 0);
  for (const Box& b : boxes()) HOST_CHECK(b.caption != L"logInit() prefix文字列 長さ超過エラー");
}

void sleepSwitch() {
  const std::wstring path = startLog("app_", 8192, 0, 5, 1);
  api().logTerm();
  HOST_CHECK_EQ(readFile(path),
                "##### if logInit use. LOG_SLEEP Switch ON! No save logs...  logInit() No.5 Param 0 Set to start Log! "
                "#####\r\n");
}

void lineEnding(std::int32_t option, const char* end) {
  const std::wstring path = startLog("app_", 8192, option);
  api().logTerm();
  HOST_CHECK_EQ(readFile(path), banners("app_", path, "", end));
}

void invalidPrefix() {
  startLog("bad\xC3", 8192);
  api().logTerm();
  const std::wstring path = workDir() + L"\\" + today() + L".log";
  HOST_CHECK_EQ(readFile(path), banners("", path));
}

// The host's last-error code is not disturbed by a start call.
void lastErrorSurvives() {
  const std::string dir = narrow(workDir());
  api();  // loading the DLL sets the last error of its own
  SetLastError(4321);
  HOST_CHECK_EQ(api().logInit(dir.c_str(), "app_", 8192, 0, 5, 0, 0), 1);
  HOST_CHECK_EQ(GetLastError(), 4321u);
  api().logTerm();
}

}  // namespace

const std::vector<Scenario>& sessionScenarios() {
  static const std::vector<Scenario> list = {
      {"new_file_with_bom", [](auto&) { newFile(true); }},
      {"new_file_without_bom", [](auto&) { newFile(false); }},
      {"append_second_session", [](auto&) { appendSecondSession(); }},
      {"directory_created_by_open", [](auto&) { directoryCreatedByTheOpen(); }},
      {"missing_parent", [](auto&) { missingParent(); }},
      {"held_by_another_process", [](auto&) { heldByAnotherProcess(); }},
      {"profile_every_key", [](auto&) { profileEveryKey(); }},
      {"profile_section_only", [](auto&) { profileSectionOnly(); }},
      {"profile_missing", [](auto&) { profileMissing(); }},
      {"path_length_limits", [](auto&) { pathLengthLimits(); }},
      {"prefix_length_limit", [](auto&) { prefixLengthLimit(); }},
      {"sleep_switch", [](auto&) { sleepSwitch(); }},
      {"line_ending_lf", [](auto&) { lineEnding(1, "\n"); }},
      {"line_ending_none", [](auto&) { lineEnding(5, ""); }},
      {"invalid_utf8_prefix", [](auto&) { invalidPrefix(); }},
      {"last_error_survives", [](auto&) { lastErrorSurvives(); }},
      {"child_session", childSession},
      {"child_hold", childHold},
  };
  return list;
}

}  // namespace host
