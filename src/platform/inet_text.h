// Text pieces of the transfer control that lean on Windows: the parts of an
// address the request is made from.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <optional>
#include <string>

#include "platform/inet_headers.h"

namespace sb {

struct RequestTarget {
  bool secure = false;
  std::wstring host;
  INTERNET_PORT port = 0;
  std::wstring object;  // path and query, at least "/"
};

// Splits an address that NormaliseRequestAddress accepted.
std::optional<RequestTarget> SplitRequestAddress(const std::wstring& url);

}  // namespace sb
