// A front-page snapshot's bytes, also held in a sealed in-memory file so that
// the HTTP layer sends the page with sendfile, without copying it per request.
//
// Threads: immutable once made; shared by every request that serves it.
#pragma once

#include <memory>
#include <string>

#include "media_source.h"

namespace songbox_server {

class PageFile {
 public:
  explicit PageFile(std::string bytes);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  const std::shared_ptr<const std::string>& bytes() const { return bytes_; }
  // A path that opens the in-memory file, "" when there is none.
  std::string Path() const;

 private:
  std::shared_ptr<const std::string> bytes_;
  int fd_ = -1;
};

// A page as a response body.
class PageSource : public MediaSource {
 public:
  PageSource(std::shared_ptr<const PageFile> page, std::string contentType)
      : page_(std::move(page)), contentType_(std::move(contentType)) {}
  std::uint64_t Size() const override { return page_->bytes()->size(); }
  std::string ContentType() const override { return contentType_; }
  long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) override;
  std::string WholeFile() const override { return page_->Path(); }

 private:
  std::shared_ptr<const PageFile> page_;
  std::string contentType_;
};

}  // namespace songbox_server
