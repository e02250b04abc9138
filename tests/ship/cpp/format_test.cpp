// corvelin.hpp's std::format records, natively: the C functions it calls are defined here and record their texts.
#include <corvelin.hpp>

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

int main() {
  using namespace corvelin;
  const std::string x8189(8189, 'x'), y8191(8191, 'y'), n8187(8187, 'n');
  log("{} files", 3);
  debug("{:>4}|{:.2f}", "ab", 2.5);
  info("{}{}", x8189, 'z');                   // 8190 bytes: the stack buffer, full
  warning("{}", y8191);                       // 8191: whole, for the library's size report
  error("a{}b{}", '\0', n8187);               // 8191 once the zero is E2 90 80
  critical("{}", "{}");
  info("{}");                                 // no argument: the text as it is
  infof("%lc", static_cast<wint_t>(0xD800));  // glibc cannot format it: the format
  info(L"\U0001F600\xD83D\xDE00");            // 32-bit wchar_t: surrogates are no characters
  const std::vector<std::string> want = {"_log 3 files", "logDebug   ab|2.50", "logInfo " + x8189 + "z",
      "logWarning " + y8191, "logError a\xE2\x90\x80" "b" + n8187, "logCritical {}", "logInfo {}", "logInfo %lc",
      "logInfo \xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD"};
  if (calls == want) return std::puts("ok"), 0;
  for (const std::string& call : calls) std::printf("got %.70s (%zu bytes)\n", call.c_str(), call.size());
  return 1;
}
