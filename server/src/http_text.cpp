#include "http_text.h"

#include <charconv>

namespace songbox_server {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A whole decimal number, or nullopt (also for an empty text).
std::optional<std::uint64_t> Number(std::string_view text) {
  std::uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string DecodedPath(std::string_view target) {
  target = target.substr(0, target.find('?'));
  std::string path;
  path.reserve(target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    int high = 0, low = 0;
    if (target[i] == '%' && i + 2 < target.size() && (high = HexDigit(target[i + 1])) >= 0 &&
        (low = HexDigit(target[i + 2])) >= 0) {
      path += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      path += target[i];
    }
  }
  return path;
}

RangeAsk AskedRange(std::string_view header, std::uint64_t size, ByteRange& range) {
  constexpr std::string_view kUnit = "bytes=";
  if (header.substr(0, kUnit.size()) != kUnit) return RangeAsk::kWhole;
  std::string_view asked = header.substr(kUnit.size());
  size_t dash = asked.find('-');
  if (dash == std::string_view::npos || asked.find(',') != std::string_view::npos) return RangeAsk::kWhole;
  auto first = Number(asked.substr(0, dash));
  auto last = Number(asked.substr(dash + 1));
  if (!first && !last) return RangeAsk::kWhole;
  if (!first) {  // the last n bytes
    if (*last == 0 || size == 0) return RangeAsk::kUnsatisfiable;
    range.length = std::min(*last, size);
    range.first = size - range.length;
    return RangeAsk::kPart;
  }
  if (last && *last < *first) return RangeAsk::kWhole;
  if (*first >= size) return RangeAsk::kUnsatisfiable;
  range.first = *first;
  range.length = (last ? std::min(*last, size - 1) : size - 1) - *first + 1;
  return RangeAsk::kPart;
}

}  // namespace songbox_server
