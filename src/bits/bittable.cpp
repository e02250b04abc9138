#include "bits/bittable.h"

#include <climits>

#include "record/format.h"
#include "record/textconv.h"

namespace corvelin {
namespace {

const char* const kShortRuler = "+-----------------+%s";
const char* const kLongRuler = "+-----------------------------------+%s";

// Arguments of one row; the line ending is added by Table::put.
struct Args {
  FmtArg list[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  int count = 0;
  void add(FmtArg a) { list[count++] = a; }
};

// Appends rows at the running offset; one row that does not fit spoils the table.
class Table {
 public:
  Table(char* out, std::size_t capacity, const char* lineEnd) : out_(out), capacity_(capacity), lineEnd_(lineEnd) {
    if (capacity_ > 0) out_[0] = 0;
  }

  template <class... A>
  void row(const char* format, const A&... args) {
    Args a;
    (a.add(FmtArg(args)), ...);
    put(format, a);
  }

  void put(const char* format, Args a) {
    if (failed_) return;
    a.add(FmtArg(lineEnd_));
    const std::size_t room = capacity_ - pos_;
    const int n = formatArgsA(out_ + pos_, room > INT_MAX ? INT_MAX : static_cast<int>(room), format, a.list,
                              a.count);
    if (n < 0) {
      failed_ = true;
      return;
    }
    pos_ += static_cast<std::size_t>(n);
  }

  std::size_t finish() {
    if (!failed_) return pos_;
    if (capacity_ > 0) out_[0] = 0;
    return 0;
  }

