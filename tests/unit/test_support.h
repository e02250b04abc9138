// Shared set-up for unit tests that need an open session over the fake platform.
#pragma once

#include <gtest/gtest.h>

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

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { openSession(); }
  void TearDown() override { sessionResetToLoad(); }
};

}  // namespace corvelin::testing_support
