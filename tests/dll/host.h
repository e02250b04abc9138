// A Windows test host for corvelin_x64.dll: it loads the DLL the way a host
// in another language would (LoadLibraryW and GetProcAddress), records the
// message boxes of the DLL by redirecting its import of MessageBoxW, and runs
// one scenario per process, named on the command line.
#pragma once

#include <windows.h>

#include <corvelin.h>

#include <cstdio>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace host {

#define HOST_FUNCTIONS(X)                                                                                      \
  X(logInit) X(logInitProfile) X(logTerm) X(_log) X(logDebug) X(logInfo) X(logWarning) X(logError)            \
  X(logCritical) X(logPut) X(logPutHex) X(logDumpRaw) X(logDumpUTF8) X(makeBitStringUSHORT16)                 \
  X(makeBitStringUINT32) X(makeBitStringUnicodeScalarValue) X(w32ResetErrCode) X(getLastErr) X(w32ErrLog)     \
  X(msgBox) X(msgBoxOkCancel) X(profileTimeStart) X(profileTimeStop)

struct Api {
  HMODULE dll = nullptr;
#define HOST_SLOT(name) decltype(&::name) name = nullptr;
  HOST_FUNCTIONS(HOST_SLOT)
#undef HOST_SLOT
};

// Loads the DLL, resolves every function of Api (a missing one fails the
// scenario) and starts recording its boxes.
const Api& api();

struct Box {
  std::wstring text;
  std::wstring caption;
  UINT type;
  bool operator==(const Box& o) const { return text == o.text && caption == o.caption && type == o.type; }
};
// Boxes the DLL has shown so far (the recorder returns `boxAnswer`).
std::vector<Box>& boxes();
extern int boxAnswer;
// Runs inside the recorder, while the box would be open.
extern std::function<void()> onBox;

// Check helpers: a failed check is printed and fails the scenario.
void fail(const char* file, int line, const std::string& what);
std::string show(const std::string& s);
std::string show(const std::wstring& s);
std::string show(const std::vector<Box>& list);
template <class T, class = std::enable_if_t<std::is_arithmetic_v<T>>>
std::string show(T v) {
  return std::to_string(static_cast<long long>(v));
}
template <class A, class B>
bool same(const A& a, const B& b) {
  if constexpr (std::is_arithmetic_v<A> && std::is_arithmetic_v<B>) {
    return static_cast<long long>(a) == static_cast<long long>(b);
  } else {
    return a == b;
  }
}
#define HOST_CHECK(cond) \
  do { \
    if (!(cond)) host::fail(__FILE__, __LINE__, #cond); \
  } while (0)
#define HOST_CHECK_EQ(actual, expected) \
  do { \
    const auto& a_ = (actual); \
    const auto& e_ = (expected); \
    if (!host::same(a_, e_)) \
      host::fail(__FILE__, __LINE__, \
                 std::string(#actual) + "\n    actual:   " + host::show(a_) + "\n    expected: " + host::show(e_)); \
  } while (0)
#define HOST_CHECK_BOXES(...) HOST_CHECK_EQ(host::boxes(), std::vector<host::Box>(__VA_ARGS__))

// A fresh, empty folder for the scenario (absolute path, no trailing '\').
std::wstring workDir();
std::string readFile(const std::wstring& path);  // "<missing file>" when it cannot be read
bool fileExists(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);
// The bytes of tests/golden/<name>, shared with the unit tests.
std::string golden(const std::string& name);
// Today's local date as YYYYMMDD.
std::wstring today();
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// The system's text for an error code without its trailing CR LF.
std::wstring systemText(DWORD code);

// Starts a session in workDir() with the given arguments (it must start);
// returns the path of the day's log.
std::wstring startLog(const char* prefix, std::int32_t writeFlg, std::int32_t crLf = 0, std::int32_t outputLevel = 5,
                      std::int32_t sleep = 0, std::int32_t bom = 0);
// The start and end banners of prefix around `body`; `shown` is what the
// start banner names (the file, or the directory when appending).
std::string banners(const std::string& prefix, const std::wstring& shown, const std::string& body = "",
                    const std::string& end = "\r\n");

// Runs this program again with the given arguments; returns its handle.
HANDLE spawnSelf(const std::wstring& arguments);

struct Scenario {
  const char* name;
  std::function<void(const std::vector<std::string>& args)> run;
};
// Every scenario of the program; main() in host.cpp dispatches on argv[1].
// Names that start with "child_" are roles that scenarios start in a second
// process; the others are tests of their own.
const std::vector<Scenario>& scenarios();
const std::vector<Scenario>& sessionScenarios();
const std::vector<Scenario>& recordScenarios();
const std::vector<Scenario>& dumpScenarios();
const std::vector<Scenario>& concurrencyScenarios();
const std::vector<Scenario>& faultScenarios();
const std::vector<Scenario>& diagScenarios();

// Splits a log text into lines, each with its own line ending.
std::vector<std::string> lines(const std::string& text);
// Checks that `line` is `head`, a count of seconds with six decimals, then
// `tail`; gives the seconds (-1 when the line has another shape).
double secondsIn(const std::string& line, const std::string& head, const std::string& tail, const char* file,
                 int where);
#define HOST_SECONDS(line, head, tail) host::secondsIn(line, head, tail, __FILE__, __LINE__)

}  // namespace host
