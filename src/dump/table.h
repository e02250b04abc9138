// The 16-bytes-per-row tables: the raw memory table and the UTF-8 table.
//
//   -----------------------------------------------------------------------------------
//   addr={0000020C5A3B1F40} prefix={pfx} charSet={UTF8(NoBom)} size(BYTE)=5
//   00 01 02 03 04 05 06 07 |08 09 0A 0B 0C 0D 0E 0F |01234567|89ABCDEF| Dec   Hex
//   -----------------------------------------------------------------------------------
//   41 42 e3 81 82          |                        |ABあ.   |        | 000005 0x0005
//   -----------------------------------------------------------------------------------
//
// Header and closing lines end with the session's line ending; rows always
// end with CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dump/dump_out.h"

namespace corvelin {

// The four header lines.
void appendDumpHeader(DumpOut& out, const char* charSetLabel, const char* prefix, std::int32_t length,
                      const void* address, const char* lineEnd);

// The raw table of `size` bytes (no rows for 0 or less): bytes 20-7E show
// as themselves in the character column, every other byte as a space.
void buildRawTable(const unsigned char* data, std::int32_t size, const char* charSetLabel, const char* prefix,
                   const char* lineEnd, DumpOut& out);

// The UTF-8 table of `text` (`length` bytes, no zero byte among them): the
// character column shows the characters, a glyph one cell wide for two-byte
// characters and two cells wide for longer ones, the rest of their cells
// dots, a backtick where a wide glyph would straddle the middle bar or the
// row end. A character cut short by the end of the text shows as blanks.
// False, and nothing written, when a character starts on a byte that cannot
// lead one (80-C1, F8-FF).
bool writeUtf8Table(const char* text, std::size_t length, const char* prefix, const char* lineEnd, DumpOut& out);

// "logDumpUTF8 処理時間=<seconds>[sec]", the message of the timing line.
int formatTimingMessage(char* out, int capacity, double seconds);

}  // namespace corvelin
