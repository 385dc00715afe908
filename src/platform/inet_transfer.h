// One HTTP GET on a worker thread, made with WinINet synchronously. The UI
// thread only starts it, aborts it (closing its handles) and waits for its
// thread; the worker never waits on the UI and posts nothing once aborted.
// The body is held in memory or, for downloads, in a temporary file that an
// abort deletes at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/body_file.h"
#include "platform/handles.h"
#include "platform/http_get.h"
#include "platform/inet.h"
#include "platform/inet_text.h"

namespace sb {

struct TransferSetup {
  std::wstring url;         // already normalised
  DWORD timeoutMs = 0;      // connect/send/receive time-out; 0: none
  bool requireSuccess = false;  // a non-2xx status is an error
  size_t maxBodyBytes = 0;      // a longer body is an error; 0: no bound
  bool bodyOnDisk = false;      // buffer the body in a BodyFile
  HWND notifyWindow = nullptr;  // states are posted here; nullptr: silent
  UINT notifyMessage = 0;       // wParam: generation, lParam: state
  UINT progressMessage = 0;     // wParam: generation; at most one waits at a time
  WPARAM generation = 0;
};

class Transfer {
 public:
  explicit Transfer(TransferSetup setup);
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // Starts the worker; it keeps the transfer alive through `self`.
  static UniqueKernelHandle Start(const std::shared_ptr<Transfer>& self);

  // Any thread: ends the transfer. Blocking calls of the worker fail at once.
  void Abort() noexcept;
  // Set once the outcome below is final (the worker may still be closing).
  HANDLE DoneEvent() const { return done_.get(); }

  // Readable once the worker posted 8 (headers) or ended (everything); the
  // headers HttpGet::Headers keeps.
  std::wstring Headers() const;
  DWORD Status() const;
  bool Succeeded() const;  // the whole body arrived
  std::string TakeBody();
  std::unique_ptr<BodyFile> TakeBodyFile();
  TransferFailure Failure() const;
  // The body bytes received so far; lets the next progress message be posted.
  uint64_t TakeProgress();

 private:
  static DWORD WINAPI ThreadMain(void* param);
  static void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, void*, DWORD);
  bool Run();
  bool ReadBody(const std::wstring& headers);
  bool Keep(std::string& body, const char* data, DWORD size);
  bool Fail(TransferFailure failure);
  void ReportProgress(uint64_t received);
  void Advance(short state);
  void Post(short state);

  const TransferSetup setup_;
  short lastState_ = 0;  // worker only

  HttpGet get_;

  mutable std::mutex mu_;
  bool aborted_ = false;
  std::wstring headers_;
  DWORD status_ = 0;
  bool succeeded_ = false;
  std::string body_;
  std::unique_ptr<BodyFile> file_;  // set at construction; the worker writes it
  TransferFailure failure_ = TransferFailure::None;
  std::atomic<uint64_t> received_{0};
  std::atomic<bool> progressPending_{false};
  UniqueKernelHandle done_;
};

}  // namespace sb
