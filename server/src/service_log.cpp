#include "service_log.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace songbox_server {

void LogLine(const std::string& event) {
  static std::mutex mutex;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%F %T", &local);
  std::string line = std::string(stamp) + " songbox-catalogue: " + event + "\n";
  for (size_t i = 0; i + 1 < line.size(); ++i)
    if (line[i] == '\n' || line[i] == '\r') line[i] = ' ';
  std::lock_guard lock(mutex);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace songbox_server
