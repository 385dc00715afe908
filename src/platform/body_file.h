// A response body buffered on disk: a temporary file in the user's temp
// folder that the system deletes as soon as it is closed (also when the
// program ends in any way). The transfer's worker appends to it while the UI
// thread reads what has arrived; every call is serialised by one lock, and
// Close from any thread makes later calls fail instead of touching a handle
// that is gone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/handles.h"

namespace sb {

class BodyFile {
 public:
  // Null when no temporary file could be made.
  static std::unique_ptr<BodyFile> Create();
  BodyFile(const BodyFile&) = delete;
  BodyFile& operator=(const BodyFile&) = delete;

  // Appends; false on a full disk, another write error or once closed.
  bool Append(const void* data, size_t size);
  // Up to `size` bytes from `offset`; the count read, 0 at the end or once closed.
  size_t ReadAt(uint64_t offset, void* buffer, size_t size);
  uint64_t size() const;
  // Deletes the file now.
  void Close() noexcept;

 private:
  explicit BodyFile(UniqueFile file) : file_(std::move(file)) {}

  mutable std::mutex mu_;
  UniqueFile file_;
  uint64_t size_ = 0;
};

}  // namespace sb
