// The body of one media response, whatever makes it: a song file served byte
// for byte, or a transcode that is still being written. Its size is exact and
// known before the first byte is sent, so every media response carries a true
// Content-Length and can answer byte ranges.
//
// Threading: one response owns a source and calls it from one thread at a
// time (the HTTP layer's). `ready` may be called from any thread, at most once
// per ReadAt that returned 0; it must only hand work back to the HTTP layer
// (post to its loop), never call ReadAt itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace songbox_server {

class MediaSource {
 public:
  virtual ~MediaSource() = default;  // a source dropped mid-response stops any work made only for it

  virtual std::uint64_t Size() const = 0;
  virtual std::string ContentType() const = 0;  // "audio/mpeg" for what the client plays

  // Up to n bytes from offset (< Size()). Returns the count read (> 0); 0 when
  // those bytes are not there yet, after which `ready` is called once more may
  // be read; -1 when they never will be (the response is then cut short).
  virtual long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) = 0;

  // The file holding the whole body, when there is one (a song or a finished
  // transcode), so the HTTP layer may send it with sendfile; "" otherwise.
  virtual std::string WholeFile() const { return ""; }
};

}  // namespace songbox_server
