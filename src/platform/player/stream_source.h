// The transfer thread of one media: reads an http(s) address through WinINet
// or a local file into a StreamBuffer, chunk by chunk, as the bytes arrive.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/player/stream_buffer.h"

namespace sb {

bool IsHttpAddress(const std::wstring& address);

class StreamSource {
 public:
  StreamSource(std::wstring address, std::shared_ptr<StreamBuffer> buffer, int stallTimeoutMs);
  ~StreamSource();  // cancels and joins
  StreamSource(const StreamSource&) = delete;
  StreamSource& operator=(const StreamSource&) = delete;

  void Start();
  // Asks the thread to give up; it notices within one receive time-out.
  void Cancel() { cancel_ = true; }

 private:
  void Run();
  void RunHttp();
  void RunFile();

  std::wstring address_;
  std::shared_ptr<StreamBuffer> buffer_;
  int stallTimeoutMs_;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

}  // namespace sb
