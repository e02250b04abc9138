// Every exported function against bad input and every session state: each
// case has one defined outcome, and none reads or writes outside a buffer
// (AddressSanitizer watches every case).
#include <corvelin.h>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "session/session.h"

namespace corvelin {
namespace {

using fake::world;

const char* const kPath = "C:\\logs\\m_20261205.log";
std::string logFile() { return fake::fileText(fake::u16(kPath)); }

// A byte buffer of `n` non-zero bytes with nothing readable after it.
std::unique_ptr<unsigned char[]> unterminated(std::size_t n) {
  std::unique_ptr<unsigned char[]> p(new unsigned char[n]);
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>('A' + i % 26);
  return p;
}

struct Call {
  const char* name;
  std::function<std::int64_t()> run;  // the result, or 0 for functions without one
};

// Every function but the start calls, logTerm and w32ResetErrCode, with `s`
// for each text, label, title and prefix.
std::vector<Call> everyWritingCall(const std::string& s) {
  const char* t = s.c_str();
  return {
      {"_log", [t] { return _log(t), 0; }},
      {"logDebug", [t] { return logDebug(t), 0; }},
      {"logInfo", [t] { return logInfo(t), 0; }},
      {"logWarning", [t] { return logWarning(t), 0; }},
      {"logError", [t] { return logError(t), 0; }},
      {"logCritical", [t] { return logCritical(t), 0; }},
      {"logPut", [t] { return logPut(t, 1, 1, 10), 0; }},
      {"logPutHex", [t] { return logPutHex(t, 1, 1, 10), 0; }},
      {"logDumpRaw", [t] { return logDumpRaw(t, 1, t), 0; }},
      {"logDumpUTF8", [t] { return logDumpUTF8(t, 1, t), 0; }},
      {"makeBitStringUSHORT16", [t] { return makeBitStringUSHORT16(1, t), 0; }},
      {"makeBitStringUINT32", [t] { return makeBitStringUINT32(1, t), 0; }},
      {"makeBitStringUnicodeScalarValue", [t] { return makeBitStringUnicodeScalarValue(0x41, t), 0; }},
      {"getLastErr", [] { return static_cast<std::int64_t>(getLastErr()); }},
      {"w32ErrLog", [t] { return w32ErrLog(t, 1), 0; }},
      {"msgBox", [t] { return msgBox(t, t), 0; }},
      {"msgBoxOkCancel", [t] { return static_cast<std::int64_t>(msgBoxOkCancel(t, t)); }},
      {"profileTimeStart", [t] { return profileTimeStart(t), 0; }},
      {"profileTimeStop", [] { return profileTimeStop(), 0; }},
  };
}

struct State {
  const char* name;
  std::function<void()> enter;
  bool startAccepted;
};

// Every state a session can be in; all but "active" are silent.
const State kStates[] = {
    {"loaded", [] {}, true},
    {"after a failed start", [] { logInit("C:\\missing\\dir", "m_", 0, 0, 5, 0, 0); }, true},
    {"active", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0); }, false},
    {"sleeping", [] { logInit("C:\\logs", "m_", 0, 0, 5, 1, 0); }, false},
    {"ended", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), logTerm(); }, false},
    {"ended twice", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), logTerm(), logTerm(); }, false},
};

class Matrix : public testing::Test {
 protected:
  void SetUp() override { fresh(); }
  void TearDown() override { sessionResetToLoad(); }
  static void fresh() {
    fake::reset();
    fake::addDir(u"C:\\logs");
    world().lastError = 2;
    world().boxResult = 1;
  }
};

// Outside an active session no call writes, shows a box, returns non-zero
// or changes the host's last error, however long its arguments.
TEST_F(Matrix, NoActiveSessionNoEffect) {
  int cases = 0;
  for (const State& state : kStates) {
    if (std::string(state.name) == "active") continue;
    for (const std::string& arg : {std::string("x"), std::string(9000, 'x')}) {
      for (const Call& call : everyWritingCall(arg)) {
        fresh();
        state.enter();
        const std::string file = logFile();
        const std::size_t boxes = world().boxes.size();
        const std::uint32_t hostError = world().lastError;
        EXPECT_EQ(call.run(), 0) << call.name << " " << state.name;
        EXPECT_EQ(logFile(), file) << call.name << " " << state.name;
        EXPECT_EQ(world().boxes.size(), boxes) << call.name << " " << state.name;
        EXPECT_EQ(world().lastError, hostError) << call.name << " " << state.name;
        ++cases;
      }
    }
    // The end call only ever closes; the error reset works in every state.
    logTerm();
    w32ResetErrCode();
    EXPECT_EQ(world().lastError, 0u) << state.name;
  }
  EXPECT_EQ(cases, 5 * 2 * 19);
}

