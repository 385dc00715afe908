// The catalogue's HTTP routes over a Library.
#pragma once

#include <httplib.h>

#include "library.h"

namespace songbox_server {

// "/", "/wgns/url/<sid>", "/lyrics/<id>", "/cover/<id>", "/media/<path>",
// "/community" and "/forum"; every other request gets a 4xx. Only indexed
// files are ever opened.
void MountRoutes(httplib::Server& server, Library& library);

// An httplib server tuned for many keep-alive clients on loopback and LAN: a
// worker per connection, replies sent without Nagle's delay, and an accept
// queue deep enough for a burst of new connections.
class HttpServer : public httplib::Server {
 public:
  explicit HttpServer(size_t workers = 64);
  // Binds to `port` (0: any free port); returns the port, or -1.
  int Bind(const std::string& host, int port);
};

}  // namespace songbox_server
