// The transfer thread of one media: reads an http(s) address through WinINet
// or a local file into a StreamBuffer, chunk by chunk, as the bytes arrive.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/http_get.h"
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
  // Asks the thread to give up: a wait for room in the buffer ends at once,
  // and so does a blocking receive where closing its handle ends it, else
  // within one receive time-out.
  void Cancel();

 private:
  enum class Transfer { Complete, Broken, Stopped };
  void Run();
  void RunHttp();
  Transfer TransferOnce(int64_t& received);
  bool OpenHttp(HttpGet& get, int64_t from);
  Transfer ReadHttp(HttpGet& get, int64_t& received);
  void RunFile();

  std::wstring address_;
  std::shared_ptr<StreamBuffer> buffer_;
  int stallTimeoutMs_;
  std::atomic<bool> cancel_{false};
  std::mutex getMu_;
  HttpGet* get_ = nullptr;  // the running request, under getMu_ (kept alive while Cancel aborts it)
  std::thread thread_;
};

}  // namespace sb
