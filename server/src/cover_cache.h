// Finished cover JPEGs kept on disk, so that a cover is decoded and scaled
// once: one file per picture in a folder of the server's own (beside the
// state file, never in the library), the oldest removed once the folder
// holds more than its bound.
//
// Threads: any thread; a file is written under a temporary name and renamed,
// so a reader never sees half of one.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace songbox_server {

class CoverCache {
 public:
  CoverCache(std::string folder, std::uint64_t maxBytes);

  // `key`: letters, digits and "-" only, naming the picture and its version.
  std::optional<std::string> Get(const std::string& key) const;
  void Put(const std::string& key, const std::string& jpeg);

 private:
  void Trim();  // under mutex_

  const std::string folder_;
  const std::uint64_t maxBytes_;
  std::mutex mutex_;
  std::optional<std::uint64_t> bytes_;  // what the folder holds, once counted
};

}  // namespace songbox_server
