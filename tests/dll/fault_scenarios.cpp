// Real file-system faults under Wine: the boxes carry what the system said,
// nothing crashes, and what the file held before stays whole.
#include "host.h"

namespace host {
namespace {

// The error codes the system gives for creating, then opening, `path` as the log is opened.
std::pair<DWORD, DWORD> openErrors(const std::wstring& path) {
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  HANDLE h = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD create = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h), DeleteFileW(path.c_str());
  h = CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD open = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return {create, open};
}

// The boxes of an open that fails at both attempts.
std::vector<Box> openFailureBoxes(const std::wstring& path, std::pair<DWORD, DWORD> errors) {
  std::vector<Box> boxes;
  for (DWORD e : {errors.first, errors.second}) {
    if (e != ERROR_FILE_EXISTS) boxes.push_back({L"File Open Error errcode=" + std::to_wstring(e) + L" path=" + path,
                                                 L"hvfopen() Error!", 0});
  }
  boxes.push_back({L"[FATAL] Log file open Error! path=logutl_W.cpp line=110 Win32 ErrCode=" +
                       std::to_wstring(errors.second) + L" :" + systemText(errors.second),
                   L"logutl_W.cpp logOpen() line=112", 0});
  return boxes;
}

void expectRefusedOpen(const std::wstring& dir, const std::string& before) {
  const std::wstring path = dir + L"\\app_" + today() + L".log";
  const auto errors = openErrors(path);
  HOST_CHECK(errors.second != 0);
  HOST_CHECK_EQ(api().logInit(narrow(dir).c_str(), "app_", 8192, 0, 5, 0, 1), 0);
  HOST_CHECK_BOXES(openFailureBoxes(path, errors));
  HOST_CHECK_EQ(readFile(path), before);
  api().logInfo("nothing is open");
  api().logTerm();
}

// The day's file, written by an earlier session, made read-only since
// (prepared by fs_fault.sh: Wine run as root would not honour the attribute).
void readOnlyFile(const std::vector<std::string>& args) {
  expectRefusedOpen(widen(args.at(0)), "an earlier session\r\n");
}

void directoryIsAFile() {
  const std::wstring plain = workDir() + L"\\plain";
  writeFile(plain, "not a directory");
  expectRefusedOpen(plain, "<missing file>");
  HOST_CHECK_EQ(readFile(plain), "not a directory");
}

// A directory in which nothing may be created (prepared by fs_fault.sh).
void directoryNotWritable(const std::vector<std::string>& args) {
  expectRefusedOpen(widen(args.at(0)), "<missing file>");
}

// A file system of 64 KB (prepared by fs_fault.sh): the records that fit
// are whole, the one that meets the end is cut, nothing crashes.
void diskFull(const std::vector<std::string>& args) {
  const std::wstring dir = widen(args.at(0));
  HOST_CHECK_EQ(api().logInit(args.at(0).c_str(), "full_", 0, 0, 5, 0, 0), 1);
  const std::string record(90, 'r');
  for (int i = 0; i < 2000; ++i) api().logInfo(record.c_str());
  api().logPut("a dump after the disk filled up", 0, 1, 40);
  api().logTerm();
  const std::wstring path = dir + L"\\full_" + today() + L".log";
  const std::string file = readFile(path);
  const std::string banner = "--- [full_] start Log={" + narrow(path) + "} ---\r\n";
  const std::string line = "[" + record + "]\r\n";
  HOST_CHECK_EQ(file.substr(0, banner.size()), banner);
  HOST_CHECK(file.size() <= 64 * 1024 && file.size() > 32 * 1024);
  std::size_t at = banner.size();
  while (at + line.size() <= file.size() && file.compare(at, line.size(), line) == 0) at += line.size();
  HOST_CHECK(file.size() - at < line.size());  // at most one record cut short, at the very end
  HOST_CHECK_EQ(file.substr(at), line.substr(0, file.size() - at));
}

}  // namespace

const std::vector<Scenario>& faultScenarios() {
  static const std::vector<Scenario> list = {
      {"child_read_only_file", readOnlyFile},
      {"fault_directory_is_a_file", [](auto&) { directoryIsAFile(); }},
      {"child_directory_not_writable", directoryNotWritable},
      {"child_disk_full", diskFull},
  };
  return list;
}

}  // namespace host
