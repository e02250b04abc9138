// A host for the real corvelin_x64.dll under Wine: it loads the DLL as hosts in other languages do (LoadLibraryW,
// GetProcAddress), records its message boxes and debugger lines by pointing its imports of MessageBoxW and
// OutputDebugStringW at recordBox and recordDebug, and runs the scenario named on the command line, one per
// process as sessions are. Only what the real system shows.
#include <windows.h>
#include <dbghelp.h>
#include <mmsystem.h>
#include <process.h>

#include <corvelin.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#define FUNCTIONS(X)                                                                                       \
  X(logInit) X(logInitProfile) X(logTerm) X(_log) X(logDebug) X(logInfo) X(logWarning) X(logError)        \
  X(logCritical) X(logPut) X(logPutHex) X(logDumpRaw) X(logDumpUTF8) X(makeBitStringUSHORT16)             \
  X(makeBitStringUINT32) X(makeBitStringUnicodeScalarValue) X(w32ResetErrCode) X(getLastErr) X(w32ErrLog) \
  X(msgBox) X(msgBoxOkCancel) X(profileTimeStart) X(profileTimeStop)
#define SLOT(name) decltype(&::name) name;
struct { FUNCTIONS(SLOT) } dll;

using Args = std::vector<std::string>;
std::string scenario;
int failures = 0;
void fail(int line, const std::string& what) { ++failures, std::printf("host.cpp:%d: %s\n", line, what.c_str()); }
void checkEq(int line, const std::string& got, const std::string& want) {
  auto show = [](std::string s) { return std::regex_replace(std::regex_replace(s, std::regex("\r"), "\\r"), std::regex("\n"), "\\n"); };
  if (got != want) fail(line, "\n  got:  \"" + show(got) + "\"\n  want: \"" + show(want) + "\"");
}
#define CHECK(cond) ((cond) ? void() : fail(__LINE__, #cond))
#define CHECK_EQ(got, want) checkEq(__LINE__, got, want)

std::filesystem::path pathOf(const std::string& utf8) { return std::filesystem::u8path(utf8); }
std::string narrow(const wchar_t* text) { return std::filesystem::path(text).u8string(); }
std::string readFile(const std::string& path) {
  std::ifstream in(pathOf(path), std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}
std::string systemText(DWORD code) {  // without the CR LF that the DLL cuts off
  wchar_t text[1024] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 1024, nullptr);
  return std::regex_replace(narrow(text), std::regex("\r\n$"), "");
}
std::string local(const char* format) {  // the local time now: year, month, day, hour, minute, second
  SYSTEMTIME t;
  GetLocalTime(&t);
  char s[32];
  std::snprintf(s, sizeof s, format, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return s;
}
std::string logPath(const std::string& dir, const char* prefix) { return dir + "\\" + prefix + local("%04u%02u%02u") + ".log"; }
std::string workDir(const std::string& variant = "") {  // fresh for each run; ctest runs variants side by side
  const std::filesystem::path dir = std::filesystem::current_path() / ("run_" + scenario + variant);
  std::filesystem::remove_all(dir), std::filesystem::create_directory(dir);
  return dir.u8string();
}
std::string banners(std::string prefix, std::string shown, std::string body = "", std::string end = "\r\n") {
  return "--- [" + prefix + "] start Log={" + shown + "} ---" + end + body + "--- [" + prefix + "] end Log ---" + end + end + end;
}
std::vector<std::string> masked(std::string& text, const char* pattern) {  // each match becomes '#'; gives them
  const std::regex re(pattern);
  std::vector<std::string> taken;
  for (std::sregex_iterator i(text.begin(), text.end(), re), end; i != end; ++i) taken.push_back(i->str());
  text = std::regex_replace(text, re, "#");
  return taken;
}

std::string boxes;          // "caption|text|type\n" for each box the DLL showed
int boxAnswer = IDOK;
void (*onBox)() = nullptr;  // runs while the box is open
int WINAPI recordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  boxes += narrow(caption) + "|" + narrow(text) + "|" + std::to_string(type) + (owner ? " owned\n" : "\n");
  if (onBox) onBox();
  return boxAnswer;
}
std::string debugLines;  // what the DLL handed to OutputDebugStringW
void WINAPI recordDebug(LPCWSTR text) { debugLines += narrow(text); }
// The boxes of a start whose open failed: each attempt refused with `codes`, then the fatal one.
std::string openFailed(const std::string& path, std::vector<DWORD> codes) {
  std::string out;
  for (DWORD c : codes) out += "hvfopen() Error!|File Open Error errcode=" + std::to_string(c) + " path=" + path + "|0\n";
  return out + "logutl_W.cpp logOpen() line=112|[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 " +
         "ErrCode=" + std::to_string(codes.back()) + " :" + systemText(codes.back()) + "|0\n";
}

