#include "platform/inet.h"

#include <algorithm>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/inet_transfer.h"
#include "platform/window_base.h"

namespace sb {

namespace {

const WindowClass kNotifyClass{L"SongBoxInetNotify"};
constexpr UINT kStateMessage = WM_APP + 1;
constexpr UINT kProgressMessage = WM_APP + 2;
// GetChunk reads the buffered body from disk this much at a time.
constexpr size_t kReadAhead = 64 * 1024;
constexpr DWORD kAbortGraceMs = 100;

bool IsTerminal(short state) { return state == icError || state == icResponseCompleted; }

}  // namespace

// Also the message-only window that the transfer's worker posts its states to.
struct Inet::Impl : WindowBase {
  explicit Impl(Inet& owner) : owner(owner) {}

  bool CreateNotifyWindow();
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void OnState(WPARAM generation, short state);
  void OnProgress(WPARAM generation);
  void DropBody();
  std::shared_ptr<Transfer> Begin(const std::wstring& url, bool notify, size_t maxBodyBytes = 0);
  std::shared_ptr<Transfer> Wait(std::shared_ptr<Transfer> t);
  void Stop();
  void JoinWorker();
  DWORD TimeoutMs() const {
    return static_cast<DWORD>(std::clamp<long long>(timeoutSeconds * 1000ll, 0, MAXDWORD - 1));
  }

  Inet& owner;
  int timeoutSeconds = limits::kRequestSeconds;
  int protocol = icHTTP;
  bool running = false;
  WPARAM generation = 0;
  std::shared_ptr<Transfer> transfer;
  UniqueKernelHandle worker;
  // The completed body: in memory (blocking requests) or on disk (Execute),
  // handed out from `ahead`, the part read from disk but not yet given out.
  std::string body;
  size_t bodyOffset = 0;
  std::unique_ptr<BodyFile> bodyFile;
  uint64_t fileOffset = 0;
  std::vector<uint8_t> ahead;
  size_t aheadOffset = 0;
};

bool Inet::Impl::CreateNotifyWindow() {
  WindowCreateArgs args;
  args.parent = HWND_MESSAGE;
  return Create(kNotifyClass, args);
}

LRESULT Inet::Impl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kStateMessage: OnState(wp, static_cast<short>(lp)); return 0;
    case kProgressMessage: OnProgress(wp); return 0;
    default: return DefaultProc(msg, wp, lp);
  }
}

void Inet::Impl::OnProgress(WPARAM gen) {
  if (gen != generation || !transfer) return;
  const uint64_t received = transfer->TakeProgress();
  std::function<void(uint64_t)> handler = owner.BytesReceived;
  if (handler) handler(received);
}

void Inet::Impl::DropBody() {
  body = std::string();
  bodyOffset = 0;
  bodyFile.reset();
  fileOffset = 0;
  ahead = std::vector<uint8_t>();
  aheadOffset = 0;
}

void Inet::Impl::OnState(WPARAM gen, short state) {
  if (gen != generation) return;  // from a request that was cancelled or replaced
  if (IsTerminal(state)) {
    running = false;
    if (state == icResponseCompleted && transfer) {
      DropBody();
      body = transfer->TakeBody();
      bodyFile = transfer->TakeBodyFile();
    }
  }
  // A copy: the handler may destroy this control (and its StateChanged) while it runs.
  std::function<void(short)> handler = owner.StateChanged;
  if (handler) handler(state);
}

std::shared_ptr<Transfer> Inet::Impl::Begin(const std::wstring& url, bool notify, size_t maxBodyBytes) {
  JoinWorker();
  ++generation;
  DropBody();
  TransferSetup setup;
  setup.url = url;
  setup.timeoutMs = TimeoutMs();
  setup.requireSuccess = notify;
  setup.maxBodyBytes = notify ? limits::kDownloadBytes : maxBodyBytes;
  setup.bodyOnDisk = notify;
  setup.notifyWindow = notify ? hwnd() : nullptr;
  setup.notifyMessage = kStateMessage;
  setup.progressMessage = kProgressMessage;
  setup.generation = generation;
  auto t = std::make_shared<Transfer>(std::move(setup));
  worker = Transfer::Start(t);
  if (!worker) return nullptr;
  transfer = t;
  running = true;
  return t;
}

void Inet::Impl::Stop() {
  ++generation;
  running = false;
  if (transfer) transfer->Abort();
  if (!worker) return;
  // Closing the handles ends a blocking WinINet call on Windows; Wine lets a
  // blocked receive run on until data, a close or its time-out. An aborted
  // worker posts nothing and owns what it uses, so after a short grace it is
  // left to finish on its own rather than freezing this thread.
  WaitForSingleObject(worker.get(), kAbortGraceMs);
  worker.reset();
}

