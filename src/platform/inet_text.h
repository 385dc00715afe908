// Window-free pieces of the transfer control: charset names, response header
// lookup and the parts of an address the request is made from.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

namespace sb {

// The charset parameter of a Content-Type value, lower-cased ("" when absent).
std::wstring CharsetOfContentType(const std::wstring& contentType);

// Code page for a charset name; GBK (936) for an empty or unknown name.
UINT CodePageOfCharset(const std::wstring& charset);

// A header's value from raw CRLF-separated response headers (the status line
// first); names compare without case. "" when the header is absent.
std::wstring FindHeaderValue(const std::wstring& rawHeaders, const std::wstring& name);

// A decimal Content-Length; nullopt when it is absent or not a plain number.
std::optional<unsigned long long> ParseContentLength(const std::wstring& value);

struct RequestTarget {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query, at least "/"
};

// Splits an address that NormaliseRequestAddress accepted.
std::optional<RequestTarget> SplitRequestAddress(const std::wstring& url);

}  // namespace sb
