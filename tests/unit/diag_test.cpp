// Bit tables, Win32 error lines, message boxes and elapsed time.
#include <corvelin.h>

#include <chrono>
#include <cstring>
#include <future>

#include "bits/bittable.h"
#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;
constexpr std::int64_t kTicksPerMs = 10000;

class Diag : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    ASSERT_EQ(logInit("C:\\logs", "g_", 0, 0, 5, 0, 0), 1);
  }
};

// One write a table, whatever outputLevel says; labels are checked before scalars.
TEST_F(Diag, BitTables) {
  session.outputLevel = -1;
  DO(makeBitStringUSHORT16(0x3042, "あ"));
  DO(makeBitStringUINT32(0x3042, "あ"));
  DO(makeBitStringUSHORT16(0, ""));
  DO(makeBitStringUSHORT16(0xFFFF, "m"));
  DO(makeBitStringUINT32(0x12345678, "%s%d%n"));
  for (std::uint32_t scalar : {0x41u, 0xE9u, 0x3042u, 0x1F600u, 0x0u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD800u, 0xFFFFu,
                               0x10000u, 0x10FFFFu, 0x110000u, 0x1FFFFFu, 0xFFFFFFFFu}) {
    t.step("scalar " + std::to_string(scalar), [&] { makeBitStringUnicodeScalarValue(scalar, "x"); });
  }
  const std::string label510(510, 'L'), label511(511, 'L');
  DO(makeBitStringUSHORT16(1, label510.c_str()));
  DO(makeBitStringUSHORT16(1, label511.c_str()));
  DO(makeBitStringUINT32(2, label510.c_str()));
  DO(makeBitStringUINT32(2, std::string(600, 'L').c_str()));
  DO(makeBitStringUnicodeScalarValue(3, label510.c_str()));
  DO(makeBitStringUnicodeScalarValue(0x110000, label511.c_str()));
  session.outputLevel = 0;
  DO(makeBitStringUnicodeScalarValue(0x110000, "shown at 0"));
  crLfOptionSet(1);
  DO(makeBitStringUSHORT16(0xABCD, "lf"));
  DO(makeBitStringUINT32(0xABCD, "lf"));
  DO(makeBitStringUnicodeScalarValue(0x1F600, "%Ts 100%"));
}

// A table that does not fit its buffer is not written at all.
TEST(BitTableBuilders, AllOrNothing) {
  char out[32768];
  const std::size_t whole = buildBitTable16(0x3042, "あ", "\r\n", out, sizeof out);
  EXPECT_EQ(buildBitTable16(0x3042, "あ", "\r\n", out, whole + 1), whole);
  const auto refused = [&](auto build) { return std::memset(out, 'z', sizeof out), build() == 0 && out[0] == 0; };
  EXPECT_TRUE(refused([&] { return buildBitTable16(0x3042, "あ", "\r\n", out, whole); }));
  EXPECT_TRUE(refused([&] { return buildBitTable32(1, "label", "\r\n", out, 64); }));
  EXPECT_TRUE(refused([&] { return buildScalarBitTable(1, "label", "\r\n", out, 64); }));
  EXPECT_TRUE(refused([&] { return buildScalarBitTable(0x110000, "past the last scalar", "\r\n", out, sizeof out); }));
}

