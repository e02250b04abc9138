// Both tables: every row keeps its layout and its offsets for any input, every carry included.
#include "dump/table.h"
#include "fuzz_input.h"

void corvelin::fuzz::run(Input in) {
  std::string prefix = in.text(64), raw, utf8;
  const std::string text = in.text(9000);
  std::vector<char> rawStage(kDumpStage), utf8Stage(kDumpStage);
  DumpOut toRaw(rawStage.data(), kDumpStage, append, &raw), toUtf8(utf8Stage.data(), kDumpStage, append, &utf8);
  buildRawTable(reinterpret_cast<const unsigned char*>(text.data()), int(text.size()), "", prefix.c_str(), "\n", toRaw);
  const bool written = writeUtf8Table(text.c_str(), text.size(), prefix.c_str(), "\n", toUtf8);
  toRaw.finish();
  toUtf8.finish();
  check(written || utf8.empty());
  // Bytes after a lead byte are copied as they are: only a valid text without bars keeps the UTF-8 rows intact.
  const bool intact = written && text.find('|') == text.npos && utf8ToCodePoints(text.c_str(), nullptr, 0, 9000) > 0;
  // The cells a row shows: every row is 84 wide, a glyph of three or four bytes taking two.
  const auto width = [](const std::string& s) { long w = 0; for (unsigned char c : s) w += (c >> 6 != 2) + (c >= 0xE0); return w; };
  for (const std::string* table : {&raw, intact ? &utf8 : &raw}) {
    std::size_t at = 0;  // after the header: four lines, and those the prefix breaks
    for (auto header = -std::count(prefix.begin(), prefix.end(), '\n'); header < 4; ++header) at = table->find('\n', at) + 1;
    for (std::size_t offset = 16; offset < text.size() + 16; offset += 16, at = table->find('\n', at) + 1) {
      const std::string row = table->substr(at, table->find('\n', at) + 1 - at);
      char tail[32];
      std::snprintf(tail, sizeof tail, "| %06zu 0x%04zx\r\n", std::min(offset, text.size()), std::min(offset, text.size()));
      check(row.size() >= 67 && row.compare(row.size() - 17, 17, tail) == 0 && row[24] == '|' && row[49] == '|');
      check(width(row) == 84 && (table == &raw || std::count(row.begin() + 50, row.end() - 17, '|') == 1));  // one middle bar
    }
    check(table->find('\n', at) == table->size() - 1);  // then the closing line alone
  }
}
