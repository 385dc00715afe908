#include "cover_cache.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace songbox_server {

namespace fs = std::filesystem;

CoverCache::CoverCache(std::string folder, std::uint64_t maxBytes) : folder_(std::move(folder)), maxBytes_(maxBytes) {}

std::optional<std::string> CoverCache::Get(const std::string& key) const {
  std::ifstream in(folder_ + "/" + key + ".jpg", std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CoverCache::Put(const std::string& key, const std::string& jpeg) {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const std::string file = folder_ + "/" + key + ".jpg", temporary = file + ".part" + std::to_string(::gettid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
    if (!out.flush()) {
      fs::remove(temporary, ec);
      return;
    }
  }
  fs::rename(temporary, file, ec);
  if (ec) return;
  std::lock_guard lock(mutex_);
  if (bytes_) *bytes_ += jpeg.size();
  Trim();
}

void CoverCache::Trim() {
  std::error_code ec;
  if (bytes_ && *bytes_ <= maxBytes_) return;
  struct Kept {
    fs::path path;
    fs::file_time_type time;
    std::uintmax_t size;
  };
  std::vector<Kept> kept;
  std::uint64_t total = 0;
  for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code e;
    Kept k{it->path(), it->last_write_time(e), it->file_size(e)};
    if (e) continue;
    total += k.size;
    kept.push_back(std::move(k));
  }
  std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.time < b.time; });
  for (const Kept& k : kept) {
    if (total <= maxBytes_) break;
    if (fs::remove(k.path, ec)) total -= k.size;
  }
  bytes_ = total;
}

}  // namespace songbox_server
