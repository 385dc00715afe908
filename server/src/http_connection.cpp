#include "http_connection.h"

#include <sys/sendfile.h>
#include <fcntl.h>
#include <unistd.h>

#include <boost/asio/post.hpp>

#include <algorithm>
#include <iterator>

#include "http_text.h"

namespace songbox_server {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr size_t kSendfileChunk = 256 * 1024;
constexpr int kSendfileTurns = 4;  // then the thread serves others before going on
constexpr std::uint64_t kMaxBody = 64 * 1024;
constexpr auto kLinger = std::chrono::seconds(1);

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool Quiet(const beast::error_code& ec) {
  return ec == http::error::end_of_stream || ec == beast::error::timeout || ec == net::error::operation_aborted ||
         ec == net::error::connection_reset || ec == net::error::eof || ec == net::error::broken_pipe;
}

// What `make` replies; an exception becomes a 500.
template <class Make>
HttpReply Replied(const Make& make) {
  try {
    return make();
  } catch (const std::exception&) {
    return HttpReply::Text(500, "internal error", "text/plain");
  }
}

}  // namespace

HttpConnection::HttpConnection(net::ip::tcp::socket socket, HttpShared& shared)
    : shared_(shared), stream_(std::move(socket)), stall_(stream_.get_executor()),
      buffer_(shared.limits.maxHeadBytes + 1024) {}

HttpConnection::~HttpConnection() {
  if (fileFd_ >= 0) ::close(fileFd_);
  if (!isRegistered_) return;
  std::lock_guard lock(shared_.mutex);
  shared_.connections.erase(registered_);
}

void HttpConnection::Start() {
  {
    std::lock_guard lock(shared_.mutex);
    registered_ = shared_.connections.insert(shared_.connections.end(), weak_from_this());
    isRegistered_ = true;
  }
  net::post(stream_.get_executor(), [self = shared_from_this()] { self->ReadHead(); });
}

void HttpConnection::Shed() {
  net::post(stream_.get_executor(), [self = shared_from_this()] { self->Close(); });
}

void HttpConnection::ReadHead() {
  parser_.emplace();
  parser_->header_limit(static_cast<std::uint32_t>(shared_.limits.maxHeadBytes));
  waitingSince_ = SteadyNs();
  // One deadline for the whole head, however it trickles in.
  stream_.expires_after(shared_.limits.headDeadline);
  http::async_read_header(stream_, buffer_, *parser_, [self = shared_from_this()](beast::error_code ec, size_t) {
    self->OnHead(ec);
  });
}

void HttpConnection::OnHead(beast::error_code ec) {
  waitingSince_ = 0;
  if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
    // A head cut off before its request line was read: the target was too long.
    return Refuse(parser_->get().target().empty() ? 414 : 431);
  }
  if (ec) return Quiet(ec) ? Close() : Refuse(400);
  const auto& request = parser_->get();
  version_ = request.version();
  keepAlive_ = request.keep_alive();
  if (request.target().size() > shared_.limits.maxTarget) return Refuse(414);
  if (static_cast<size_t>(std::distance(request.begin(), request.end())) > shared_.limits.maxFields) return Refuse(431);
  if (request.method() != http::verb::get && request.method() != http::verb::head) {
    auto length = parser_->content_length();
    return Refuse(length && *length > kMaxBody ? 413 : 405);
  }
  if (!parser_->is_done()) return Refuse(400);  // a GET with a body
  Answer(request);
}

void HttpConnection::Answer(const http::request<http::empty_body>& request) {
  HttpRequest asked;
  asked.head = request.method() == http::verb::head;
  asked.path = DecodedPath(std::string_view(request.target().data(), request.target().size()));
  HttpReply reply = Replied([&] { return shared_.handler(asked); });
  auto field = request.find(http::field::range);
  std::string range = field == request.end() ? "" : field->value().to_string();
  if (reply.later) return AnswerLater(std::move(reply.later), std::move(range), asked.head);
  Send(reply, range, asked.head);
}

void HttpConnection::AnswerLater(std::function<HttpReply()> later, std::string range, bool head) {
  net::post(shared_.blocking, [self = shared_from_this(), later = std::move(later), range = std::move(range), head] {
    auto reply = std::make_shared<HttpReply>(Replied(later));
    reply->later = nullptr;  // made once: what it made is sent
    net::post(self->stream_.get_executor(), [self, reply, range, head] { self->Send(*reply, range, head); });
  });
}

void HttpConnection::Send(HttpReply& reply, const std::string& range, bool head) {
  if (reply.media) return SendMedia(reply, range, head);
  SendText(reply, head);
}

// A bad or refused request is answered and its connection closed: what
// follows it on the wire cannot be trusted to be a request.
void HttpConnection::Refuse(unsigned status) {
  keepAlive_ = false;
  HttpReply reply = HttpReply::Text(status, http::obsolete_reason(static_cast<http::status>(status)).to_string(),
                                    "text/plain");
  SendText(reply, false);
}

void HttpConnection::Prepare(http::response_header<>& header, unsigned status, const std::string& contentType) {
  header.result(status);
  header.version(version_);
  if (!contentType.empty()) header.set(http::field::content_type, contentType);
}

void HttpConnection::SendText(HttpReply& reply, bool head) {
  textBody_ = reply.body ? std::move(reply.body) : std::make_shared<const std::string>();
  text_.emplace();
  Prepare(text_->base(), reply.status, reply.contentType);
  if (!head) text_->body() = boost::beast::span<const char>(textBody_->data(), textBody_->size());
  text_->content_length(textBody_->size());
  text_->keep_alive(keepAlive_);
  Write(*text_);
}

