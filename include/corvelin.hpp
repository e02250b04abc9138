/*
 * corvelin for C++17: the C interface of corvelin.h with C++ types.
 *
 *   corvelin::Session   the process's session as an object: logTerm when it
 *                       goes, a failed start shows as false
 *   corvelin::info(text)            one record; text is any narrow (UTF-8)
 *                                   or wide (UTF-16) string
 *   corvelin::infof("%d files", n)  printf-style, with the host's vsnprintf
 *                                   (wide %ls arguments arrive as UTF-8)
 *   corvelin::info("{} files", n)   std::format-style, where the standard
 *                                   library has <format> (CORVELIN_HAS_FORMAT)
 *   CORVELIN_INFO("x"), CORVELIN_INFOF("%d", n)
 *                                   the same with "[file.cpp:42] " before it
 * and so for log (every level), debug, warning, error and critical.
 *
 * Narrow texts may also be C++20's char8_t ones (u8"...", std::u8string), and
 * a path may be a std::filesystem::path. A Session that did not start says
 * why: error() is the Win32 error code, errorText() the system's text for it.
 *
 * Header-only, over the exported functions: link the import library as for
 * the C header. Texts are copied into a stack buffer to be zero-terminated,
 * so a record costs no heap allocation. Every text reaches the library
 * whole: one longer than 8190 bytes gets the library's size report in the
 * log ("[SYSLOG][■--ERROR--■] bufSizCheck_U8() ... maxSize=8190 <
 * dataSize=N"), never a cut record. A zero byte inside a text (or a zero
 * code unit inside a wide one) is written as U+2400 SYMBOL FOR NULL, the
 * bytes E2 90 80, so that it cannot end the record early.
 */
#ifndef CORVELIN_HPP
#define CORVELIN_HPP

#include <corvelin.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#if __has_include(<filesystem>)
#  include <filesystem>
#  define CORVELIN_HAS_FILESYSTEM 1
#endif

#if __cplusplus >= 202002L || (defined(_MSVC_LANG) && _MSVC_LANG >= 202002L)
#  if __has_include(<format>)
#    include <format>
/* libc++ up to 16 ships <format> only with -fexperimental-library, and
   never defines __cpp_lib_format. */
#    if defined(__cpp_lib_format) || (defined(_LIBCPP_VERSION) && !defined(_LIBCPP_HAS_NO_INCOMPLETE_FORMAT))
#      define CORVELIN_HAS_FORMAT 1
#    endif
#  endif
#endif

/* MinGW's C++ mode formats with its C99 printf, not msvcrt's. */
#if defined(__MINGW_PRINTF_FORMAT)
#  define CORVELIN_PRINTF(fmt, args) __attribute__((format(__MINGW_PRINTF_FORMAT, fmt, args)))
#elif defined(__GNUC__)
#  define CORVELIN_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#  define CORVELIN_PRINTF(fmt, args)
#endif

/* From kernel32, declared here so that the header needs no <windows.h>: a
   failed start's reason and the system's text for it. */
#if defined(_WIN32)
#  define CORVELIN_SYSTEM_API __declspec(dllimport)
#else
#  define CORVELIN_SYSTEM_API
#endif
extern "C" {
CORVELIN_SYSTEM_API unsigned long CORVELIN_CALL GetLastError(void);
CORVELIN_SYSTEM_API unsigned long CORVELIN_CALL FormatMessageW(unsigned long flags, const void* source,
                                                               unsigned long messageId, unsigned long languageId,
                                                               wchar_t* buffer, unsigned long size,
                                                               std::va_list* arguments);
}

namespace corvelin {

/* The longest text (in bytes, terminator not counted) that the library
   takes; a longer one gets its size report instead of a record. */
inline constexpr std::size_t kMaxText = 8190;

namespace detail {

using Sink = void(CORVELIN_CALL*)(const char*);

/* A text argument: narrow UTF-8 or wide UTF-16 (UTF-32 where wchar_t has
   32 bits). A null pointer is no text: the call does nothing. */
struct Text {
  Text(const char* s) : narrow(s ? s : ""), null(s == nullptr) {}
  Text(std::string_view s) : narrow(s) {}
  Text(const std::string& s) : narrow(s) {}
#if defined(__cpp_lib_char8_t)
  Text(const char8_t* s) : Text(reinterpret_cast<const char*>(s)) {}
  Text(std::u8string_view s) : narrow(reinterpret_cast<const char*>(s.data()), s.size()) {}
  Text(const std::u8string& s) : Text(std::u8string_view(s)) {}
#endif
  Text(const wchar_t* s) : wide(s ? s : L""), isWide(true), null(s == nullptr) {}
  Text(std::wstring_view s) : wide(s), isWide(true) {}
  Text(const std::wstring& s) : wide(s), isWide(true) {}
#if defined(CORVELIN_HAS_FILESYSTEM)
  /* Through its native form: UTF-16 on Windows. */
  Text(const std::filesystem::path& p) : Text(p.native()) {}
#endif
  bool hasZero() const { return isWide ? wide.find(L'\0') != wide.npos : narrow.find('\0') != narrow.npos; }