TEST_F(Matrix, StartCallsInEveryState) {
  for (const State& state : kStates) {
    for (int profile = 0; profile < 2; ++profile) {
      fresh();
      world().profiles[u"C:\\p.ini"] = u"[Halvix]\nLogWritePathDir=C:\\logs\nLogFileNamePrefix=m_\n";
      state.enter();
      const std::uint8_t r = profile ? logInitProfile("C:\\p.ini") : logInit("C:\\logs", "m_", 0, 0, 5, 0, 0);
      EXPECT_EQ(r, state.startAccepted ? 1 : 0) << state.name << (profile ? " logInitProfile" : " logInit");
    }
  }
}

// Bad input while a session is active: what each call leaves in the file.
TEST_F(Matrix, BadInputInAnActiveSession) {
  const std::string s8190(8190, 's'), s8191(8191, 's'), s510(510, 'l'), s511(511, 'l'), s129(129, 'p');
  const auto hex8191 = unterminated(8191);
  const auto hex100 = unterminated(100);
  const auto raw8190 = unterminated(8190);
  const auto raw8191 = unterminated(8191);
  const std::string err = "[SYSLOG][■--ERROR--■] ";
  auto size = [&](const char* fn, int max, long n) {
    return err + "bufSizCheck_U8() file,func=corvelin.cpp " + fn + "() maxSize=" + std::to_string(max) +
           " < dataSize=" + std::to_string(n) + "\r\n";
  };
  const struct {
    const char* name;
    std::function<std::int64_t()> run;
    std::string written;
    std::int64_t result;
  } cases[] = {
      // Null pointers: the call does nothing.
      {"_log(null)", [] { return _log(nullptr), 0; }, "", 0},
      {"logCritical(null)", [] { return logCritical(nullptr), 0; }, "", 0},
      {"logPut(null)", [] { return logPut(nullptr, 5, 1, 10), 0; }, "", 0},
      {"logPutHex(null)", [] { return logPutHex(nullptr, 5, 1, 10), 0; }, "", 0},
      {"logDumpRaw(null data)", [] { return logDumpRaw(nullptr, 5, "p"), 0; }, "", 0},
      {"logDumpRaw(null prefix)", [] { return logDumpRaw("abc", 3, nullptr), 0; }, "", 0},
      {"logDumpUTF8(null text)", [] { return logDumpUTF8(nullptr, 0, "p"), 0; }, "", 0},
      {"logDumpUTF8(null prefix)", [] { return logDumpUTF8("abc", 0, nullptr), 0; }, "", 0},
      {"makeBitStringUSHORT16(null)", [] { return makeBitStringUSHORT16(1, nullptr), 0; }, "", 0},
      {"makeBitStringUINT32(null)", [] { return makeBitStringUINT32(1, nullptr), 0; }, "", 0},
      {"makeBitStringUnicodeScalarValue(null)", [] { return makeBitStringUnicodeScalarValue(1, nullptr), 0; }, "", 0},
      {"w32ErrLog(null)", [] { return w32ErrLog(nullptr, 1), 0; }, "", 0},
      {"msgBox(null text)", [] { return msgBox(nullptr, "t"), 0; }, "", 0},
      {"msgBox(null title)", [] { return msgBox("t", nullptr), 0; }, "", 0},
      {"msgBoxOkCancel(null)", [] { return static_cast<std::int64_t>(msgBoxOkCancel(nullptr, nullptr)); }, "", 0},
      {"profileTimeStart(null)", [] { return profileTimeStart(nullptr), 0; }, "", 0},
      {"logInit(null) while active", [] { return static_cast<std::int64_t>(logInit(nullptr, nullptr, 0, 0, 0, 0, 0)); }, "", 0},
      {"logInitProfile(null) while active", [] { return static_cast<std::int64_t>(logInitProfile(nullptr)); }, "", 0},
      // Invalid UTF-8 is written as it is where text is copied, reported where it is parsed.
      {"logInfo(invalid)", [] { return logInfo("\xFF\xC3"), 0; }, "[\xFF\xC3]\r\n", 0},
      {"logPut(invalid)", [] { return logPut("\xC0", 1, 0, 10), 0; },
       "\r\n" + err + "logPut() UTF8文字解析エラー、UTF8文字列が不正です\r\n\r\n", 0},
      {"logDumpUTF8(invalid)", [] { return logDumpUTF8("\xBF", 0, "p"), 0; }, "", 0},
      {"msgBox(invalid)", [] { return msgBox("\xFF", "\xC3"), 0; }, "", 0},
      // Lengths at the limit and one past.
      {"_log(8191)", [&] { return _log(s8191.c_str()), 0; }, size("_log", 8190, 8191), 0},
      {"logDebug(8191)", [&] { return logDebug(s8191.c_str()), 0; }, size("logDebug", 8190, 8191), 0},
      {"logInfo(8191)", [&] { return logInfo(s8191.c_str()), 0; }, size("logInfo", 8190, 8191), 0},
      {"logWarning(8191)", [&] { return logWarning(s8191.c_str()), 0; }, size("logWarning", 8190, 8191), 0},
      {"logError(8191)", [&] { return logError(s8191.c_str()), 0; }, size("logError", 8190, 8191), 0},
      {"logCritical(8191)", [&] { return logCritical(s8191.c_str()), 0; }, size("logCritical", 8190, 8191), 0},
      {"logPut(8191)", [&] { return logPut(s8191.c_str(), 0, 0, 80), 0; }, size("logPut", 8190, 8191), 0},
      {"logDumpUTF8(8191)", [&] { return logDumpUTF8(s8191.c_str(), 0, "p"), 0; }, size("logDumpUTF8", 8190, 8191), 0},
      {"logDumpUTF8(prefix 511)", [&] { return logDumpUTF8("a", 0, s511.c_str()), 0; }, size("logDumpUTF8", 510, 511), 0},
      {"logDumpRaw(prefix 511)", [&] { return logDumpRaw("a", 1, s511.c_str()), 0; }, size("logDumpRaw", 510, 511), 0},
      {"makeBitStringUINT32(511)", [&] { return makeBitStringUINT32(1, s511.c_str()), 0; },
       size("makeBitStringUINT32", 510, 511), 0},
      {"w32ErrLog(511)", [&] { return w32ErrLog(s511.c_str(), 1), 0; }, size("w32ErrLog", 510, 511), 0},
      {"msgBox(title 511)", [&] { return msgBox("t", s511.c_str()), 0; }, size("msgBox", 510, 511), 0},
      {"msgBoxOkCancel(text 511)", [&] { return static_cast<std::int64_t>(msgBoxOkCancel(s511.c_str(), "t")); },
       size("msgBoxOkCancel", 510, 511), 0},
      {"profileTimeStart(511)", [&] { return profileTimeStart(s511.c_str()), 0; }, size("profileTimeStart", 510, 511), 0},
      {"profileTimeStart(129)", [&] { return profileTimeStart(s129.c_str()), 0; },
       err + "profileTimeStart() prefix文字列は128バイトまでです。バッファオーバサイズエラー\r\n", 0},
      // Byte buffers with no zero byte that end where their allocation ends.
      {"logPutHex(8191 unterminated)", [&] { return logPutHex(hex8191.get(), 8191, 0, 80), 0; },
       size("logPutHex", 8190, 8191), 0},
      {"logDumpRaw(8191 unterminated)", [&] { return logDumpRaw(raw8191.get(), 8191, "p"), 0; },
       size("logDumpRaw", 8190, 8191), 0},
      // Negative and huge counts.
      {"logPut(newLineCnt 9)", [] { return logPut("x", 1, 1, 9), 0; }, err + "logPut() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPut(newLineCnt 81)", [] { return logPut("x", 1, 1, 81), 0; }, err + "logPut() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPutHex(newLineCnt 9)", [] { return logPutHex("x", 1, 1, 9), 0; }, err + "logPutHex() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPutHex(newLineCnt 81)", [] { return logPutHex("x", 1, 1, 81), 0; }, err + "logPutHex() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPut(newLineCnt INT_MIN)", [] { return logPut("x", 1, 1, INT_MIN), 0; },
       err + "logPut() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPutHex(newLineCnt INT_MAX)", [] { return logPutHex("x", 1, 1, INT_MAX), 0; },
       err + "logPutHex() newLineCnt は 10-80の間で有効です\r\n", 0},
      {"logPut(len INT_MIN)", [] { return logPut("", INT_MIN, 1, 10), 0; },
       "---------- logPut-start len=-2147483648\r\n\r\n---------- logPut-end!!\r\n", 0},
      {"logPutHex(len INT_MIN)", [] { return logPutHex("x", INT_MIN, 0, 10), 0; }, "\r\n\r\n", 0},
      {"logDumpRaw(size INT_MAX)", [] { return logDumpRaw("ab", INT_MAX, "p"), 0; },
       size("logDumpRaw", 8190, INT_MAX), 0},
      {"makeBitStringUnicodeScalarValue(FFFFFFFF)", [] { return makeBitStringUnicodeScalarValue(0xFFFFFFFFu, "x"), 0; },
       err + "makeBitStringUnicodeScalarValue() scalar値がUNICODE文字の範囲外 0 - 0x10FFFF Your Data=0xffffffff\r\n", 0},
  };
  int count = 0;
  for (const auto& c : cases) {
    fresh();
    ASSERT_EQ(logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), 1);
    const std::string before = logFile();
    const std::size_t boxes = world().boxes.size();
    EXPECT_EQ(c.run(), c.result) << c.name;
    EXPECT_EQ(logFile().substr(before.size()), c.written) << c.name;
    const bool boxExpected = std::string(c.name) == "msgBox(invalid)";
    EXPECT_EQ(world().boxes.size(), boxes + (boxExpected ? 1 : 0)) << c.name;
    ++count;
  }
  // An invalid text and title show as empty ones; the long unterminated
  // buffers of the limit were read only within their length.
  fresh();
  ASSERT_EQ(logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), 1);
  logPutHex(hex100.get(), 100, 0, 50);
  logDumpRaw(raw8190.get(), 8190, "p");
  EXPECT_GT(logFile().size(), 8190u * 5);
  EXPECT_EQ(count, 50);
}

}  // namespace
}  // namespace corvelin
