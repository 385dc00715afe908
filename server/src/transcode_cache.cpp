#include "transcode_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "mp3_transcode.h"

namespace songbox_server {

namespace fs = std::filesystem;

namespace {

constexpr char kPart[] = ".part";

std::uint64_t Fnv(std::uint64_t h, const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ULL;
  return h;
}

std::string Hex(std::uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

std::string SongPart(const std::string& name) { return name.substr(0, name.find('-')); }

}  // namespace

TranscodeCache::TranscodeCache(std::string folder, std::uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(limitBytes) {
  fs::create_directories(folder_);
  struct Found {
    std::string name;
    std::uint64_t size;
    fs::file_time_type time;
  };
  std::vector<Found> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder_, ec)) {
    std::string name = entry.path().filename().string();
    if (name.find(kPart) != std::string::npos) {
      fs::remove(entry.path(), ec);
    } else if (entry.is_regular_file(ec) && entry.path().extension() == ".mp3") {
      found.push_back({name, entry.file_size(ec), entry.last_write_time(ec)});
    }
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.time > b.time; });
  for (const Found& f : found) {
    uses_.push_back(f.name);
    files_[f.name] = {f.size, std::prev(uses_.end())};
    bytes_ += f.size;
  }
}

std::string TranscodeCache::Name(const std::string& relativePath, std::uint64_t size, std::int64_t mtimeNs,
                                 std::uint64_t fingerprint) {
  constexpr std::uint64_t kBasis = 0xCBF29CE484222325ULL;
  std::uint64_t song = Fnv(kBasis, relativePath.data(), relativePath.size());
  // The encoding is part of the version: files made another way are not reused.
  const std::uint64_t fields[] = {size, static_cast<std::uint64_t>(mtimeNs), fingerprint,
                                  static_cast<std::uint64_t>(kMp3BitRate), static_cast<std::uint64_t>(kMp3SampleRate)};
  std::uint64_t version = Fnv(song, fields, sizeof fields);
  return Hex(song) + "-" + Hex(version) + ".mp3";
}

std::string TranscodeCache::Lookup(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = files_.find(name);
  if (it == files_.end()) return "";
  uses_.splice(uses_.begin(), uses_, it->second.use);
  std::string file = folder_ + "/" + name;
  ::utimensat(AT_FDCWD, file.c_str(), nullptr, 0);  // the order of use survives a restart
  return file;
}

std::string TranscodeCache::TempFile(const std::string& name) {
  std::lock_guard lock(mutex_);
  return folder_ + "/" + name + kPart + std::to_string(::getpid()) + "-" + std::to_string(++temps_);
}

void TranscodeCache::DropLocked(const std::string& name) {
  auto it = files_.find(name);
  if (it == files_.end()) return;
  ::unlink((folder_ + "/" + name).c_str());
  bytes_ -= it->second.size;
  uses_.erase(it->second.use);
  files_.erase(it);
}

bool TranscodeCache::Admit(const std::string& temp, const std::string& name) {
  struct stat st {};
  if (::stat(temp.c_str(), &st) != 0 || ::rename(temp.c_str(), (folder_ + "/" + name).c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  std::lock_guard lock(mutex_);
  if (auto same = files_.find(name); same != files_.end()) {  // replaced by the rename
    bytes_ -= same->second.size;
    uses_.erase(same->second.use);
    files_.erase(same);
  }
  const std::string song = SongPart(name);
  std::vector<std::string> older;
  for (const auto& [other, entry] : files_)
    if (SongPart(other) == song) older.push_back(other);
  for (const std::string& other : older) DropLocked(other);
  uses_.push_front(name);
  files_[name] = {static_cast<std::uint64_t>(st.st_size), uses_.begin()};
  bytes_ += static_cast<std::uint64_t>(st.st_size);
  while (bytes_ > limit_ && uses_.size() > 1) DropLocked(uses_.back());
  return true;
}

std::uint64_t TranscodeCache::Bytes() {
  std::lock_guard lock(mutex_);
  return bytes_;
}

}  // namespace songbox_server