  /* Whether the library gets this very name: every surrogate with its
     partner, or well-formed UTF-8 (no overlong form, no surrogate). */
  bool convertsWhole() const {
    if (isWide) {
      for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(wide[i]));
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] < 0xE000) {
          ++i;
        } else if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
          return false;
        }
      }
      return true;
    }
    for (std::size_t i = 0; i < narrow.size();) {
      const auto b = static_cast<unsigned char>(narrow[i]);
      const std::size_t k = b < 0x80 ? 1 : b < 0xC2 ? 0 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : b < 0xF5 ? 4 : 0;
      if (k == 0 || narrow.size() - i < k) return false;
      const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
      const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
      for (std::size_t j = 1; j < k; ++j) {
        const auto next = static_cast<unsigned char>(narrow[i + j]);
        if (next < (j == 1 ? low : 0x80) || next > (j == 1 ? high : 0xBF)) return false;
      }
      i += k;
    }
    return true;
  }

  std::string_view narrow;
  std::wstring_view wide;
  bool isWide = false;
  bool null = false;
};

/* One zero-terminated UTF-8 text on its way to the library. Up to kMaxText
   bytes it lives in the object (on the caller's stack); a longer one moves
   to the heap, whole, so that the library can report its real size. */
class Line {
 public:
  Line() = default;
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  void append(std::string_view s) {
    for (std::size_t zero; (zero = s.find('\0')) != s.npos; s.remove_prefix(zero + 1)) {
      put(s.data(), zero);
      put("\xE2\x90\x80", 3);
    }
    put(s.data(), s.size());
  }

  /* The UTF-8 of the character at s[i], moving i past it (a pair is one
     character; a surrogate without its partner is U+FFFD, a zero U+2400);
     its length. */
  static std::size_t utf8At(std::wstring_view s, std::size_t& i, char (&u)[4]) {
    char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i++]));
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i < s.size() && s[i] >= 0xDC00 && s[i] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(s[i++]) - 0xDC00);
    } else if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
      c = 0xFFFD;
    } else if (c == 0) {
      c = 0x2400;
    }
    static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    const std::size_t k = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    for (std::size_t j = k - 1; j > 0; --j, c >>= 6) u[j] = static_cast<char>(0x80 | (c & 0x3F));
    u[0] = static_cast<char>(kLead[k] | c);
    return k;
  }

  void append(std::wstring_view s) {
    char u[4];
    for (std::size_t i = 0; i < s.size();) put(u, utf8At(s, i, u));
  }

  /* As printf's %ls: the characters that fit `precision` bytes (all when it
     is negative; never part of one), padded with spaces to `width` bytes
     (a negative width pads after the text, as `left` does). False, with
     nothing added, for a field longer than printf can count (INT_MAX). */
  bool appendWide(std::wstring_view s, int width, int precision, bool left) {
    std::size_t bytes = 0, units = 0;
    char u[4];
    for (std::size_t i = 0; i < s.size(); units = i) {
      const std::size_t k = utf8At(s, i, u);
      if (precision >= 0 && bytes + k > static_cast<std::size_t>(precision)) break;
      bytes += k;
    }
    const std::size_t field = width < 0 ? 0 - static_cast<std::size_t>(width) : static_cast<std::size_t>(width);
    if (field > 0x7FFFFFFF) return false;
    const std::size_t pad = field > bytes ? field - bytes : 0;
    if (!left && width >= 0) putSpaces(pad);
    append(s.substr(0, units));
    if (left || width < 0) putSpaces(pad);
    return true;
  }

  void appendText(const Text& t) { t.isWide ? append(t.wide) : append(t.narrow); }

  /* The "[file.cpp:42] " of the macros: the file name without directories. */
  void appendLocation(const char* file, int line) {
    for (const char* p = file; *p != '\0'; ++p) {
      if (*p == '/' || *p == '\\') file = p + 1;
    }
    char number[16];
    const int n = std::snprintf(number, sizeof number, ":%d] ", line);
    put("[", 1);
    put(file, std::strlen(file));
    put(number, static_cast<std::size_t>(n));
  }

  /* vsnprintf's text. Wide text (%ls, %lc, %S, %C) would reach it in the
     runtime's code page, so a format that holds some is taken conversion
     by conversion: the wide ones converted here, the others formatted by
     the runtime one at a time. If the runtime cannot format it, or such a
     format holds a conversion the header does not know (%n among them),
     the format itself is written, so that the call still leaves a trace. */
  CORVELIN_PRINTF(2, 0) void appendFormatted(const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
    if (hasWideConversion(format)) {
      const std::size_t mark = size();
      if (!appendConversions(format, &again)) {
        truncate(mark);
        append(std::string_view(format));
      }
      va_end(again);
      return;
    }
    const std::size_t room = heap_ ? 0 : sizeof stack_ - size_;
    const int n = std::vsnprintf(heap_ ? nullptr : stack_ + size_, room, format, args);
    if (n < 0) {
      append(std::string_view(format));
    } else if (static_cast<std::size_t>(n) < room &&
               std::memchr(stack_ + size_, 0, static_cast<std::size_t>(n)) == nullptr) {
      size_ += static_cast<std::size_t>(n);
    } else {
      std::string whole(static_cast<std::size_t>(n), '\0');
      std::vsnprintf(whole.data(), whole.size() + 1, format, again);
      append(whole);
    }
    va_end(again);
  }

