// Local calendar dates for first-seen dates and today's play counts.
//
// Threads: any; only localtime_r and mktime are used.
#pragma once

#include <ctime>
#include <string>

namespace songbox_server {

// Local date as YYYY-MM-DD, now or at `when`.
std::string LocalDate();
std::string LocalDateAt(std::time_t when);
// The first second of the local day after the one `when` falls on.
std::time_t NextLocalMidnight(std::time_t when);

}  // namespace songbox_server
