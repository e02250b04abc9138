// Every part of corvelin.hpp through the real DLL, built as C++20 beside <windows.h>; its log (LF endings, no time
// prefix) is compared whole with expected.log.
#include <corvelin.hpp>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

static int failures = 0;
#define CHECK(what) ((what) ? (void)0 : (void)(std::printf("cpp_host: failed: %s\n", #what), ++failures))

int main() {
  using namespace corvelin;
  CHECK(!Session(std::string_view(".\\cpp-logs\0x", 12), "cpp_", 0, 1, 5, 0, 0));  // a zero in a path
  CHECK(Session(L".\\cpp-logs\xD83D", L"cpp_", 0, 1, 5, 0, 0).error() == ERROR_INVALID_NAME);  // half a pair
  const Session missing(".\\no\\such", "cpp_", 0, 1, 5, 0, 0);  // the library's reason, and the system's text
  CHECK(!missing && missing.error() == ERROR_PATH_NOT_FOUND && !missing.errorText().empty());
  Session held;
  {
    Session first(std::filesystem::path(L".\\cpp-logs"), u8"cpp_", 0, 1, 5, 0, 0);
    CHECK(first.ok());
    // Refused starts are false, and their objects end nothing as they go.
    CHECK(Session(".\\cpp-logs", "again_", 0, 1, 5, 0, 0).error() == ERROR_ALREADY_INITIALIZED);
    CHECK(!Session::fromProfile(".\\corvelin.ini"));

    log("narrow text, 100% as it is");
    debug(std::string("std::string"));
    info(L"wide: \u00e9\u3042\U0001F600 \x7ff \x800 \xffff \U00010000 \U0010FFFF");
    warning(std::wstring_view(L"lone surrogates: [\xDC00] [\xD800\xDC00", 23));  // the view ends on D800
    error(std::string_view("interior\0zero", 13));
    critical(std::wstring_view(L"wide\0zero", 9));
    log(std::string(8186, 'a'));         // the longest text that fits a line with [ ] and LF
    log(std::string(8190, 'b'));         // within the limit, but no line that long is written
    log(std::string(8191, 'c'));         // the size report, dataSize=8191
    warning(std::wstring(2731, L'\u3042'));  // 8193 bytes once converted
    logf("%d files in %s", 3, "logs");
    debugf("%zu bytes", sizeof(std::uint32_t));
    infof("%s, %s", "UTF-8 \u00e9\u3042", "narrow");
    infof("%ls|%-5ls|%lc", L"J\u00fcrgen \u65e5\u672c\u8a9e \U0001F600", L"\u00e9", L'\u3042');  // MinGW's runtime
    info(u8"char8_t: \u00e9\u3042");
    warningf("%s", std::string(8191, 'd').c_str());
    errorf("%c", '\0');
    criticalf("%05.1f%%", 12.34);
    CORVELIN_LOG("macro");
    CORVELIN_DEBUG(L"wide macro");
    CORVELIN_INFO(std::string_view("zero\0", 5));
    CORVELIN_WARNINGF("%d", 42);
    CORVELIN_ERRORF("plain");
    CORVELIN_CRITICALF("%s", std::string(8200, 'e').c_str());

    Session second(std::move(first));
    held = std::move(second);
    CHECK(!first && !second && held);
  }
  info("after the moved-from sessions went");
  held = Session();  // ends the session it held
  info("after the end");
  CHECK(!held);
  return failures;
}
