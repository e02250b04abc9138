#include "crash/report.h"

#include "record/format.h"
#include "record/writer.h"

namespace corvelin {
namespace {

struct Named {
  std::uint32_t code;
  const char* name;
};
constexpr Named kNames[] = {
    {0xC0000005, "EXCEPTION_ACCESS_VIOLATION"},      {0xC000008C, "EXCEPTION_ARRAY_BOUNDS_EXCEEDED"},
    {0x80000003, "EXCEPTION_BREAKPOINT"},            {0x80000002, "EXCEPTION_DATATYPE_MISALIGNMENT"},
    {0xC000008D, "EXCEPTION_FLT_DENORMAL_OPERAND"},  {0xC000008E, "EXCEPTION_FLT_DIVIDE_BY_ZERO"},
    {0xC000008F, "EXCEPTION_FLT_INEXACT_RESULT"},    {0xC0000090, "EXCEPTION_FLT_INVALID_OPERATION"},
    {0xC0000091, "EXCEPTION_FLT_OVERFLOW"},          {0xC0000092, "EXCEPTION_FLT_STACK_CHECK"},
    {0xC0000093, "EXCEPTION_FLT_UNDERFLOW"},         {0x80000001, "EXCEPTION_GUARD_PAGE"},
    {0xC000001D, "EXCEPTION_ILLEGAL_INSTRUCTION"},   {0xC0000006, "EXCEPTION_IN_PAGE_ERROR"},
    {0xC0000094, "EXCEPTION_INT_DIVIDE_BY_ZERO"},    {0xC0000095, "EXCEPTION_INT_OVERFLOW"},
    {0xC0000008, "EXCEPTION_INVALID_HANDLE"},        {0xC0000026, "EXCEPTION_INVALID_DISPOSITION"},
    {0xC0000025, "EXCEPTION_NONCONTINUABLE_EXCEPTION"}, {0xC0000096, "EXCEPTION_PRIV_INSTRUCTION"},
    {0x80000004, "EXCEPTION_SINGLE_STEP"},           {0xC00000FD, "EXCEPTION_STACK_OVERFLOW"},
    {0xC0000194, "EXCEPTION_POSSIBLE_DEADLOCK"},     {0xC0000374, "STATUS_HEAP_CORRUPTION"},
    {0xE06D7363, "C++ exception (Microsoft)"},       {0x20474343, "C++ exception (GCC)"},
};

// Formats each message in the last kMessageBytes of `out` and appends it
// as a FATAL "[SYSLOG]" line, in place: no buffer on a stack that may be
// all but gone.
constexpr std::size_t kMessageBytes = 4096;

class Lines {
 public:
  Lines(const char* lineEnd, char* out, std::size_t room)
      : lineEnd_(lineEnd), out_(out), message_(out + room - kMessageBytes), room_(room - kMessageBytes) {}
  template <class... A>
  void add(const char* format, const A&... args) {
    if (full_ || room_ - used_ < static_cast<std::size_t>(kSysLineCapacity) ||
        boundedFormatA(message_, static_cast<int>(kMessageBytes), format, args...) < 0) {
      full_ = true;
      return;
    }
    const int n = formatSysLine(out_ + used_, kFatal, message_, lineEnd_);
    if (n > 0) used_ += static_cast<std::size_t>(n);
  }
  std::size_t used() const { return used_; }

