#include "platform/inet.h"

#include <algorithm>

#include "platform/form.h"
#include "platform/handles.h"
#include "platform/inet_transfer.h"

namespace sb {

namespace {

constexpr wchar_t kNotifyClass[] = L"SongBoxInetNotify";
constexpr UINT kStateMessage = WM_APP + 1;
constexpr DWORD kAbortGraceMs = 100;

bool IsTerminal(short state) { return state == icError || state == icResponseCompleted; }

}  // namespace

struct Inet::Impl {
  explicit Impl(Inet& owner) : owner(owner) {}

  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void OnState(WPARAM generation, short state);
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
  std::string body;
  size_t bodyOffset = 0;
  UniqueWindow window;  // last: destroyed first, while the rest is still whole
};

LRESULT CALLBACK Inet::Impl::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case kStateMessage:
      if (auto* self = reinterpret_cast<Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
        try {
          self->OnState(wp, static_cast<short>(lp));
        } catch (...) {
        }
      }
      return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Inet::Impl::OnState(WPARAM gen, short state) {
  if (gen != generation) return;  // from a request that was cancelled or replaced
  if (IsTerminal(state)) {
    running = false;
    if (state == icResponseCompleted && transfer) {
      body = transfer->TakeBody();
      bodyOffset = 0;
    }
  }
  // A copy: the handler may destroy this control (and its StateChanged) while it runs.
  std::function<void(short)> handler = owner.StateChanged;
  if (handler) handler(state);
}

std::shared_ptr<Transfer> Inet::Impl::Begin(const std::wstring& url, bool notify, size_t maxBodyBytes) {
  JoinWorker();
  ++generation;
  body.clear();
  bodyOffset = 0;
  TransferSetup setup;
  setup.url = url;
  setup.timeoutMs = TimeoutMs();
  setup.requireSuccess = notify;
  setup.maxBodyBytes = maxBodyBytes;
  setup.notifyWindow = notify ? window.get() : nullptr;
  setup.notifyMessage = kStateMessage;
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

Inet::Inet() : impl_(std::make_unique<Impl>(*this)) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(instance, kNotifyClass, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Impl::WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kNotifyClass;
    RegisterClassExW(&wc);
  }
  impl_->window.reset(CreateWindowExW(0, kNotifyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                      impl_.get()));
}

Inet::~Inet() { impl_->Stop(); }

int Inet::RequestTimeout() const { return impl_->timeoutSeconds; }
void Inet::SetRequestTimeout(int seconds) { impl_->timeoutSeconds = std::max(seconds, 0); }
int Inet::Protocol() const { return impl_->protocol; }
void Inet::SetProtocol(int protocol) { impl_->protocol = protocol; }
bool Inet::StillExecuting() const { return impl_->running; }

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
  if (!address || impl_->running || !impl_->window) return false;
  if (!operation.empty() && CompareStringOrdinal(operation.c_str(), -1, L"GET", -1, TRUE) != CSTR_EQUAL) return false;
  return impl_->Begin(*address, true) != nullptr;
}

std::wstring Inet::GetHeader(const std::wstring& name) const {
  if (!impl_->transfer) return {};
  return FindHeaderValue(impl_->transfer->RawHeaders(), name);
}

std::vector<uint8_t> Inet::GetChunk(int size, int dataType) {
  const std::string& body = impl_->body;
  if (size <= 0 || impl_->bodyOffset >= body.size()) return {};
  size_t n = std::min(static_cast<size_t>(size), body.size() - impl_->bodyOffset);
  std::vector<uint8_t> piece(body.begin() + static_cast<std::ptrdiff_t>(impl_->bodyOffset),
                             body.begin() + static_cast<std::ptrdiff_t>(impl_->bodyOffset + n));
  impl_->bodyOffset += n;
  if (impl_->bodyOffset == body.size()) {
    impl_->body = std::string();  // all handed out: let the memory go
    impl_->bodyOffset = 0;
  }
  return piece;
}

void Inet::Cancel() { impl_->Stop(); }

}  // namespace sb
