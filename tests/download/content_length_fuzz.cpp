#include <cstddef>
#include <cstdint>
#include <string>

#include "download/content_length.h"

// Any header text: the size is never negative, and a size other than 0 is
// the header's own digits.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring header;
  for (size_t i = 0; i < size; ++i) header.push_back(static_cast<wchar_t>(data[i]));
  const int n = sb::ContentLengthValue(header);
  if (n < 0) __builtin_trap();
  if (n > 0 && header.find(std::to_wstring(n)) == std::wstring::npos) __builtin_trap();
  return 0;
}
