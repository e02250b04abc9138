// Scenario tests over the fake platform. A transcript runs calls one by one and records what a host could
// observe of each: its result, boxes (or the debugger lines that stood in for them), the bytes it added to each
// file, directories made, a changed last error, heap blocks, open files and writes. The whole transcript is
// compared with tests/golden/<Suite>.<Test>.txt; CORVELIN_UPDATE_GOLDEN=1 writes the file instead.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "fake_platform.h"
#include "session/session.h"

namespace corvelin::testing_support {

void expectGolden(const std::string& name, const std::string& text);
std::string repeat(const std::string& piece, std::size_t n);

class Transcript {
 public:
  std::uint32_t hostError = 1234;  // the host's last error before each call

  template <class F>
  void step(const std::string& label, F call) {
    begin();
    if constexpr (std::is_void_v<std::invoke_result_t<F>>) {
      call(), end(label, "");
    } else {
      end(label, " = " + std::to_string(static_cast<long long>(call())));
    }
  }
  void note(const std::string& text) { text_ += "# " + text + "\n"; }
  // Shows `p` as <name> wherever its %p form is written (table headers).
  void alias(const void* p, const std::string& name);
  const std::string& text() const { return text_; }

 private:
  void begin();
  void end(const std::string& label, const std::string& result);
  std::string text_;
  fake::World before_;
  std::u16string shown_;  // the file the last bytes came from
  std::vector<std::pair<std::string, std::string>> aliases_;
};

// A loaded library over a fresh fake world; the transcript is checked at the end.
class Scenario : public ::testing::Test {
 protected:
  void SetUp() override { fake::reset(); }
  void TearDown() override;
  Transcript t;
};

// A session started in C:\logs with WriteFlg 0, CR LF and outputLevel 5.
class Session : public Scenario {
 protected:
  void SetUp() override;
};

}  // namespace corvelin::testing_support

// One call of the transcript, labelled with its own text.
#define DO(...) t.step(#__VA_ARGS__, [&] { return __VA_ARGS__; })
