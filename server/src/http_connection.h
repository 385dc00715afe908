// One client connection of the HttpServer: reads request heads under the
// server's limits, asks the handler, writes the reply and its body, and then
// waits for the next request or closes.
//
// Threads: every member runs on the connection's strand, but Shed and
// WaitingSince, which any thread may call.
#pragma once

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

#include "http_server.h"

namespace songbox_server {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

class HttpConnection;

// What the connections share with the server; it outlives them all.
struct HttpShared {
  HttpHandler handler;
  HttpLimits limits;
  net::any_io_executor blocking;  // where replies' `later` work runs
  std::mutex mutex;
  std::list<std::weak_ptr<HttpConnection>> connections;  // under mutex
};

class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
 public:
  HttpConnection(net::ip::tcp::socket socket, HttpShared& shared);
  ~HttpConnection();
  void Start();  // registers with the server and reads the first head
  // Closes the connection soon; from any thread.
  void Shed();
  // Since when (steady clock, ns) it has waited for a request head; 0 while
  // it answers one.
  std::int64_t WaitingSince() const { return waitingSince_.load(); }

 private:
  void ReadHead();
  void OnHead(beast::error_code ec);
  void Answer(const http::request<http::empty_body>& request);
  void AnswerLater(std::function<HttpReply()> later, std::string range, bool head);
  void Send(HttpReply& reply, const std::string& range, bool head);
  void Refuse(unsigned status);
  void SendText(HttpReply& reply, bool head);
  void SendMedia(HttpReply& reply, const std::string& range, bool head);
  void AfterWrite(beast::error_code ec);
  void SendFileBody();
  void WaitWritable();
  void SendChunks();
  void OnChunkReady();
  void Close();
  void Linger();
  template <class Message>
  void Write(Message& message);
  void Prepare(http::response_header<>& header, unsigned status, const std::string& contentType);

  HttpShared& shared_;
  beast::tcp_stream stream_;
  net::steady_timer stall_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::empty_body>> parser_;
  std::list<std::weak_ptr<HttpConnection>>::iterator registered_;
  bool isRegistered_ = false;
  std::atomic<std::int64_t> waitingSince_{0};

  // The reply being written.
  unsigned version_ = 11;
  bool keepAlive_ = false;
  std::optional<http::response<http::span_body<const char>>> text_;
  std::shared_ptr<const std::string> textBody_;
  std::optional<http::response<http::empty_body>> mediaHead_;
  std::unique_ptr<MediaSource> media_;
  std::uint64_t offset_ = 0, left_ = 0;
  int fileFd_ = -1;
  std::unique_ptr<char[]> chunk_;
  bool waitingForSource_ = false;
};

}  // namespace songbox_server
