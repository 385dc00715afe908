#include "platform/inet_transfer.h"

#include <wininet.h>

#include <algorithm>
#include <memory>

#include "platform/inet.h"

namespace sb {

namespace {

constexpr DWORD kReadBlock = 64 * 1024;
// Content-Length comes from the server: trust it for a reservation only up to here.
constexpr unsigned long long kMaxReserve = 64ull * 1024 * 1024;

void SetTimeouts(HINTERNET h, DWORD ms) {
  if (ms == 0) return;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                       INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(h, option, &ms, sizeof ms);
  }
}

short StateOfStatus(DWORD status) {
  switch (status) {
    case INTERNET_STATUS_RESOLVING_NAME: return icHostResolvingHost;
    case INTERNET_STATUS_NAME_RESOLVED: return icHostResolved;
    case INTERNET_STATUS_CONNECTING_TO_SERVER: return icConnecting;
    case INTERNET_STATUS_CONNECTED_TO_SERVER: return icConnected;
    case INTERNET_STATUS_SENDING_REQUEST: return icRequesting;
    case INTERNET_STATUS_REQUEST_SENT: return icRequestSent;
    default: return icNone;
  }
}

DWORD QueryStatusCode(HINTERNET request) {
  DWORD code = 0, size = sizeof code;
  if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) return 0;
  return code;
}

std::wstring QueryRawHeaders(HINTERNET request) {
  DWORD bytes = 0;
  HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &bytes, nullptr);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return {};
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, text.data(), &bytes, nullptr)) return {};
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

}  // namespace

UniqueKernelHandle Transfer::Start(const std::shared_ptr<Transfer>& self) {
  auto holder = std::make_unique<std::shared_ptr<Transfer>>(self);
  UniqueKernelHandle thread(CreateThread(nullptr, 0, &Transfer::ThreadMain, holder.get(), 0, nullptr));
  if (thread) holder.release();
  return thread;
}

DWORD WINAPI Transfer::ThreadMain(void* param) {
  std::unique_ptr<std::shared_ptr<Transfer>> holder(static_cast<std::shared_ptr<Transfer>*>(param));
  Transfer& t = **holder;
  bool ok = false;
  try {
    ok = t.Run();
  } catch (...) {
    ok = false;
  }
  t.CloseHandles();
  t.Post(ok ? icResponseCompleted : icError);
  return 0;
}

void CALLBACK Transfer::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void*, DWORD) {
  short state = StateOfStatus(status);
  if (state != icNone && context) reinterpret_cast<Transfer*>(context)->Advance(state);
}

bool Transfer::Keep(UniqueInternet& slot, HINTERNET h) {
  UniqueInternet owned(h);
  if (!owned) return false;
  std::lock_guard<std::mutex> lock(mu_);
  if (aborted_) return false;
  slot = std::move(owned);
  return true;
}

bool Transfer::Run() {
  std::optional<RequestTarget> target = SplitRequestAddress(setup_.url);
  if (!target) return false;

  HINTERNET session = InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!Keep(session_, session)) return false;
  SetTimeouts(session, setup_.timeoutMs);
  InternetSetStatusCallbackW(session, &Transfer::StatusCallback);

  const auto context = reinterpret_cast<DWORD_PTR>(this);
  HINTERNET connection = InternetConnectW(session, target->host.c_str(), target->port, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, context);
  if (!Keep(connection_, connection)) return false;

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;
  if (target->secure) flags |= INTERNET_FLAG_SECURE;
  const wchar_t* accept[] = {L"*/*", nullptr};
  HINTERNET request = HttpOpenRequestW(connection, L"GET", target->object.c_str(), nullptr, nullptr, accept, flags,
                                       context);
  if (!Keep(request_, request)) return false;
  SetTimeouts(request, setup_.timeoutMs);

  if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return false;
  Advance(icReceivingResponse);

  DWORD status = QueryStatusCode(request);
  std::wstring headers = QueryRawHeaders(request);
  {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = status;
    headers_ = headers;
  }
  if (setup_.requireSuccess && (status < 200 || status > 299)) return false;
  Advance(icResponseReceived);

  if (!ReadBody(request, headers)) return false;
  Post(icDisconnecting);
  CloseHandles();
  Post(icDisconnected);
  std::lock_guard<std::mutex> lock(mu_);
  succeeded_ = !aborted_;
  return succeeded_;
}

bool Transfer::ReadBody(HINTERNET request, const std::wstring& headers) {
  std::optional<unsigned long long> announced = ParseContentLength(FindHeaderValue(headers, L"Content-Length"));
  if (!FindHeaderValue(headers, L"Transfer-Encoding").empty()) announced.reset();
  std::string body;
  if (announced) body.reserve(static_cast<size_t>(std::min(*announced, kMaxReserve)));
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, block.get(), kReadBlock, &got)) return false;
    if (got == 0) break;
    body.append(block.get(), got);
    std::lock_guard<std::mutex> lock(mu_);
    if (aborted_) return false;
  }
  // A connection that ends early looks like the end of the body to WinINet.
  if (announced && body.size() != *announced) return false;
  std::lock_guard<std::mutex> lock(mu_);
  body_ = std::move(body);
  return true;
}

void Transfer::CloseHandles() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  for (UniqueInternet* h : {&request_, &connection_, &session_}) {
    if (*h) InternetSetStatusCallbackW(h->get(), nullptr);
    h->reset();
  }
}

void Transfer::Abort() noexcept {
  {
    std::lock_guard<std::mutex> lock(mu_);
    aborted_ = true;
  }
  CloseHandles();
}

void Transfer::Advance(short state) {
  while (lastState_ < state) Post(++lastState_);
}

void Transfer::Post(short state) {
  if (!setup_.notifyWindow) return;
  // Under the lock: once Abort returns nothing more is posted, so a window
  // that is gone (and its handle value reused) never hears from us.
  std::lock_guard<std::mutex> lock(mu_);
  if (!aborted_) PostMessageW(setup_.notifyWindow, setup_.notifyMessage, setup_.generation, state);
}

std::wstring Transfer::RawHeaders() const {
  std::lock_guard<std::mutex> lock(mu_);
  return headers_;
}

DWORD Transfer::Status() const {
  std::lock_guard<std::mutex> lock(mu_);
  return status_;
}

bool Transfer::Succeeded() const {
  std::lock_guard<std::mutex> lock(mu_);
  return succeeded_;
}

std::string Transfer::TakeBody() {
  std::lock_guard<std::mutex> lock(mu_);
  return std::move(body_);
}

}  // namespace sb
