#include "download/download_target.h"

#include "platform/file_write.h"

namespace sb {

namespace {
constexpr size_t kBufferSize = 64 * 1024;  // one WriteFile per 128 chunks, not per chunk
}

DownloadTarget::~DownloadTarget() { Discard(); }

bool DownloadTarget::Open(const std::wstring& folder, const std::wstring& finalPath) {
  Discard();
  failed_ = false;
  written_ = 0;
  finalPath_ = finalPath;
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"sbd", 0, temp)) return false;
  tempPath_ = temp;
  file_.reset(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    DeleteFileW(temp);
    tempPath_.clear();
    return false;
  }
  buffer_.reserve(kBufferSize);
  return true;
}

bool DownloadTarget::Write(const uint8_t* data, size_t size) {
  if (!file_ || failed_) return false;
  buffer_.insert(buffer_.end(), data, data + size);
  written_ += size;
  return buffer_.size() < kBufferSize || Flush();
}

bool DownloadTarget::Flush() {
  if (!WriteAll(file_.get(), buffer_.data(), buffer_.size())) {
    failed_ = true;
    return false;
  }
  buffer_.clear();
  return true;
}

bool DownloadTarget::Commit() {
  if (!file_ || failed_ || !Flush() || !FlushFileBuffers(file_.get())) {
    Discard();
    return false;
  }
  file_.reset();
  if (!MoveFileExW(tempPath_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    Discard();
    return false;
  }
  tempPath_.clear();
  return true;
}

void DownloadTarget::Discard() {
  file_.reset();
  buffer_.clear();
  if (!tempPath_.empty()) DeleteFileW(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace sb
