// Small pieces of HTTP text the server reads itself: a target's path and a
// single byte range.
//
// Threads: any; pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace songbox_server {

// The target's path before any "?", with %XX decoded; a '%' not followed by
// two hex digits stays as it is.
std::string DecodedPath(std::string_view target);

struct ByteRange {
  std::uint64_t first = 0, length = 0;
};
enum class RangeAsk { kWhole, kPart, kUnsatisfiable };

// A Range header against a body of `size` bytes: one "bytes=a-b", "bytes=a-"
// or "bytes=-n" range is served as a part; anything else (no header, several
// ranges, another unit, bad syntax) as the whole body.
RangeAsk AskedRange(std::string_view header, std::uint64_t size, ByteRange& range);

}  // namespace songbox_server
