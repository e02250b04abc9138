#include "forward/syslog_server.h"

#include "record/format.h"
#include "record/textconv.h"

namespace corvelin::syslog {
namespace {

bool isScheme(const char16_t* v, const char* scheme) {
  for (int i = 0; i < 6; ++i) {
    const char16_t c = v[i] >= u'A' && v[i] <= u'Z' ? static_cast<char16_t>(v[i] + 32) : v[i];
    if (c != static_cast<char16_t>(scheme[i])) return false;
  }
  return true;
}

// Characters no host name has: spaces, controls, and those that delimit
// other parts of a URL.
bool foreign(char16_t c) {
  return c <= u' ' || c == u'/' || c == u'?' || c == u'#' || c == u'@' || c == u'[' || c == u']' || c == u'%';
}

constexpr const char* kBrackets = "an IPv6 address stands in brackets, as in udp://[::1]:514";

}  // namespace

const char* parseServer(const char16_t* value, Server& out) {
  const bool tcp = isScheme(value, "tcp://");
  if (!tcp && !isScheme(value, "udp://")) return "it does not begin with udp:// or tcp://";
  const char16_t* host = value + 6;
  const char16_t* hostEnd = host;
  const char16_t* p = host;
  if (*host == u'[') {
    for (hostEnd = ++host; *hostEnd != 0 && *hostEnd != u']'; ++hostEnd) {}
    if (*hostEnd == 0) return kBrackets;
    p = hostEnd + 1;
  } else {
    for (; *hostEnd != 0 && *hostEnd != u':'; ++hostEnd) {
      if (foreign(*hostEnd)) return "its host holds a character no host name has";
    }
    for (p = hostEnd + (*hostEnd == u':'); *p != 0; ++p) {
      if (*p == u':') return kBrackets;
    }
    p = hostEnd;
  }
  if (hostEnd == host) return "it names no host";
  if (hostEnd - host > 255) return "its host is longer than 255 characters";
  std::int32_t port = 514;
  if (*p == u':') {
    port = 0;
    int digits = 0;
    for (++p; *p >= u'0' && *p <= u'9' && digits < 6; ++p, ++digits) port = port * 10 + (*p - u'0');
    if (digits == 0) port = 0;
  }
  if (*p != 0 || port < 1 || port > 65535) return "its port is not a number from 1 to 65535";

  out.tcp = tcp;
  out.port = static_cast<std::uint16_t>(port);
  const auto length = static_cast<std::size_t>(hostEnd - host);
  for (std::size_t i = 0; i < length; ++i) out.host[i] = host[i];
  out.host[length] = 0;
  bool v6 = false;
  for (std::size_t i = 0; i < length; ++i) v6 = v6 || host[i] == u':';
  char16_t url[300];
  boundedFormatW(url, 300, v6 ? u"%s://[%s]:%d" : u"%s://%s:%d", tcp ? u"tcp" : u"udp",
                 static_cast<const char16_t*>(out.host), port);
  utf16ToUtf8(url, out.url, static_cast<int>(sizeof out.url));
  return nullptr;
}

}  // namespace corvelin::syslog