void Inet::Impl::JoinWorker() {
  if (!worker) return;
  // Only called for a worker whose outcome is known: what is left is closing
  // its handles, which it does on its own, owning what it uses.
  WaitForSingleObject(worker.get(), kAbortGraceMs);
  worker.reset();
}

Inet::Inet() : impl_(std::make_unique<Impl>(*this)) { impl_->CreateNotifyWindow(); }

Inet::~Inet() { impl_->Stop(); }

int Inet::RequestTimeout() const { return impl_->timeoutSeconds; }
void Inet::SetRequestTimeout(int seconds) { impl_->timeoutSeconds = std::max(seconds, 0); }
int Inet::Protocol() const { return impl_->protocol; }
void Inet::SetProtocol(int protocol) { impl_->protocol = protocol; }
bool Inet::StillExecuting() const { return impl_->running; }
TransferFailure Inet::LastFailure() const {
  return impl_->transfer ? impl_->transfer->Failure() : TransferFailure::None;
}

std::optional<std::wstring> Inet::OpenURL(const std::wstring& url, size_t maxBodyBytes) {
  std::optional<std::string> body = OpenURLBytes(url, maxBodyBytes);
  if (!body) return std::nullopt;
  return DecodeBody(*body, CharsetOfContentType(GetHeader(L"Content-Type")));
}

std::optional<std::string> Inet::OpenURLBytes(const std::wstring& url, size_t maxBodyBytes) {
  std::optional<std::wstring> address = NormaliseRequestAddress(url);
  if (!address || impl_->running) return std::nullopt;
  std::shared_ptr<Transfer> t = impl_->Wait(impl_->Begin(*address, false, maxBodyBytes));
  if (!t || !t->Succeeded()) return std::nullopt;
  return t->TakeBody();
}

// Waits for a blocking request within the control's time-out; null when it
// did not finish in time (it is then stopped).
std::shared_ptr<Transfer> Inet::Impl::Wait(std::shared_ptr<Transfer> t) {
  if (!t) return nullptr;
  // Only paint messages run while we wait: the caller is not re-entered by
  // input, timers or other handlers, yet a wait panel still draws.
  const DWORD timeoutMs = TimeoutMs();
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  HANDLE done = t->DoneEvent();
  for (;;) {
    DWORD wait = INFINITE;
    if (timeoutMs) {
      ULONGLONG now = GetTickCount64();
      if (now >= deadline) break;
      wait = static_cast<DWORD>(deadline - now);
    }
    DWORD r = MsgWaitForMultipleObjects(1, &done, FALSE, wait, QS_PAINT | QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) {
      JoinWorker();
      running = false;
      return t;
    }
    if (r != WAIT_OBJECT_0 + 1) break;
    PumpPaintMessages();
  }
  Stop();
  return nullptr;
}

bool Inet::Execute(const std::wstring& url, const std::wstring& operation) {
  std::optional<std::wstring> address = NormaliseRequestAddress(url);
  if (!address || impl_->running || !impl_->hwnd()) return false;
  if (!operation.empty() && CompareStringOrdinal(operation.c_str(), -1, L"GET", -1, TRUE) != CSTR_EQUAL) return false;
  return impl_->Begin(*address, true) != nullptr;
}

std::wstring Inet::GetHeader(const std::wstring& name) const {
  if (!impl_->transfer) return {};
  return FindHeaderValue(impl_->transfer->Headers(), name);
}

std::vector<uint8_t> Inet::GetChunk(int size, int dataType) {
  Impl& m = *impl_;
  if (size <= 0) return {};
  if (m.bodyFile && m.aheadOffset == m.ahead.size()) {
    m.ahead.resize(kReadAhead);
    m.ahead.resize(m.bodyFile->ReadAt(m.fileOffset, m.ahead.data(), kReadAhead));
    m.fileOffset += m.ahead.size();
    m.aheadOffset = 0;
  }
  const uint8_t* from = m.bodyFile ? m.ahead.data() : reinterpret_cast<const uint8_t*>(m.body.data());
  size_t& offset = m.bodyFile ? m.aheadOffset : m.bodyOffset;
  const size_t held = m.bodyFile ? m.ahead.size() : m.body.size();
  if (offset >= held) {
    m.DropBody();  // all handed out: let the memory and the file go
    return {};
  }
  const size_t n = std::min(static_cast<size_t>(size), held - offset);
  std::vector<uint8_t> piece(from + offset, from + offset + n);
  offset += n;
  return piece;
}

void Inet::Cancel() { impl_->Stop(); }

void Inet::DiscardBody() { impl_->DropBody(); }

}  // namespace sb
