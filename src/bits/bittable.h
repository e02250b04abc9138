// Ruled bit tables of integers and of Unicode scalar values, built in memory.
//
// Each builder writes the whole table, every line closed by `lineEnd`, into
// `out` (`capacity` bytes, terminator included) and returns its length. A
// table that does not fit gives 0 and the empty string. They touch no
// session state, so the exported functions decide when and where to write.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvelin {

inline constexpr std::uint32_t kMaxScalar = 0x10FFFF;

// The eight bits of `byte`, most significant first, and a terminator.
void byteToBitString(std::uint8_t byte, char (&out)[9]);

// Seven lines: the two bytes in memory order, in hex and in bits.
std::size_t buildBitTable16(std::uint16_t value, const char* label, const char* lineEnd, char* out,
                            std::size_t capacity);
// Seven lines: the four bytes in memory order, in hex and in bits.
std::size_t buildBitTable32(std::uint32_t value, const char* label, const char* lineEnd, char* out,
                            std::size_t capacity);
// Fifteen lines: the scalar, then its UTF-8 form. Surrogates are encoded
// like any other value; a scalar above kMaxScalar gives 0.
std::size_t buildScalarBitTable(std::uint32_t scalar, const char* label, const char* lineEnd, char* out,
                                std::size_t capacity);

}  // namespace corvelin
