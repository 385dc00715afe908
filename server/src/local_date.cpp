#include "local_date.h"

namespace songbox_server {

std::string LocalDate() { return LocalDateAt(std::time(nullptr)); }

std::string LocalDateAt(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::time_t NextLocalMidnight(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  local.tm_mday += 1;
  local.tm_hour = local.tm_min = local.tm_sec = 0;
  local.tm_isdst = -1;
  std::time_t next = std::mktime(&local);
  return next > when ? next : when + 1;
}

}  // namespace songbox_server
