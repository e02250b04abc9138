// Conversions between UTF-8, UTF-16 and code points, the bounded copy, and
// the size guard for wide arguments.
//
// Unlike their ancestors these routines are told the size of every output
// buffer, never write past it, and always leave a terminated string there
// (the empty one when they convert nothing), so callers need not zero-fill
// buffers first. Results are the
// historic ones: counts, 0 and -1 mean what they always meant.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace corvelin {

inline constexpr std::int64_t kMaxDecodeSize = 32768;

// Decodes `text` up to its terminator into `out` (at most `capacity` code
// points). Returns the count; 0 for an empty text, a null text or `size`
// over 32768; -1 for invalid UTF-8 or more characters than `capacity`
// (entries stored before the error stay). Encoded surrogates and values up
// to 0x1FFFFF are accepted. A four-byte lead directly before the terminator
// ends the text; a two- or three-byte one is invalid.
int utf8ToCodePoints(const char* text, std::uint32_t* out, std::int64_t size, int capacity);

// UTF-8 to UTF-16 in `out` (`capacity` units with the terminator). Returns
// the number of bytes of UTF-16 written (two per unit); 0 and the empty
// string when the text is empty, invalid or `size` is over 32768. A value
// above 0x10FFFF ends the output; a character that does not fit ends it too.
int utf8ToUtf16(const char* text, char16_t* out, std::int64_t size, int capacity);

// The UTF-8 form of one value (at most 0x10FFFF; surrogates are encoded
// like any other value) in 1 to 4 bytes at `out`, no terminator. Returns
// the byte count.
int encodeUtf8(std::uint32_t v, char* out);

// Code points (`sizeBytes` / 4 of them) to UTF-8 in `out` (`capacity` bytes
// with the terminator). Returns the bytes written, or 0 when a value above
// 0x10FFFF ended the conversion (what came before it stays in `out`).
int codePointsToUtf8(const std::uint32_t* codePoints, char* out, int sizeBytes, int capacity);

// UTF-16 to UTF-8 in `out` (`capacity` bytes with the terminator). Unpaired
// surrogates are dropped; a pair that combines above 0x10FFFF ends the
// output. Returns the length of the string `out` then holds.
int utf16ToUtf8(const char16_t* text, char* out, int capacity);

// Copies `count` bytes into a destination of 8190 bytes: 0, or 22 (EINVAL:
// no destination, or no source and the destination zero-filled), or 34
// (ERANGE: count over 8190, destination zero-filled). Count 0 touches nothing.
inline constexpr int kBoundedCopySize = 8190;
int boundedCopy(char* dst, const char* src, std::int64_t count);

// Appends `text` (without its terminator) at buf + pos when it fits within
// `capacity` bytes; returns pos plus the length of `text` either way, so a
// result above `capacity` tells the caller the text was not copied.
std::int64_t appendText(char* buf, std::int64_t capacity, std::int64_t pos, const char* text);

// The size guard for wide arguments: true for sizes up to 510. Above that it
// shows a box (only when `file` is not a usable handle) and gives false.
inline constexpr std::int64_t kMaxWideArgSize = 510;
bool bufSizCheck(platform::FileHandle file, const char16_t* name, std::int64_t size);

// The length a UTF-8 lead byte announces: 1 (00-7F), 2 (C2-DF), 3 (E0-EF),
// 4 (F0-F7), or 0 for a byte that cannot start a character (80-C1, F8-FF).
inline int utf8LeadLength(unsigned char b) {
  if (b < 0x80) return 1;
  if (b < 0xC2) return 0;
  if (b < 0xE0) return 2;
  if (b < 0xF0) return 3;
  if (b < 0xF8) return 4;
  return 0;
}

std::size_t u16len(const char16_t* s);
// Copies `src` whole into `dst` (`capacity` units with the terminator).
// False, and `dst` empty, when it does not fit.
bool u16copy(char16_t* dst, std::size_t capacity, const char16_t* src);

}  // namespace corvelin
