// Starting and ending a session, by arguments and by profile: the files, the
// boxes, the limits, and starts that fail.
#include <corvelin.h>

#include <functional>

#include "harness.h"
#include "logfile/logopen.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

const char16_t* const kLog = u"C:\\logs\\app_20261205.log";

void profile(const char16_t* path, std::map<std::u16string, std::u16string> keys) {
  world().profiles[fake::normalise(path)] = std::move(keys);
}

class Start : public Scenario {
 protected:
  // One start, a record at three levels, the end, and a start that must be refused.
  void session(const std::string& name, const std::function<void()>& prepare, const std::function<int()>& start) {
    fake::reset();
    t.note(name);
    prepare();
    t.step("start", start);
    DO(logWarning("warning"));
    DO(logInfo("info"));
    DO(logTerm());
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
  }
};

TEST_F(Start, WhatASessionLeavesInItsFile) {
  const auto none = [] {};
  session("a new file with the mark", none, [] { return logInit("C:\\logs", "app_", 8192, 0, 3, 0, 7); });
  session("a new file without it, LF", none, [] { return logInit("C:\\logs", "app_", 2, 1, 4, 0, 0); });
  session("appending: the banner shows the directory, no mark",
          [] { world().files[fake::normalise(kLog)] = "earlier\r\n"; },
          [] { return logInit("C:\\logs", "app_", 0, 0, 5, 0, 1); });
  session("the last directory component is made", none, [] { return logInit("C:\\logs\\new", "p", 0, 0, 5, 0, 0); });
  session("sleeping writes only its banner", none, [] { return logInit("C:\\logs", "app_", 0, 0, 5, 1, 1); });
  session("CR", none, [] { return logInit("C:\\logs", "app_", 0, 2, 5, 0, 0); });
  session("no line ending", none, [] { return logInit("C:\\logs", "app_", 0, 5, 5, 0, 0); });
  session("an invalid prefix is taken as empty", none, [] { return logInit("C:\\logs", "ab\xC3", 0, 0, 5, 0, 0); });
  session("a profile with every key",
          [] {
            profile(u"C:\\cfg\\app.ini", {{u"LogFileNamePrefix", u"app_"}, {u"LogWritePathDir", u"C:\\logs"},
                                          {u"WriteFlg", u"8192"}, {u"CrLfOption", u"1"}, {u"LogOutPutLevel", u"3"},
                                          {u"LogSleepSwitch", u"0"}, {u"BomSetFlg", u"3"},
                                          {u"LogKBytesRotateFlg", u"0"}, {u"LogKBytesSize", u"1"}});
          },
          [] { return logInitProfile("C:\\cfg\\app.ini"); });
  session("a profile with only the section: the defaults, in the current directory",
          [] { profile(u"C:\\cfg\\empty.ini", {}); }, [] { return logInitProfile("C:\\cfg\\empty.ini"); });
  session("a bare profile name is looked for in the Windows directory",
          [] { profile(u"C:\\windows\\c.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogOutPutLevel", u"5"}}); },
          [] { return logInitProfile("c.ini"); });
  session("a sleeping profile",
          [] { profile(u"C:\\s.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogSleepSwitch", u"1"}}); },
          [] { return logInitProfile("C:\\s.ini"); });
  session("the date of the open names the file",
          [] { world().ticks = fake::ticksAt(2027, 1, 9, 23, 59, 59); },
          [] { return logInit("C:\\logs", "app_", 8192, 0, 5, 0, 0); });
  for (std::size_t length : {2, 509}) {  // kept whole; a banner over 520 units is left out
    const std::u16string prefix(length, u'q');
    session("a profile prefix of " + std::to_string(length) + " units",
            [&] { profile(u"C:\\p.ini", {{u"LogWritePathDir", u"C:\\logs"}, {u"LogFileNamePrefix", prefix}}); },
            [] { return logInitProfile("C:\\p.ini"); });
  }
}

