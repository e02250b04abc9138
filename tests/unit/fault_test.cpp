// Faults of the file system, injected through the platform seam: the library
// goes on, and what the file already holds stays as it was.
#include <corvelin.h>

#include "harness.h"

namespace corvelin::testing_support {
namespace {

using fake::world;

class Faults : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    ASSERT_EQ(logInit("C:\\logs", "f_", 0, 0, 5, 0, 0), 1);
  }
  static int nextWrite() { return world().writeCalls + 1; }
};

TEST_F(Faults, FailedAndShortWrites) {
  world().failWriteAt = nextWrite();
  DO(logInfo("lost: a failed write loses only its own record"));
  DO(logInfo("after"));
  world().shortWriteAt = nextWrite();
  DO(logInfo("a record the system took only half of at first"));
  const unsigned char bytes[40] = {1, 2, 3};
  t.alias(bytes, "bytes");
  world().shortWriteAt = nextWrite();
  DO(logDumpRaw(bytes, 40, "t"));
  world().shortWriteAt = nextWrite();
  DO(logTerm());
}

TEST_F(Faults, AFullDisk) {
  DO(logInfo("kept"));
  world().diskBytes = fake::fileText(u"C:\\logs\\f_20261205.log").size() + 10;
  DO(logInfo("cut by the full disk"));
  DO(logInfo("no room at all"));
  DO(logPut("dump", 4, 1, 10));
  DO(logTerm());
  DO(logInfo("ended"));
}

TEST_F(Faults, TheDirectoryVanishes) {
  DO(logInfo("written"));
  fake::removeDir(u"C:\\logs");
  DO(logInfo("into the void"));
  DO(logDumpUTF8("still fine", 0, "p"));
  DO(logTerm());
  DO(logInit("C:\\logs", "f_", 0, 0, 5, 0, 0));
}
}  // namespace
}  // namespace corvelin::testing_support
