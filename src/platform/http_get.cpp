#include "platform/http_get.h"

#include <winsock2.h>

#include <algorithm>

#include "platform/inet.h"
#include "platform/inet_text.h"
#include "platform/input_limits.h"

namespace sb {

namespace {

void SetTimeout(HINTERNET h, DWORD option, DWORD ms) {
  if (ms) InternetSetOptionW(h, option, &ms, sizeof ms);
}

// Receive and send share one time-out: a send that makes no progress is as
// stuck as a receive.
void SetTransferTimeouts(HINTERNET h, DWORD ms) {
  for (DWORD option : {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                       INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    SetTimeout(h, option, ms);
  }
}

// Wine turns a time-out while waiting for the headers into "connection
// aborted" or a bad response; the time spent tells it apart from a real one.
bool LooksTimedOut(DWORD error) {
  return error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT || error == ERROR_INTERNET_CONNECTION_ABORTED ||
         error == ERROR_HTTP_INVALID_SERVER_RESPONSE;
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

DWORD QueryStatusCode(HINTERNET request) {
  DWORD code = 0, size = sizeof code;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) return 0;
  return code;
}

// The first value of one header; "" when it is absent.
std::wstring QueryHeader(HINTERNET request, DWORD query) {
  std::wstring value(256, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    DWORD index = 0;
    if (HttpQueryInfoW(request, query, value.data(), &bytes, &index)) {
      value.resize(bytes / sizeof(wchar_t));
      return value;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
  }
  return {};
}

// The headers the program reads, each asked for on its own: Wine builds the
// whole raw header text anew for every raw query, in time that grows with the
// square of its size (about 4 s a query for 1 MB of headers).
std::wstring QueryReadHeaders(HINTERNET request, DWORD status) {
  static constexpr struct {
    DWORD query;
    const wchar_t* name;
  } kRead[] = {{HTTP_QUERY_LOCATION, L"Location"},
               {HTTP_QUERY_CONTENT_LENGTH, L"Content-Length"},
               {HTTP_QUERY_TRANSFER_ENCODING, L"Transfer-Encoding"},
               {HTTP_QUERY_CONTENT_TYPE, L"Content-Type"},
               {HTTP_QUERY_CONTENT_RANGE, L"Content-Range"}};
  std::wstring text = L"HTTP " + std::to_wstring(status) + L"\r\n";
  for (const auto& header : kRead) {
    const std::wstring value = QueryHeader(request, header.query);
    if (!value.empty()) text += std::wstring(header.name) + L": " + value + L"\r\n";
  }
  return text;
}

// Called outside any lock: WinINet may call back while it closes.
void Release(UniqueInternet& h) noexcept {
  if (h) InternetSetStatusCallbackW(h.get(), nullptr);
  h.reset();
}

void ReleaseAll(UniqueInternet& request, UniqueInternet& connection, UniqueInternet& session) noexcept {
  for (UniqueInternet* h : {&request, &connection, &session}) Release(*h);
}

}  // namespace

std::wstring RedirectAddress(const std::wstring& base, const std::wstring& location) {
  DWORD size = INTERNET_MAX_URL_LENGTH;
  std::wstring combined(size, L'\0');
  if (!InternetCombineUrlW(base.c_str(), location.c_str(), combined.data(), &size, ICU_NO_ENCODE)) return {};
  combined.resize(size);
  return NormaliseRequestAddress(combined).value_or(L"");
}

template <typename Call>
bool HttpGet::Guarded(Call call) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (aborted_) return false;
    inCall_ = true;
  }
  const bool ok = call();
  const DWORD error = GetLastError();
  std::lock_guard<std::mutex> lock(mu_);
  inCall_ = false;
  SetLastError(error);
  return ok && !aborted_;
}

bool HttpGet::Keep(UniqueInternet& slot, HINTERNET h) {
  UniqueInternet owned(h), old;
  if (!owned) return false;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (aborted_) return false;
    old = std::move(slot);
    slot = std::move(owned);
  }
  Release(old);
  return true;
}

bool HttpGet::Send(const std::wstring& url, const std::wstring& headers) {
  requestHeaders_ = headers;
  std::wstring current = url;
  for (redirects_ = 0;; ++redirects_) {
    if (!Connect(current) || !SendOnce()) return false;
    if (!IsRedirect(status_)) return true;
    const std::wstring location = FindHeaderValue(headers_, L"Location");
    if (location.empty()) return true;  // nothing to follow: this response is the answer
    if (redirects_ == limits::kRedirects) return false;
    current = RedirectAddress(current, location);
    if (current.empty()) return false;
  }
}

