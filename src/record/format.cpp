#include "record/format.h"

#include <cmath>
#include <cstring>

namespace corvelin {
namespace {

// Collects output; once something does not fit, everything is refused.
template <class C>
struct Sink {
  C* dst;
  int capacity;
  int pos = 0;
  bool overflow = false;

  void put(C c) {
    if (pos + 1 < capacity) {
      dst[pos++] = c;
    } else {
      overflow = true;
    }
  }
  void repeat(C c, int n) {
    for (int i = 0; i < n; ++i) put(c);
  }
  void ascii(const char* s, int n) {
    for (int i = 0; i < n; ++i) put(static_cast<C>(static_cast<unsigned char>(s[i])));
  }
};

struct Field {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  int width = 0;
  int precision = -1;
  int size = 32;  // 32 or 64 bits for the integer conversions
  bool generic = false;  // %Ts
};

template <class C>
int stringLength(const C* s) {
  int n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// Places `body` (already converted, ASCII) with sign/prefix and padding.
template <class C>
void emitNumber(Sink<C>& out, const Field& field, const char* prefix, const char* digits, int ndigits) {
  const int nprefix = static_cast<int>(std::strlen(prefix));
  int zeros = 0;
  if (field.precision > ndigits) zeros = field.precision - ndigits;
  int len = nprefix + zeros + ndigits;
  const bool zeroPad = field.zero && !field.left && field.precision < 0;
  if (zeroPad && field.width > len) {
    zeros += field.width - len;
    len = field.width;
  }
  if (!field.left && field.width > len) out.repeat(C(' '), field.width - len);
  out.ascii(prefix, nprefix);
  out.repeat(C('0'), zeros);
  out.ascii(digits, ndigits);
  if (field.left && field.width > len) out.repeat(C(' '), field.width - len);
}

int toDigits(std::uint64_t v, unsigned base, bool upper, char* buf) {
  const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char tmp[24];
  int n = 0;
  do {
    tmp[n++] = set[v % base];
    v /= base;
  } while (v != 0);
  for (int i = 0; i < n; ++i) buf[i] = tmp[n - 1 - i];
  return n;
}

template <class C>
void emitText(Sink<C>& out, const Field& field, const C* s, int n) {
  if (field.precision >= 0 && field.precision < n) n = field.precision;
  if (!field.left && field.width > n) out.repeat(C(' '), field.width - n);
  if (!out.overflow && out.pos + n < out.capacity) {
    std::memcpy(out.dst + out.pos, s, static_cast<std::size_t>(n) * sizeof(C));
    out.pos += n;
  } else if (n > 0) {
    out.overflow = true;
  }
  if (field.left && field.width > n) out.repeat(C(' '), field.width - n);
}

template <class C>
bool convert(Sink<C>& out, const Field& field, C conv, const FmtArg& arg) {
  char digits[80];
  switch (conv) {
    case C('d'):
    case C('i'): {
      std::int64_t v;
      if (field.size == 64 && arg.kind == ArgKind::I64) {
        v = arg.i64;
      } else if (field.size == 32 && arg.kind == ArgKind::I32) {
        v = arg.i32;
      } else {
        return false;
      }
      const std::uint64_t mag = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
      const char* sign = v < 0 ? "-" : field.plus ? "+" : field.space ? " " : "";
      emitNumber(out, field, sign, digits, toDigits(mag, 10, false, digits));
      return true;
    }
    case C('u'):
    case C('x'):
    case C('X'): {
      std::uint64_t v;
      if (field.size == 64 && arg.kind == ArgKind::I64) {
        v = static_cast<std::uint64_t>(arg.i64);
      } else if (field.size == 32 && arg.kind == ArgKind::U32) {
        v = arg.u32;
      } else if (field.size == 32 && arg.kind == ArgKind::I32) {
        v = static_cast<std::uint32_t>(arg.i32);
      } else {
        return false;
      }
      const bool hex = conv != C('u');
      const bool upper = conv == C('X');
      const char* prefix = hex && field.alt && v != 0 ? (upper ? "0X" : "0x") : "";
      emitNumber(out, field, prefix, digits, toDigits(v, hex ? 16 : 10, upper, digits));
      return true;
    }
    case C('f'): {
      if (arg.kind != ArgKind::F64) return false;
      const int n = formatFixed(arg.f64, field.precision < 0 ? 6 : field.precision, digits, sizeof digits);
      if (n < 0) return false;
      // formatFixed gives the sign itself; pad around the whole text.
      const bool negative = digits[0] == '-';
      const char* sign = negative ? "-" : field.plus ? "+" : field.space ? " " : "";
      Field plain = field;
      plain.precision = -1;
      emitNumber(out, plain, sign, digits + (negative ? 1 : 0), n - (negative ? 1 : 0));
      return true;
    }
    case C('p'): {
      if (arg.kind != ArgKind::Ptr) return false;
      const int n = toDigits(reinterpret_cast<std::uintptr_t>(arg.ptr), 16, true, digits);
      Field p = field;
      p.precision = static_cast<int>(sizeof(void*) * 2);
      p.zero = false;
      emitNumber(out, p, "", digits, n);
      return true;
    }
    case C('c'): {
      C c;
      if (arg.kind == ArgKind::Chr) {
        c = static_cast<C>(static_cast<unsigned char>(arg.chr));
      } else if (arg.kind == ArgKind::I32) {
        c = static_cast<C>(arg.i32);
      } else {
        return false;
      }
      emitText(out, field, &c, 1);
      return true;
    }
    case C('s'): {
      const C* s = nullptr;
      if constexpr (sizeof(C) == 1) {
        if (arg.kind != ArgKind::StrA) return false;
        s = reinterpret_cast<const C*>(arg.strA);
      } else {
        if (arg.kind != ArgKind::StrW) return false;
        s = reinterpret_cast<const C*>(arg.strW);
      }
      if (s == nullptr) {
        static const C kNull[] = {C('('), C('n'), C('u'), C('l'), C('l'), C(')'), C(0)};
        s = kNull;
      }
      emitText(out, field, s, stringLength(s));
      return true;
    }
    default:
      return false;
  }
}

template <class C>
int formatArgs(C* dst, int capacity, const C* format, const FmtArg* args, int count) {
  if (dst == nullptr || capacity <= 0) return -1;
  Sink<C> out{dst, capacity};
  bool bad = format == nullptr;
  int next = 0;
  for (const C* f = format; !bad && *f != 0 && !out.overflow;) {
    if (*f != C('%')) {
      const C* run = f;
      while (*f != 0 && *f != C('%')) ++f;
      emitText(out, Field{}, run, static_cast<int>(f - run));
      continue;
    }
    ++f;
    if (*f == C('%')) {
      out.put(C('%'));
      ++f;
      continue;
    }
    Field field;
    for (;; ++f) {
      if (*f == C('-')) field.left = true;
      else if (*f == C('0')) field.zero = true;
      else if (*f == C('+')) field.plus = true;
      else if (*f == C(' ')) field.space = true;
      else if (*f == C('#')) field.alt = true;
      else break;
    }
    while (*f >= C('0') && *f <= C('9') && field.width < 100000) field.width = field.width * 10 + (*f++ - C('0'));
    if (*f == C('.')) {
      ++f;
      field.precision = 0;
      while (*f >= C('0') && *f <= C('9') && field.precision < 100000)
        field.precision = field.precision * 10 + (*f++ - C('0'));
    }
    if (*f == C('I') && f[1] == C('6') && f[2] == C('4')) {
      field.size = 64;
      f += 3;
    } else if (*f == C('I') && f[1] == C('3') && f[2] == C('2')) {
      f += 3;
    } else if (*f == C('l') && f[1] == C('l')) {
      field.size = 64;
      f += 2;
    } else if (*f == C('l') || *f == C('h')) {
      // %ld is 32-bit and %lf is a double in this dialect; %hd is left as %d.
      ++f;
    } else if (*f == C('T')) {
      field.generic = true;
      ++f;
    }
    const C conv = *f;
    if (conv == 0 || next >= count) {
      bad = true;
      break;
    }
    if (field.generic && conv != C('s')) {
      bad = true;
      break;
    }
    ++f;
    if (!convert(out, field, conv, args[next++])) bad = true;
  }
  if (bad || out.overflow || next != count) {
    dst[0] = 0;
    return -1;
  }
  dst[out.pos] = 0;
  return out.pos;
}

// Arbitrary-precision unsigned integer, just enough for exact fixed-point
// printing of a double: 2^1024 times 10^40 needs fewer than 1200 bits.
struct BigUint {
  static constexpr int kLimbs = 40;
  std::uint32_t limb[kLimbs] = {};
  int used = 0;

  void mulSmall(std::uint32_t m) {
    std::uint64_t carry = 0;
    for (int i = 0; i < used; ++i) {
      const std::uint64_t t = static_cast<std::uint64_t>(limb[i]) * m + carry;
      limb[i] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry != 0) limb[used++] = static_cast<std::uint32_t>(carry);
  }
  void shiftLeft(int bits) {
    const int words = bits / 32, rest = bits % 32;
    if (used == 0) return;
    for (int i = used - 1; i >= 0; --i) {
      const std::uint64_t v = static_cast<std::uint64_t>(limb[i]) << rest;
      limb[i + words + 1] |= static_cast<std::uint32_t>(v >> 32);
      limb[i + words] = static_cast<std::uint32_t>(v);
    }
    for (int i = 0; i < words; ++i) limb[i] = 0;
    used += words + 1;
    while (used > 0 && limb[used - 1] == 0) --used;
  }
  bool bit(int n) const {
    const int w = n / 32;
    return w < used && ((limb[w] >> (n % 32)) & 1u) != 0;
  }
  bool anyBelow(int n) const {  // any of bits 0 .. n-1 set
    for (int i = 0; i < n; ++i) {
      if (bit(i)) return true;
    }
    return false;
  }
  void shiftRight(int bits) {
    const int words = bits / 32, rest = bits % 32;
    if (words >= used) {
      *this = BigUint{};
      return;
    }
    for (int i = 0; i + words < used; ++i) {
      std::uint64_t v = limb[i + words] >> rest;
      if (rest != 0 && i + words + 1 < used) v |= static_cast<std::uint64_t>(limb[i + words + 1]) << (32 - rest);
      limb[i] = static_cast<std::uint32_t>(v);
    }
    for (int i = used - words; i < used; ++i) limb[i] = 0;
    used -= words;
    while (used > 0 && limb[used - 1] == 0) --used;
  }
  void addOne() {
    for (int i = 0; i < used; ++i) {
      if (++limb[i] != 0) return;
    }
    limb[used++] = 1;
  }
  std::uint32_t divSmall(std::uint32_t d) {
    std::uint64_t rem = 0;
    for (int i = used - 1; i >= 0; --i) {
      const std::uint64_t cur = (rem << 32) | limb[i];
      limb[i] = static_cast<std::uint32_t>(cur / d);
      rem = cur % d;
    }
    while (used > 0 && limb[used - 1] == 0) --used;
    return static_cast<std::uint32_t>(rem);
  }
};

}  // namespace

int formatFixed(double value, int precision, char* out, int capacity) {
  if (precision < 0 || precision > 40 || capacity <= 0) return -1;
  char text[400];
  int n = 0;
  if (std::signbit(value)) text[n++] = '-';
  if (std::isnan(value)) {
    // The Microsoft runtime's spellings.
    const char* s = std::signbit(value) ? "nan(ind)" : "nan";
    n = std::signbit(value) ? 1 : 0;
    for (; *s != 0; ++s) text[n++] = *s;
  } else if (std::isinf(value)) {
    for (const char* s = "inf"; *s != 0; ++s) text[n++] = *s;
  } else {
    int exp2 = 0;
    const double frac = std::frexp(std::fabs(value), &exp2);  // value = frac * 2^exp2
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(frac, 53));
    exp2 -= 53;  // |value| = mantissa * 2^exp2 exactly
    BigUint big;
    big.limb[0] = static_cast<std::uint32_t>(mantissa);
    big.limb[1] = static_cast<std::uint32_t>(mantissa >> 32);
    big.used = big.limb[1] != 0 ? 2 : big.limb[0] != 0 ? 1 : 0;
    for (int i = 0; i < precision; ++i) big.mulSmall(10);
    if (exp2 >= 0) {
      big.shiftLeft(exp2);
    } else {
      const int s = -exp2;
      const bool half = big.bit(s - 1);
      const bool rest = big.anyBelow(s - 1);
      big.shiftRight(s);
      if (half && (rest || big.bit(0))) big.addOne();
    }
    char digits[400];
    int nd = 0;
    while (big.used > 0) {
      std::uint32_t chunk = big.divSmall(1000000000u);
      for (int i = 0; i < 9; ++i) {
        digits[nd++] = static_cast<char>('0' + chunk % 10);
        chunk /= 10;
      }
    }
    while (nd > 0 && digits[nd - 1] == '0') --nd;
    while (nd < precision + 1) digits[nd++] = '0';
    for (int i = nd - 1; i >= 0; --i) {
      text[n++] = digits[i];
      if (i == precision && precision > 0) text[n++] = '.';
    }
  }
  if (n + 1 > capacity) return -1;
  std::memcpy(out, text, static_cast<std::size_t>(n));
  out[n] = 0;
  return n;
}

int formatArgsA(char* dst, int capacity, const char* format, const FmtArg* args, int count) {
  return formatArgs<char>(dst, capacity, format, args, count);
}

int formatArgsW(char16_t* dst, int capacity, const char16_t* format, const FmtArg* args, int count) {
  return formatArgs<char16_t>(dst, capacity, format, args, count);
}

}  // namespace corvelin
