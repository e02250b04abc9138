// The Win32 platform seam against the real API (run under Wine), where the
// DLL scenarios cannot see it: share modes, capacities, bare profile names.
// Directories, clocks, system texts, the last error and the lock: tests/dll.
#include "platform/platform.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace corvelin::platform {
namespace {

const char16_t* u(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

class Win32Platform : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = L"platform_work_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"\\a.log", L"\\b.ini", L"\\sub"}) {
      const std::wstring p = dir_ + name;
      DeleteFileW(p.c_str());
      RemoveDirectoryW(p.c_str());
    }
    RemoveDirectoryW(dir_.c_str());
  }
  std::wstring path(const wchar_t* name) const { return dir_ + L"\\" + name; }
  std::wstring dir_;
};

std::string readAll(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return "<cannot open>";
  char buf[4096];
  DWORD n = 0;
  ReadFile(f, buf, sizeof buf, &n, nullptr);
  CloseHandle(f);
  return std::string(buf, n);
}

TEST_F(Win32Platform, TheLogFileSharesReadingOnly) {
  const std::wstring p = path(L"a.log");
  const FileHandle first = openLogFile(u(p.c_str()), Disposition::CreateNew);
  ASSERT_NE(first, kInvalidHandle);
  EXPECT_TRUE(writeFile(first, "one\r\n", 5));

  // A second writer is refused while the file is held; a reader is welcome.
  EXPECT_EQ(openLogFile(u(p.c_str()), Disposition::OpenExisting), kInvalidHandle);
  EXPECT_EQ(lastError(), kErrSharingViolation);
  EXPECT_EQ(openLogFile(u(p.c_str()), Disposition::CreateNew), kInvalidHandle);
  EXPECT_EQ(lastError(), kErrFileExists);
  EXPECT_EQ(readAll(p), "one\r\n");
  closeFile(first);

  const FileHandle again = openLogFile(u(p.c_str()), Disposition::OpenExisting);
  ASSERT_NE(again, kInvalidHandle);
  seekToEnd(again);
  std::uint32_t written = 0;
  EXPECT_TRUE(writeFile(again, "two\r\n", 5, &written));
  EXPECT_EQ(written, 5u);
  closeFile(again);
  EXPECT_EQ(readAll(p), "one\r\ntwo\r\n");
}

TEST_F(Win32Platform, OpenExistingOnAMissingFileSaysSo) {
  const std::wstring p = path(L"missing.log");
  EXPECT_EQ(openLogFile(u(p.c_str()), Disposition::OpenExisting), kInvalidHandle);
  EXPECT_EQ(lastError(), kErrFileNotFound);
}

TEST_F(Win32Platform, ProfilesAreReadWithTheirDefaults) {
  const std::wstring p = path(L"b.ini");
  ASSERT_TRUE(WritePrivateProfileStringW(L"Halvix", L"LogFileNamePrefix", L"app_", p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Halvix", L"WriteFlg", L"8192", p.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Halvix", L"LogOutPutLevel", L"-1", p.c_str()));
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, p.c_str());  // flush the cache

  char16_t out[520];
  EXPECT_TRUE(profileFileExists(u(p.c_str())));
  EXPECT_EQ(profileString(u(p.c_str()), u"Halvix", u"LogFileNamePrefix", u"PREFIX_", out, 520), 4u);
  EXPECT_EQ(std::u16string(out), u"app_");
  EXPECT_EQ(profileString(u(p.c_str()), u"Halvix", u"LogWritePathDir", u".\\", out, 520), 2u);
  EXPECT_EQ(std::u16string(out), u".\\");
  EXPECT_EQ(profileString(u(p.c_str()), u"Halvix", u"LogFileNamePrefix", u"", out, 3), 2u);
  EXPECT_EQ(std::u16string(out), u"ap");
  EXPECT_EQ(profileInt(u(p.c_str()), u"Halvix", u"WriteFlg", 0), 8192);
  EXPECT_EQ(profileInt(u(p.c_str()), u"Halvix", u"LogOutPutLevel", 0), -1);
  EXPECT_EQ(profileInt(u(p.c_str()), u"Halvix", u"LogKBytesSize", 40960), 40960);

  const std::wstring missing = path(L"none.ini");
  EXPECT_FALSE(profileFileExists(u(missing.c_str())));
  EXPECT_FALSE(profileFileExists(u"corvelin-no-such-profile.ini"));  // bare names live in the Windows directory
  EXPECT_FALSE(profileFileExists(u(dir_.c_str())));                  // a directory is no profile
}

TEST_F(Win32Platform, SystemMessagesAreCutToTheCapacity) {
  char16_t out[1024];
  EXPECT_EQ(systemMessage(0x2345678, out, 1024), 0u);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(systemMessage(2, out, 6), 5u);
  EXPECT_EQ(out[5], 0);
}

TEST_F(Win32Platform, BlocksAreZeroFilled) {
  auto* block = static_cast<unsigned char*>(allocZeroed(32768));
  ASSERT_NE(block, nullptr);
  for (int i = 0; i < 32768; ++i) ASSERT_EQ(block[i], 0) << i;
  release(block);
  release(nullptr);
}

}  // namespace
}  // namespace corvelin::platform
