// The peer: spdlog's basic file sink, the same line layout as corvelin, and
// a flush after every record (one write per record, as corvelin does).
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include "bench.h"

namespace bench {

std::function<void()> spdlogPeer(const std::wstring& dir, int writeFlg) {
  const std::string path = std::string(dir.begin(), dir.end()) + "\\spdlog.log";
  auto logger = spdlog::basic_logger_mt("peer", path, true);
  logger->set_pattern(writeFlg == 8192 ? "%Y-%m-%d %H:%M:%S:[%v]" : "[%v]");
  logger->flush_on(spdlog::level::trace);
  return [logger] { logger->info(kText); };
}

void spdlogDone() { spdlog::drop_all(); }

}  // namespace bench
