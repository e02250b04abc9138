// The collector a profile names in LogSyslogServer.
#pragma once

#include <cstdint>

namespace corvelin::syslog {

struct Server {
  bool tcp;
  char16_t host[256];  // a name, an IPv4 address or an IPv6 address without brackets
  std::uint16_t port;
  char url[800];       // as the file's lines show it (UTF-8), e.g. "tcp://[::1]:514"
};

// Reads "udp://host[:port]" or "tcp://host[:port]" (either case; port 514
// when absent; an IPv6 address in brackets). Returns null, or why the value
// cannot be used; `out` is then unchanged.
const char* parseServer(const char16_t* value, Server& out);

}  // namespace corvelin::syslog
