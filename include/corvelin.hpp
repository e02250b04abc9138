/*
 * corvelin for C++17: the C interface of corvelin.h with C++ types.
 *
 *   corvelin::Session   the process's session as an object: logTerm when it
 *                       goes, a failed start shows as false
 *   corvelin::info(text)            one record; text is any narrow (UTF-8)
 *                                   or wide (UTF-16) string
 *   corvelin::infof("%d files", n)  printf-style, with the host's vsnprintf
 *   corvelin::info("{} files", n)   std::format-style, where the standard
 *                                   library has <format> (CORVELIN_HAS_FORMAT)
 *   CORVELIN_INFO("x"), CORVELIN_INFOF("%d", n)
 *                                   the same with "[file.cpp:42] " before it
 * and so for log (every level), debug, warning, error and critical.
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
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

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
  Text(const wchar_t* s) : wide(s ? s : L""), isWide(true), null(s == nullptr) {}
  Text(std::wstring_view s) : wide(s), isWide(true) {}
  Text(const std::wstring& s) : wide(s), isWide(true) {}
  bool hasZero() const { return isWide ? wide.find(L'\0') != wide.npos : narrow.find('\0') != narrow.npos; }

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

  /* Lone surrogates become U+FFFD; a zero code unit becomes U+2400. */
  void append(std::wstring_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
      char32_t c = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(s[i]));
      if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
          s[i + 1] < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(s[++i]) - 0xDC00);
      } else if ((c >= 0xD800 && c < 0xE000) || c > 0x10FFFF) {
        c = 0xFFFD;
      } else if (c == 0) {
        c = 0x2400;
      }
      static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
      const std::size_t k = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
      char u[4];
      for (std::size_t j = k - 1; j > 0; --j, c >>= 6) u[j] = static_cast<char>(0x80 | (c & 0x3F));
      u[0] = static_cast<char>(kLead[k] | c);
      put(u, k);
    }
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

  /* vsnprintf's text. If the host's runtime cannot format it (vsnprintf
     fails, say on a wide string that has no narrow form), the format
     itself is written, so that the call still leaves a trace. */
  CORVELIN_PRINTF(2, 0) void appendFormatted(const char* format, std::va_list args) {
    std::va_list again;
    va_copy(again, args);
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

/* A path for a start call: null or holding a zero is refused, since a
   changed name would be another file. */
inline bool startArgument(Line& line, const Text& text) {
  if (text.null || text.hasZero()) return false;
  line.appendText(text);
  return true;
}

}  // namespace detail

/* The process's one logging session. A start that the library refuses (a
   session already started or ended in this process, an argument over its
   limit, a log file that cannot be opened; the library shows its boxes for
   the last two) leaves the object false, and so does a null path or one
   that holds a zero. The object that started the session ends it with
   logTerm when it is destroyed, or earlier with end(); after that no
   session can start again in the process. Moving hands the session over:
   the object moved from is false and ends nothing. */
class Session {
 public:
  /* No session: false until a started one is moved in. */
  Session() noexcept = default;

  /* logInit: dir\prefixYYYYMMDD.log with these settings (see corvelin.h). */
  Session(const detail::Text& dir, const detail::Text& prefix, std::int32_t writeFlg, std::int32_t crLfOption,
          std::int32_t outputLevel, std::int32_t sleepSwitch, std::int32_t bomSetFlg) {
    detail::Line d, p;
    if (detail::startArgument(d, dir) && detail::startArgument(p, prefix)) {
      started_ = ::logInit(d.c_str(), p.c_str(), writeFlg, crLfOption, outputLevel, sleepSwitch, bomSetFlg) == 1;
    }
  }

  /* logInitProfile: the settings of a profile (.ini) file. LogSyslogServer (udp://host:port or
     tcp://host:port) also sends each record to a syslog collector as an RFC 5424 message, from a
     thread of the library's own: LogSyslogLevel (default 4), LogSyslogFacility (1), LogSyslogAppName
     (the executable's name), LogSyslogQueueKBytes (1024). See the reference's syslog section. */
  [[nodiscard]] static Session fromProfile(const detail::Text& profilePath) {
    Session session;
    detail::Line path;
    if (detail::startArgument(path, profilePath)) session.started_ = ::logInitProfile(path.c_str()) == 1;
    return session;
  }

  Session(Session&& other) noexcept : started_(std::exchange(other.started_, false)) {}
  Session& operator=(Session&& other) noexcept {
    if (this != &other) {
      end();
      started_ = std::exchange(other.started_, false);
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

 private:
  bool started_ = false;
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
   %zu and %lld work, and %ls takes a wchar_t string). */
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
