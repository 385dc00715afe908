#include "platform/inet_text.h"

#include <wininet.h>

#include "platform/gb18030.h"
#include "platform/inet.h"

namespace sb {

namespace {

constexpr wchar_t kBlank[] = L" \t\r\n";

std::wstring Trim(const std::wstring& s) {
  size_t first = s.find_first_not_of(kBlank);
  if (first == std::wstring::npos) return {};
  size_t last = s.find_last_not_of(kBlank);
  return s.substr(first, last - first + 1);
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

std::wstring DecodeWithCodePage(UINT cp, std::string_view data) {
  if (data.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, data.data(), static_cast<int>(data.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, data.data(), static_cast<int>(data.size()), text.data(), n);
  return text;
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
  // Systems without a GB18030 code page (Wine) decode its GBK part with GBK
  // and its four-byte characters here.
  if (cp == kCodePageGb18030 && !IsValidCodePage(kCodePageGb18030))
    return DecodeGb18030(data, [](std::string_view run) { return DecodeWithCodePage(kCodePageGbk, run); });
  return DecodeWithCodePage(cp, data);
}

}  // namespace sb
