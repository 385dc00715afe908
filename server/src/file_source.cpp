#include "file_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace songbox_server {

std::unique_ptr<FileSource> FileSource::Open(const std::string& file, std::string contentType) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileSource>(
      new FileSource(fd, static_cast<std::uint64_t>(st.st_size), file, std::move(contentType)));
}

FileSource::FileSource(int fd, std::uint64_t size, std::string file, std::string contentType)
    : fd_(fd), size_(size), file_(std::move(file)), contentType_(std::move(contentType)) {}

FileSource::~FileSource() { ::close(fd_); }

// A file that shrank since it was opened has its end cut off: -1.
long long FileSource::ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()>) {
  ssize_t got = ::pread(fd_, buffer, n, static_cast<off_t>(offset));
  return got > 0 ? got : -1;
}

}  // namespace songbox_server
