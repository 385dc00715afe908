#include "file_media_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace songbox_server {
namespace {

class FileSource : public MediaSource {
 public:
  FileSource(int fd, std::uint64_t size, std::string file) : fd_(fd), size_(size), file_(std::move(file)) {}
  ~FileSource() override { ::close(fd_); }
  std::uint64_t Size() const override { return size_; }
  std::string ContentType() const override { return "audio/mpeg"; }
  long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()>) override {
    ssize_t got = ::pread(fd_, buffer, n, static_cast<off_t>(offset));
    return got > 0 ? got : -1;  // a file that shrank meanwhile cuts the response short
  }
  std::string WholeFile() const override { return file_; }

 private:
  const int fd_;
  const std::uint64_t size_;
  const std::string file_;
};

}  // namespace

std::unique_ptr<MediaSource> OpenFileSource(const std::string& file) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileSource>(fd, static_cast<std::uint64_t>(st.st_size), file);
}

}  // namespace songbox_server
