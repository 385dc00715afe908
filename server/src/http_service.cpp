#include "http_service.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace songbox_server {
namespace {

constexpr char kScript[] = "application/x-javascript; charset=GB18030";
constexpr char kText[] = "text/plain; charset=GB18030";
constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr size_t kMaxBody = 64 * 1024;

void NotFound(httplib::Response& res) {
  res.status = 404;
  res.set_content("not found", "text/plain");
}

long long IdOf(const httplib::Request& req) { return std::stoll(req.matches[1].str()); }

// An open file whose descriptor lives as long as the response needs it.
struct OpenFile {
  int fd = -1;
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
};

void ServeFile(const std::string& file, httplib::Response& res) {
  auto open = std::make_shared<OpenFile>();
  open->fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (open->fd < 0 || ::fstat(open->fd, &st) != 0 || !S_ISREG(st.st_mode)) return NotFound(res);
  res.set_content_provider(static_cast<size_t>(st.st_size), "audio/mpeg",
                           [open](size_t offset, size_t length, httplib::DataSink& sink) {
                             char buffer[64 * 1024];
                             size_t n = std::min(length, sizeof buffer);
                             ssize_t got = ::pread(open->fd, buffer, n, static_cast<off_t>(offset));
                             if (got <= 0) return false;
                             return sink.write(buffer, static_cast<size_t>(got));
                           });
}

}  // namespace

void MountRoutes(httplib::Server& server, Library& library) {
  server.set_payload_max_length(kMaxBody);
  server.Get("/", [&library](const httplib::Request&, httplib::Response& res) {
    auto page = library.FrontPage();
    res.set_content(*page, kScript);
  });
  server.Get(R"(/wgns/url/(\d{1,15}))", [&library](const httplib::Request& req, httplib::Response& res) {
    auto address = library.PlayAddress(IdOf(req));
    if (!address) return NotFound(res);
    res.set_content(*address, kText);
  });
  server.Get(R"(/lyrics/(\d{1,15}))", [&library](const httplib::Request& req, httplib::Response& res) {
    auto lyrics = library.Lyrics(IdOf(req));
    if (!lyrics) return NotFound(res);
    res.set_content(ToGb18030(*lyrics), kText);
  });
  server.Get(R"(/cover/(\d{1,15}))", [&library](const httplib::Request& req, httplib::Response& res) {
    auto jpeg = library.Cover(IdOf(req));
    if (!jpeg) return NotFound(res);
    res.set_content(*jpeg, "image/jpeg");
  });
  server.Get(R"(/media/(.{1,4096}))", [&library](const httplib::Request& req, httplib::Response& res) {
    auto file = library.MediaFile(req.matches[1].str());
    if (!file) return NotFound(res);
    ServeFile(*file, res);
  });
  server.Get("/community", [&library](const httplib::Request&, httplib::Response& res) {
    res.set_content(library.Community(), kHtml);
  });
  server.Get("/forum", [&library](const httplib::Request&, httplib::Response& res) {
    res.set_content(library.Forum(), kHtml);
  });
  server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("internal error", "text/plain");
  });
}

HttpServer::HttpServer(size_t workers) {
  // Each keep-alive connection holds its worker until it goes quiet, so the
  // pool is as large as the clients expected at once.
  new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
  // Headers and body go out in two writes: with Nagle the body would wait for
  // the client's delayed acknowledgement of the headers (up to 40 ms).
  set_tcp_nodelay(true);
  set_keep_alive_max_count(1000);
  set_keep_alive_timeout(2);
}

int HttpServer::Bind(const std::string& host, int port) {
  if (port == 0) {
    port = bind_to_any_port(host);
  } else if (!bind_to_port(host, port)) {
    return -1;
  }
  // The library listens with a backlog of five: connections beyond it lose
  // their handshake and retry a second later.
  if (port > 0 && ::listen(svr_sock_, SOMAXCONN) != 0) return -1;
  return port > 0 ? port : -1;
}

}  // namespace songbox_server
