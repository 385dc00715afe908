// Response header text, parsed without any Windows call so it also builds and
// is fuzzed natively: header lookup, Content-Length, charset names.
#pragma once

#include <optional>
#include <string>

namespace sb {

// The charset parameter of a Content-Type value, lower-cased ("" when absent).
std::wstring CharsetOfContentType(const std::wstring& contentType);

inline constexpr unsigned kCodePageGbk = 936;
inline constexpr unsigned kCodePageGb18030 = 54936;
inline constexpr unsigned kCodePageUtf8 = 65001;

// Code page for a charset name; GBK (936) for an empty or unknown name.
unsigned CodePageOfCharset(const std::wstring& charset);

// A header's value from raw CRLF-separated response headers (the status line
// first); names compare without case. "" when the header is absent.
std::wstring FindHeaderValue(const std::wstring& rawHeaders, const std::wstring& name);

// A decimal Content-Length; nullopt when it is absent or not a plain number.
std::optional<unsigned long long> ParseContentLength(const std::wstring& value);

// The first byte of a partial body from its Content-Range ("bytes 100-199/1000"
// gives 100); nullopt unless the value has that form with last >= first.
std::optional<unsigned long long> ContentRangeStart(const std::wstring& value);

}  // namespace sb
