#include "platform/player/stream_source.h"

#include <winsock2.h>
#include <wininet.h>

#include <algorithm>
#include <cwctype>

#include "platform/handles.h"
#include "platform/inet.h"
#include "platform/inet_headers.h"

namespace sb {
namespace {

// Short enough that a cancelled transfer stuck on a silent server ends quickly;
// a read that times out is simply retried until the stall limit. A server
// slow to answer at all is asked again with longer waits.
constexpr DWORD kReceiveTimeoutMs = 1000;
constexpr DWORD kLongestReceiveTimeoutMs = 8000;
constexpr DWORD kConnectTimeoutMs = 5000;
constexpr DWORD kChunk = 64 * 1024;

// Wine reports the socket's own WSAETIMEDOUT where Windows says ERROR_INTERNET_TIMEOUT.
bool IsTimeout(DWORD error) { return error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT; }

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i >= s.size() || std::towlower(s[i]) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

bool IsHttpAddress(const std::wstring& address) {
  return StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://");
}

StreamSource::StreamSource(std::wstring address, std::shared_ptr<StreamBuffer> buffer, int stallTimeoutMs)
    : address_(std::move(address)), buffer_(std::move(buffer)), stallTimeoutMs_(stallTimeoutMs) {}

StreamSource::~StreamSource() {
  Cancel();
  if (thread_.joinable()) thread_.join();
}

void StreamSource::Cancel() {
  cancel_ = true;
  buffer_->CancelWrites();
  std::lock_guard<std::mutex> lock(getMu_);
  if (get_) get_->Abort();
}

void StreamSource::Start() {
  thread_ = std::thread([this] {
    try {
      Run();
    } catch (...) {
      buffer_->Finish(PlayerError::Interrupted);  // out of memory for the body
    }
  });
}

void StreamSource::Run() {
  if (IsHttpAddress(address_)) {
    RunHttp();
  } else {
    RunFile();
  }
}

// A transfer that breaks after it waited for room in the buffer goes on from
// where it broke: a server may well give up on a client that took nothing
// for minutes. Each new request must bring bytes, so this cannot go round.
void StreamSource::RunHttp() {
  int64_t received = 0;
  for (;;) {
    const uint64_t waitsBefore = buffer_->State().waits;
    const int64_t before = received;
    if (TransferOnce(received) != Transfer::Broken) return;
    const StreamState s = buffer_->State();
    const bool resumable = !cancel_ && s.contentLength > 0 && s.waits > waitsBefore && received > before;
    if (!resumable) return buffer_->Finish(PlayerError::Interrupted);
  }
}

StreamSource::Transfer StreamSource::TransferOnce(int64_t& received) {
  HttpGetOptions options;
  options.connectTimeoutMs = kConnectTimeoutMs;
  options.receiveTimeoutMs = kReceiveTimeoutMs;
  options.longestReceiveMs = kLongestReceiveTimeoutMs;
  options.patienceMs = static_cast<DWORD>(std::max(stallTimeoutMs_, 0));
  HttpGet get(options);
  {
    std::lock_guard<std::mutex> lock(getMu_);
    get_ = &get;
  }
  Transfer t = Transfer::Stopped;
  if (!cancel_ && OpenHttp(get, received)) t = ReadHttp(get, received);
  std::lock_guard<std::mutex> lock(getMu_);
  get_ = nullptr;
  return t;
}

// Opens the request, for the rest of the body from `from` on when that is not
// 0; false (with the buffer finished) when it cannot.
bool StreamSource::OpenHttp(HttpGet& get, int64_t from) {
  const std::wstring range = from > 0 ? L"Range: bytes=" + std::to_wstring(from) + L"-\r\n" : L"";
  if (!get.Send(NormaliseRequestAddress(address_).value_or(address_), range)) {
    if (!cancel_) buffer_->Finish(from > 0 ? PlayerError::Interrupted : PlayerError::Unreachable);
    return false;
  }
  if (cancel_) return false;
  const std::wstring& headers = get.Headers();
  if (from > 0) {
    // Only the very bytes asked for: anything else would corrupt the media.
    const auto start = ContentRangeStart(FindHeaderValue(headers, L"Content-Range"));
    if (get.Status() == 206 && start && *start == static_cast<unsigned long long>(from)) return true;
    buffer_->Finish(PlayerError::Interrupted);
    return false;
  }
  if (get.Status() >= 400) {
    buffer_->Finish(PlayerError::Unreachable);
    return false;
  }
  std::optional<unsigned long long> length = ParseContentLength(FindHeaderValue(headers, L"Content-Length"));
  const bool announced = length && *length <= static_cast<unsigned long long>(INT64_MAX) &&
                         FindHeaderValue(headers, L"Transfer-Encoding").empty();
  buffer_->SetConnected(announced ? static_cast<int64_t>(*length) : -1);
  return true;
}

// Reads the body into the buffer as it arrives; `received` counts from the
// start of the media.
StreamSource::Transfer StreamSource::ReadHttp(HttpGet& get, int64_t& received) {
  std::vector<uint8_t> chunk(kChunk);
  const int64_t contentLength = buffer_->State().contentLength;
  while (!cancel_) {
    DWORD available = 0;
    if (!get.QueryAvailable(&available)) {
      const bool stalled = PlayerClockMs() - buffer_->State().lastArrivalMs > stallTimeoutMs_;
      if (IsTimeout(GetLastError()) && !stalled) continue;
      return Transfer::Broken;
    }
    if (available == 0) break;
    DWORD read = 0;
    if (!get.Read(chunk.data(), std::min<DWORD>(available, kChunk), &read)) return Transfer::Broken;
    if (read == 0) break;
    if (!buffer_->Append(chunk.data(), read)) return Transfer::Stopped;
    received += read;
  }
  if (cancel_) return Transfer::Stopped;
  // A body shorter than announced is a broken transfer, not a short song.
  if (contentLength >= 0 && received < contentLength) return Transfer::Broken;
  buffer_->Finish(PlayerError::None);
  return Transfer::Complete;
}

void StreamSource::RunFile() {
  UniqueFile file(CreateFileW(address_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return buffer_->Finish(PlayerError::Unreachable);
  LARGE_INTEGER size{};
  GetFileSizeEx(file.get(), &size);
  buffer_->SetConnected(size.QuadPart);
  std::vector<uint8_t> chunk(kChunk);
  while (!cancel_) {
    DWORD read = 0;
    if (!ReadFile(file.get(), chunk.data(), kChunk, &read, nullptr)) return buffer_->Finish(PlayerError::Interrupted);
    if (read == 0) return buffer_->Finish(PlayerError::None);
    if (!buffer_->Append(chunk.data(), read)) return;
  }
}

}  // namespace sb