// Sessions of two processes on one day's file: while one holds it, a start elsewhere fails (readers may open
// it: see threads); one after the other, the second appends.
void sharing() {
  const std::string dir = workDir(), path = logPath(dir, "app_");
  auto other = [&](const wchar_t* role) {  // runs this program as the other process; 0 when its checks pass
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return _wspawnl(_P_WAIT, self, L"host", L"other", (L"\"" + pathOf(dir).wstring() + L"\"").c_str(), role, nullptr);
  };
  const DWORD bootBefore = timeGetTime();
  CHECK(other(L"first") == 0);
  const DWORD bootAfter = timeGetTime();
  CHECK(dll.logInit(dir.c_str(), "app_", 8192, 0, 5, 0, 1) == 1);
  CHECK(other(L"refused") == 0);
  const std::string before = local("%04u-%02u-%02u %02u:%02u:%02u");
  dll.logInfo("now");  // WriteFlg 8192: the local date and time of the call
  const std::string after = local("%04u-%02u-%02u %02u:%02u:%02u");
  dll.logTerm();
  std::string file = readFile(path);
  const auto boot = masked(file, "\\d+(?=\\]:\\[boot)"), now = masked(file, "[-0-9 :]{19}(?=:\\[now)");
  CHECK(boot.size() == 1 && std::stoul(boot[0]) >= bootBefore && std::stoul(boot[0]) <= bootAfter);
  CHECK(now.size() == 1 && now[0] >= before && now[0] <= after);
  // One byte-order mark; the second start banner shows the directory.
  CHECK_EQ(file, "\xEF\xBB\xBF" + banners("app_", path, "[OSBootTime:#]:[boot]\r\n") + banners("app_", dir, "#:[now]\r\n"));
}
void otherProcess(const Args& args) {
  const bool first = args.at(1) == "first";
  CHECK(dll.logInit(args[0].c_str(), "app_", 32784, 0, 5, 0, 1) == first);  // 32784: milliseconds since boot
  CHECK_EQ(boxes, first ? "" : openFailed(logPath(args[0], "app_"), {32}));
  dll.logInfo("boot");
  dll.logTerm();
}

