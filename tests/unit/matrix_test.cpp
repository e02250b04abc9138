// Every exported function in every session state and with bad input: each
// case has one defined outcome, and none reads or writes outside a buffer
// (AddressSanitizer watches every case).
#include <corvelin.h>

#include <climits>
#include <functional>
#include <memory>

#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

// `n` non-zero bytes with nothing readable after them.
std::unique_ptr<unsigned char[]> unterminated(std::size_t n) {
  std::unique_ptr<unsigned char[]> p(new unsigned char[n]);
  for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<unsigned char>('A' + i % 26);
  return p;
}

// Every function but the start calls, logTerm and w32ResetErrCode, with `t`
// for each text, label, title and prefix; the result or 0.
std::vector<std::pair<const char*, std::function<long long()>>> writingCalls(const char* t) {
  return {{"_log", [t] { return _log(t), 0; }},
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
          {"getLastErr", [] { return static_cast<long long>(getLastErr()); }},
          {"w32ErrLog", [t] { return w32ErrLog(t, 1), 0; }},
          {"msgBox", [t] { return msgBox(t, t), 0; }},
          {"msgBoxOkCancel", [t] { return static_cast<long long>(msgBoxOkCancel(t, t)); }},
          {"profileTimeStart", [t] { return profileTimeStart(t), 0; }},
          {"profileTimeStop", [] { return profileTimeStop(), 0; }}};
}

const std::pair<const char*, std::function<void()>> kStates[] = {
    {"loaded", [] {}},
    {"after a failed start", [] { logInit("C:\\missing\\dir", "m_", 0, 0, 5, 0, 0); }},
    {"sleeping", [] { logInit("C:\\logs", "m_", 0, 0, 5, 1, 0); }},
    {"ended", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), logTerm(); }},
    {"ended twice", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), logTerm(), logTerm(); }},
    {"active", [] { logInit("C:\\logs", "m_", 0, 0, 5, 0, 0); }},
};

// Outside an active session no call writes, shows a box, returns non-zero or
// changes the host's last error, however long its arguments; the start calls
// are taken exactly where a session may still begin.
TEST(Matrix, EveryStateEveryFunction) {
  int silent = 0;
  for (const auto& [state, enter] : kStates) {
    const bool active = std::string(state) == "active";
    for (const std::string& arg : {std::string("x"), std::string(9000, 'x')}) {
      for (const auto& [name, call] : writingCalls(arg.c_str())) {
        if (active) continue;
        fake::reset();
        enter();
        const fake::World before = world();
        world().lastError = 2;
        EXPECT_EQ(call(), 0) << name << " " << state;
        EXPECT_EQ(world().files, before.files) << name << " " << state;
        EXPECT_EQ(world().boxes.size(), before.boxes.size()) << name << " " << state;
        EXPECT_EQ(world().lastError, 2u) << name << " " << state;
        ++silent;
      }
    }
    for (int byProfile = 0; byProfile < 2; ++byProfile) {
      fake::reset();
      world().profiles[u"C:\\p.ini"] = {{u"LogWritePathDir", u"C:\\logs"}};
      enter();
      const bool accepted = byProfile ? logInitProfile("C:\\p.ini") : logInit("C:\\logs", "m_", 0, 0, 5, 0, 0);
      EXPECT_EQ(accepted, std::string(state) == "loaded" || std::string(state) == "after a failed start") << state;
    }
    logTerm();
    w32ResetErrCode();
    EXPECT_EQ(world().lastError, 0u) << state;
  }
  EXPECT_EQ(silent, 5 * 2 * 19);
}

class BadInput : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    ASSERT_EQ(logInit("C:\\logs", "m_", 0, 0, 5, 0, 0), 1);
  }
};

// What each call leaves in the file of an active session.
TEST_F(BadInput, InAnActiveSession) {
  for (const auto& [name, call] : writingCalls(nullptr)) t.step(std::string(name) + "(null)", call);
  DO(logDumpRaw(nullptr, 5, "p"));
  DO(logDumpUTF8(nullptr, 0, "p"));
  DO(msgBox("t", nullptr));
  DO(msgBoxOkCancel(nullptr, "t"));
  DO(logInit(nullptr, nullptr, 0, 0, 0, 0, 0));
  DO(logInitProfile(nullptr));
  const char* invalid = "\xFF\xC3";
  t.alias(invalid, "invalid");
  for (const auto& [name, call] : writingCalls(invalid)) t.step(std::string(name) + "(invalid UTF-8)", call);
  const std::string s8190(8190, 's'), s8191(8191, 's'), s510(510, 'l'), s511(511, 'l');
  for (const std::string* s : {&s8190, &s8191, &s510, &s511}) {
    for (const auto& [name, call] : writingCalls(s->c_str())) {
      if (std::string(name).rfind("logDump", 0) == 0) continue;  // their text is dumped whole: below
      t.step(std::string(name) + "(" + std::to_string(s->size()) + " bytes)", call);
    }
  }
  DO(logDumpUTF8(s8191.c_str(), 0, "p"));
  DO(logDumpUTF8("a", 0, s511.c_str()));
  DO(logDumpRaw("a", 1, s511.c_str()));
  const auto hex8191 = unterminated(8191), raw8191 = unterminated(8191), hex100 = unterminated(100);
  DO(logPutHex(hex8191.get(), 8191, 0, 80));
  DO(logDumpRaw(raw8191.get(), 8191, "p"));
  DO(logPutHex(hex100.get(), 100, 0, 50));
  for (std::int32_t count : {9, 81, INT_MIN, INT_MAX}) {
    t.step("newLineCnt " + std::to_string(count), [&] { logPut("x", 1, 1, count), logPutHex("x", 1, 1, count); });
  }
  DO(logPut("", INT_MIN, 1, 10));
  DO(logPutHex("x", INT_MIN, 0, 10));
  DO(logDumpRaw("ab", INT_MAX, "p"));
  DO(profileTimeStart(std::string(129, 'p').c_str()));
}

}  // namespace
}  // namespace corvelin::testing_support
