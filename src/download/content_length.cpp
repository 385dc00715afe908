#include "download/content_length.h"

#include <climits>

namespace sb {

int ContentLengthValue(const std::wstring& header) {
  const size_t b = header.find_first_not_of(L" \t");
  if (b == std::wstring::npos) return 0;
  const size_t e = header.find_last_not_of(L" \t") + 1;
  size_t i = b;
  if (header[i] == L'+') ++i;
  if (i == e) return 0;
  long long v = 0;
  for (; i < e; ++i) {
    const wchar_t c = header[i];
    if (c < L'0' || c > L'9') return 0;
    v = v * 10 + (c - L'0');
    if (v > INT_MAX) return 0;
  }
  return static_cast<int>(v);
}

}  // namespace sb
