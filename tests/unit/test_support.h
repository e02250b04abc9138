// Shared set-up for unit tests over the fake platform.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "fake_platform.h"
#include "session/session.h"

namespace corvelin::testing_support {

inline constexpr const char16_t* kLogPath = u"C:\\logs\\test.log";

// A fresh world with an open log file, as a successful start leaves it.
inline void openSession(std::int32_t outputLevel = 5, std::int32_t writeFlg = 0) {
  fake::reset();
  fake::addDir(u"C:\\logs");
  ASSERT_TRUE(scratchBufAlloc());
  session.fileHandle = platform::openLogFile(kLogPath, platform::Disposition::CreateNew);
  ASSERT_NE(session.fileHandle, platform::kInvalidHandle);
  session.fileEncoding = kEncodingUtf8;
  session.outputLevel = outputLevel;
  session.writeFlg = writeFlg;
  session.initialized = 1;
}

inline std::string logText() { return fake::fileText(kLogPath); }

// What `call` adds to the log of openSession().
template <class F>
std::string appended(F call) {
  const std::size_t before = logText().size();
  call();
  return logText().substr(before);
}

inline std::string repeat(const std::string& piece, std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += piece;
  return out;
}

// The exact bytes of tests/golden/<name>.
inline std::string golden(const std::string& name) {
  std::ifstream in(std::string(CORVELIN_GOLDEN_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "missing golden file " << name;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// An open session, as a successful start leaves it.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { openSession(); }
  void TearDown() override { sessionResetToLoad(); }
};

// A loaded library and an empty C:\logs: the test starts what it needs.
class LoadedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    fake::addDir(u"C:\\logs");
  }
  void TearDown() override { sessionResetToLoad(); }
};

}  // namespace corvelin::testing_support
