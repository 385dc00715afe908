// The Internet transfer control (Inet): a blocking GET that returns text, and
// an asynchronous GET that reports transfer states 1..12 on the UI thread,
// exposes response headers and hands out the body in pieces.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/input_limits.h"

namespace sb {

// Transfer states raised through StateChanged.
enum InetState : short {
  icNone = 0,
  icHostResolvingHost = 1,
  icHostResolved = 2,
  icConnecting = 3,
  icConnected = 4,
  icRequesting = 5,
  icRequestSent = 6,
  icReceivingResponse = 7,
  icResponseReceived = 8,
  icDisconnecting = 9,
  icDisconnected = 10,
  icError = 11,
  icResponseCompleted = 12,
};

// Why the latest asynchronous request ended in icError.
enum class TransferFailure {
  None,
  Network,   // refused, dropped, timed out, a non-2xx status, a short body
  TooLong,   // the body ran past its Content-Length or limits::kDownloadBytes
  DiskFull,  // the body could not be buffered on disk
};

inline constexpr int icHTTP = 4;
inline constexpr int icByteArray = 1;

class Inet {
 public:
  Inet();
  ~Inet();  // cancels a running request
  Inet(const Inet&) = delete;
  Inet& operator=(const Inet&) = delete;

  // Raised on the UI thread (the thread that made the control), in order.
  std::function<void(short state)> StateChanged;
  // Raised on the UI thread while the body of an Execute arrives, with the
  // bytes received so far; one at a time, never behind the arrival by more
  // than the UI thread's own delay.
  std::function<void(uint64_t received)> BytesReceived;

  // Seconds; default 60, 0 waits without limit. A connection, a send or a
  // receive that makes no progress for this long fails the request; OpenURL
  // also gives up when the whole request takes longer, as it holds the UI.
  int RequestTimeout() const;
  void SetRequestTimeout(int seconds);
  int Protocol() const;
  void SetProtocol(int protocol);

  // Blocking GET; the body decoded as text (GBK unless the response names a
  // charset). nullopt on a refused address, network error, time-out, busy
  // control, more redirects than limits::kRedirects or a body over `maxBodyBytes`.
  std::optional<std::wstring> OpenURL(const std::wstring& url, size_t maxBodyBytes = limits::kPageBytes);
  // The same GET, its body as it came.
  std::optional<std::string> OpenURLBytes(const std::wstring& url, size_t maxBodyBytes);

  // Starts an asynchronous GET; false (and no notification) when the address
  // is refused at once or the control is busy. A non-2xx status, a body
  // shorter or longer than its Content-Length, a dropped connection or a body
  // that cannot be buffered end in icError (LastFailure says which);
  // icResponseCompleted comes once the whole body is held for GetChunk, in a
  // temporary file that DiscardBody, the next request or the end of the
  // program deletes (Cancel deletes the file of a body still arriving).
  bool Execute(const std::wstring& url, const std::wstring& operation);
  bool StillExecuting() const;
  TransferFailure LastFailure() const;

  // A header of the latest response, "" when absent or not one the transfer
  // keeps (Location, Content-Length, Transfer-Encoding, Content-Type,
  // Content-Range); usable from icResponseReceived on.
  std::wstring GetHeader(const std::wstring& name) const;
  // The next at most `size` bytes of the completed body; empty once all are read.
  std::vector<uint8_t> GetChunk(int size, int dataType = icByteArray);
  // Stops the running request; no notification of it arrives afterwards.
  // Harmless when idle and safe inside a StateChanged handler.
  void Cancel();
  // Lets go of a completed body that was not read to its end (its temporary
  // file is deleted now); GetChunk then gives nothing.
  void DiscardBody();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Address handling shared by both operations: surrounding spaces, tabs, CR and
// LF are ignored; only http:// (and https://) addresses are accepted.
std::optional<std::wstring> NormaliseRequestAddress(const std::wstring& url);

// Bytes to text: GBK (code page 936) unless `charset` names another encoding.
std::wstring DecodeBody(const std::string& bytes, const std::wstring& charset);

}  // namespace sb
