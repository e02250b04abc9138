// Both tables: every row keeps its layout and its offsets for any input,
// every carry from row to row included.
#include <cstdlib>
#include <vector>

#include "dump/table.h"
#include "fuzz_input.h"
#include "record/textconv.h"

using namespace corvelin;

namespace {

// The rows of a table (between the four header lines and the closing line).
std::vector<std::string> rows(const std::string& table) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < table.size()) {
    const std::size_t end = table.find('\n', start);
    lines.push_back(table.substr(start, end - start + 1));
    start = end + 1;
  }
  if (lines.size() < 5) std::abort();
  return std::vector<std::string>(lines.begin() + 4, lines.end() - 1);
}

void checkOffsets(const std::vector<std::string>& body, std::size_t length) {
  if (body.size() != (length + 15) / 16) std::abort();
  for (std::size_t r = 0; r < body.size(); ++r) {
    const std::size_t reached = (r + 1) * 16 < length ? (r + 1) * 16 : length;
    char tail[32];
    std::snprintf(tail, sizeof tail, "| %06zu 0x%04zx\r\n", reached, reached);
    const std::string& row = body[r];
    if (row.size() < 18 || row.compare(row.size() - 17, 17, tail) != 0) std::abort();
    if (row[24] != '|' || row[49] != '|') std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  std::string prefix = in.text(64);
  for (char& c : prefix) c = c == '\n' ? '_' : c;  // the header is one line for the row checks
  const std::string text = in.text(9000);
  std::string out;
  std::vector<char> buffer(kDumpStage);
  DumpOut sink(buffer.data(), buffer.size(), fuzz::appendTo, &out);

  buildRawTable(reinterpret_cast<const unsigned char*>(text.data()), static_cast<std::int32_t>(text.size()), "",
                prefix.c_str(), "\n", sink);
  sink.finish();
  const std::vector<std::string> raw = rows(out);
  checkOffsets(raw, text.size());
  for (const std::string& row : raw) {
    if (row.size() != 84) std::abort();
  }

  out.clear();
  const bool written = writeUtf8Table(text.c_str(), text.size(), prefix.c_str(), "\n", sink);
  sink.finish();
  if (!written) {
    if (!out.empty()) std::abort();
    return 0;
  }
  // Bytes after a lead byte are copied as they are, so only a valid text
  // (one whose characters hold no line feed and no bar) keeps every row intact.
  std::vector<std::uint32_t> points(text.size() + 1);
  const bool valid = text.empty() || utf8ToCodePoints(text.c_str(), points.data(), 0, static_cast<int>(points.size())) > 0;
  if (!valid || text.find('|') != std::string::npos) return 0;
  const std::vector<std::string> utf8 = rows(out);
  checkOffsets(utf8, text.size());
  for (const std::string& row : utf8) {
    // Exactly one middle bar in the character column.
    const std::string column = row.substr(50, row.size() - 50 - 17);
    int bars = 0;
    for (char c : column) bars += c == '|';
    if (bars != 1) std::abort();
  }
  return 0;
}