#if defined(CORVELIN_HAS_FORMAT)
  template <class... Args>
  void appendFormatted(std::format_string<const Args&...> format, const Args&... args) {
    if (!heap_) {
      const std::size_t room = kMaxText - size_;
      const auto written = std::format_to_n(stack_ + size_, static_cast<std::ptrdiff_t>(room), format, args...);
      const auto n = static_cast<std::size_t>(written.size);
      if (n <= room && std::memchr(stack_ + size_, 0, n) == nullptr) {
        size_ += n;
        return;
      }
    }
    append(std::format(format, args...));
  }
#endif

  const char* c_str() {
    if (heap_) return big_.c_str();
    stack_[size_] = '\0';
    return stack_;
  }

 private:
  /* One conversion of a printf format, as far as taking its argument goes. */
  struct Conversion {
    enum Kind { kPercent, kInt, kLong, kLongLong, kIntMax, kSize, kPtrdiff, kDouble, kLongDouble, kPointer,
                kNarrow, kWideText, kWideChar, kUnknown };
    Kind kind = kUnknown;
    bool left = false, starWidth = false, starPrecision = false;
    int width = 0, precision = -1;
    std::size_t length = 0;  // from the '%' to the conversion's letter
  };

  static Conversion parse(const char* piece) {
    Conversion c;
    const char* p = piece + 1;
    auto number = [&p](int& n) {
      for (n = 0; *p >= '0' && *p <= '9'; ++p) n = n < 100000 ? n * 10 + (*p - '0') : n;
    };
    for (; *p != 0 && std::strchr("-+ #0'", *p) != nullptr; ++p) c.left = c.left || *p == '-';
    if (*p == '*') {
      c.starWidth = true, ++p;
    } else {
      number(c.width);
    }
    if (*p == '.') {
      if (*++p == '*') {
        c.starPrecision = true, ++p;
      } else {
        number(c.precision);
      }
    }
    // Sizes: h, hh, l, ll, j, z, t, L, and Microsoft's q, w, I, I32, I64.
    char sizeCode = 0;
    if ((p[0] == 'h' || p[0] == 'l') && p[1] == p[0]) {
      sizeCode = p[0] == 'h' ? 'H' : 'q', p += 2;
    } else if (p[0] == 'I' && ((p[1] == '6' && p[2] == '4') || (p[1] == '3' && p[2] == '2'))) {
      sizeCode = p[1] == '6' ? 'q' : 0, p += 3;
    } else if (*p != 0 && std::strchr("hljztLqwI", *p) != nullptr) {
      sizeCode = *p == 'w' ? 'l' : *p == 'I' ? 'z' : *p, ++p;
    }
    c.length = static_cast<std::size_t>(p - piece) + (*p != 0 ? 1 : 0);
    const bool wide = sizeCode == 'l';
    switch (*p) {
      case '%': c.kind = Conversion::kPercent; break;
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X':
        c.kind = sizeCode == 'l' ? Conversion::kLong : sizeCode == 'q' || sizeCode == 'L' ? Conversion::kLongLong
                 : sizeCode == 'j' ? Conversion::kIntMax : sizeCode == 'z' ? Conversion::kSize
                 : sizeCode == 't' ? Conversion::kPtrdiff : Conversion::kInt;
        break;
      case 'c': c.kind = wide ? Conversion::kWideChar : Conversion::kInt; break;
      case 'C': c.kind = sizeCode == 'h' ? Conversion::kInt : Conversion::kWideChar; break;
      case 's': c.kind = wide ? Conversion::kWideText : Conversion::kNarrow; break;
      case 'S': c.kind = sizeCode == 'h' ? Conversion::kNarrow : Conversion::kWideText; break;
      case 'p': c.kind = Conversion::kPointer; break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        c.kind = sizeCode == 'L' ? Conversion::kLongDouble : Conversion::kDouble;
        break;
      default: break;  // %n, an unknown letter, the format's end
    }
    return c;
  }

  static bool hasWideConversion(const char* format) {
    for (const char* p = format; (p = std::strchr(p, '%')) != nullptr;) {
      const Conversion c = parse(p);
      if (c.kind == Conversion::kWideText || c.kind == Conversion::kWideChar) return true;
      p += c.length;
    }
    return false;
  }