// A session from a real profile in UTF-8 with a byte-order mark (GetPrivateProfile*W; a bare name is looked for where they look, in
// the Windows directory); thread ids, the wall clock and error texts in records; boxes through the real import,
// none on a window station nobody sees (a service's; headless Wine's WinSta0 is visible, as a desktop's is).
void systemServices() {
  const std::string dir = workDir(), path = logPath(dir, "sys_注文_");
  CHECK(dll.logInitProfile((dir + "\\none.ini").c_str()) == 0);
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::string name = "corvelin_" + std::to_string(GetCurrentProcessId()) + ".ini";
  std::ofstream(pathOf(narrow(windows) + "\\" + name))
      << "\xEF\xBB\xBF[Halvix]\nLogFileNamePrefix=sys_注文_\nLogWritePathDir=" << dir << "\nWriteFlg=1\nCrLfOption=1\n"
      << "LogOutPutLevel=3\nLogSleepSwitch=0\nBomSetFlg=3\nLogKBytesRotateFlg=1\nLogKBytesSize=1\n";
  CHECK(dll.logInitProfile(name.c_str()) == 1);
  std::filesystem::remove(pathOf(narrow(windows) + "\\" + name));

  static HANDLE other = nullptr;
  onBox = [] {
    SetLastError(1400);  // what a real box may leave behind
    other = CreateThread(nullptr, 0, [](void*) -> DWORD { return dll.logWarning("while the box is open"), 0; },
                         nullptr, 0, nullptr);
    CHECK(WaitForSingleObject(other, 5000) == WAIT_OBJECT_0);  // the box does not hold the library's lock
  };
  SetLastError(6);
  dll.msgBox("日本語のテキスト 😀", "タイトル 😀");
  CHECK(GetLastError() == 6);
  onBox = nullptr;
  boxAnswer = IDCANCEL;
  CHECK(dll.msgBoxOkCancel("続けますか?", "確認") == IDCANCEL);
  boxAnswer = -1;  // what Wine gives when it cannot make the box: its texts go to the debugger
  CHECK(dll.msgBoxOkCancel("not made", "x") == 0);
  HWINSTA interactive = GetProcessWindowStation();
  HWINSTA hidden = CreateWindowStationW(L"corvelin_unattended", 0, WINSTA_ALL_ACCESS, nullptr);
  CHECK(hidden != nullptr && SetProcessWindowStation(hidden));
  CHECK(dll.msgBoxOkCancel("続けますか?", "確認 😀") == IDCANCEL);  // nobody confirms
  CHECK(SetProcessWindowStation(interactive));
  CHECK_EQ(debugLines, "corvelin: [x] not made\ncorvelin: [確認 😀] 続けますか?\n");
  CHECK_EQ(boxes, "logInitProfileRead()|logInitProfileReadにセットしたパスにファイルが存在しません。path=" + dir +
                      "\\none.ini|0\nタイトル 😀|日本語のテキスト 😀|0\n確認|続けますか?|1\nx|not made|1\n");
  dll.logWarning("main");
  CreateFileW(pathOf(dir + "\\none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);  // fails: 2
  dll.w32ErrLog("probe()", 120);
  const DWORD start = timeGetTime();
  dll.profileTimeStart("sleep");
  Sleep(300);
  dll.profileTimeStop();
  const DWORD slept = timeGetTime() - start;
  dll.logTerm();
  std::string file = readFile(path);
  const auto seconds = masked(file, "-?\\d+\\.\\d{6}(?=\\[sec\\])");
  const std::string body = "tid=" + std::to_string(GetThreadId(other)) + ":#[sec][while the box is open]\n" +
                           "tid=" + std::to_string(GetCurrentThreadId()) + ":#[sec][main]\n" +
                           "[SYSLOG][○--INFO--○] probe() line=120 Win32 ErrCode=2 :" + systemText(2) + "\n" +
                           "[SYSLOG][○--INFO--○] [sleep] 経過時間=#[sec]\n";
  CHECK_EQ(file, "\xEF\xBB\xBF" + banners("sys_注文_", path, body, "\n"));
  CHECK(seconds.size() == 3 && std::stod(seconds[2]) >= 0.29 && std::stod(seconds[2]) <= slept / 1000.0 + 0.02);
}

// A profile in UTF-16LE that turns rotation on: files of `kBytes` KB, `keep` of them.
std::string rotatingProfile(const std::string& dir, const char* prefix, int kBytes, int keep) {
  std::ostringstream keys;
  keys << "[Halvix]\nLogFileNamePrefix=" << prefix << "\nLogWritePathDir=" << dir << "\nLogOutPutLevel=5\n"
       << "LogKBytesRotateFlg=1\nLogKBytesSize=" << kBytes << "\nLogKeepFiles=" << keep << "\n";
  const std::wstring wide = L"\xFEFF" + pathOf(keys.str()).wstring();
  std::ofstream(pathOf(dir + "\\rotate.ini"), std::ios::binary)
      .write(reinterpret_cast<const char*>(wide.data()), static_cast<std::streamsize>(wide.size() * sizeof(wchar_t)));
  return dir + "\\rotate.ini";
}
std::string seriesPath(const std::string& dir, const char* prefix, int index) {
  const std::string day = dir + "\\" + prefix + local("%04u%02u%02u");
  return index == 1 ? day + ".log" : day + "_" + std::to_string(index) + ".log";
}

// 8 threads write records, text dumps and bit tables at once: the file must be an interleaving of whole
// units, each thread's in the order written. Rotating (any argument), the day's series of 64 KB files read
// one after the other must be that file; none is larger, and each names the one that continues it.
void threads(const Args& args) {
  const bool rotating = !args.empty();
  const std::string dir = workDir(rotating ? "_rotating" : ""), path = logPath(dir, "mt_");
  const std::string rule = "+-----------------------------------+\r\n";
  CHECK((rotating ? dll.logInitProfile(rotatingProfile(dir, "mt_", 64, 0).c_str())
                  : dll.logInit(dir.c_str(), "mt_", 0, 0, 5, 0, 0)) == 1);
  // A viewer reads the first file all along, as viewers do: sharing reads and writes.
  HANDLE viewer = CreateFileW(pathOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  CHECK(viewer != INVALID_HANDLE_VALUE);
  constexpr std::size_t kThreads = 8;
  std::vector<std::vector<std::string>> units(kThreads + 1);  // the last: this thread's banners
  std::vector<std::thread> running;
  for (std::size_t t = 0; t < kThreads; ++t) {
    const std::string d = std::to_string(t);
    for (int n = 0; n < 5000; ++n) {
      units[t].push_back("[thread " + d + " record " + std::to_string(n) + "]\r\n");
      if (n % 250 != 0) continue;
      units[t].push_back("---------- logPut-start len=0\r\nthread " + d + " d\r\numps this \r\ntext\r\n"
                         "---------- logPut-end!!\r\n");
      units[t].push_back(rule + "|    0   |    1   |    2   |    3   |  [t" + d + "]\r\n" + rule +
                         "|   78   |   56   |   34   |   12   |  HEX=0x12345678\r\n" + rule +
                         "|01111000|01010110|00110100|00010010|  UTF32_LE Bit Pattern!\r\n" + rule);
    }
    running.emplace_back([d] {
      for (int n = 0; n < 5000; ++n) {
        dll.logInfo(("thread " + d + " record " + std::to_string(n)).c_str());
        if (n % 250 != 0) continue;
        dll.logPut(("thread " + d + " dumps this text").c_str(), 0, 1, 10);
        dll.makeBitStringUINT32(0x12345678u, ("t" + d).c_str());
      }
    });
  }
  for (std::thread& th : running) th.join();
  dll.logTerm();
  CloseHandle(viewer);
  std::string file = readFile(path);
  for (int i = 2; rotating && std::filesystem::exists(pathOf(seriesPath(dir, "mt_", i))); ++i) {
    const std::string next = readFile(seriesPath(dir, "mt_", i)), closing = "--- [mt_] continued in Log={" +
                             seriesPath(dir, "mt_", i) + "} ---\r\n", opening = "--- [mt_] start Log={" + seriesPath(dir, "mt_", i) + "} ---\r\n";
    CHECK(file.size() >= closing.size() && file.compare(file.size() - closing.size(), closing.size(), closing) == 0);
    CHECK(next.compare(0, opening.size(), opening) == 0 && next.size() <= 65536);
    file.resize(file.size() - closing.size()), file += next.substr(opening.size());
  }
  const std::string all = banners("mt_", path);
  units[kThreads] = {all.substr(0, all.find('\n') + 1), all.substr(all.find('\n') + 1)};
  std::vector<std::size_t> next(kThreads + 1, 0);
  for (std::size_t at = 0, t = 0; at < file.size(); at += units[t][next[t]++].size()) {
    auto fits = [&] { return next[t] < units[t].size() && file.compare(at, units[t][next[t]].size(), units[t][next[t]]) == 0; };
    for (t = 0; t <= kThreads && !fits(); ++t) {}
    if (t > kThreads) return fail(__LINE__, "no thread's next unit at byte " + std::to_string(at));
  }
  for (std::size_t t = 0; t <= kThreads; ++t) CHECK(next[t] == units[t].size());
}

// Retention through the real file system: the oldest files of the series go, one held by another process stays
// (and goes at a later switch), and names that only look like the series are never touched.
void retention() {
  const std::string dir = workDir(), old = dir + "\\ret_20200101.log";
  for (const char* name : {"ret_20200101.log", "ret_20200102.log", "ret_20200102_2.log", "ret_2020010.log", "ret_notes.log"}) {
    std::ofstream(pathOf(dir + "\\" + name)) << "earlier\n";
  }
  HANDLE held = CreateFileW(pathOf(old).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  CHECK(dll.logInitProfile(rotatingProfile(dir, "ret_", 1, 2).c_str()) == 1);
  for (int i = 0; i < 12; ++i) dll.logInfo(std::string(200, 'r').c_str());  // a few switches
  CHECK(std::filesystem::exists(pathOf(old)));
  CloseHandle(held);
  for (int i = 0; i < 5; ++i) dll.logInfo(std::string(200, 'r').c_str());  // at least one more
  dll.logTerm();
  std::string names;
  for (const auto& entry : std::filesystem::directory_iterator(pathOf(dir))) {
    const std::string name = entry.path().filename().u8string();
    names += name.rfind("ret_" + local("%04u%02u%02u"), 0) == 0 ? "<today's> " : name + " ";
  }
  CHECK_EQ(names, "ret_2020010.log <today's> <today's> ret_notes.log rotate.ini ");
}

// Faults made on the Linux side by fs_fault.sh: a day's file that may not be written, a directory nothing
// may be created in, a file system of 64 KB.
void fsFaults(const Args& dirs) {
  const std::string readOnly = logPath(dirs.at(0), "app_"), notCreated = logPath(dirs.at(1), "app_");
  CHECK(dll.logInit(dirs[0].c_str(), "app_", 0, 0, 5, 0, 1) == 0);
  CHECK(dll.logInit(dirs[1].c_str(), "app_", 0, 0, 5, 0, 1) == 0);
  CHECK_EQ(readFile(readOnly), "an earlier session\r\n");
  CHECK(dll.logInit(dirs.at(2).c_str(), "full_", 0, 0, 5, 0, 0) == 1);
  for (int i = 0; i < 1000; ++i) dll.logInfo(std::string(90, 'r').c_str());
  dll.logPut("a dump after the disk filled up", 0, 1, 40);
  dll.logTerm();
  // Whole records up to the last whole one that had room (a record the disk took in part is cut off again), then
  // what fits of the end: the line that counts what was lost is longer than the end banner.
  const std::string path = logPath(dirs[2], "full_"), file = readFile(path), end = "--- [full_] end Log ---\r\n\r\n\r\n";
  std::string whole = "--- [full_] start Log={" + path + "} ---\r\n";
  while (whole.size() + 94 <= file.size() - end.size()) whole += "[" + std::string(90, 'r') + "]\r\n";
  CHECK(file.size() > 60 * 1024);
  CHECK(file == whole || file == whole + end);
  CHECK_EQ(boxes, openFailed(readOnly, {5}) + openFailed(notCreated, {5, 2}));  // none for the full disk
}

// A series whose day's file may not be written (immutable) goes on at the next name.
void heldSeries(const Args& dirs) {
  CHECK(dll.logInitProfile(rotatingProfile(dirs.at(0), "app_", 4, 0).c_str()) == 1), dll.logTerm();
  const std::string next = seriesPath(dirs[0], "app_", 2);
  CHECK_EQ(readFile(next) + boxes, banners("app_", next));  // and no box
}

// A series on a disk that fills up at a switch and frees again: every file begins with its banner and the
// closing lines lead from the first to the last; every record is there once, whole and in order, or counted in
// the one line that says how many entries were lost (which also counts the line of the failed switch, if the
// disk had no room for it either).
void fullSeries(const Args& dirs) {
  const std::string dir = dirs.at(0), filler = dir + "\\filler.bin", end = "--- [disk_] end Log ---\r\n\r\n\r\n";
  for (const auto& entry : std::filesystem::directory_iterator(pathOf(dir))) std::filesystem::remove(entry.path());
  std::ofstream(pathOf(filler), std::ios::binary) << std::string(48 * 1024, 'f');
  CHECK(dll.logInitProfile(rotatingProfile(dir, "disk_", 4, 0).c_str()) == 1);
  const int written = 300;
  for (int i = 0; i < written; ++i) {
    if (i == 200) std::filesystem::remove(pathOf(filler));
    dll.logInfo(("record " + std::to_string(1000 + i) + std::string(80, 'r')).c_str());
  }
  dll.logTerm();
  int present = 0, lost = 0, files = 0, last = -1;
  const std::regex record("\\[record (\\d{4})r{80}\\]"), chain("--- \\[disk_\\] continued in Log=\\{(.*)\\} ---\r\n$"),
      loss("\\[SYSLOG\\]\\[■--ERROR--■\\] log file: (\\d+) entr(y|ies) lost, writing failed: Win32 ErrCode=112 :.*"),
      other("|--- \\[disk_\\] .*|\\[SYSLOG\\]\\[■--ERROR--■\\] log rotation: cannot create .*, this file goes on: Win32 ErrCode=112 :.*");
  for (std::string path = seriesPath(dir, "disk_", 1), next; !path.empty(); path = next, ++files) {
    const std::string text = readFile(path);
    std::smatch m;
    next = std::regex_search(text, m, chain) ? m[1].str() : "";
    CHECK(text.rfind("--- [disk_] start Log={" + path + "} ---\r\n", 0) == 0);
    CHECK(!next.empty() || text.substr(text.size() - std::min(text.size(), end.size())) == end);
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && (line.pop_back(), true);) {
      if (std::regex_match(line, m, record)) CHECK(std::stoi(m[1]) > last), last = std::stoi(m[1]), ++present;
      else if (std::regex_match(line, m, loss)) lost += std::stoi(m[1]);
      else CHECK(std::regex_match(line, other));
    }
  }
  std::printf("%d files, %d records in them, %d entries lost\n", files, present, lost);
  CHECK(lost > 0 && files >= 4 && last == 1000 + written - 1 && (written - present == lost || written - present == lost - 1));
}

// Every kind of line, records with WriteFlg 65536, for lnav_format.sh to read with the lnav format.
void lnavSample() {
  const std::string dir = workDir();
  CHECK(dll.logInit(dir.c_str(), "app_", 65536, 0, 5, 0, 1) == 1);
  dll._log("unconditional");
  dll.logDebug("debug");
  dll.logPut("a text dump, framed", 19, 1, 10);
  dll.logPut("a text dump, unframed", 21, 0, 10);
  dll.logInfo("info");
  dll.logPutHex("\x01\x02 hex", 6, 1, 10);
  dll.logPutHex("\x01\x02 hex", 6, 0, 10);
  dll.logWarning(std::string(8190, 'w').c_str());  // a line too long: the CRETICAL report
  dll.logWarning("warning");
  dll.logDumpRaw("raw bytes\x7f", 10, "raw");
  dll.logDumpUTF8("UTF-8 テキスト", 18, "utf8");
  dll.logError(std::string(8191, 'e').c_str());  // the ERROR size report
  dll.logError("error");
  dll.makeBitStringUSHORT16(0x3042, "u16");
  dll.makeBitStringUINT32(0x3042, "u32");
  dll.makeBitStringUnicodeScalarValue(0x3042, "scalar");
  dll.logCritical("critical");
  CreateFileW(pathOf(dir + "\\none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);  // fails: 2
  dll.w32ErrLog("probe()", 1);
  dll.profileTimeStart("timing");
  dll.profileTimeStop();
  dll.logTerm();
}

// Events for eventlog.sh to read (a start that fails, then WARNING and up); each ID of the message table is its insert.
void eventLog(HMODULE module, const Args& profiles) {
  CHECK(dll.logInitProfile(profiles.at(0).c_str()) == 0 && dll.logInitProfile(profiles.at(1).c_str()) == 1);
  dll._log("_log"), dll.logDebug("debug"), dll.logInfo("info"), dll.logWarning("warning"), dll.logError("error \"quoted\"\r\nline");
  dll.logCritical("critical 日本語 😀"), dll.logError(std::string(8191, 'e').c_str()), dll.logTerm();  // a size report
  const std::wstring text = L"日本語 text 😀 %2";
  const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(text.c_str())};
  for (DWORD id : {999, 1000, 1001, 1002, 1003, 1004, 1005, 1006, 1010}) {
    wchar_t out[64] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0, out, 64,
                   reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
    CHECK_EQ(std::to_string(id) + narrow(out), std::to_string(id) + (id % 1000 <= 5 || id == 1010 ? narrow(text.c_str()) : ""));
  }
}

// Records forwarded to the rsyslogd of syslog.sh (args: its directory, LogSyslogServer) in its UTC+05:30. UDP: each
// once, its fields as documented, Japanese and the longest record whole. TCP: absent, then started; 8 threads, every
// record once in the file's order; stopped and started (the count of the dropped arrives); frozen: logTerm's bound.
std::string collector;
void request(const char* what) {  // syslog.sh starts, stops or freezes the collector
  std::ofstream(pathOf(collector + "\\request")) << what;
  for (int i = 0; i < 600 && std::filesystem::exists(pathOf(collector + "\\request")); ++i) Sleep(100);
}
std::vector<std::string> lines(const std::string& text, const std::string& end) {
  std::vector<std::string> out;
  for (std::size_t at = 0, next; (next = text.find(end, at)) != std::string::npos; at = next + end.size()) out.push_back(text.substr(at, next - at));
  return out;
}
// Waits at most 60 s for them: the sender may be in a pause of 30 s.
std::vector<std::string> received(std::size_t atLeast, const char* holding = "") {
  std::string got;
  for (int i = 0; i < 600 && (lines(got = readFile(collector + "\\received"), "\n").size() < atLeast || got.find(holding) == std::string::npos); ++i) Sleep(100);
  return lines(got, "\n");
}
std::vector<std::string> forwarded(const std::string& log) {  // what the collector shows for the records of `log`
  wchar_t host[256];
  DWORD n = 256;
  GetComputerNameExW(ComputerNameDnsFullyQualified, host, &n);
  const std::string fields = "|" + narrow(host) + "|dllhost|" + std::to_string(GetCurrentProcessId()) + "|-|-|\xEF\xBB\xBF";
  const std::map<std::string, int> severity{{"LOG", 5}, {"DEBUG", 7}, {"INFO", 6}, {"WARNING", 4}, {"ERROR", 3}, {"CRITICAL", 2}};
  std::vector<std::string> out;
  for (const std::string& l : lines(log, "\r\n")) {
    const std::size_t open = l.size() > 26 && l[10] == ' ' && l[23] == ' ' ? l.find(":[", 24) : std::string::npos;
    const auto level = open == std::string::npos ? severity.end() : severity.find(l.substr(24, open - 24));
    if (level == severity.end() || l.compare(open + 1, 8, "[SYSLOG]") == 0) continue;  // banners and [SYSLOG] lines
    out.push_back(std::to_string(8 + level->second) + "|" + l.substr(0, 10) + "T" + l.substr(11, 12) + "+05:30" + fields +
                  l.substr(open + 2, l.size() - open - 3));
  }
  return out;
}
void forwarding(const Args& args) {
  collector = args.at(0);
  const bool tcp = args.at(1).rfind("tcp", 0) == 0;
  const std::string dir = workDir(tcp ? "_tcp" : "_udp"), path = logPath(dir, "sl_");
  std::ofstream(pathOf(dir + "\\s.ini")) << "[Halvix]\nLogFileNamePrefix=sl_\nLogWritePathDir=" << dir << "\nWriteFlg=65536\n"
                                         << "LogOutPutLevel=5\nLogSyslogServer=" << args[1] << "\nLogSyslogLevel=5\nLogSyslogAppName=dllhost\n";
  CHECK(dll.logInitProfile((dir + "\\s.ini").c_str()) == 1);
  const auto burst = [](const char* tag, int n, std::size_t pad) {
    for (int i = 0; i < n; ++i) dll.logInfo((tag + std::to_string(i) + std::string(pad, '.')).c_str());
  };
  if (!tcp) {
    for (auto* f : {dll._log, dll.logDebug, dll.logInfo, dll.logWarning, dll.logError, dll.logCritical}) f("a record");
    dll.logInfo("日本語のテキスト 😀");
    dll.logWarning(std::string(8153, 'w').c_str());  // the longest this file's lines take
    dll.logTerm();
    const std::vector<std::string> want = forwarded(readFile(path));
    CHECK(want.size() == 8 && received(want.size()) == want);
    return;
  }
  burst("absent ", 50, 0);
  request("start");
  received(50);
  std::vector<std::thread> running;
  for (int t = 0; t < 8; ++t) running.emplace_back([t, &burst] { burst(("thread " + std::to_string(t) + " record ").c_str(), 250, 0); });
  for (std::thread& th : running) th.join();
  received(2050);
  request("stop");
  burst("stopped ", 300, 8000);  // more than a queue of 1 MB holds
  request("start");
  const auto count = [](const std::string& line) { return line.find("were not forwarded") != std::string::npos; };
  std::vector<std::string> got = received(0, "were not forwarded");
  const auto told = std::find_if(got.begin(), got.end(), count);
  const std::size_t dropped = told == got.end() ? 0 : std::stoul(told->substr(told->find("syslog: ") + 8));
  got = received(2350 - dropped + 1);
  request("freeze");
  burst("frozen ", 2500, 8000);  // more than the sockets hold: the sender waits in a send
  const DWORD before = GetTickCount();
  dll.logTerm();
  CHECK(GetTickCount() - before < 3500);
  const std::string file = readFile(path);
  std::vector<std::string> want = forwarded(file);
  want.resize(2350);
  got.erase(std::find_if(got.begin(), got.end(), count));
  got.resize(2350 - dropped);
  std::size_t same = 0;  // the dropped records are one run: before and after it every record once, in order
  while (same < got.size() && got[same] == want[same]) ++same;
  CHECK(dropped > 0 && std::equal(got.begin() + same, got.end(), want.begin() + same + dropped, want.end()));
  CHECK(lines(file, "cannot connect to tcp://localhost").size() == 2);  // one line for each outage
  const std::vector<std::string> counts = lines(file, " records were not forwarded");  // the count, what logTerm left
  CHECK(counts.size() >= 2 && counts[0].substr(counts[0].rfind("syslog: ")) == "syslog: " + std::to_string(dropped));
}

// Real crashes, each in a child process with a session of LogCrashReport `key` (0: none) whose host installed a filter
// first. The parent writes what each left, its frames placed by the host's symbols as nm lists them (crash.sh).
std::string crashDir;
LPTOP_LEVEL_EXCEPTION_FILTER filterBefore;  // the C runtime's
extern "C" {  // plain names for nm
LONG WINAPI hostFilter(EXCEPTION_POINTERS* e) {
  return std::ofstream(pathOf(crashDir + "\\host_filter.txt")) << std::hex << std::uppercase << e->ExceptionRecord->ExceptionCode, filterBefore(e);
}
__attribute__((noinline)) void crashNullRead() { volatile int* volatile p = nullptr; (void)*p; }
__attribute__((noinline)) void crashNullWrite() { volatile int* volatile p = nullptr; *p = 1; }
__attribute__((noinline)) void crashIllegal() { asm volatile("ud2"); }
__attribute__((noinline)) void crashDivide() { volatile int one = 1, zero = 0, n = one / zero; (void)n; }
// Each frame ends near the top of a stack page, so the stack probe of the next one meets the guard page with 7.5 KB
// left: Wine 8 ignores SetThreadStackGuarantee and runs no filter at all with less than about 5.5 KB.
__attribute__((noinline)) void crashOverflow() {
  volatile char top = 0, *pad = static_cast<volatile char*>(__builtin_alloca(4096 + (reinterpret_cast<std::uintptr_t>(&top) - 0xF00) % 4096));
  if ((pad[0] = top) != 2) crashOverflow();
  pad[1] = 0;
}
__attribute__((noinline)) void crashInLogPut() { dll.logPut(reinterpret_cast<const char*>(16), 0, 1, 10), crashDir.clear(); }
__attribute__((noinline)) DWORD WINAPI crashWorker(void*) { return crashNullWrite(), 0; }
__attribute__((noinline)) void crashBesideDumps() {  // another thread writes hex dumps of 8 KB without a pause
  std::thread([] { for (static std::string bytes(8190, 'Z');;) dll.logPutHex(bytes.data(), 8190, 1, 16); }).detach();
  while (std::filesystem::file_size(pathOf(logPath(crashDir, "app_"))) < 100000) Sleep(1);
  WaitForSingleObject(CreateThread(nullptr, 0, crashWorker, nullptr, 0, nullptr), INFINITE);
}
}
const std::map<std::string, void (*)()> crashKinds = {{"nullRead", crashNullRead}, {"nullWrite", crashNullWrite}, {"illegal", crashIllegal},
    {"divide", crashDivide}, {"overflow", crashOverflow}, {"worker", crashBesideDumps}, {"logPut", crashInLogPut}};

void crashChild(const Args& args) {  // kind, directory, key
  filterBefore = SetUnhandledExceptionFilter(hostFilter);
  std::ofstream(pathOf((crashDir = args.at(1)) + "\\crash.ini")) << "[Halvix]\nLogFileNamePrefix=app_\nLogWritePathDir=" << crashDir
                                                                 << "\nLogOutPutLevel=5\nLogCrashReport=" << args.at(2) << "\n";
  CHECK(dll.logInitProfile((crashDir + "\\crash.ini").c_str()) == 1);
  if (dll.logInfo("before the crash"), failures == 0) crashKinds.at(args[0])();
}

void crashes(const Args& args) {  // each kind without the key, with 2, and the null read with 1
  std::map<std::uint64_t, std::string> functions;  // by the address nm gives; and where it puts hostFilter, less its offset here:
  std::uint64_t base = reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)) - reinterpret_cast<std::uintptr_t>(&hostFilter);
  std::ifstream symbols(pathOf(args.at(0)));
  for (std::string at, type, name; symbols >> at >> type >> name;) {
    if (type == "T" || type == "t") functions[std::stoull(at, nullptr, 16)] = name;
    if (name == "hostFilter") base += std::stoull(at, nullptr, 16);
  }
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  for (const auto& kind : crashKinds) {
    for (const char key : std::string(kind.first == "nullRead" ? "021" : "02")) {
      const std::string dir = workDir("_" + kind.first + key);
      const auto code = static_cast<std::uint32_t>(_wspawnl(_P_WAIT, self, L"host", L"crash", pathOf(kind.first).c_str(),
                                                            (L"\"" + pathOf(dir).wstring() + L"\"").c_str(), std::wstring(1, key).c_str(), nullptr));
      const std::string log = readFile(logPath(dir, "app_")), report = log.substr(std::min(log.find("[SYSLOG][★--FATAL--"), log.size()));
      const std::size_t end = log.size() - report.size() - 2, from = log.rfind('\n', end - 1) + 1;  // the line before it
      std::printf("== %s, LogCrashReport=%c: exit code %08X, the host's filter saw %s, after the line %s\n", kind.first.c_str(), key,
                  code, readFile(dir + "\\host_filter.txt").c_str(), key == '0' ? "-" : log.substr(from, end - from).c_str());
      std::smatch m, thread;
      std::string line;
      for (std::istringstream lines(report); std::getline(lines, line);) {  // the host's frames by function, what varies as #
        if (std::regex_search(line, m, std::regex("dll_host\\.exe\\+0x(\\w+)"))) {
          line = m.prefix().str() + "dll_host.exe!" + std::prev(functions.upper_bound(base + std::stoull(m[1], nullptr, 16)))->second + m.suffix().str();
        }
        std::printf("%s\n", std::regex_replace(std::regex_replace(line, std::regex("(\\+0x|in thread )\\w+"), "$1#"), std::regex(
            "minidump .*\\\\app_\\d{8}\\.crash-\\d{8}-\\d{6}-pid\\d+\\.dmp"), "minidump <dir>\\app_<date>.crash-<date>-<time>-pid<pid>.dmp").c_str());
      }
      if (!std::regex_search(report, m, std::regex("minidump (.+)\r\n$")) || !std::regex_search(report, thread, std::regex("in thread (\\d+)"))) continue;
      const std::string dump = readFile(m[1]);  // the exception stream its directory lists
      const auto* header = reinterpret_cast<const MINIDUMP_HEADER*>(dump.data());
      for (ULONG i = 0; dump.compare(0, 4, "MDMP") == 0 && i < header->NumberOfStreams; ++i) {
        const auto& entry = reinterpret_cast<const MINIDUMP_DIRECTORY*>(dump.data() + header->StreamDirectoryRva)[i];
        const auto* e = reinterpret_cast<const MINIDUMP_EXCEPTION_STREAM*>(dump.data() + entry.Location.Rva);
        if (entry.StreamType == ExceptionStream) std::printf("the minidump's exception: %08X in %s thread\n",
            static_cast<unsigned>(e->ExceptionRecord.ExceptionCode), std::to_string(e->ThreadId) == thread[1] ? "the report's" : "another");
      }
    }
  }
}

// Points the slot of the DLL's import address table that holds `name` of `from` at `to`.
bool redirect(HMODULE module, const wchar_t* from, const char* name, void* to) {
  void* real = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(from), name));
  auto* base = reinterpret_cast<BYTE*>(module);
  const IMAGE_DATA_DIRECTORY iat = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(
                                       base)->e_lfanew)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  void **slot = reinterpret_cast<void**>(base + iat.VirtualAddress), **end = slot + iat.Size / sizeof(void*);
  while (slot < end && *slot != real) ++slot;
  DWORD old = 0;
  return slot != end && VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old) && (*slot = to) != nullptr;
}

