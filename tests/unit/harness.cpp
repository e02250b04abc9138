#include "harness.h"

#include <corvelin.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace corvelin::testing_support {

void expectGolden(const std::string& name, const std::string& text) {
  const std::string path = std::string(CORVELIN_GOLDEN_DIR) + "/" + name;
  if (std::getenv("CORVELIN_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(path, std::ios::binary) << text;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  const std::string want{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_TRUE(want == text) << "tests/golden/" << name << " differs: CORVELIN_UPDATE_GOLDEN=1 rewrites it, git diff shows how";
}

std::string repeat(const std::string& piece, std::size_t n) {
  std::string out;
  while (n-- > 0) out += piece;
  return out;
}

void Transcript::alias(const void* p, const std::string& name) {
  char hex[24];
  std::snprintf(hex, sizeof hex, "%016llX", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
  aliases_.emplace_back(hex, "<" + name + ">");
}

void Transcript::begin() {
  fake::world().lastError = hostError;
  before_ = fake::world();
}

void Transcript::end(const std::string& label, const std::string& result) {
  const fake::World& now = fake::world();
  std::string s = "## " + label + result + "\n";
  for (std::size_t i = before_.boxes.size(); i < now.boxes.size(); ++i) {
    const fake::Box& b = now.boxes[i];
    s += "box " + std::to_string(b.type) + " [" + fake::u8(b.caption) + "] " + fake::u8(b.text) + "\n";
  }
  for (std::size_t i = before_.debugStrings.size(); i < now.debugStrings.size(); ++i) {
    const std::string line = fake::u8(now.debugStrings[i]);
    s += "debug " + line + (!line.empty() && line.back() == '\n' ? "" : "<no line end>\n");
  }
  for (std::size_t i = before_.eventCalls.size(); i < now.eventCalls.size(); ++i) s += now.eventCalls[i] + "\n";
  for (std::size_t i = before_.net.size(); i < now.net.size(); ++i) s += "net " + now.net[i] + "\n";
  if (now.lastError != hostError) s += "lastError " + std::to_string(now.lastError) + "\n";
  if (now.liveBlocks != before_.liveBlocks) s += "blocks " + std::to_string(now.liveBlocks) + "\n";
  if (now.open.size() != before_.open.size()) s += "open files " + std::to_string(now.open.size()) + "\n";
  if (now.writeCalls - before_.writeCalls > 1) s += "writes " + std::to_string(now.writeCalls - before_.writeCalls) + "\n";
  for (const auto& d : now.dirs) {
    if (before_.dirs.count(d) == 0) s += "mkdir " + fake::u8(d) + "\n";
  }
  for (const auto& [path, bytes] : before_.files) {
    if (now.files.count(path) == 0) s += "deleted " + fake::u8(path) + "\n";
  }
  for (const auto& [path, bytes] : now.files) {
    const auto old = before_.files.find(path);
    const bool grew = old != before_.files.end() && bytes.compare(0, old->second.size(), old->second) == 0;
    if (grew && bytes.size() == old->second.size()) continue;
    if (!grew || path != shown_) s += (old == before_.files.end() ? "new " : grew ? "@ " : "rewritten ") + fake::u8(path) + "\n";
    std::string added = grew ? bytes.substr(old->second.size()) : bytes;
    for (const auto& [hex, name] : aliases_) {
      for (std::size_t at; (at = added.find(hex)) != std::string::npos;) added.replace(at, hex.size(), name);
    }
    s += added + (added.empty() || added.back() == '\n' ? "" : "\n<no line end>\n");
    shown_ = path;
  }
  text_ += s;
}

void Session::SetUp() {
  Scenario::SetUp();
  ASSERT_EQ(logInit("C:\\logs", "t_", 0, 0, 5, 0, 0), 1);
}

void Scenario::TearDown() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  expectGolden(std::string(info->test_suite_name()) + "." + info->name() + ".txt", t.text());
  sessionResetToLoad();
}

}  // namespace corvelin::testing_support