#if defined(__GNUC__)
#  pragma GCC diagnostic push
#  pragma GCC diagnostic ignored "-Wformat-nonliteral"
#  pragma GCC diagnostic ignored "-Wformat-security"
#endif
  /* One conversion by the runtime; false when it cannot format it. */
  template <class... A>
  bool appendPrintf(const char* piece, A... args) {
    char small[128];
    const int n = std::snprintf(small, sizeof small, piece, args...);
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < sizeof small) {
      append(std::string_view(small, static_cast<std::size_t>(n)));
    } else {
      std::string whole(static_cast<std::size_t>(n), '\0');
      std::snprintf(whole.data(), whole.size() + 1, piece, args...);
      append(whole);
    }
    return true;
  }
#if defined(__GNUC__)
#  pragma GCC diagnostic pop
#endif

  template <class T>
  bool appendConversion(const char* piece, const Conversion& c, int width, int precision, T value) {
    if (c.starWidth && c.starPrecision) return appendPrintf(piece, width, precision, value);
    if (c.starWidth) return appendPrintf(piece, width, value);
    if (c.starPrecision) return appendPrintf(piece, precision, value);
    return appendPrintf(piece, value);
  }

  bool appendConversions(const char* format, std::va_list* args) {
    using WideChar = std::conditional_t<(sizeof(std::wint_t) < sizeof(int)), int, std::wint_t>;  // as promoted
    for (const char* p = format; *p != 0;) {
      const char* percent = std::strchr(p, '%');
      if (percent == nullptr) percent = p + std::strlen(p);
      put(p, static_cast<std::size_t>(percent - p));
      if (*percent == 0) break;
      const Conversion c = parse(percent);
      if (c.kind == Conversion::kUnknown || c.length >= 48) return false;
      char piece[48];
      std::memcpy(piece, percent, c.length);
      piece[c.length] = '\0';
      p = percent + c.length;
      const int width = c.starWidth ? va_arg(*args, int) : c.width;
      const int precision = c.starPrecision ? va_arg(*args, int) : c.precision;
      bool ok = true;
      switch (c.kind) {
        case Conversion::kPercent: put("%", 1); break;
        case Conversion::kWideText: {
          const wchar_t* text = va_arg(*args, const wchar_t*);
          ok = appendWide(text != nullptr ? text : L"(null)", width, precision, c.left);
          break;
        }
        case Conversion::kWideChar: {
          const wchar_t one = static_cast<wchar_t>(va_arg(*args, WideChar));
          ok = appendWide(std::wstring_view(&one, 1), width, -1, c.left);
          break;
        }
        case Conversion::kInt: ok = appendConversion(piece, c, width, precision, va_arg(*args, int)); break;
        case Conversion::kLong: ok = appendConversion(piece, c, width, precision, va_arg(*args, long)); break;
        case Conversion::kLongLong: ok = appendConversion(piece, c, width, precision, va_arg(*args, long long)); break;
        case Conversion::kIntMax: ok = appendConversion(piece, c, width, precision, va_arg(*args, std::intmax_t)); break;
        case Conversion::kSize: ok = appendConversion(piece, c, width, precision, va_arg(*args, std::size_t)); break;
        case Conversion::kPtrdiff: ok = appendConversion(piece, c, width, precision, va_arg(*args, std::ptrdiff_t)); break;
        case Conversion::kDouble: ok = appendConversion(piece, c, width, precision, va_arg(*args, double)); break;
        case Conversion::kLongDouble: ok = appendConversion(piece, c, width, precision, va_arg(*args, long double)); break;
        case Conversion::kPointer: ok = appendConversion(piece, c, width, precision, va_arg(*args, void*)); break;
        default: ok = appendConversion(piece, c, width, precision, va_arg(*args, const char*)); break;
      }
      if (!ok) return false;
    }
    return true;
  }

  void putSpaces(std::size_t n) {
    for (; n > 0; --n) put(" ", 1);
  }
  std::size_t size() const { return heap_ ? big_.size() : size_; }
  void truncate(std::size_t n) { heap_ ? big_.resize(n) : void(size_ = n); }

  void put(const char* p, std::size_t n) {
    if (n == 0) return;
    if (!heap_ && n <= kMaxText - size_) {
      std::memcpy(stack_ + size_, p, n);
      size_ += n;
      return;
    }
    if (!heap_) big_.assign(stack_, size_);
    heap_ = true;
    big_.append(p, n);
  }

  char stack_[kMaxText + 1];  // not cleared: only the written part is read
  std::size_t size_ = 0;
  bool heap_ = false;
  std::string big_;
};

