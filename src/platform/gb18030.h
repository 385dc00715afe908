// GB18030 text where the system has no code page for it (Wine has none): the
// one- and two-byte forms are GBK's and go to the system's GBK decoder; the
// four-byte forms are decoded here. Window-free, so it is tested and fuzzed
// natively.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sb {

// The code point of the four-byte sequence at `p` (4 bytes available), or
// nullopt when these bytes are no four-byte GB18030 character.
std::optional<char32_t> Gb18030FourByte(const unsigned char* p);

// Decodes `bytes`: runs of one- and two-byte characters through `decodeGbk`,
// four-byte characters here (as surrogate pairs where wchar_t is 16 bits).
// A four-byte sequence that names no character becomes U+FFFD.
std::wstring DecodeGb18030(std::string_view bytes, const std::function<std::wstring(std::string_view)>& decodeGbk);

}  // namespace sb