TEST_F(Diag, LastError) {
  world().systemTexts[1234] = u"Zeile eins.\r\nZeile zwei: 日本語 😀\r\n";
  world().systemTexts[4321] = u"no line end";
  session.outputLevel = -1;  // written at every level
  for (std::uint32_t code : {2u, 1234u, 4321u, 99999u, 0x80070005u, 0xFFFFFFFFu}) {
    t.hostError = code;
    t.step("code " + std::to_string(code), [] { w32ErrLog("f()", -7); });
    DO(getLastErr());
  }
  DO(w32ErrLog("", 0));
  DO(w32ErrLog("%s%d", 1));
  DO(w32ErrLog(std::string(510, 't').c_str(), 3));
  DO(w32ErrLog(std::string(511, 't').c_str(), 3));
  DO(w32ResetErrCode());
  // A line holds 8190 bytes: long system texts are kept whole when they fit,
  // else cut at a character boundary.
  const std::size_t room = 8190 - 25 - std::string("T line=7 Win32 ErrCode=9 :").size() - 2;
  const struct {
    std::u16string piece;
    std::size_t count;
  } texts[] = {{u"a", room}, {u"a", room + 1}, {u"あ", 2700}, {u"あ", 3000}, {u"😀", 3000}, {u"é", 5000}};
  t.hostError = 9;
  for (const auto& c : texts) {
    std::u16string text;
    for (std::size_t i = 0; i < c.count; ++i) text += c.piece;
    world().systemTexts[9] = text + u"\r\n";
    t.step(std::to_string(c.count) + " x " + fake::u8(c.piece), [] { w32ErrLog("T", 7); });
  }
  crLfOptionSet(1);
  world().systemTexts[9] = std::u16string(room + 5, u'b') + u"\r\n";
  t.step("a shorter line end leaves one more byte", [] { w32ErrLog("T", 7); });
  world().failWriteAt = world().writeCalls + 1;  // the write's own error stays hidden
  DO(w32ErrLog("lost", 2));
}

TEST_F(Diag, MessageBoxes) {
  world().boxResult = 2;
  DO(msgBox("日本語のテキスト 😀", "タイトル"));
  DO(msgBoxOkCancel("続けますか?", "確認"));
  world().boxResult = 0;  // the box could not be made
  DO(msgBoxOkCancel("failed", ""));
  DO(msgBox("bad \xC0\x80", "ok"));  // invalid UTF-8 shows as an empty text
  DO(msgBox("ok", "\xED\xA0"));
  const std::string s510 = repeat("あ", 170);
  DO(msgBox(s510.c_str(), s510.c_str()));
  DO(msgBox((s510 + "x").c_str(), "t"));
  DO(msgBoxOkCancel("t", (s510 + "x").c_str()));
  DO(msgBoxOkCancel(std::string(600, 'a').c_str(), std::string(700, 'b').c_str()));  // the text's report only
  // An open box holds no lock, and the host's last error survives it.
  bool otherThreadLogged = false;
  std::future<void> other;  // outlives the box, so a held lock fails the test instead of hanging it
  world().boxResult = 1;
  world().onBox = [&] {
    world().lastError = 1400;
    other = std::async(std::launch::async, [] { logInfo("while the box is open"); });
    otherThreadLogged = other.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  };
  DO(msgBoxOkCancel("q", "t"));
  t.note(otherThreadLogged ? "another thread logged while the box was open" : "the box held the lock");
}

TEST_F(Diag, Profiling) {
  session.outputLevel = -1;  // not consulted
  DO(profileTimeStop());  // no start: from 1970
  for (std::int64_t ticks : std::initializer_list<std::int64_t>{1500 * kTicksPerMs, 4000, 9999, kTicksPerMs, -2500000, -4000, -15999,
                             3600000 * kTicksPerMs}) {
    DO(profileTimeStart("load"));
    world().ticks += ticks;
    t.step("stop after " + std::to_string(ticks) + " ticks", [] { profileTimeStop(); });
  }
  session.sleepSwitch = 1;
  DO(profileTimeStart("asleep"));
  session.sleepSwitch = 0;
  world().ticks += 1000 * kTicksPerMs;
  DO(profileTimeStop());
  DO(profileTimeStart("100% %s %d %n"));
  world().ticks += 5 * kTicksPerMs;
  DO(profileTimeStop());
  const std::string p128 = repeat("測", 42) + "ab";
  DO(profileTimeStart(p128.c_str()));
  world().ticks += 2 * kTicksPerMs;
  DO(profileTimeStop());
  DO(profileTimeStart((p128 + "c").c_str()));  // 129: the prefix is emptied, the start kept
  world().ticks += 2 * kTicksPerMs;
  DO(profileTimeStop());
  DO(profileTimeStart("kept"));
  DO(profileTimeStart(std::string(511, 'p').c_str()));  // the size report changes nothing
  world().ticks += 7 * kTicksPerMs;
  DO(profileTimeStop());
  DO(profileTimeStart(std::string(510, 'p').c_str()));
  DO(profileTimeStop());
}

}  // namespace
}  // namespace corvelin::testing_support
