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

}  // namespace

Transfer::Transfer(TransferSetup setup)
    : setup_(std::move(setup)),
      get_(HttpGetOptions{setup_.timeoutMs, setup_.timeoutMs, 0, 0, &Transfer::StatusCallback,
                          reinterpret_cast<DWORD_PTR>(this)}),
      done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

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
  // The outcome is known before the handles close: under Wine closing a
  // request whose endless body was given up can take as long as the server
  // keeps sending, and nobody waits for that.
  SetEvent(t.done_.get());
  try {
    if (!ok) t.Post(icError);
    t.get_.Close();
    if (ok) t.Post(icResponseCompleted);
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

bool Transfer::Run() {
  if (!get_.Send(setup_.url)) return false;
  Advance(icReceivingResponse);
  const DWORD status = get_.Status();
  const std::wstring& headers = get_.Headers();
  {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = status;
    headers_ = headers;
  }
  if (setup_.requireSuccess && (status < 200 || status > 299)) return false;
  Advance(icResponseReceived);

  if (!ReadBody(headers)) return false;
  Post(icDisconnecting);
  get_.Close();
  Post(icDisconnected);
  std::lock_guard<std::mutex> lock(mu_);
  succeeded_ = !aborted_;
  return succeeded_;
}

bool Transfer::ReadBody(const std::wstring& headers) {
  std::optional<unsigned long long> length = ParseContentLength(FindHeaderValue(headers, L"Content-Length"));
  const bool announced = length.has_value() && FindHeaderValue(headers, L"Transfer-Encoding").empty();
  const unsigned long long expected = length.value_or(0);
  const unsigned long long bound = setup_.maxBodyBytes ? setup_.maxBodyBytes : ~0ull;
  if (announced && expected > bound) return false;
  std::string body;
  if (announced) body.reserve(static_cast<size_t>(std::min(expected, kMaxReserve)));
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  for (;;) {
    DWORD got = 0;
    if (!get_.Read(block.get(), kReadBlock, &got)) return false;
    if (got == 0) break;
    if (got > bound - body.size()) return false;  // a body past the bound is refused, never held
    body.append(block.get(), got);
  }
  // A connection that ends early looks like the end of the body to WinINet.
  if (announced && body.size() != expected) return false;
  std::lock_guard<std::mutex> lock(mu_);
  body_ = std::move(body);
  return true;
}

void Transfer::Abort() noexcept {
  {
    std::lock_guard<std::mutex> lock(mu_);
    aborted_ = true;
  }
  get_.Abort();
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

std::wstring Transfer::Headers() const {
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
