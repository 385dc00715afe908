// One HTTP GET made with WinINet on the calling (worker) thread: the session,
// connection and request set-up shared by the transfer control and the
// player's stream. Redirects are followed here, not by WinINet, so that their
// number is bounded (limits::kRedirects). Any thread may Abort; the worker
// makes every other call.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <mutex>
#include <string>

#include "platform/handles.h"

namespace sb {

struct HttpGetOptions {
  DWORD connectTimeoutMs = 0;  // 0: WinINet's own
  DWORD receiveTimeoutMs = 0;  // also the send time-out; 0: WinINet's own
  // A server that is slow to send its headers: when a send waits out its
  // receive time-out it is sent again with twice the wait (at most
  // `longestReceiveMs`) until `patienceMs` have passed. 0: no second try.
  DWORD longestReceiveMs = 0;
  DWORD patienceMs = 0;
  INTERNET_STATUS_CALLBACK callback = nullptr;  // with `context` as its context
  DWORD_PTR context = 0;
};

class HttpGet {
 public:
  explicit HttpGet(HttpGetOptions options) : options_(options) {}
  ~HttpGet() { Close(); }
  HttpGet(const HttpGet&) = delete;
  HttpGet& operator=(const HttpGet&) = delete;

  // Sends the GET of `url` (a normalised http(s) address) and follows its
  // redirects. True once the headers of a response that is not a redirect
  // have arrived; false on a network error, a time-out, an abort, a redirect
  // to anything but http(s), or more redirects than the bound. `headers`
  // (CRLF-separated lines) go with every request of the chain.
  bool Send(const std::wstring& url, const std::wstring& headers = {});
  DWORD Status() const { return status_; }
  // The response's Location, Content-Length, Transfer-Encoding, Content-Type
  // and Content-Range (the first of each) as CRLF lines after a status line.
  const std::wstring& Headers() const { return headers_; }
  int Redirects() const { return redirects_; }

  // InternetReadFile / InternetQueryDataAvailable on the final response;
  // false once aborted. GetLastError tells why a call failed.
  bool Read(void* buffer, DWORD size, DWORD* got);
  bool QueryAvailable(DWORD* available);

  void Abort() noexcept;  // blocking calls end; nothing more is sent
  bool Aborted() const;
  void Close() noexcept;

 private:
  bool Connect(const std::wstring& url);
  bool SendOnce();
  bool OpenRequest(DWORD receiveMs);
  bool Keep(UniqueInternet& slot, HINTERNET h);
  template <typename Call>
  bool Guarded(Call call);

  const HttpGetOptions options_;
  std::wstring host_, object_, requestHeaders_;
  INTERNET_PORT port_ = 0;
  bool secure_ = false;
  DWORD status_ = 0;
  std::wstring headers_;
  int redirects_ = 0;

  mutable std::mutex mu_;
  bool aborted_ = false;
  bool inCall_ = false;
  UniqueInternet session_, connection_, request_;
};

// The address a redirect's Location leads to from `base`; "" when it is not
// an http(s) address.
std::wstring RedirectAddress(const std::wstring& base, const std::wstring& location);

}  // namespace sb
