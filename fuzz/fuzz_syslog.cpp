#include "forward/syslog_server.h"
#include "fuzz_input.h"

void corvelin::fuzz::run(Input in) {  // LogSyslogServer as a profile may hold it: taken or refused, never read past
  const std::string raw = in.text(1100, true);
  std::u16string value(raw.size() / 2, u'\0');
  std::memcpy(value.data(), raw.data(), value.size() * 2);
  syslog::Server server{};
  check(syslog::parseServer(value.c_str(), server) != nullptr || (server.host[0] != 0 && server.port != 0));
}
