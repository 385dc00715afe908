// The body size a response announces, as the download window reads it.
#pragma once

#include <string>

namespace sb {

// The "Content-Length" header value as a 32-bit size: surrounding blanks and
// a leading "+" are accepted, as a numeric conversion of the text would.
// Anything that is not a whole number from 0 to 2147483647 (a minus sign, a
// fraction, an overflow, other characters) gives 0, "no size announced".
int ContentLengthValue(const std::wstring& header);

}  // namespace sb