inline void write(Sink sink, const Text& text) {
  if (text.null) return;
  Line line;
  line.appendText(text);
  sink(line.c_str());
}

inline void writeAt(Sink sink, const char* file, int lineNumber, const Text& text) {
  if (text.null) return;
  Line line;
  line.appendLocation(file, lineNumber);
  line.appendText(text);
  sink(line.c_str());
}

CORVELIN_PRINTF(4, 0)
inline void writeFormatted(Sink sink, const char* file, int lineNumber, const char* format, std::va_list args) {
  if (format == nullptr) return;
  Line line;
  if (file != nullptr) line.appendLocation(file, lineNumber);
  line.appendFormatted(format, args);
  sink(line.c_str());
}

CORVELIN_PRINTF(4, 5) inline void writeAtf(Sink sink, const char* file, int lineNumber, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  writeFormatted(sink, file, lineNumber, format, args);
  va_end(args);
}

#if defined(__cpp_char8_t)
inline void writeAtf(Sink sink, const char* file, int lineNumber, const char8_t* format, ...) {
  std::va_list args;
  va_start(args, format);
  writeFormatted(sink, file, lineNumber, reinterpret_cast<const char*>(format), args);
  va_end(args);
}
#endif

inline constexpr std::uint32_t kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kInvalidName = 123;      // ERROR_INVALID_NAME

/* A path or prefix for a start call, or why it is refused before the
   library sees it: null, or a name the library would change (a zero in it,
   a lone surrogate, bytes that are not UTF-8), which would be another file. */
inline std::uint32_t startArgument(Line& line, const Text& text) {
  if (text.null) return kInvalidParameter;
  if (text.hasZero() || !text.convertsWhole()) return kInvalidName;
  line.appendText(text);
  return 0;
}

}  // namespace detail

/* The process's one logging session. A start that the library refuses (a
   session already started or ended in this process, an argument over its
   limit, a log file that cannot be opened; the library shows its boxes for
   the last two) leaves the object false, and so does a null path or one
   the library would change (a zero in it, a lone surrogate, bytes that are
   not UTF-8); error() then says why. The object that started the session
   ends it with logTerm when it is destroyed, or earlier with end(); after
   that no session can start again in the process. Moving hands the session
   over: the object moved from is false and ends nothing. */
class Session {
 public:
  /* No session: false until a started one is moved in. */
  Session() noexcept = default;

