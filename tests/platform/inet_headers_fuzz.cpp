#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/inet_headers.h"

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

void CheckTrimmed(const std::wstring& v) {
  if (!v.empty() && (IsBlank(v.front()) || IsBlank(v.back()))) __builtin_trap();
}

}  // namespace

// Response headers come from any server: the parsers must neither fault nor
// return text with blanks around it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring raw;
  raw.reserve(size);
  for (size_t i = 0; i < size; ++i) raw.push_back(data[i] < 0x80 ? static_cast<wchar_t>(data[i]) : static_cast<wchar_t>(0x4E00 + data[i]));
  for (const wchar_t* name : {L"Content-Length", L"content-type", L"X", L""}) {
    std::wstring v = sb::FindHeaderValue(raw, name);
    CheckTrimmed(v);
    sb::ContentRangeStart(v);
    if (auto n = sb::ParseContentLength(v)) {
      if (v.empty() || v.find_first_not_of(L"0123456789") != std::wstring::npos) __builtin_trap();
      if (v.size() < 18 && std::stoull(std::string(v.begin(), v.end())) != *n) __builtin_trap();
    }
  }
  std::wstring charset = sb::CharsetOfContentType(raw);
  CheckTrimmed(charset);
  unsigned cp = sb::CodePageOfCharset(charset);
  if (cp == 0) __builtin_trap();
  return 0;
}
