#include "platform/player/stream_source.h"

#include <wininet.h>

#include <algorithm>
#include <cwctype>

#include "platform/handles.h"

namespace sb {
namespace {

// Short enough that a cancelled transfer stuck on a silent server ends quickly;
// a read that times out is simply retried until the stall limit.
constexpr DWORD kReceiveTimeoutMs = 400;
constexpr DWORD kConnectTimeoutMs = 8000;
constexpr DWORD kChunk = 64 * 1024;

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
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
}

void StreamSource::Start() {
  thread_ = std::thread([this] { Run(); });
}

void StreamSource::Run() {
  if (IsHttpAddress(address_)) {
    RunHttp();
  } else {
    RunFile();
  }
}

void StreamSource::RunHttp() {
  UniqueInternet session(InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return buffer_->Finish(PlayerError::Unreachable);
  DWORD receive = kReceiveTimeoutMs, connect = kConnectTimeoutMs;
  InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
  InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
  UniqueInternet request(InternetOpenUrlW(session.get(), address_.c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI,
                                          0));
  if (cancel_) return;
  if (!request) return buffer_->Finish(PlayerError::Unreachable);
  DWORD status = 0, length = 0, size = sizeof(status);
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
      status >= 400) {
    return buffer_->Finish(PlayerError::Unreachable);
  }
  int64_t contentLength = -1;
  size = sizeof(length);
  if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr)) {
    contentLength = length;
  }
  buffer_->SetConnected(contentLength);

  std::vector<uint8_t> chunk(kChunk);
  int64_t received = 0;
  while (!cancel_) {
    DWORD available = 0;
    if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) {
      const DWORD error = GetLastError();
      const bool stalled = PlayerClockMs() - buffer_->State().lastArrivalMs > stallTimeoutMs_;
      if (error == ERROR_INTERNET_TIMEOUT && !stalled) continue;
      return buffer_->Finish(PlayerError::Interrupted);
    }
    if (available == 0) break;
    DWORD read = 0;
    if (!InternetReadFile(request.get(), chunk.data(), std::min<DWORD>(available, kChunk), &read)) {
      return buffer_->Finish(PlayerError::Interrupted);
    }
    if (read == 0) break;
    buffer_->Append(chunk.data(), read);
    received += read;
  }
  if (cancel_) return;
  // A body shorter than announced is a broken transfer, not a short song.
  buffer_->Finish(contentLength >= 0 && received < contentLength ? PlayerError::Interrupted : PlayerError::None);
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
    buffer_->Append(chunk.data(), read);
  }
}

}  // namespace sb
