// "00 " .. "ff ": the three characters of every byte value, stored four
// bytes wide so that a cell is one store (the fourth byte is overwritten by
// the next cell, or lies in room the writer reserved).
#pragma once

#include <cstdint>
#include <cstring>

namespace corvelin {

struct HexCells {
  char cell[256][4];
  constexpr HexCells() : cell() {
    const char* digits = "0123456789abcdef";
    for (int b = 0; b < 256; ++b) {
      cell[b][0] = digits[b >> 4];
      cell[b][1] = digits[b & 15];
      cell[b][2] = ' ';
      cell[b][3] = ' ';
    }
  }
};
inline constexpr HexCells kHexCells;

// Writes the cells of `count` bytes at `w` (needs 3 * count + 2 bytes of
// room: blanks may follow the cells) and returns the end of the 3 * count
// characters.
inline char* putHexCells(char* w, const unsigned char* bytes, std::size_t count) {
  std::size_t i = 0;
  for (; i + 2 <= count; i += 2, w += 6) {  // two cells, one eight-byte store
    std::uint32_t a, b;
    std::memcpy(&a, kHexCells.cell[bytes[i]], 4);
    std::memcpy(&b, kHexCells.cell[bytes[i + 1]], 4);
    // "xx yy " and two more blanks, which the next cells or the caller overwrite.
    const std::uint64_t pair = (a & 0xFFFFFFu) | (static_cast<std::uint64_t>(b) << 24) | (0x20ULL << 56);
    std::memcpy(w, &pair, 8);
  }
  if (i < count) {
    std::memcpy(w, kHexCells.cell[bytes[i]], 4);
    w += 3;
  }
  return w;
}

}  // namespace corvelin