 private:
  const char* lineEnd_;
  char* out_;
  char* message_;
  std::size_t room_, used_ = 0;
  bool full_ = false;
};

// "module+0x1A2B", or the bare address when no module holds it.
void place(const CrashFrame& f, char (&out)[kModuleNameBytes + 24]) {
  const auto offset = static_cast<std::int64_t>(f.offset);
  if (f.module == nullptr || boundedFormatA(out, static_cast<int>(sizeof out), "%s+0x%I64X", f.module, offset) < 0) {
    boundedFormatA(out, static_cast<int>(sizeof out), "0x%016I64X", offset);
  }
}

// " reading address 0x..." for the two codes whose parameters say what
// access failed where.
void accessText(const platform::ExceptionFacts& e, char (&out)[96]) {
  out[0] = 0;
  if ((e.code != 0xC0000005 && e.code != 0xC0000006) || e.parameterCount < 2) return;
  const std::uint64_t kind = e.parameters[0];
  const char* verb = kind == 0 ? "reading" : kind == 1 ? "writing" : kind == 8 ? "executing" : nullptr;
  const auto address = static_cast<std::int64_t>(e.parameters[1]);
  const int n = verb != nullptr ? boundedFormatA(out, 96, " %s address 0x%016I64X", verb, address)
                                : boundedFormatA(out, 96, " access %I64u to address 0x%016I64X",
                                                 static_cast<std::int64_t>(kind), address);
  if (e.code == 0xC0000006 && e.parameterCount >= 3 && n > 0) {
    boundedFormatA(out + n, 96 - n, ", status 0x%08X", static_cast<std::uint32_t>(e.parameters[2]));
  }
}

}  // namespace

const char* exceptionName(std::uint32_t code) {
  for (const Named& n : kNames) {
    if (n.code == code) return n.name;
  }
  return nullptr;
}

std::size_t buildCrashReport(const CrashFacts& facts, const char* lineEnd, char* out, std::size_t room) {
  Lines lines(lineEnd, out, room);
  const platform::ExceptionFacts& e = facts.exception;
  const char* name = exceptionName(e.code);
  char access[96];
  accessText(e, access);
  const char* flags = (e.flags & 1) != 0 ? " (noncontinuable)" : "";
  lines.add("crash: unhandled exception 0x%08X %s%s%s", e.code, name != nullptr ? name : "(unknown code)",
            static_cast<const char*>(access), flags);
  char where[kModuleNameBytes + 24];
  place(facts.where, where);
  lines.add("crash: at %s in thread %u", static_cast<const char*>(where), facts.threadId);
  for (int i = 0; i < facts.frameCount; ++i) {
    place(facts.frames[i], where);
    lines.add("crash: frame %d %s", i, static_cast<const char*>(where));
  }
  if (facts.deeper) lines.add("crash: the stack goes on past %d frames", facts.frameCount);
  return lines.used();
}

void minidumpPath(const char16_t* logPath, const platform::CalendarTime& t, std::uint32_t pid, char16_t* out) {
  std::size_t n = 0;
  for (; logPath[n] != 0 && n < kLogDirUnits - 1; ++n) out[n] = logPath[n];
  if (n >= 4 && out[n - 4] == u'.' && out[n - 3] == u'l' && out[n - 2] == u'o' && out[n - 1] == u'g') n -= 4;
  boundedFormatW(out + n, static_cast<int>(kDumpPathUnits - n), u".crash-%04d%02d%02d-%02d%02d%02d-pid%u.dmp", t.year,
                 t.month, t.day, t.hour, t.minute, t.second, pid);
}

std::size_t buildDumpLine(std::uint32_t loadError, const platform::DumpOutcome& outcome, const char* path,
                          const char* lineEnd, char* out, std::size_t room) {
  using Step = platform::DumpOutcome;
  Lines line(lineEnd, out, room);
  if (loadError != 0) {
    line.add("crash: no minidump: dbghelp.dll could not be loaded, Win32 ErrCode=%u", loadError);
  } else if (outcome.step == Step::Written) {
    line.add("crash: minidump %s", path);
  } else if (outcome.step == Step::NoThread) {
    line.add("crash: no minidump: no thread to write it, Win32 ErrCode=%u", outcome.error);
  } else if (outcome.step == Step::NotCreated) {
    line.add("crash: no minidump: cannot create %s, Win32 ErrCode=%u", path, outcome.error);
  } else if (outcome.step == Step::NotWritten) {
    line.add("crash: no minidump: MiniDumpWriteDump failed on %s, error 0x%08X", path, outcome.error);
  } else {
    line.add("crash: no minidump: %s was not written within %u ms", path, outcome.error);
  }
  return line.used();
}

}  // namespace corvelin
