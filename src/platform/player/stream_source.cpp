#include "platform/player/stream_source.h"

#include <winsock2.h>
#include <wininet.h>

#include <algorithm>
#include <cwctype>

#include "platform/handles.h"

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
  cancel_ = true;
  if (thread_.joinable()) thread_.join();
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

// InternetOpenUrlW would send before a receive time-out can reach the
// connection, so the request is built step by step with the same flags.
void StreamSource::RunHttp() {
  URL_COMPONENTSW parts{sizeof(parts)};
  wchar_t host[256]{}, path[4096]{};
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 4096;
  parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlW(address_.c_str(), 0, 0, &parts)) return buffer_->Finish(PlayerError::Unreachable);
  std::wstring object = parts.dwUrlPathLength ? std::wstring(path, parts.dwUrlPathLength) : L"/";
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  UniqueInternet session(InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return buffer_->Finish(PlayerError::Unreachable);
  UniqueInternet connection(InternetConnectW(session.get(), host, parts.nPort, nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return buffer_->Finish(PlayerError::Unreachable);
  DWORD receive = kReceiveTimeoutMs, connect = kConnectTimeoutMs;
  InternetSetOptionW(connection.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
  InternetSetOptionW(connection.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  UniqueInternet request;
  const double started = PlayerClockMs();
  for (;;) {
    request.reset(HttpOpenRequestW(connection.get(), L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request) return buffer_->Finish(PlayerError::Unreachable);
    InternetSetOptionW(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
    const double attempt = PlayerClockMs();
    if (HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) break;
    const DWORD error = GetLastError();
    if (cancel_) return;
    // Wine turns a time-out while waiting for the headers into "connection
    // aborted"; the time spent tells it apart from a real one.
    const bool waitedOut = (IsTimeout(error) || error == ERROR_INTERNET_CONNECTION_ABORTED ||
                            error == ERROR_HTTP_INVALID_SERVER_RESPONSE) &&
                           PlayerClockMs() - attempt >= receive * 0.9;
    if (!waitedOut || PlayerClockMs() - started > stallTimeoutMs_) {
      return buffer_->Finish(PlayerError::Unreachable);
    }
    receive = std::min(receive * 2, kLongestReceiveTimeoutMs);
  }
  if (cancel_) return;
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
      if (IsTimeout(error) && !stalled) continue;
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
