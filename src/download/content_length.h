// The body size a response announces, as the download window reads it.
#pragma once

#include <optional>
#include <string>

namespace sb {

// The "Content-Length" header value as a 32-bit size: surrounding blanks and
// a leading "+" are accepted, as a numeric conversion of the text would.
// nullopt for anything that is not a whole number from 0 to 2147483647 (a
// minus sign, a fraction, an overflow, other characters, an empty text).
std::optional<int> ContentLengthSize(const std::wstring& header);

// The same size with 0, "no size announced", for what ContentLengthSize refuses.
inline int ContentLengthValue(const std::wstring& header) { return ContentLengthSize(header).value_or(0); }

}  // namespace sb
