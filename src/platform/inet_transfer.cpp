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
  try {
    t.Post(ok ? icResponseCompleted : icError);
  } catch (...) {
  }
  return 0;
}

void CALLBACK Transfer::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void*, DWORD) {
  short state = StateOfStatus(status);
  if (state == icNone || !context) return;
  try {
    reinterpret_cast<Transfer*>(context)->Advance(state);
  } catch (...) {
  }
}

bool Transfer::Keep(UniqueInternet& slot, HINTERNET h) {
  UniqueInternet owned(h);
  if (!owned) return false;
  std::lock_guard<std::mutex> lock(mu_);
  if (aborted_) return false;
  slot = std::move(owned);
  return true;
}

template <typename Call>
bool Transfer::Guarded(Call call) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (aborted_) return false;
    inCall_ = true;
  }
  bool ok = call();
  std::lock_guard<std::mutex> lock(mu_);
  inCall_ = false;
  return ok && !aborted_;
}

bool Transfer::Run() {
  std::optional<RequestTarget> target = SplitRequestAddress(setup_.url);
  if (!target) return false;

  HINTERNET session = InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!Keep(session_, session)) return false;
  const auto context = reinterpret_cast<DWORD_PTR>(this);
  HINTERNET connection = nullptr;
  Guarded([&] {
    SetTimeouts(session, setup_.timeoutMs);
    InternetSetStatusCallbackW(session, &Transfer::StatusCallback);
    connection = InternetConnectW(session, target->host.c_str(), target->port, nullptr, nullptr,
                                  INTERNET_SERVICE_HTTP, 0, context);
    return true;
  });
  if (!Keep(connection_, connection)) return false;

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;
  if (target->secure) flags |= INTERNET_FLAG_SECURE;
  HINTERNET request = nullptr;
  Guarded([&] {
    const wchar_t* accept[] = {L"*/*", nullptr};
    request = HttpOpenRequestW(connection, L"GET", target->object.c_str(), nullptr, nullptr, accept, flags, context);
    return true;
  });
  if (!Keep(request_, request)) return false;

  if (!Guarded([&] {
        SetTimeouts(request, setup_.timeoutMs);
        return HttpSendRequestW(request, nullptr, 0, nullptr, 0) != FALSE;
      })) {
    return false;
  }
  Advance(icReceivingResponse);

  DWORD status = 0;
  std::wstring headers;
  if (!Guarded([&] {
        status = QueryStatusCode(request);
        headers = QueryRawHeaders(request);
        return true;
      })) {
    return false;
  }
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
  std::optional<unsigned long long> length = ParseContentLength(FindHeaderValue(headers, L"Content-Length"));
  const bool announced = length.has_value() && FindHeaderValue(headers, L"Transfer-Encoding").empty();
  const unsigned long long expected = length.value_or(0);
  std::string body;
  if (announced) body.reserve(static_cast<size_t>(std::min(expected, kMaxReserve)));
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  for (;;) {
    DWORD got = 0;
    if (!Guarded([&] { return InternetReadFile(request, block.get(), kReadBlock, &got) != FALSE; })) return false;
    if (got == 0) break;
    body.append(block.get(), got);
  }
  // A connection that ends early looks like the end of the body to WinINet.
  if (announced && body.size() != expected) return false;
  std::lock_guard<std::mutex> lock(mu_);
  body_ = std::move(body);
  return true;
}

void Transfer::CloseHandles() noexcept {
  UniqueInternet request, connection, session;
  {
    std::lock_guard<std::mutex> lock(mu_);
    request = std::move(request_);
    connection = std::move(connection_);
    session = std::move(session_);
  }
  CloseOutsideLock(request, connection, session);
}

void Transfer::CloseOutsideLock(UniqueInternet& request, UniqueInternet& connection, UniqueInternet& session) noexcept {
  // Outside the lock: WinINet may call back while it closes.
  for (UniqueInternet* h : {&request, &connection, &session}) {
    if (*h) InternetSetStatusCallbackW(h->get(), nullptr);
    h->reset();
  }
}

void Transfer::Abort() noexcept {
  UniqueInternet request, connection, session;
  {
    std::lock_guard<std::mutex> lock(mu_);
    aborted_ = true;
    // Between calls the worker closes its handles itself when it sees the
    // flag; closing them here then could hand their values to another
    // request before the worker's next call. Inside a call, closing is what
    // ends it.
    if (!inCall_) return;
    request = std::move(request_);
    connection = std::move(connection_);
    session = std::move(session_);
  }
  CloseOutsideLock(request, connection, session);
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