// Starts that fail: the boxes in their order, nothing created, and a later
// start that succeeds with the buffers of the first.
TEST_F(Start, WhatAFailedStartShows) {
  const std::string dir256 = "C:\\" + std::string(253, 'd');
  const struct {
    const char* name;
    std::function<void()> prepare;
    std::string dir;
  } cases[] = {
      {"a missing parent", [] {}, "C:\\no\\logs"},
      {"a directory that cannot be made", [] { world().denied.insert(u"C:\\locked"); }, "C:\\locked"},
      {"held by another writer",
       [] {
         world().files[fake::normalise(kLog)] = "theirs";
         world().heldByOther.insert(fake::normalise(kLog));
       },
       "C:\\logs"},
      {"a file that cannot be created", [] { world().denied.insert(fake::normalise(kLog)); }, "C:\\logs"},
      {"a directory of 256 units", [&] { fake::addDir(std::u16string(dir256.begin(), dir256.end())); }, dir256},
      {"a directory of 255 units", [&] { fake::addDir(std::u16string(dir256.begin(), dir256.end() - 1)); },
       dir256.substr(0, 255)},
  };
  for (const auto& c : cases) {
    fake::reset();
    t.note(c.name);
    c.prepare();
    DO(logInit(c.dir.c_str(), "app_", 8192, 1, 5, 0, 0));
    DO(logInfo("nothing"));
    world().denied.clear();
    world().heldByOther.clear();
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
    DO(logInfo("the settings of the later start"));
  }
  fake::reset();
  DO(logTerm());  // before any start
  DO(logInit("C:\\no\\such", "p", 0, 0, 5, 0, 0));
  DO(logTerm());  // after a failed start: the buffers go back
  DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
  DO(logTerm());
  DO(logTerm());
  for (int failing = 1; failing <= 7; ++failing) {
    fake::reset();
    world().failAllocAt = failing;
    t.note("allocation " + std::to_string(failing) + " fails");
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
    DO(logTerm());
    DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
  }
}

TEST_F(Start, ArgumentsAtTheirLimits) {
  const std::string dir255 = "C:\\" + std::string(252, 'd');
  const std::string dir510 = "C:\\" + repeat("\xE3\x81\x82", 169);  // 510 bytes, 172 units
  const std::string ini510 = "C:\\cfg\\" + std::string(499, 'n') + ".ini";
  fake::addDir(std::u16string(dir255.begin(), dir255.end()));
  DO(logInit(dir255.c_str(), "p", 0, 0, 5, 0, 0));
  fake::reset();
  DO(logInit(dir510.c_str(), std::string(260, 'p').c_str(), 0, 0, 5, 0, 0));
  fake::reset();
  profile(std::u16string(ini510.begin(), ini510.end()).c_str(), {{u"LogWritePathDir", u"C:\\logs"}});
  DO(logInitProfile(ini510.c_str()));
  fake::reset();
  DO(logInit((dir510 + "x").c_str(), "app_", 3, 1, 2, 0, 0));
  DO(logInit("C:\\logs", std::string(261, 'p').c_str(), 3, 1, 2, 0, 0));
  DO(logInitProfile(("C:\\" + ini510.substr(2)).c_str()));
  DO(logInitProfile("C:\\cfg\\none.ini"));
  DO(logInit(nullptr, "p", 0, 0, 0, 0, 0));
  DO(logInit("C:\\logs", nullptr, 0, 0, 0, 0, 0));
  DO(logInitProfile(nullptr));
  DO(logInfo("no session yet"));
  DO(logInit("C:\\logs", "app_", 0, 0, 5, 0, 0));
  DO(logInit("C:\\other", "x_", 1, 1, 1, 1, 1));
  DO(logInitProfile("C:\\any.ini"));
  DO(logInfo("the first settings hold"));
}

// The descriptions of the open's boxes, and the dated name.
TEST_F(Start, ErrorDescriptionsAndNames) {
  world().systemTexts[6] = u"no line end";
  world().systemTexts[7] = u"Access is denied.\n";
  std::u16string longText(1100, u'x');
  longText[991] = 0xD83D;  // a pair that would straddle the cut after 1021 units
  longText[992] = 0xDE00;
  world().systemTexts[99] = longText;
  for (std::uint32_t code : {2u, 6u, 7u, 1234u, 0xC0000005u, 99u}) {
    world().lastError = code;
    char16_t out[kPathBlockUnits] = u"previous text";
    w32_err_fmtMsg(platform::kNoHandle, u"f()", 7, out, kPathBlockUnits);
    t.note(fake::u8(out));
  }
  const std::u16string name511(511, u'n'), text511(511, u't');
  char16_t out[kPathBlockUnits] = u"kept";
  t.step("name of 511 units", [&] { w32_err_fmtMsg(platform::kInvalidHandle, name511.c_str(), 1, out, kPathBlockUnits); });
  std::copy(text511.begin(), text511.end() + 1, out);
  t.step("text of 511 units", [&] { w32_err_fmtMsg(platform::kInvalidHandle, u"f()", 1, out, kPathBlockUnits); });
  t.step("a usable handle: no box", [&] { w32_err_fmtMsg(0x40, u"f()", 1, out, kPathBlockUnits); });
  t.note(out == text511 ? "out kept" : "out changed");
  for (int year : {2021, 999, 12345}) {
    world().ticks = fake::ticksAt(year, 3, 4, 12, 0, 0);
    char16_t path[kPathBlockUnits] = {};
    localPathSet(year == 2021 ? u".\\" : u"C:\\l", u"PREFIX_", path);
    t.note(fake::u8(path));
  }
}

}  // namespace
}  // namespace corvelin::testing_support
