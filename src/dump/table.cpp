#include "dump/table.h"

#include <corvelin.h>

#include <cstring>

#include "dump/hexcells.h"
#include "dump/hexdump.h"
#include "forward/forward.h"
#include "record/format.h"
#include "record/lineprefix.h"
#include "record/textconv.h"
#include "record/writer.h"
#include "session/guard.h"
#include "session/session.h"

namespace corvelin {
namespace {

constexpr const char* kHyphens = "-----------------------------------------------------------------------------------%s";
constexpr int kCells = 16;
constexpr std::size_t kRowRoom = 160;  // hex column, widest character column, offsets

const char kDigits[] = "0123456789abcdef";

// The character column of the raw table: bytes 20-7E as themselves, others as blanks.
struct Printable {
  char shown[256];
  constexpr Printable() : shown() {
    for (int b = 0; b < 256; ++b) shown[b] = b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : ' ';
  }
};
constexpr Printable kPrintable;

// "00" .. "99".
struct TwoDigits {
  char pair[100][2];
  constexpr TwoDigits() : pair() {
    for (int i = 0; i < 100; ++i) {
      pair[i][0] = static_cast<char>('0' + i / 10);
      pair[i][1] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr TwoDigits kTwoDigits;

// The hexadecimal column: 16 cells, a bar before cell 8, and the closing bar.
char* hexColumn(char* w, const unsigned char* row, int count) {
  if (count == kCells) {
    for (int i = 0; i < 8; ++i) std::memcpy(w + 3 * i, kHexCells.cell[row[i]], 4);
    for (int i = 8; i < kCells; ++i) std::memcpy(w + 1 + 3 * i, kHexCells.cell[row[i]], 4);
  } else {
    const std::size_t left = count < 8 ? static_cast<std::size_t>(count) : 8;
    const std::size_t right = count > 8 ? static_cast<std::size_t>(count - 8) : 0;
    std::memset(w, ' ', 50);
    putHexCells(w, row, left);
    putHexCells(w + 25, row + 8, right);
  }
  w[24] = '|';
  w[49] = '|';
  return w + 50;
}

// " %06d 0x%04x\r\n" with the offset reached, then the row is done.
char* offsetColumn(char* w, std::int32_t offset) {
  if (offset >= 0 && offset < 0x10000) {  // every offset a table can reach
    const int v = offset;
    w[0] = ' ';
    std::memcpy(w + 1, kTwoDigits.pair[v / 10000], 2);
    std::memcpy(w + 3, kTwoDigits.pair[v / 100 % 100], 2);
    std::memcpy(w + 5, kTwoDigits.pair[v % 100], 2);
    w[7] = ' ';
    w[8] = '0';
    w[9] = 'x';
    w[10] = kDigits[(v >> 12) & 15];
    w[11] = kDigits[(v >> 8) & 15];
    w[12] = kDigits[(v >> 4) & 15];
    w[13] = kDigits[v & 15];
    w[14] = '\r';
    w[15] = '\n';
    return w + 16;
  }
  const int n = boundedFormatA(w, 64, " %06d 0x%04x\r\n", offset, offset);
  return w + (n > 0 ? n : 0);
}

void closingLine(DumpOut& out, const char* lineEnd) {
  char line[520];
  if (boundedFormatA(line, 520, kHyphens, lineEnd) > 0) out.put(line);
}

// One row of the character column of the UTF-8 table: 16 cells and the
// middle bar between cells 7 and 8.
struct Utf8Row {
  char* w;
  int cell = 0;

  void put(const char* bytes, std::size_t n, int width) {
    if (cell == 8) *w++ = '|';
    for (std::size_t i = 0; i < n; ++i) *w++ = bytes[i];  // at most four bytes: no library call
    cell += width;
  }
  void put(char c) { put(&c, 1, 1); }
  bool full() const { return cell >= kCells; }
};

// Cells a character leaves for the next row; `code` names the case by the
// character's length times 100 plus its first cell (22 for two bytes from
// cell 15), 1 for the blank cells of a character cut short by the text's end.
struct CarryState {
  int code = 0;
  const char* glyph = nullptr;  // the character's bytes, when its glyph moves on
  int glyphBytes = 0;
  int dots = 0;
  int blanks = 0;
};

// Places the character of `k` bytes at `text` (`available` of them exist)
// from the row's current cell; what does not fit the row goes to `carryState`.
void putUtf8Cell(Utf8Row& row, const char* text, int k, int available, CarryState& carryState) {
  const int first = row.cell;
  carryState = CarryState{};
  if (available < k) {
    for (int i = 0; i < available; ++i) {
      if (row.full()) {
        carryState.code = 1;
        carryState.blanks = available - i;
        return;
      }
      row.put(' ');
    }
    return;
  }
  if (k == 1) {
    const auto b = static_cast<unsigned char>(text[0]);
    row.put(b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : ' ');
    return;
  }
  const int width = k == 2 ? 1 : 2;
  int dots = k - width;
  if (width == 2 && (first == 7 || first == 15)) {
    row.put('`');  // a wide glyph never straddles the bar or the row end
    --dots;
  }
  if (row.full()) {
    carryState = CarryState{k * 100 + first, text, k, dots, 0};
    return;
  }
  row.put(text, static_cast<std::size_t>(k), width);
  for (int i = 0; i < dots; ++i) {
    if (row.full()) {
      carryState = CarryState{k == 2 ? 22 : k * 100 + first, nullptr, 0, dots - i, 0};
      return;
    }
    row.put('.');
  }
}

// The carried cells open the next row.
void putCarry(Utf8Row& row, const CarryState& carryState) {
  if (carryState.glyph != nullptr) row.put(carryState.glyph, static_cast<std::size_t>(carryState.glyphBytes), 2);
  for (int i = 0; i < carryState.dots; ++i) row.put('.');
  for (int i = 0; i < carryState.blanks; ++i) row.put(' ');
}

}  // namespace

void appendDumpHeader(DumpOut& out, const char* charSetLabel, const char* prefix, std::int32_t length,
                      const void* address, const char* lineEnd) {
  char line[kMessageCapacity];
  if (boundedFormatA(line, 260, kHyphens, lineEnd) > 0) out.put(line);
  if (boundedFormatA(line, kMessageCapacity, "addr={%p} prefix={%s} charSet={%s} size(BYTE)=%ld%s", address, prefix,
                     charSetLabel, length, lineEnd) > 0) {
    out.put(line);
  }
  if (boundedFormatA(line, 260, "00 01 02 03 04 05 06 07 |08 09 0A 0B 0C 0D 0E 0F |01234567|89ABCDEF| Dec   Hex%s",
                     lineEnd) > 0) {
    out.put(line);
  }
  if (boundedFormatA(line, 260, kHyphens, lineEnd) > 0) out.put(line);
}

void buildRawTable(const unsigned char* data, std::int32_t size, const char* charSetLabel, const char* prefix,
                   const char* lineEnd, DumpOut& out) {
  appendDumpHeader(out, charSetLabel, prefix, size, data, lineEnd);
  for (std::int32_t offset = 0; offset < size; offset += kCells) {
    const int count = size - offset < kCells ? size - offset : kCells;
    const unsigned char* row = data + offset;
    char* const start = out.reserve(kRowRoom);
    char* w = hexColumn(start, row, count);
    if (count == kCells) {
      for (int cell = 0; cell < 8; ++cell) w[cell] = kPrintable.shown[row[cell]];
      for (int cell = 8; cell < kCells; ++cell) w[cell + 1] = kPrintable.shown[row[cell]];
    } else {
      std::memset(w, ' ', 17);
      for (int cell = 0; cell < count; ++cell) w[cell + (cell >= 8)] = kPrintable.shown[row[cell]];
    }
    w[8] = '|';
    w[17] = '|';
    w += 18;
    w = offsetColumn(w, offset + count);
    out.commit(static_cast<std::size_t>(w - start));
  }
  closingLine(out, lineEnd);
}

bool writeUtf8Table(const char* text, std::size_t length, const char* prefix, const char* lineEnd, DumpOut& out) {
  // A character that starts on a byte that cannot lead one stops the whole
  // table before anything of it is written.
  for (std::size_t p = 0; p < length;) {
    const int k = utf8LeadLength(static_cast<unsigned char>(text[p]));
    if (k == 0) return false;
    p += static_cast<std::size_t>(k);
  }
  const auto n = static_cast<std::int32_t>(length);
  appendDumpHeader(out, "UTF8(NoBom)", prefix, n, text, lineEnd);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  CarryState carryState;
  for (std::int32_t offset = 0; offset < n; offset += kCells) {
    const int count = n - offset < kCells ? n - offset : kCells;
    char* const start = out.reserve(kRowRoom);
    Utf8Row row{hexColumn(start, bytes + offset, count)};
    putCarry(row, carryState);
    carryState = CarryState{};
    // A cell is a byte: the next character starts at the row's offset plus the cell.
    while (!row.full() && carryState.code == 0 && offset + row.cell < n) {
      const std::int32_t pos = offset + row.cell;
      const unsigned char b = bytes[pos];
      if (b < 0x80) {
        if (row.cell == 8) *row.w++ = '|';
        *row.w++ = kPrintable.shown[b];
        ++row.cell;
        continue;
      }
      const int k = utf8LeadLength(b);
      const int end = row.cell + k;
      if (k > 1 && pos + k <= n && end <= kCells && (end <= 8 || row.cell >= 8) &&
          (k == 2 || (row.cell != 7 && row.cell != 15))) {
        // The common case: the character fits in one half of the row.
        if (row.cell == 8) *row.w++ = '|';
        char* w = row.w;
        switch (k) {
          case 2: std::memcpy(w, text + pos, 2); w[2] = '.'; break;
          case 3: std::memcpy(w, text + pos, 3); w[3] = '.'; break;
          default: std::memcpy(w, text + pos, 4); w[4] = '.'; w[5] = '.'; break;
        }
        row.w += k + (k == 4 ? 2 : 1);
        row.cell = end;
        continue;
      }
      const int available = n - pos < k ? n - pos : k;
      putUtf8Cell(row, text + pos, k, available, carryState);
    }
    while (!row.full()) row.put(' ');
    *row.w++ = '|';
    char* w = offsetColumn(row.w, offset + count);
    out.commit(static_cast<std::size_t>(w - start));
  }
  closingLine(out, lineEnd);
  return true;
}

int formatTimingMessage(char* out, int capacity, double seconds) {
  return boundedFormatA(out, capacity, "logDumpUTF8 %s=%lf[sec]", "処理時間", seconds);
}

namespace {

// With WriteFlg 1 a table ends with the INFO line of the time it took, in
// the same unit: a rotation never parts them.
void finishTable(DumpOut& out) {
  char message[260];
  if (session.writeFlg == 1 && session.outputLevel >= 0 && formatTimingMessage(message, 260, elapsedSeconds()) > 0) {
    char line[kSysLineCapacity];
    const int n = formatSysLine(line, kInfo, message);
    if (n > 0) out.put(line, static_cast<std::size_t>(n));
    forward::sysLine(kInfo, message);
  }
  out.finish();
}

}  // namespace
}  // namespace corvelin

extern "C" CORVELIN_API void CORVELIN_CALL logDumpRaw(const void* data, std::int32_t size, const char* prefix) {
  using namespace corvelin;
  ApiGuard guard;
  if (!sessionActive() || data == nullptr || prefix == nullptr) return;
  const char* source = "corvelin.cpp logDumpRaw()";
  const auto limit = static_cast<std::int32_t>(kMaxLine);
  if (!bufSizCheck_U8(session.fileHandle, source, limit, static_cast<std::int64_t>(measureBounded(data, size))) ||
      !bufSizCheck_U8(session.fileHandle, source, 510, static_cast<std::int64_t>(std::strlen(prefix)))) {
    return;
  }
  if (session.writeFlg == 1) startTicks = platform::ticksSince1970();
  if (!bufSizCheck_U8(session.fileHandle, source, limit, size)) return;
  const char* charSet = "";
  if (session.fileEncoding == kEncodingUtf8) charSet = session.bomSetFlg == 1 ? "UTF8N(BomSet)" : "UTF8(NoBom)";
  DumpUnit unit;
  DumpOut out(dumpStage(), kDumpStage, flushToLog, &unit);
  buildRawTable(static_cast<const unsigned char*>(data), size, charSet, prefix, lineEndA, out);
  finishTable(out);
}

extern "C" CORVELIN_API void CORVELIN_CALL logDumpUTF8(const char* text, std::int32_t /*size*/, const char* prefix) {
  using namespace corvelin;
  ApiGuard guard;
  if (!sessionActive() || text == nullptr || prefix == nullptr) return;
  const char* source = "corvelin.cpp logDumpUTF8()";
  const std::size_t length = std::strlen(text);
  if (!bufSizCheck_U8(session.fileHandle, source, static_cast<std::int32_t>(kMaxLine),
                      static_cast<std::int64_t>(length)) ||
      !bufSizCheck_U8(session.fileHandle, source, 510, static_cast<std::int64_t>(std::strlen(prefix)))) {
    return;
  }
  if (session.writeFlg == 1) startTicks = platform::ticksSince1970();
  DumpUnit unit;
  DumpOut out(dumpStage(), kDumpStage, flushToLog, &unit);
  writeUtf8Table(text, length, prefix, lineEndA, out);
  finishTable(out);
}