  /* logInit: dir\prefixYYYYMMDD.log with these settings (see corvelin.h). */
  Session(const detail::Text& dir, const detail::Text& prefix, std::int32_t writeFlg, std::int32_t crLfOption,
          std::int32_t outputLevel, std::int32_t sleepSwitch, std::int32_t bomSetFlg) {
    detail::Line d, p;
    error_ = detail::startArgument(d, dir);
    if (error_ == 0) error_ = detail::startArgument(p, prefix);
    if (error_ == 0) started(::logInit(d.c_str(), p.c_str(), writeFlg, crLfOption, outputLevel, sleepSwitch, bomSetFlg));
  }

  /* logInitProfile: the settings of a profile (.ini) file. LogEventLogLevel
     (1 CRETICAL only .. 5 down to DEBUG) and LogEventSource also report
     records as events of the Windows Event Log. LogSyslogServer (udp://host:port or
     tcp://host:port) also sends each record to a syslog collector as an RFC 5424 message, from a
     thread of the library's own: LogSyslogLevel (default 4), LogSyslogFacility (1), LogSyslogAppName
     (the executable's name), LogSyslogQueueKBytes (1024). See docs/reference.md. */
  [[nodiscard]] static Session fromProfile(const detail::Text& profilePath) {
    Session session;
    detail::Line path;
    session.error_ = detail::startArgument(path, profilePath);
    if (session.error_ == 0) session.started(::logInitProfile(path.c_str()));
    return session;
  }

  Session(Session&& other) noexcept
      : started_(std::exchange(other.started_, false)), error_(std::exchange(other.error_, 0u)) {}
  Session& operator=(Session&& other) noexcept {
    if (this != &other) {
      end();
      started_ = std::exchange(other.started_, false);
      error_ = std::exchange(other.error_, 0u);
    }
    return *this;
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { end(); }

  /* True while this object holds the started session (sleeping included). */
  bool ok() const noexcept { return started_; }
  explicit operator bool() const noexcept { return started_; }

  /* logTerm, if this object holds the session. */
  void end() noexcept {
    if (std::exchange(started_, false)) ::logTerm();
  }

  /* Why the start failed: the Win32 error code the library left (for
     instance 3, the directory's parent is missing; 32, another process
     writes the file; 1247, a session already began or ended in this
     process), or the header's own 87 (a null argument) or 123 (a name the
     library would change). 0 for an object that started, a default one and
     one moved from. */
  std::uint32_t error() const noexcept { return error_; }

  /* The system's text for error() in UTF-8, without its line ending; empty
     for 0 and for a code the system has no text for. */
  std::string errorText() const {
    std::string out;
    wchar_t text[512];
    const unsigned long n = error_ == 0 ? 0 : ::FormatMessageW(0x1200, nullptr, error_, 0x400, text, 512, nullptr);
    std::wstring_view view(text, n < 512 ? n : 0);  // 0x1200: from the system, no inserts; 0x400: user's language
    while (!view.empty() && (view.back() == L'\r' || view.back() == L'\n')) view.remove_suffix(1);
    char u[4];
    for (std::size_t i = 0; i < view.size();) out.append(u, detail::Line::utf8At(view, i, u));
    return out;
  }

 private:
  void started(std::uint8_t result) {
    started_ = result == 1;
    error_ = started_ ? 0 : static_cast<std::uint32_t>(::GetLastError());
  }

  bool started_ = false;
  std::uint32_t error_ = 0;
};

/* One record each, as _log, logDebug, logInfo, logWarning, logError and
   logCritical: text is narrow (UTF-8, written byte for byte) or wide. */
inline void log(const detail::Text& text) { detail::write(&::_log, text); }
inline void debug(const detail::Text& text) { detail::write(&::logDebug, text); }
inline void info(const detail::Text& text) { detail::write(&::logInfo, text); }
inline void warning(const detail::Text& text) { detail::write(&::logWarning, text); }
inline void error(const detail::Text& text) { detail::write(&::logError, text); }
inline void critical(const detail::Text& text) { detail::write(&::logCritical, text); }

/* printf-style records, formatted by the host's C runtime (vsnprintf; so
   %zu and %lld work; %ls and %lc take wide text, converted to UTF-8 here). */
#define CORVELIN_DEFINE_F(name, sink)                                       \
  CORVELIN_PRINTF(1, 2) inline void name(const char* format, ...) {        \
    std::va_list args;                                                      \
    va_start(args, format);                                                 \
    detail::writeFormatted(&::sink, nullptr, 0, format, args);              \
    va_end(args);                                                           \
  }
CORVELIN_DEFINE_F(logf, _log)
CORVELIN_DEFINE_F(debugf, logDebug)
CORVELIN_DEFINE_F(infof, logInfo)
CORVELIN_DEFINE_F(warningf, logWarning)
CORVELIN_DEFINE_F(errorf, logError)
CORVELIN_DEFINE_F(criticalf, logCritical)
#undef CORVELIN_DEFINE_F

#if defined(__cpp_char8_t)
/* The same with a u8"..." format; compilers check only char formats. */
#  define CORVELIN_DEFINE_F8(name, sink)                                                        \
    inline void name(const char8_t* format, ...) {                                              \
      std::va_list args;                                                                        \
      va_start(args, format);                                                                   \
      detail::writeFormatted(&::sink, nullptr, 0, reinterpret_cast<const char*>(format), args); \
      va_end(args);                                                                             \
    }
CORVELIN_DEFINE_F8(logf, _log)
CORVELIN_DEFINE_F8(debugf, logDebug)
CORVELIN_DEFINE_F8(infof, logInfo)
CORVELIN_DEFINE_F8(warningf, logWarning)
CORVELIN_DEFINE_F8(errorf, logError)
CORVELIN_DEFINE_F8(criticalf, logCritical)
#  undef CORVELIN_DEFINE_F8
#endif

#if defined(CORVELIN_HAS_FORMAT)
/* std::format-style records, checked at compile time: info("{} files", n).
   With no argument after the text, the text is written as it is. */
#  define CORVELIN_DEFINE_FMT(name, sink)                                             \
    template <class Arg, class... Args>                                               \
    void name(std::format_string<const Arg&, const Args&...> format, const Arg& arg, \
              const Args&... args) {                                                  \
      detail::Line line;                                                              \
      line.appendFormatted<Arg, Args...>(format, arg, args...);                       \
      ::sink(line.c_str());                                                           \
    }
CORVELIN_DEFINE_FMT(log, _log)
CORVELIN_DEFINE_FMT(debug, logDebug)
CORVELIN_DEFINE_FMT(info, logInfo)
CORVELIN_DEFINE_FMT(warning, logWarning)
CORVELIN_DEFINE_FMT(error, logError)
CORVELIN_DEFINE_FMT(critical, logCritical)
#  undef CORVELIN_DEFINE_FMT
#endif

}  // namespace corvelin

