#include "http_server.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/thread_pool.hpp>

#include <algorithm>
#include <thread>
#include <vector>

#include "http_connection.h"

namespace songbox_server {

using tcp = net::ip::tcp;

namespace {
// Replies' `later` work that runs at once; more waits its turn, while the
// event loop serves everything else.
constexpr std::size_t kBlockingThreads = 4;
}  // namespace

struct HttpServer::Impl : HttpShared {
  // Declared after the shared registry: connections still held by pending
  // handlers leave it as the loop is destroyed.
  net::io_context loop;
  tcp::acceptor acceptor{loop};
  net::steady_timer retry{loop};
  // Destroyed first: its pending work holds connections, which need the loop.
  net::thread_pool pool{kBlockingThreads};

  void Accept();
  void Admit(tcp::socket socket);
  std::shared_ptr<HttpConnection> LongestWaiting();
};

HttpReply HttpReply::Text(unsigned status, std::string body, std::string contentType) {
  HttpReply reply;
  reply.status = status;
  reply.body = std::make_shared<const std::string>(std::move(body));
  reply.contentType = std::move(contentType);
  return reply;
}

HttpServer::HttpServer(HttpHandler handler, HttpLimits limits) : impl_(std::make_shared<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->limits = limits;
  impl_->blocking = impl_->pool.get_executor();
}

HttpServer::~HttpServer() { Stop(); }

int HttpServer::Bind(const std::string& host, int port) {
  beast::error_code ec;
  auto address = net::ip::make_address(host == "localhost" ? "127.0.0.1" : host, ec);
  if (ec) return -1;
  tcp::endpoint endpoint(address, static_cast<unsigned short>(port));
  auto& acceptor = impl_->acceptor;
  acceptor.open(endpoint.protocol(), ec);
  if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec) {
    acceptor.close(ec);
    return -1;
  }
  impl_->Accept();
  return acceptor.local_endpoint().port();
}

// An exception out of a connection's work ends that connection only (its
// handlers, and with them the connection, are gone); the loop goes on.
void HttpServer::Run() {
  auto serve = [impl = impl_] {
    for (;;) {
      try {
        impl->loop.run();
        return;
      } catch (const std::exception&) {
      }
    }
  };
  unsigned threads = impl_->limits.threads ? impl_->limits.threads : std::max(2u, std::thread::hardware_concurrency());
  std::vector<std::thread> others;
  for (unsigned i = 1; i < threads; ++i) others.emplace_back(serve);
  serve();
  for (auto& t : others) t.join();
}

void HttpServer::Stop() { impl_->loop.stop(); }

size_t HttpServer::Waiting() const {
  std::vector<std::weak_ptr<HttpConnection>> all;
  {
    std::lock_guard lock(impl_->mutex);
    all.assign(impl_->connections.begin(), impl_->connections.end());
  }
  return static_cast<size_t>(std::count_if(all.begin(), all.end(), [](const std::weak_ptr<HttpConnection>& weak) {
    auto c = weak.lock();
    return c && c->WaitingSince() != 0;
  }));
}

void HttpServer::Impl::Accept() {
  acceptor.async_accept(net::make_strand(loop), [this](beast::error_code ec, tcp::socket socket) {
    if (ec == net::error::operation_aborted) return;
    if (!ec) {
      Admit(std::move(socket));
      return Accept();
    }
    // Out of descriptors, say: try again in a moment rather than spin.
    retry.expires_after(std::chrono::milliseconds(100));
    retry.async_wait([this](beast::error_code waited) {
      if (!waited) Accept();
    });
  });
}

void HttpServer::Impl::Admit(tcp::socket socket) {
  bool full;
  std::shared_ptr<HttpConnection> shed;
  {
    std::lock_guard lock(mutex);
    full = connections.size() >= limits.maxConnections;
  }
  if (full && !(shed = LongestWaiting())) return;  // every connection is answering: the new one is refused
  if (shed) shed->Shed();
  beast::error_code ec;
  // Head and body may go out in separate writes: without this the body
  // would wait for the client's delayed acknowledgement of the head.
  socket.set_option(tcp::no_delay(true), ec);
  std::make_shared<HttpConnection>(std::move(socket), *this)->Start();
}

// Looked at outside the lock: the last owner of a connection may be this
// loop, and its destructor takes the lock.
std::shared_ptr<HttpConnection> HttpServer::Impl::LongestWaiting() {
  std::vector<std::weak_ptr<HttpConnection>> all;
  {
    std::lock_guard lock(mutex);
    all.assign(connections.begin(), connections.end());
  }
  std::shared_ptr<HttpConnection> oldest;
  std::int64_t since = 0;
  for (auto& weak : all) {
    auto c = weak.lock();
    std::int64_t waiting = c ? c->WaitingSince() : 0;
    if (waiting && (!oldest || waiting < since)) {
      oldest = std::move(c);
      since = waiting;
    }
  }
  return oldest;
}

}  // namespace songbox_server
