// Bounded printf-style formatting in the Microsoft runtime's dialect.
//
// boundedFormatA writes narrow (UTF-8) text, boundedFormatW UTF-16 text, into
// `capacity` units, terminator included. Output that does not fit is never
// cut: the destination holds the empty string and the result is -1. The
// result is otherwise the number of units written without the terminator.
//
// Arguments are checked against the conversions at run time: a conversion
// whose argument has another type, a missing argument, a surplus argument
// or an unknown conversion gives -1 as well, so nothing is ever read as the
// wrong type. Types that are not listed in FmtArg do not compile.
//
// Conversions: %d %i %ld (int32_t), %I64d %lld (int64_t), %u %x %X with the
// same size prefixes (int32_t or uint32_t; int64_t for I64/ll), %f %lf
// (double; precision 6 unless given), %p (pointer, 16 upper-case hex digits),
// %c (char), %s and %Ts (a string of the formatter's own width; null prints
// "(null)"), %%. Flags - 0 + space #, a decimal width and precision.
#pragma once

#include <cstdint>

namespace corvelin {

enum class ArgKind : std::uint8_t { I32, U32, I64, F64, Chr, StrA, StrW, Ptr };

struct FmtArg {
  ArgKind kind;
  union {
    std::int32_t i32;
    std::uint32_t u32;
    std::int64_t i64;
    double f64;
    char chr;
    const char* strA;
    const char16_t* strW;
    const void* ptr;
  };
  constexpr FmtArg(std::int32_t v) : kind(ArgKind::I32), i32(v) {}
  constexpr FmtArg(std::uint32_t v) : kind(ArgKind::U32), u32(v) {}
  constexpr FmtArg(std::int64_t v) : kind(ArgKind::I64), i64(v) {}
  constexpr FmtArg(double v) : kind(ArgKind::F64), f64(v) {}
  constexpr FmtArg(char v) : kind(ArgKind::Chr), chr(v) {}
  constexpr FmtArg(const char* v) : kind(ArgKind::StrA), strA(v) {}
  constexpr FmtArg(char* v) : kind(ArgKind::StrA), strA(v) {}
  constexpr FmtArg(const char16_t* v) : kind(ArgKind::StrW), strW(v) {}
  constexpr FmtArg(char16_t* v) : kind(ArgKind::StrW), strW(v) {}
  constexpr FmtArg(const void* v) : kind(ArgKind::Ptr), ptr(v) {}
  // Every other type (long, unsigned char, bool, ...) must be converted by
  // the caller to one of the above, so that its width is explicit.
  template <class T>
  FmtArg(T) = delete;
};

int formatArgsA(char* dst, int capacity, const char* format, const FmtArg* args, int count);
int formatArgsW(char16_t* dst, int capacity, const char16_t* format, const FmtArg* args, int count);

template <class... A>
int boundedFormatA(char* dst, int capacity, const char* format, const A&... args) {
  const FmtArg list[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
  return formatArgsA(dst, capacity, format, list, static_cast<int>(sizeof...(A)));
}

template <class... A>
int boundedFormatW(char16_t* dst, int capacity, const char16_t* format, const A&... args) {
  const FmtArg list[sizeof...(A) + 1] = {FmtArg(args)..., FmtArg(0)};
  return formatArgsW(dst, capacity, format, list, static_cast<int>(sizeof...(A)));
}

// Fixed-point text of a double with `precision` decimals, correctly rounded
// (ties to even, as the current Microsoft and GNU runtimes print). Writes at
// most `capacity` - 1 characters and a terminator; returns the length, or -1
// when it does not fit or the precision is over 40.
int formatFixed(double value, int precision, char* out, int capacity);

}  // namespace corvelin
