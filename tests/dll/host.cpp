#include "host.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace host {
namespace {

int failures = 0;
std::vector<Box> recorded;
std::string scenarioName;

int WINAPI recordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  if (owner != nullptr) fail(__FILE__, __LINE__, "a box with an owner window");
  recorded.push_back(Box{text ? text : L"<null>", caption ? caption : L"<null>", type});
  if (onBox) onBox();
  return boxAnswer;
}

// Points the DLL's import of `function` from `dllName` at `replacement`.
bool redirectImport(HMODULE module, const char* dllName, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return false;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name != 0; ++imp) {
    if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dllName) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      return true;
    }
  }
  return false;
}

Api loaded;

}  // namespace

int boxAnswer = IDOK;
std::function<void()> onBox;

const Api& api() {
  if (loaded.dll != nullptr) return loaded;
  loaded.dll = LoadLibraryW(L"corvelin_x64.dll");
  if (loaded.dll == nullptr) {
    std::printf("cannot load corvelin_x64.dll: %lu\n", GetLastError());
    std::exit(2);
  }
  if (!redirectImport(loaded.dll, "USER32.dll", "MessageBoxW", reinterpret_cast<void*>(&recordBox))) {
    std::printf("corvelin_x64.dll does not import MessageBoxW from USER32.dll\n");
    std::exit(2);
  }
#define HOST_BIND(name)                                                                              \
  loaded.name = reinterpret_cast<decltype(loaded.name)>(reinterpret_cast<void*>(GetProcAddress(loaded.dll, #name))); \
  if (loaded.name == nullptr) fail(__FILE__, __LINE__, "the DLL does not export " #name);
  HOST_FUNCTIONS(HOST_BIND)
#undef HOST_BIND
  return loaded;
}

std::vector<Box>& boxes() { return recorded; }

void fail(const char* file, int line, const std::string& what) {
  ++failures;
  std::printf("%s:%d: [%s] %s\n", file, line, scenarioName.c_str(), what.c_str());
  std::fflush(stdout);
}

namespace {

std::string printable(const std::string& s) {
  std::string out;
  char hex[8];
  for (unsigned char c : s) {
    std::snprintf(hex, sizeof hex, "\\x%02x", c);
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c < 0x20 ? hex : std::string(1, static_cast<char>(c));
  }
  return out;
}

}  // namespace

std::string show(const std::string& s) { return "\"" + printable(s) + "\""; }
std::string show(const std::wstring& s) { return show(narrow(s)); }
std::string show(const std::vector<Box>& list) {
  std::string out = std::to_string(list.size()) + " boxes";
  for (const Box& b : list) out += "\n      [" + narrow(b.caption) + "] " + narrow(b.text) + " type " + show(b.type);
  return out;
}

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return L"";
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& wide) {
  if (wide.empty()) return "";
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

std::wstring workDir() {
  static const std::wstring dir = [] {
    const std::filesystem::path made = std::filesystem::current_path() / (L"run_" + widen(scenarioName));
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
    std::filesystem::create_directory(made, ignored);
    return made.wstring();
  }();
  return dir;
}

std::string readFile(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "<missing file>";
}

std::string golden(const std::string& name) { return readFile(widen(CORVELIN_GOLDEN_DIR "/" + name)); }

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void writeFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::wstring today() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t buf[16];
  swprintf(buf, 16, L"%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
  return buf;
}

std::wstring systemText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                 code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring out = text ? text : L"";
  LocalFree(text);
  while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r')) out.pop_back();
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    out.push_back(text.substr(start, end - start));
    start = end;
  }
  return out;
}

double secondsIn(const std::string& line, const std::string& head, const std::string& tail, const char* file,
                 int where) {
  std::size_t p = head.size();
  if (line.compare(0, p, head) == 0 && p < line.size() && line[p] == '-') ++p;
  const std::size_t digits = p;
  while (p < line.size() && line[p] >= '0' && line[p] <= '9') ++p;
  bool shaped = line.compare(0, head.size(), head) == 0 && p > digits && p + 7 <= line.size() && line[p] == '.';
  for (std::size_t i = p + 1; shaped && i < p + 7; ++i) shaped = line[i] >= '0' && line[i] <= '9';
  if (!shaped || line.substr(p + 7) != tail) {
    fail(file, where, "not " + show(head + "<seconds>" + tail) + ": " + show(line));
    return -1;
  }
  return std::stod(line.substr(head.size(), p + 7 - head.size()));
}

std::wstring startLog(const char* prefix, std::int32_t writeFlg, std::int32_t crLf, std::int32_t outputLevel,
                      std::int32_t sleep, std::int32_t bom) {
  const std::wstring dir = workDir();
  if (api().logInit(narrow(dir).c_str(), prefix, writeFlg, crLf, outputLevel, sleep, bom) != 1) {
    fail(__FILE__, __LINE__, std::string("the session did not start in ") + narrow(dir));
  }
  return dir + L"\\" + widen(prefix) + today() + L".log";
}

std::string banners(const std::string& prefix, const std::wstring& shown, const std::string& body,
                    const std::string& end) {
  return "--- [" + prefix + "] start Log={" + narrow(shown) + "} ---" + end + body + "--- [" + prefix + "] end Log ---" +
         end + end + end;
}

HANDLE spawnSelf(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    fail(__FILE__, __LINE__, "CreateProcessW failed");
    return nullptr;
  }
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

}  // namespace host

int main(int argc, char** argv) {
  if (argc < 2) {
    for (const host::Scenario& s : host::scenarios()) std::printf("%s\n", s.name);
    return 0;
  }
  host::scenarioName = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const host::Scenario& s : host::scenarios()) {
    if (host::scenarioName != s.name) continue;
    s.run(args);
    if (host::failures == 0) std::printf("[%s] passed\n", s.name);
    return host::failures == 0 ? 0 : 1;
  }
  std::printf("no scenario named %s\n", argv[1]);
  return 2;
}
