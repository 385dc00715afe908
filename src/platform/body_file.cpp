#include "platform/body_file.h"

#include <algorithm>

#include "platform/file_write.h"

namespace sb {

namespace {

bool Seek(HANDLE file, uint64_t offset) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace

std::unique_ptr<BodyFile> BodyFile::Create() {
  wchar_t folder[MAX_PATH + 1], path[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH || !GetTempFileNameW(folder, L"sbb", 0, path)) return nullptr;
  UniqueFile file(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) {
    DeleteFileW(path);
    return nullptr;
  }
  return std::unique_ptr<BodyFile>(new BodyFile(std::move(file)));
}

bool BodyFile::Append(const void* data, size_t size) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!file_ || !Seek(file_.get(), size_)) return false;
  if (!WriteAll(file_.get(), data, size)) return false;
  size_ += size;
  return true;
}

size_t BodyFile::ReadAt(uint64_t offset, void* buffer, size_t size) {
  std::lock_guard<std::mutex> lock(mu_);
  if (!file_ || offset >= size_ || !Seek(file_.get(), offset)) return 0;
  DWORD got = 0;
  const auto ask = static_cast<DWORD>(std::min<uint64_t>({size, size_ - offset, 1u << 30}));
  if (!ReadFile(file_.get(), buffer, ask, &got, nullptr)) return 0;
  return got;
}

uint64_t BodyFile::size() const {
  std::lock_guard<std::mutex> lock(mu_);
  return size_;
}

void BodyFile::Close() noexcept {
  std::lock_guard<std::mutex> lock(mu_);
  file_.reset();
}

}  // namespace sb
