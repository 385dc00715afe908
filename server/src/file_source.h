// A song file served byte for byte as a media response's body.
//
// Threads: as MediaSource; the descriptor is read with pread only.
#pragma once

#include <memory>
#include <string>

#include "media_source.h"

namespace songbox_server {

class FileSource : public MediaSource {
 public:
  // nullptr when `file` is not a readable regular file.
  static std::unique_ptr<FileSource> Open(const std::string& file, std::string contentType = "audio/mpeg");
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  std::uint64_t Size() const override { return size_; }
  std::string ContentType() const override { return contentType_; }
  long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) override;
  std::string WholeFile() const override { return file_; }

 private:
  FileSource(int fd, std::uint64_t size, std::string file, std::string contentType);
  int fd_;
  std::uint64_t size_;
  std::string file_, contentType_;
};

}  // namespace songbox_server
