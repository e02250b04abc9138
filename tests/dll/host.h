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

struct Api {
  HMODULE dll = nullptr;
  decltype(&::logInit) logInit = nullptr;
  decltype(&::logInitProfile) logInitProfile = nullptr;
  decltype(&::logTerm) logTerm = nullptr;
  decltype(&::_log) log = nullptr;
  decltype(&::logDebug) logDebug = nullptr;
  decltype(&::logInfo) logInfo = nullptr;
  decltype(&::logWarning) logWarning = nullptr;
  decltype(&::logError) logError = nullptr;
  decltype(&::logCritical) logCritical = nullptr;
  decltype(&::logPut) logPut = nullptr;
  decltype(&::logPutHex) logPutHex = nullptr;
  decltype(&::logDumpRaw) logDumpRaw = nullptr;
  decltype(&::logDumpUTF8) logDumpUTF8 = nullptr;
  decltype(&::makeBitStringUSHORT16) makeBitStringUSHORT16 = nullptr;
  decltype(&::makeBitStringUINT32) makeBitStringUINT32 = nullptr;
  decltype(&::makeBitStringUnicodeScalarValue) makeBitStringUnicodeScalarValue = nullptr;
  decltype(&::w32ResetErrCode) w32ResetErrCode = nullptr;
  decltype(&::getLastErr) getLastErr = nullptr;
  decltype(&::w32ErrLog) w32ErrLog = nullptr;
  decltype(&::msgBox) msgBox = nullptr;
  decltype(&::msgBoxOkCancel) msgBoxOkCancel = nullptr;
  decltype(&::profileTimeStart) profileTimeStart = nullptr;
  decltype(&::profileTimeStop) profileTimeStop = nullptr;
};

// Loads the DLL, resolves every function of Api (a missing one fails the
// scenario) and starts recording its boxes.
const Api& api();
FARPROC resolve(const char* name);

struct Box {
  std::wstring text;
  std::wstring caption;
  UINT type;
};
// Boxes the DLL has shown so far (the recorder returns `boxAnswer`).
std::vector<Box>& boxes();
extern int boxAnswer;
// Runs inside the recorder, while the box would be open.
extern std::function<void()> onBox;

// Check helpers: a failed check is printed and fails the scenario.
void fail(const char* file, int line, const std::string& what);
#define HOST_CHECK(cond) \
  do { \
    if (!(cond)) host::fail(__FILE__, __LINE__, #cond); \
  } while (0)
#define HOST_CHECK_EQ(actual, expected) \
  do { \
    const auto& a_ = (actual); \
    const auto& e_ = (expected); \
    if (!host::same(a_, e_)) host::fail(__FILE__, __LINE__, host::describe(#actual, a_, e_)); \
  } while (0)

std::string describe(const char* what, const std::string& actual, const std::string& expected);
std::string describe(const char* what, const std::wstring& actual, const std::wstring& expected);
std::string describe(const char* what, long long actual, long long expected);
template <class A, class B, class = std::enable_if_t<std::is_arithmetic_v<A> && std::is_arithmetic_v<B>>>
std::string describe(const char* what, const A& actual, const B& expected) {
  return describe(what, static_cast<long long>(actual), static_cast<long long>(expected));
}
template <class A, class B>
bool same(const A& a, const B& b) {
  if constexpr (std::is_arithmetic_v<A> && std::is_arithmetic_v<B>) {
    return static_cast<long long>(a) == static_cast<long long>(b);
  } else {
    return a == b;
  }
}
void checkBoxes(const std::vector<Box>& expected, const char* file, int line);
#define HOST_CHECK_BOXES(...) host::checkBoxes(__VA_ARGS__, __FILE__, __LINE__)

// A fresh, empty folder for the scenario (absolute path, no trailing '\').
std::wstring workDir();
std::string readFile(const std::wstring& path);
bool fileExists(const std::wstring& path);
void writeFile(const std::wstring& path, const std::string& bytes);
// Today's local date as YYYYMMDD.
std::wstring today();
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);
// The system's text for an error code without its trailing CR LF.
std::wstring systemText(DWORD code);

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
// Reads a fixed-point number with six decimals at `pos`; advances `pos`.
bool readSeconds(const std::string& line, std::size_t& pos, double& value);

}  // namespace host