int main(int argc, char** argv) {
  HMODULE module = LoadLibraryW(L"corvelin_x64.dll");
  if (module == nullptr) return std::printf("LoadLibraryW: error %lu\n", GetLastError()), 2;
#define BIND(name)                                                                                    \
  dll.name = reinterpret_cast<decltype(dll.name)>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
  if (dll.name == nullptr) return std::printf("GetProcAddress: no %s\n", #name), 2;
  FUNCTIONS(BIND)
  if (!redirect(module, L"user32.dll", "MessageBoxW", reinterpret_cast<void*>(&recordBox)) ||
      !redirect(module, L"kernel32.dll", "OutputDebugStringW", reinterpret_cast<void*>(&recordDebug))) {
    return std::printf("an import to record is missing\n"), 2;
  }

  const Args args(argv + (argc > 2 ? 2 : argc), argv + argc);
  scenario = argc > 1 ? argv[1] : "";
  if (scenario == "sharing") sharing();
  else if (scenario == "other") otherProcess(args);
  else if (scenario == "system") systemServices();
  else if (scenario == "threads") threads(args);
  else if (scenario == "retention") retention();
  else if (scenario == "fs_faults") fsFaults(args);
  else if (scenario == "fs_held_series") heldSeries(args);
  else if (scenario == "fs_full_series") fullSeries(args);
  else if (scenario == "lnav") lnavSample();
  else if (scenario == "eventlog") eventLog(module, args);
  else if (scenario == "syslog") forwarding(args);
  else if (scenario == "crash") crashChild(args);
  else if (scenario == "crashes") crashes(args);
  else return std::printf("no scenario %s\n", scenario.c_str()), 2;
  std::printf("[%s] %s\n", scenario.c_str(), failures == 0 ? "passed" : "FAILED");
  return failures == 0 ? 0 : 1;
}
