#include "page_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace songbox_server {

PageFile::PageFile(std::string bytes) : bytes_(std::make_shared<const std::string>(std::move(bytes))) {
  fd_ = memfd_create("songbox-page", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd_ < 0) return;
  const std::string& b = *bytes_;
  size_t written = 0;
  while (written < b.size()) {
    ssize_t n = ::write(fd_, b.data() + written, b.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  if (written != b.size() || fcntl(fd_, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string PageFile::Path() const { return fd_ < 0 ? "" : "/proc/self/fd/" + std::to_string(fd_); }

long long PageSource::ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()>) {
  const std::string& bytes = *page_->bytes();
  if (offset >= bytes.size()) return -1;
  n = std::min<std::size_t>(n, bytes.size() - offset);
  std::memcpy(buffer, bytes.data() + offset, n);
  return static_cast<long long>(n);
}

}  // namespace songbox_server