template <class Message>
void HttpConnection::Write(Message& message) {
  stream_.expires_after(shared_.limits.writeStall);
  http::async_write(stream_, message, [self = shared_from_this()](beast::error_code ec, size_t) {
    self->AfterWrite(ec);
  });
}

void HttpConnection::SendMedia(HttpReply& reply, const std::string& rangeHeader, bool head) {
  media_ = std::move(reply.media);
  const std::uint64_t size = media_->Size();
  ByteRange range{0, size};
  RangeAsk ask = rangeHeader.empty() ? RangeAsk::kWhole : AskedRange(rangeHeader, size, range);
  if (ask == RangeAsk::kWhole) range = {0, size};
  mediaHead_.emplace();
  unsigned status = ask == RangeAsk::kPart ? 206 : ask == RangeAsk::kUnsatisfiable ? 416 : 200;
  Prepare(mediaHead_->base(), status, media_->ContentType());
  mediaHead_->set(http::field::accept_ranges, "bytes");
  if (ask == RangeAsk::kPart)
    mediaHead_->set(http::field::content_range, "bytes " + std::to_string(range.first) + "-" +
                                                   std::to_string(range.first + range.length - 1) + "/" +
                                                   std::to_string(size));
  if (ask == RangeAsk::kUnsatisfiable) {
    mediaHead_->set(http::field::content_range, "bytes */" + std::to_string(size));
    range.length = 0;
  }
  mediaHead_->content_length(range.length);
  mediaHead_->keep_alive(keepAlive_);
  offset_ = range.first;
  left_ = head ? 0 : range.length;
  Write(*mediaHead_);
}

void HttpConnection::AfterWrite(beast::error_code ec) {
  if (ec) return Close();
  if (left_ > 0) {
    const std::string file = media_->WholeFile();
    if (!file.empty() && (fileFd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC)) >= 0) return SendFileBody();
    chunk_ = std::make_unique<char[]>(kChunk);
    return SendChunks();
  }
  media_.reset();
  chunk_.reset();
  text_.reset();
  textBody_.reset();
  mediaHead_.reset();
  if (!keepAlive_) return Linger();
  ReadHead();
}

// sendfile on the non-blocking socket until it would block, then a wait for
// room that holds no thread.
void HttpConnection::SendFileBody() {
  auto& socket = stream_.socket();
  beast::error_code ec;
  socket.native_non_blocking(true, ec);
  for (int turn = 0; left_ > 0; ++turn) {
    if (turn == kSendfileTurns)
      return net::post(stream_.get_executor(), [self = shared_from_this()] { self->SendFileBody(); });
    off_t offset = static_cast<off_t>(offset_);
    ssize_t sent = ::sendfile(socket.native_handle(), fileFd_, &offset, std::min<std::uint64_t>(left_, kSendfileChunk));
    if (sent > 0) {
      offset_ += static_cast<std::uint64_t>(sent);
      left_ -= static_cast<std::uint64_t>(sent);
    } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
      if (errno == EAGAIN) return WaitWritable();
    } else {
      return Close();  // the file ended early or the peer went away
    }
  }
  ::close(fileFd_);
  fileFd_ = -1;
  AfterWrite({});
}

void HttpConnection::WaitWritable() {
  stall_.expires_after(shared_.limits.writeStall);
  stall_.async_wait([self = shared_from_this()](beast::error_code ec) {
    if (!ec) self->Close();
  });
  stream_.socket().async_wait(net::ip::tcp::socket::wait_write, [self = shared_from_this()](beast::error_code ec) {
    self->stall_.cancel();
    if (ec) return self->Close();
    self->SendFileBody();
  });
}

void HttpConnection::SendChunks() {
  auto ready = [weak = weak_from_this(), executor = stream_.get_executor()] {
    net::post(executor, [weak] {
      if (auto self = weak.lock()) self->OnChunkReady();
    });
  };
  waitingForSource_ = false;
  long long got = media_->ReadAt(offset_, chunk_.get(), static_cast<size_t>(std::min<std::uint64_t>(left_, kChunk)),
                                 std::move(ready));
  if (got == 0) {
    // The stall timer holds the connection until the source is ready.
    waitingForSource_ = true;
    stall_.expires_after(shared_.limits.writeStall);
    stall_.async_wait([self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->Close();
    });
    return;
  }
  if (got < 0) return Close();
  const auto n = static_cast<std::uint64_t>(std::min<long long>(got, static_cast<long long>(left_)));
  stream_.expires_after(shared_.limits.writeStall);
  net::async_write(stream_, net::buffer(chunk_.get(), n), [self = shared_from_this(), n](beast::error_code ec, size_t) {
    if (ec) return self->Close();
    self->offset_ += n;
    self->left_ -= n;
    if (self->left_ > 0) return self->SendChunks();
    self->AfterWrite({});
  });
}

void HttpConnection::OnChunkReady() {
  if (!waitingForSource_ || !media_) return;
  stall_.cancel();
  SendChunks();
}

void HttpConnection::Close() {
  stall_.cancel();
  stream_.close();
}

// Reads what the client still sends, for a moment, before closing: closing
// with unread bytes would reset the connection and could take the reply
// with it.
void HttpConnection::Linger() {
  beast::error_code ignored;
  stream_.socket().shutdown(net::ip::tcp::socket::shutdown_send, ignored);
  stream_.expires_after(kLinger);
  buffer_.consume(buffer_.size());
  stream_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code ec, size_t) {
    if (ec) return self->Close();
    self->Linger();
  });
}

}  // namespace songbox_server
