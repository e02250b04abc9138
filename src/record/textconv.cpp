#include "record/textconv.h"

#include <cstring>

#include "record/format.h"
#include "session/guard.h"

namespace corvelin {
namespace {

enum class Step { Char, End, Invalid };

bool isContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// Decodes the character at p. Reads no byte past a terminator: continuation
// bytes are checked one by one and a zero byte fails the check.
Step decodeOne(const unsigned char*& p, std::uint32_t& value) {
  const unsigned char lead = p[0];
  if (lead < 0x80) {
    value = lead;
    p += 1;
    return Step::Char;
  }
  if (lead < 0xC2 || lead > 0xF7) return Step::Invalid;
  if (lead < 0xE0) {
    if (!isContinuation(p[1])) return Step::Invalid;
    value = (static_cast<std::uint32_t>(lead & 0x1F) << 6) | (p[1] & 0x3Fu);
    p += 2;
    return Step::Char;
  }
  if (lead < 0xF0) {
    if (!isContinuation(p[1])) return Step::Invalid;
    if ((lead & 0x0F) == 0 && (p[1] & 0x20) == 0) return Step::Invalid;  // overlong
    if (!isContinuation(p[2])) return Step::Invalid;
    value = (static_cast<std::uint32_t>(lead & 0x0F) << 12) | (static_cast<std::uint32_t>(p[1] & 0x3F) << 6) |
            (p[2] & 0x3Fu);
    p += 3;
    return Step::Char;
  }
  if (p[1] == 0) return Step::End;  // a four-byte lead at the very end closes the text
  if (!isContinuation(p[1])) return Step::Invalid;
  if ((lead & 0x07) == 0 && (p[1] & 0x30) == 0) return Step::Invalid;  // overlong
  if (!isContinuation(p[2]) || !isContinuation(p[3])) return Step::Invalid;
  value = (static_cast<std::uint32_t>(lead & 0x07) << 18) | (static_cast<std::uint32_t>(p[1] & 0x3F) << 12) |
          (static_cast<std::uint32_t>(p[2] & 0x3F) << 6) | (p[3] & 0x3Fu);
  p += 4;
  return Step::Char;
}

}  // namespace

int encodeUtf8(std::uint32_t v, char* out) {
  if (v <= 0x7F) {
    out[0] = static_cast<char>(v);
    return 1;
  }
  if (v <= 0x7FF) {
    out[0] = static_cast<char>(0xC0 | (v >> 6));
    out[1] = static_cast<char>(0x80 | (v & 0x3F));
    return 2;
  }
  if (v <= 0xFFFF) {
    out[0] = static_cast<char>(0xE0 | (v >> 12));
    out[1] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (v & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (v >> 18));
  out[1] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (v & 0x3F));
  return 4;
}

std::size_t u16len(const char16_t* s) {
  std::size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

bool u16copy(char16_t* dst, std::size_t capacity, const char16_t* src) {
  if (capacity == 0) return false;
  const std::size_t n = u16len(src);
  if (n >= capacity) {
    dst[0] = 0;
    return false;
  }
  std::memmove(dst, src, (n + 1) * sizeof(char16_t));
  return true;
}

int utf8ToCodePoints(const char* text, std::uint32_t* out, std::int64_t size, int capacity) {
  if (text == nullptr || size > kMaxDecodeSize || text[0] == 0) return 0;
  auto p = reinterpret_cast<const unsigned char*>(text);
  int count = 0;
  while (*p != 0) {
    std::uint32_t value = 0;
    const Step step = decodeOne(p, value);
    if (step == Step::End) break;
    if (step == Step::Invalid || count >= capacity) return -1;
    if (out != nullptr) out[count] = value;
    ++count;
  }
  return count;
}

int utf8ToUtf16(const char* text, char16_t* out, std::int64_t size, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  out[0] = 0;
  // The whole text is checked first: invalid UTF-8 converts to nothing at all.
  if (utf8ToCodePoints(text, nullptr, size, 0x7FFFFFFF) <= 0) return 0;
  auto p = reinterpret_cast<const unsigned char*>(text);
  int units = 0;
  while (*p != 0) {
    std::uint32_t v = 0;
    if (decodeOne(p, v) != Step::Char || v > 0x10FFFF) break;
    const int need = v >= 0x10000 ? 2 : 1;
    if (units + need + 1 > capacity) break;
    if (need == 2) {
      out[units++] = static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
      out[units++] = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
    } else {
      out[units++] = static_cast<char16_t>(v);
    }
  }
  out[units] = 0;
  return units * 2;
}

int codePointsToUtf8(const std::uint32_t* codePoints, char* out, int sizeBytes, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  out[0] = 0;
  const int entries = sizeBytes / 4;
  if (entries < 1 || codePoints == nullptr) return 0;
  int n = 0;
  int result = 0;
  for (int i = 0; i < entries; ++i) {
    if (codePoints[i] > 0x10FFFF) break;
    char bytes[4];
    const int k = encodeUtf8(codePoints[i], bytes);
    if (n + k + 1 > capacity) {
      result = n;
      break;
    }
    std::memcpy(out + n, bytes, static_cast<std::size_t>(k));
    n += k;
    if (i + 1 == entries) result = n;
  }
  out[n] = 0;
  return result;
}

int utf16ToUtf8(const char16_t* text, char* out, int capacity) {
  if (out == nullptr || capacity <= 0) return 0;
  int n = 0;
  if (text != nullptr) {
    for (std::size_t i = 0; text[i] != 0; ++i) {
      std::uint32_t v = text[i];
      if (v >= 0xD800 && v <= 0xDFFF) {
        const std::uint32_t next = text[i + 1];
        if (next < 0xDC00 || next > 0xDFFF) continue;  // unpaired: dropped
        v = ((v - 0xD800) << 10) + (next - 0xDC00) + 0x10000;
        ++i;
        if (v > 0x10FFFF) break;  // a low surrogate "paired" with another
      }
      char bytes[4];
      const int k = encodeUtf8(v, bytes);
      if (n + k + 1 > capacity) break;
      std::memcpy(out + n, bytes, static_cast<std::size_t>(k));
      n += k;
    }
  }
  out[n] = 0;
  return n;
}

int boundedCopy(char* dst, const char* src, std::int64_t count) {
  if (count == 0) return 0;
  if (dst == nullptr) return 22;
  if (src == nullptr) {
    std::memset(dst, 0, kBoundedCopySize);
    return 22;
  }
  if (count < 0 || count > kBoundedCopySize) {  // a negative count is a huge size_t to the old API
    std::memset(dst, 0, kBoundedCopySize);
    return 34;
  }
  std::memcpy(dst, src, static_cast<std::size_t>(count));
  return 0;
}

std::int64_t appendText(char* buf, std::int64_t capacity, std::int64_t pos, const char* text) {
  if (text == nullptr) return pos;
  const auto len = static_cast<std::int64_t>(std::strlen(text));
  if (buf != nullptr && pos >= 0 && len <= kBoundedCopySize && pos + len <= capacity) {
    boundedCopy(buf + pos, text, len);
  }
  return pos + len;
}

bool bufSizCheck(platform::FileHandle file, const char16_t* name, std::int64_t size) {
  if (size <= kMaxWideArgSize) return true;
  if (file != platform::kNoHandle && file != platform::kInvalidHandle) return false;
  char16_t text[260];
  boundedFormatW(text, 260, u"func={%s} maxSize=%d dataSize=%d", name, static_cast<std::int32_t>(kMaxWideArgSize),
                 static_cast<std::int32_t>(size > 0x7FFFFFFF ? 0x7FFFFFFF : size));
  showBox(text, u"[■--ERROR--■] bufSizCheck 続行不可能!", 0);
  return false;
}

}  // namespace corvelin
