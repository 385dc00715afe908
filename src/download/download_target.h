// The file a download is written to: a temporary file in the target folder,
// renamed over the final name only when every byte has been written, so a
// failed or cancelled download never damages a file or leaves half a file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace sb {

class DownloadTarget {
 public:
  DownloadTarget() = default;
  DownloadTarget(const DownloadTarget&) = delete;
  DownloadTarget& operator=(const DownloadTarget&) = delete;
  ~DownloadTarget();  // discards what was not committed

  // Creates `folder` when missing and a fresh temporary file in it.
  bool Open(const std::wstring& folder, const std::wstring& finalPath);
  bool Write(const uint8_t* data, size_t size);
  // Flushes, closes and moves the temporary file over the final path.
  bool Commit();
  // Closes and deletes the temporary file.
  void Discard();

  uint64_t written() const { return written_; }
  const std::wstring& tempPath() const { return tempPath_; }

 private:
  bool Flush();

  UniqueFile file_;
  std::wstring tempPath_;
  std::wstring finalPath_;
  std::vector<uint8_t> buffer_;
  uint64_t written_ = 0;
  bool failed_ = false;
};

}  // namespace sb
