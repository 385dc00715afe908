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
      done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  if (setup_.bodyOnDisk) file_ = BodyFile::Create();
}

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
  if (!ok) {
    std::lock_guard<std::mutex> lock(t.mu_);
    if (t.failure_ == TransferFailure::None) t.failure_ = TransferFailure::Network;
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
  // Content-Length binds even beside a Transfer-Encoding: the caller reads
  // that many bytes, so a longer body is refused rather than cut.
  const std::optional<unsigned long long> length =
      ParseContentLength(FindHeaderValue(headers, L"Content-Length"));
  const bool announced = length.has_value() && FindHeaderValue(headers, L"Transfer-Encoding").empty();
  const unsigned long long bound = setup_.maxBodyBytes ? setup_.maxBodyBytes : ~0ull;
  if (length && *length > bound) return Fail(TransferFailure::TooLong);
  const unsigned long long limit = length ? *length : bound;
  if (setup_.bodyOnDisk && !file_) return Fail(TransferFailure::DiskFull);
  std::string body;
  if (announced && !file_) body.reserve(static_cast<size_t>(std::min(*length, kMaxReserve)));
  std::unique_ptr<char[]> block(new char[kReadBlock]);
  unsigned long long received = 0;
  for (;;) {
    // What has arrived, not a whole block: a synchronous read waits for the
    // block to fill, and the progress would wait with it.
    DWORD available = 0, got = 0;
    if (!get_.QueryAvailable(&available)) return false;
    const DWORD want = available ? std::min(available, kReadBlock) : kReadBlock;
    if (!get_.Read(block.get(), want, &got)) return false;
    if (got == 0) break;
    if (got > limit - received) return Fail(TransferFailure::TooLong);  // refused, never held
    if (!Keep(body, block.get(), got)) return Fail(TransferFailure::DiskFull);
    received += got;
    ReportProgress(received);
  }
  // A connection that ends early looks like the end of the body to WinINet.
  if (announced && received != *length) return false;
  std::lock_guard<std::mutex> lock(mu_);
  body_ = std::move(body);
  return true;
}

bool Transfer::Keep(std::string& body, const char* data, DWORD size) {
  if (!file_) {
    body.append(data, size);
    return true;
  }
  return file_->Append(data, size);
}

bool Transfer::Fail(TransferFailure failure) {
  std::lock_guard<std::mutex> lock(mu_);
  failure_ = failure;
  return false;
}

// The count is stored before the flag is looked at, and the UI clears the
// flag before it reads the count: no arrival goes unshown.
void Transfer::ReportProgress(uint64_t received) {
  received_.store(received);
  if (!setup_.progressMessage || !setup_.notifyWindow || progressPending_.exchange(true)) return;
  std::lock_guard<std::mutex> lock(mu_);
  if (!aborted_) PostMessageW(setup_.notifyWindow, setup_.progressMessage, setup_.generation, 0);
}

uint64_t Transfer::TakeProgress() {
  progressPending_.store(false);
  return received_.load();
}

void Transfer::Abort() noexcept {
  {
    std::lock_guard<std::mutex> lock(mu_);
    aborted_ = true;
    if (file_) file_->Close();  // the worker's next write fails; the file is gone now
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

std::unique_ptr<BodyFile> Transfer::TakeBodyFile() {
  std::lock_guard<std::mutex> lock(mu_);
  return std::move(file_);
}

TransferFailure Transfer::Failure() const {
  std::lock_guard<std::mutex> lock(mu_);
  return failure_;
}

}  // namespace sb
