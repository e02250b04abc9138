// corvelin.hpp natively, where the DLL cannot go: its std::format records, wide printf arguments, C++20 texts and
// paths, and what a Session that did not start says. The C and kernel32 functions it calls are defined here.
#include <corvelin.hpp>

#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#ifndef CORVELIN_HAS_FORMAT
#error "no usable <format>: the test would check nothing"
#endif

static std::vector<std::string> calls;
#define CAPTURE(name) extern "C" void name(const char* text) { calls.push_back(std::string(#name " ") + text); }
CAPTURE(_log) CAPTURE(logDebug) CAPTURE(logInfo) CAPTURE(logWarning) CAPTURE(logError) CAPTURE(logCritical)
static unsigned long lastError = 0, startError = 0;  // what the next start leaves; 0: it starts
extern "C" uint8_t logInit(const char* dir, const char* prefix, int32_t, int32_t, int32_t, int32_t, int32_t) {
  calls.push_back(std::string("logInit ") + dir + "|" + prefix);
  lastError = startError;
  return startError == 0;
}
extern "C" uint8_t logInitProfile(const char* path) { return logInit(path, "", 0, 0, 0, 0, 0); }
extern "C" void logTerm() { calls.push_back("logTerm"); }
extern "C" unsigned long GetLastError() { return lastError; }
extern "C" unsigned long FormatMessageW(unsigned long flags, const void*, unsigned long code, unsigned long language,
                                       wchar_t* out, unsigned long size, std::va_list*) {
  const std::wstring text = code == 3 && flags == 0x1200 && language == 0x400 ? L"Pfad \u00fcbel.\r\n" : L"";
  return text.size() < size ? std::wcscpy(out, text.c_str()), text.size() : 0;
}

// The session a start makes: its error, its text, and what the library was given.
static void started(const corvelin::Session& s) {
  calls.push_back((s ? "started " : "refused ") + std::to_string(s.error()) + " " + s.errorText());
}

int main() {
  using namespace corvelin;
  const std::string x8189(8189, 'x'), y8191(8191, 'y'), n8187(8187, 'n');
  std::string a2730;
  for (int i = 0; i < 2730; ++i) a2730 += "\xE3\x81\x82";
  log("{} files", 3);
  debug("{:>4}|{:.2f}", "ab", 2.5);
  info("{}{}", x8189, 'z');                   // 8190 bytes: the stack buffer, full
  warning("{}", y8191);                       // 8191: whole, for the library's size report
  error("a{}b{}", '\0', n8187);               // 8191 once the zero is E2 90 80
  critical("{}", "{}");
  info("{}");                                 // no argument: the text as it is
  info(L"\U0001F600\xD83D\xDE00");            // 32-bit wchar_t: surrogates are no characters
  // Wide printf arguments arrive as UTF-8, whatever the runtime's locale; widths and precisions count bytes.
  infof("%ls|%lc%lc|%S%C", L"J\u00fcrgen \u65e5\u672c", L'\u00e9', static_cast<wint_t>(0xD800), L"\u3042", L'x');
  infof("[%6ls|%-6ls|%.4ls|%.2ls|%*ls|%-*.*ls|%ls]", L"\u00e4b", L"\u00e4b", L"\u65e5\u672c", L"\u65e5", -3, L"w",
        6, 3, L"\u65e5\u672c", static_cast<const wchar_t*>(nullptr));
  infof("%d %+05d %-3i| %#x %lu %lld %hhd %jd %zu %td %5.1f %Lg %c %% %s %.2s %*d %ls", -7, 42, 1, 255, 4000000000UL,
        -1LL << 40, 300, INTMAX_MIN, sizeof(int), static_cast<ptrdiff_t>(-2), 2.25, 1.5L, 'c', "narrow", "abc", 4, 9,
        L"\u00e9");
  infof("%ls%c", std::wstring(2730, L'\u3042').c_str(), 0);  // 8193 bytes, the zero as E2 90 80
  int count = 0;
  infof("%ls%n", L"x", &count);                            // a conversion the header does not know: the format
  infof("%*ls", INT_MIN, L"x");                            // a field printf cannot count: the format
  // C++20 texts and paths.
  info(u8"\u65e5\u672c\u8a9e");
  warning(std::u8string(u8"\u00e9"));
  error(std::u8string_view(u8"view"));
  criticalf(u8"%d \u4ef6", 3);
  const int line = __LINE__; CORVELIN_LOGF(u8"%s", "macro");
  debug(std::filesystem::path("logs/app"));
  // Start arguments the library would change are refused; a refused start says why.
  const std::wstring lone(1, static_cast<wchar_t>(0xDC00));
  for (const char* bad : {"\xC3(", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3"}) started(Session(bad, "p", 0, 0, 5, 0, 0));
  started(Session(L"dir", lone, 0, 0, 5, 0, 0));
  started(Session(std::string_view("a\0b", 3), "p", 0, 0, 5, 0, 0));
  started(Session(static_cast<const char*>(nullptr), "p", 0, 0, 5, 0, 0));
  started(Session::fromProfile(static_cast<const wchar_t*>(nullptr)));
  startError = 3;
  started(Session(std::filesystem::path("C:/\u00e9\U0001F600"), u8"\u65e5_", 0, 0, 5, 0, 0));
  startError = 1247;
  started(Session::fromProfile("app.ini"));
  startError = 0;
  {
    Session s("C:/logs", "p", 0, 0, 5, 0, 0);
    Session moved(std::move(s));
    started(s), started(moved);
  }
  const std::vector<std::string> want = {"_log 3 files", "logDebug   ab|2.50", "logInfo " + x8189 + "z",
      "logWarning " + y8191, "logError a\xE2\x90\x80" "b" + n8187, "logCritical {}", "logInfo {}",
      "logInfo \xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD",
      "logInfo J\xC3\xBCrgen \xE6\x97\xA5\xE6\x9C\xAC|\xC3\xA9\xEF\xBF\xBD|\xE3\x81\x82x",
      "logInfo [   \xC3\xA4" "b|\xC3\xA4" "b   |\xE6\x97\xA5||w  |\xE6\x97\xA5   |(null)]",
      "logInfo -7 +0042 1  | 0xff 4000000000 -1099511627776 44 -9223372036854775808 4 -2   2.2 1.5 c % narrow ab    9 "
      "\xC3\xA9",
      "logInfo " + a2730 + "\xE2\x90\x80", "logInfo %ls%n", "logInfo %*ls",
      "logInfo \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "logWarning \xC3\xA9", "logError view",
      "logCritical 3 \xE4\xBB\xB6", "_log [format_test.cpp:" + std::to_string(line) + "] macro",
      "logDebug logs/app", "refused 123 ", "refused 123 ", "refused 123 ", "refused 123 ", "refused 123 ",
      "refused 123 ", "refused 123 ", "refused 87 ", "refused 87 ", "logInit C:/\xC3\xA9\xF0\x9F\x98\x80|\xE6\x97\xA5_",
      "refused 3 Pfad \xC3\xBC" "bel.", "logInit app.ini|", "refused 1247 ", "logInit C:/logs|p", "refused 0 ",
      "started 0 ", "logTerm"};
  if (calls == want) return std::puts("ok"), 0;
  for (std::size_t i = 0; i < calls.size() || i < want.size(); ++i) {
    const std::string got = i < calls.size() ? calls[i] : "<none>", wanted = i < want.size() ? want[i] : "<none>";
    if (got != wanted) std::printf("%zu: got  %.120s (%zu bytes)\n   want %.120s\n", i, got.c_str(), got.size(), wanted.c_str());
  }
  return 1;
}
