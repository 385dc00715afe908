#include "download/content_length.h"

#include <climits>

namespace sb {

std::optional<int> ContentLengthSize(const std::wstring& header) {
  const size_t b = header.find_first_not_of(L" \t");
  if (b == std::wstring::npos) return std::nullopt;
  const size_t e = header.find_last_not_of(L" \t") + 1;
  size_t i = b;
  if (header[i] == L'+') ++i;
  if (i == e) return std::nullopt;
  long long v = 0;
  for (; i < e; ++i) {
    const wchar_t c = header[i];
    if (c < L'0' || c > L'9') return std::nullopt;
    v = v * 10 + (c - L'0');
    if (v > INT_MAX) return std::nullopt;
  }
  return static_cast<int>(v);
}

}  // namespace sb
