#include "platform/inet_text.h"

#include <wininet.h>

#include <algorithm>

#include "platform/inet.h"

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

bool CrackAddress(const std::wstring& url, URL_COMPONENTSW& parts, std::wstring& host, std::wstring& path,
                  std::wstring& extra) {
  host.assign(INTERNET_MAX_HOST_NAME_LENGTH + 1, L'\0');
  path.assign(url.size() + 1, L'\0');
  extra.assign(url.size() + 1, L'\0');
  parts = URL_COMPONENTSW{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (url.size() > 0xFFFF || !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return false;
  }
  host.resize(parts.dwHostNameLength);
  path.resize(parts.dwUrlPathLength);
  extra.resize(parts.dwExtraInfoLength);
  return (parts.nScheme == INTERNET_SCHEME_HTTP || parts.nScheme == INTERNET_SCHEME_HTTPS) && !host.empty();
}

}  // namespace

std::optional<std::wstring> NormaliseRequestAddress(const std::wstring& url) {
  std::wstring trimmed = Trim(url);
  if (trimmed.empty() || !SplitRequestAddress(trimmed)) return std::nullopt;
  return trimmed;
}

std::optional<RequestTarget> SplitRequestAddress(const std::wstring& url) {
  URL_COMPONENTSW parts;
  std::wstring host, path, extra;
  if (!CrackAddress(url, parts, host, path, extra)) return std::nullopt;
  RequestTarget t;
  t.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  t.host = std::move(host);
  t.port = parts.nPort;
  t.object = path.empty() ? L"/" : path;
  // A fragment names a place in the page and is never sent.
  t.object += extra.substr(0, extra.find(L'#'));
  return t;
}

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

UINT CodePageOfCharset(const std::wstring& charset) {
  std::wstring name = LowerAscii(Trim(charset));
  if (name == L"utf-8" || name == L"utf8") return CP_UTF8;
  if (name == L"gb18030") return 54936;
  if (name == L"big5") return 950;
  if (name == L"iso-8859-1" || name == L"latin1" || name == L"windows-1252") return 1252;
  if (name == L"us-ascii" || name == L"ascii") return 20127;
  // gbk, gb2312, cp936, x-gbk and every name we do not know: the catalogue's own encoding.
  return 936;
}

std::wstring DecodeBody(const std::string& bytes, const std::wstring& charset) {
  std::string_view data(bytes);
  UINT cp = CodePageOfCharset(charset);
  // A byte order mark says more than a header that may be wrong.
  if (data.size() >= 3 && data.substr(0, 3) == "\xEF\xBB\xBF") {
    cp = CP_UTF8;
    data.remove_prefix(3);
  }
  if (data.empty()) return {};
  if (data.size() > 0x7FFFFFFF) return {};
  int n = MultiByteToWideChar(cp, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
  if (n <= 0 && cp == 54936) {
    cp = 936;
    n = MultiByteToWideChar(cp, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
  }
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, data.data(), static_cast<int>(data.size()), text.data(), n);
  return text;
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

}  // namespace sb