 private:
  char* out_;
  std::size_t capacity_;
  const char* lineEnd_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// The rows of a scalar table that depend on the length n of its UTF-8 form.
struct ScalarLayout {
  const char* scalarHeader;
  const char* scalarHex;
  int scalarHexBytes;  // scalar bytes shown before the whole value, ending with b0
  const char* scalarBits;
  int scalarBitColumns;  // 3: S2m S1 S0; 2: S1 S0
  const char* utf8Hex;
  const char* utf8Header;
  const char* utf8Bits;
};

// Four-byte scalars show only b1 and b0 in their hex cells; the plane byte
// is in the SCALAR-HEX figure. Readers of old logs know the table so.
const ScalarLayout kLayouts[4] = {
    {"|    *   |    *   |    *   |    0   |  [%s]%s",
     "|********|********|********|  0x%02x  |  SCALAR-HEX(UINT32)=0x%08x%s", 1,
     "|********|%s|%s|%s|  UNICODE(SCALAR) Bit Pattern!%s", 3,
     "|    *   |    *   |    *   |  0x%02x  |  HEX(UINT32)=0x%08x%s",
     "|32    24|      16|       8|       0|  [%s]%s",
     "|********|********|********|%s|  UTF8 Decode (%d bytes char)!%s"},
    {"|    *   |    *   |    0   |    1   |  [%s]%s",
     "|********|********|  0x%02x  |  0x%02x  |  SCALAR-HEX(UINT32)=0x%08x%s", 2,
     "|********|********|%s|%s|  UNICODE(SCALAR) Bit Pattern!%s", 2,
     "|    *   |    *   |  0x%02x  |  0x%02x  |  DECODE-HEX(UINT32)=0x%08x%s",
     "|32    24|      16|       8|       0|  [%s]%s",
     "|********|********|%s|%s|  UTF8 Decode(%d bytes char)!%s"},
    {"|    *   |    0   |    1   |    2   |  [%s]%s",
     "|********|  0x%02x  |  0x%02x  |  0x%02x  |  SCALAR-HEX(UINT32)=0x%08x%s", 3,
     "|********|%s|%s|%s|  UNICODE(SCALAR) Bit Pattern!%s", 3,
     "|    *   |  0x%02x  |  0x%02x  |  0x%02x  |  DECODE-HEX(UINT32)=0x%08x%s",
     "|32    24|      16|       8|       0|  [%s]%s",
     "|********|%s|%s|%s|  UTF8 Decode(%d bytes char)!%s"},
    {"|    0   |    1   |    2   |    3   |  [%s]%s",
     "|********|********|  0x%02x  |  0x%02x  |  SCALAR-HEX(UINT32)=0x%08x%s", 2,
     "|********|%s|%s|%s|  UNICODE(SCALAR) Bit Pattern!%s", 3,
     "|  0x%02x  |  0x%02x  |  0x%02x  |  0x%02x  |  DECODE-HEX(UINT32)=0x%08x%s",
     "|32    24|      16|       8|       0|  [%Ts]%s",
     "|%s|%s|%s|%s|  UTF8 Decode(%d bytes char)!%s"},
};

}  // namespace

void byteToBitString(std::uint8_t byte, char (&out)[9]) {
  for (int i = 0; i < 8; ++i) out[7 - i] = static_cast<char>('0' + ((byte >> i) & 1));
  out[8] = 0;
}

std::size_t buildBitTable16(std::uint16_t value, const char* label, const char* lineEnd, char* out,
                            std::size_t capacity) {
  const std::uint8_t b0 = value & 0xFF;
  const std::uint8_t b1 = static_cast<std::uint8_t>(value >> 8);
  char s0[9], s1[9];
  byteToBitString(b0, s0);
  byteToBitString(b1, s1);
  Table t(out, capacity, lineEnd);
  t.row(kShortRuler);
  t.row("|    0   |    1   |  [%s]%s", label);
  t.row(kShortRuler);
  t.row("|   %02x   |   %02x   |   HEX=0x%04x%s", std::uint32_t{b0}, std::uint32_t{b1}, std::uint32_t{value});
  t.row(kShortRuler);
  t.row("|%s|%s|   UTF16_LE Bit Pattern!%s", s0, s1);
  t.row(kShortRuler);
  return t.finish();
}

std::size_t buildBitTable32(std::uint32_t value, const char* label, const char* lineEnd, char* out,
                            std::size_t capacity) {
  std::uint32_t b[4];
  char s[4][9];
  for (int i = 0; i < 4; ++i) {
    b[i] = (value >> (8 * i)) & 0xFF;
    byteToBitString(static_cast<std::uint8_t>(b[i]), s[i]);
  }
  Table t(out, capacity, lineEnd);
  t.row(kLongRuler);
  t.row("|    0   |    1   |    2   |    3   |  [%s]%s", label);
  t.row(kLongRuler);
  t.row("|   %02x   |   %02x   |   %02x   |   %02x   |  HEX=0x%08x%s", b[0], b[1], b[2], b[3], value);
  t.row(kLongRuler);
  t.row("|%s|%s|%s|%s|  UTF32_LE Bit Pattern!%s", s[0], s[1], s[2], s[3]);
  t.row(kLongRuler);
  return t.finish();
}

std::size_t buildScalarBitTable(std::uint32_t scalar, const char* label, const char* lineEnd, char* out,
                                std::size_t capacity) {
  if (scalar > kMaxScalar) {
    if (capacity > 0) out[0] = 0;
    return 0;
  }
  // The scalar's bytes, lowest first, and their bit strings.
  std::uint32_t b[4];
  char s[4][9];
  for (int i = 0; i < 4; ++i) {
    b[i] = (scalar >> (8 * i)) & 0xFF;
    byteToBitString(static_cast<std::uint8_t>(b[i]), s[i]);
  }
  // Bits 23-21 lie above any scalar: they are shown as '*'.
  char s2m[9];
  for (int i = 0; i < 9; ++i) s2m[i] = i < 3 ? '*' : s[2][i];

  // The UTF-8 bytes in sequence order, and the same bytes read as a
  // little-endian number.
  char encoded[4] = {};
  const int n = encodeUtf8(scalar, encoded);
  std::uint32_t u[4] = {};
  char us[4][9];
  std::uint32_t decoded = 0;
  for (int i = 0; i < 4; ++i) {
    u[i] = static_cast<unsigned char>(encoded[i]);
    byteToBitString(static_cast<std::uint8_t>(u[i]), us[i]);
    decoded |= u[i] << (8 * i);
  }

  const ScalarLayout& layout = kLayouts[n - 1];
  Table t(out, capacity, lineEnd);
  t.row(kLongRuler);
  t.row(layout.scalarHeader, label);
  t.row(kLongRuler);
  Args hex;
  for (int i = layout.scalarHexBytes - 1; i >= 0; --i) hex.add(FmtArg(b[i]));
  hex.add(FmtArg(scalar));
  t.put(layout.scalarHex, hex);
  t.row(kLongRuler);
  t.row("|32    24| 21   16|       8|       0|  [%s]%s", label);
  t.row(kLongRuler);
  if (layout.scalarBitColumns == 3) {
    t.row(layout.scalarBits, s2m, s[1], s[0]);
  } else {
    t.row(layout.scalarBits, s[1], s[0]);
  }
  t.row(kLongRuler);
  Args utf8Hex, utf8Bits;
  for (int i = 0; i < n; ++i) {
    utf8Hex.add(FmtArg(u[i]));
    utf8Bits.add(FmtArg(us[i]));
  }
  utf8Hex.add(FmtArg(decoded));
  utf8Bits.add(FmtArg(static_cast<std::int32_t>(n)));
  t.put(layout.utf8Hex, utf8Hex);
  t.row(kLongRuler);
  t.row(layout.utf8Header, label);
  t.row(kLongRuler);
  t.put(layout.utf8Bits, utf8Bits);
  t.row(kLongRuler);
  return t.finish();
}

}  // namespace corvelin