/* A record that starts with "[file.cpp:42] " (the source file without its
   directories, and the line): CORVELIN_INFO("x") writes [main.cpp:42] x.
   The ...F forms take a printf format and its arguments. */
#define CORVELIN_LOG(text) ::corvelin::detail::writeAt(&::_log, __FILE__, __LINE__, text)
#define CORVELIN_DEBUG(text) ::corvelin::detail::writeAt(&::logDebug, __FILE__, __LINE__, text)
#define CORVELIN_INFO(text) ::corvelin::detail::writeAt(&::logInfo, __FILE__, __LINE__, text)
#define CORVELIN_WARNING(text) ::corvelin::detail::writeAt(&::logWarning, __FILE__, __LINE__, text)
#define CORVELIN_ERROR(text) ::corvelin::detail::writeAt(&::logError, __FILE__, __LINE__, text)
#define CORVELIN_CRITICAL(text) ::corvelin::detail::writeAt(&::logCritical, __FILE__, __LINE__, text)
#define CORVELIN_LOGF(...) ::corvelin::detail::writeAtf(&::_log, __FILE__, __LINE__, __VA_ARGS__)
#define CORVELIN_DEBUGF(...) ::corvelin::detail::writeAtf(&::logDebug, __FILE__, __LINE__, __VA_ARGS__)
#define CORVELIN_INFOF(...) ::corvelin::detail::writeAtf(&::logInfo, __FILE__, __LINE__, __VA_ARGS__)
#define CORVELIN_WARNINGF(...) ::corvelin::detail::writeAtf(&::logWarning, __FILE__, __LINE__, __VA_ARGS__)
#define CORVELIN_ERRORF(...) ::corvelin::detail::writeAtf(&::logError, __FILE__, __LINE__, __VA_ARGS__)
#define CORVELIN_CRITICALF(...) ::corvelin::detail::writeAtf(&::logCritical, __FILE__, __LINE__, __VA_ARGS__)

#endif /* CORVELIN_HPP */