bool HttpGet::Connect(const std::wstring& url) {
  std::optional<RequestTarget> target = SplitRequestAddress(url);
  if (!target) return false;
  object_ = target->object;
  secure_ = target->secure;
  if (!session_) {
    HINTERNET session = InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!Keep(session_, session)) return false;
    SetTimeout(session, INTERNET_OPTION_CONNECT_TIMEOUT, options_.connectTimeoutMs);
    SetTransferTimeouts(session, options_.receiveTimeoutMs);
    if (options_.callback) InternetSetStatusCallbackW(session, options_.callback);
  }
  if (connection_ && target->host == host_ && target->port == port_) return true;
  host_ = target->host;
  port_ = target->port;
  HINTERNET connection = nullptr;
  Guarded([&] {
    connection = InternetConnectW(session_.get(), host_.c_str(), port_, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0,
                                  options_.context);
    return true;
  });
  return Keep(connection_, connection);
}

bool HttpGet::OpenRequest(DWORD receiveMs) {
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI |
                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT;
  if (secure_) flags |= INTERNET_FLAG_SECURE;
  HINTERNET request = nullptr;
  HINTERNET connection = connection_.get();
  Guarded([&] {
    const wchar_t* accept[] = {L"*/*", nullptr};
    request = HttpOpenRequestW(connection, L"GET", object_.c_str(), nullptr, nullptr, accept, flags, options_.context);
    return true;
  });
  if (!Keep(request_, request)) return false;
  // On the request itself too: InternetOpenUrl would send before a time-out
  // could reach it, which is why the request is built step by step.
  SetTransferTimeouts(request, receiveMs);
  return true;
}

bool HttpGet::SendOnce() {
  DWORD receive = options_.receiveTimeoutMs;
  const ULONGLONG started = GetTickCount64();
  for (;;) {
    if (!OpenRequest(receive)) return false;
    HINTERNET request = request_.get();
    const ULONGLONG attempt = GetTickCount64();
    const wchar_t* headers = requestHeaders_.empty() ? nullptr : requestHeaders_.c_str();
    const auto headersLength = static_cast<DWORD>(requestHeaders_.size());
    if (Guarded([&] { return HttpSendRequestW(request, headers, headersLength, nullptr, 0) != FALSE; })) break;
    const DWORD error = GetLastError();
    const ULONGLONG now = GetTickCount64();
    const bool waitedOut = LooksTimedOut(error) && receive && now - attempt >= receive * 9ull / 10;
    if (Aborted() || !waitedOut || !options_.patienceMs || now - started > options_.patienceMs) return false;
    receive = std::min(receive * 2, std::max(options_.longestReceiveMs, receive));
  }
  HINTERNET request = request_.get();
  return Guarded([&] {
    status_ = QueryStatusCode(request);
    headers_ = QueryReadHeaders(request, status_);
    return true;
  });
}

bool HttpGet::Read(void* buffer, DWORD size, DWORD* got) {
  HINTERNET request = request_.get();
  return Guarded([&] { return InternetReadFile(request, buffer, size, got) != FALSE; });
}

bool HttpGet::QueryAvailable(DWORD* available) {
  HINTERNET request = request_.get();
  return Guarded([&] { return InternetQueryDataAvailable(request, available, 0, 0) != FALSE; });
}

void HttpGet::Abort() noexcept {
  UniqueInternet request, connection, session;
  {
    std::lock_guard<std::mutex> lock(mu_);
    aborted_ = true;
    // Between calls the worker closes its handles itself; closing them here
    // then could hand their values to another request before the worker's
    // next call. Inside a call, closing is what ends it.
    if (!inCall_) return;
    request = std::move(request_);
    connection = std::move(connection_);
    session = std::move(session_);
  }
  ReleaseAll(request, connection, session);
}

bool HttpGet::Aborted() const {
  std::lock_guard<std::mutex> lock(mu_);
  return aborted_;
}

void HttpGet::Close() noexcept {
  UniqueInternet request, connection, session;
  {
    std::lock_guard<std::mutex> lock(mu_);
    request = std::move(request_);
    connection = std::move(connection_);
    session = std::move(session_);
  }
  ReleaseAll(request, connection, session);
}

}  // namespace sb
