// The HTTP/1.1 server under the catalogue's routes, on Boost.Beast/Asio:
// event-driven, so no client holds a thread while it is slow. A request head
// must arrive whole within `headDeadline` of the connection being ready for
// it (an idle keep-alive connection is closed then too); heads beyond
// `maxHeadBytes` or `maxFields` get 431, targets beyond `maxTarget` 414. At
// `maxConnections` a new connection sheds the one that has waited longest for
// a request head; when every connection is busy answering, it is refused.
// Media bodies go out with sendfile (a whole file) or in non-blocking writes,
// a source that is not ready yet is waited for without a thread, and a
// reader that takes nothing for `writeStall` is dropped.
//
// Threads: Run runs the event loop on `threads` threads until Stop, which may
// be called from any thread. Each connection's work runs on its own strand,
// the handler too, so a handler that blocks briefly (reading a cover) holds
// one thread only. A reply's `later` work, which may block for long (starting
// a transcode), runs on a pool of its own, off the event loop.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "media_source.h"

namespace songbox_server {

struct HttpLimits {
  std::chrono::milliseconds headDeadline{5000};
  size_t maxHeadBytes = 16 * 1024;
  size_t maxFields = 100;
  size_t maxTarget = 8192;
  size_t maxConnections = 4096;
  std::chrono::milliseconds writeStall{60000};
  unsigned threads = 0;  // 0: one per core, at least two
};

struct HttpRequest {
  bool head = false;  // HEAD: the reply's headers without its body
  std::string path;   // percent-decoded, without the query
};

struct HttpReply {
  unsigned status = 200;
  std::string contentType;
  std::shared_ptr<const std::string> body;
  // Instead of `body`: served with Accept-Ranges, and as 206 or 416 when the
  // request asked for a single byte range.
  std::unique_ptr<MediaSource> media;
  // Instead of all the above: work that may block, run off the event loop;
  // the reply it makes is sent as if the handler had made it.
  std::function<HttpReply()> later;

  static HttpReply Text(unsigned status, std::string body, std::string contentType);
};

// Called on a connection's strand; an exception becomes a 500.
using HttpHandler = std::function<HttpReply(const HttpRequest&)>;

class HttpServer {
 public:
  explicit HttpServer(HttpHandler handler, HttpLimits limits = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on host:port (0: any free port); returns the port, or -1.
  int Bind(const std::string& host, int port);
  // Serves until Stop; returns at once if Stop came first.
  void Run();
  void Stop();
  // How many connections wait for a request head (for the tests and the log).
  size_t Waiting() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace songbox_server
