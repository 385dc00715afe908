// The service's log on stderr: one line per event, with its local time.
//
// Threads: any; lines never interleave.
#pragma once

#include <string>

namespace songbox_server {

// "YYYY-MM-DD HH:MM:SS songbox-catalogue: <event>"; line breaks in the event
// become spaces, so that every event stays one line.
void LogLine(const std::string& event);

}  // namespace songbox_server
