// A songbox-codec child process (see server/codec/codec_main.cpp): ffmpeg runs
// there, never in the server. The child's stdin and stdout are one end of a
// socket pair; the server holds the other end, so a write to a child that
// died fails with EPIPE instead of raising SIGPIPE.
//
// The program is $SONGBOX_CODEC when set, else songbox-codec beside the
// running executable.
//
// Threading: a CodecProcess has one owner and is used by one thread at a time.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace songbox_server {

std::string CodecProgram();

class CodecProcess {
 public:
  // Starts `<program> <mode>`, with `input` (a file the caller keeps owning)
  // as its descriptor 3 unless it is < 0; nullopt when it cannot be started.
  static std::optional<CodecProcess> Start(const char* mode, int input = -1);
  CodecProcess(CodecProcess&& other) noexcept;
  CodecProcess& operator=(CodecProcess&& other) noexcept;
  CodecProcess(const CodecProcess&) = delete;
  CodecProcess& operator=(const CodecProcess&) = delete;
  ~CodecProcess();  // kills the child if it still runs, and reaps it

  // All of `bytes` to the child's stdin; false when it is gone.
  bool Send(std::string_view bytes);
  // Up to n bytes of its output: the count (> 0); 0 at its end (it exited or
  // closed it); -1 when nothing came within `wait`.
  long Receive(char* buffer, std::size_t n, std::chrono::milliseconds wait);
  // One line of output without its '\n', waiting at most `wait` in all;
  // nullopt at its end or when the line did not come in time. Bytes after the
  // line are kept for the next Receive.
  std::optional<std::string> ReceiveLine(std::chrono::milliseconds wait);
  void Kill();

 private:
  CodecProcess(pid_t pid, int socket) : pid_(pid), socket_(socket) {}
  void Close();
  pid_t pid_ = -1;
  int socket_ = -1;
  std::string ahead_;  // read past the last line
};

}  // namespace songbox_server
