#include "platform/inet_headers.h"

#include <algorithm>

namespace sb {

namespace {

constexpr wchar_t kBlank[] = L" \t\r\n";

std::wstring Trim(const std::wstring& s, const wchar_t* blanks = kBlank) {
  size_t first = s.find_first_not_of(blanks);
  if (first == std::wstring::npos) return {};
  size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

wchar_t LowerAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring LowerAscii(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return LowerAscii(c); });
  return s;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

}  // namespace

std::wstring CharsetOfContentType(const std::wstring& contentType) {
  size_t pos = contentType.find(L';');
  while (pos != std::wstring::npos) {
    size_t next = contentType.find(L';', pos + 1);
    std::wstring param = contentType.substr(pos + 1, next == std::wstring::npos ? std::wstring::npos : next - pos - 1);
    size_t eq = param.find(L'=');
    if (eq != std::wstring::npos && EqualsNoCase(Trim(param.substr(0, eq)), L"charset")) {
      return LowerAscii(Trim(Trim(param.substr(eq + 1)), L"\"' \t"));
    }
    pos = next;
  }
  return {};
}

unsigned CodePageOfCharset(const std::wstring& charset) {
  std::wstring name = LowerAscii(Trim(charset));
  if (name == L"utf-8" || name == L"utf8") return kCodePageUtf8;
  if (name == L"gb18030") return kCodePageGb18030;
  if (name == L"big5") return 950;
  if (name == L"iso-8859-1" || name == L"latin1" || name == L"windows-1252") return 1252;
  if (name == L"us-ascii" || name == L"ascii") return 20127;
  // gbk, gb2312, cp936, x-gbk and every name we do not know: the catalogue's own encoding.
  return kCodePageGbk;
}

std::wstring FindHeaderValue(const std::wstring& rawHeaders, const std::wstring& name) {
  if (name.empty()) return {};
  size_t pos = rawHeaders.find(L"\r\n");  // skip the status line
  while (pos != std::wstring::npos) {
    size_t start = pos + 2;
    size_t end = rawHeaders.find(L"\r\n", start);
    std::wstring line = rawHeaders.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    size_t colon = line.find(L':');
    if (colon != std::wstring::npos && EqualsNoCase(Trim(line.substr(0, colon)), name)) {
      return Trim(line.substr(colon + 1));
    }
    pos = end;
  }
  return {};
}

std::optional<unsigned long long> ParseContentLength(const std::wstring& value) {
  std::wstring v = Trim(value);
  if (v.empty() || v.size() > 18) return std::nullopt;
  unsigned long long n = 0;
  for (wchar_t c : v) {
    if (c < L'0' || c > L'9') return std::nullopt;
    n = n * 10 + static_cast<unsigned>(c - L'0');
  }
  return n;
}

std::optional<unsigned long long> ContentRangeStart(const std::wstring& value) {
  const std::wstring v = Trim(value);
  if (v.size() < 6 || !EqualsNoCase(v.substr(0, 6), L"bytes ")) return std::nullopt;
  const size_t dash = v.find(L'-', 6), slash = v.find(L'/', 6);
  if (dash == std::wstring::npos || slash == std::wstring::npos || slash < dash) return std::nullopt;
  const auto first = ParseContentLength(v.substr(6, dash - 6));
  const auto last = ParseContentLength(v.substr(dash + 1, slash - dash - 1));
  const std::wstring total = v.substr(slash + 1);
  if (!first || !last || *last < *first || (total != L"*" && !ParseContentLength(total))) return std::nullopt;
  return first;
}

}  // namespace sb
