// One value of a small settings file of the Windows kind: "[section]" lines,
// then "key=value" lines; blank lines and lines starting with ";" or "#" are
// kept but mean nothing. Window-free, so it is tested and fuzzed natively.
//
// A file is UTF-8 (with or without a byte-order mark) or UTF-16 with a
// byte-order mark (little- or big-endian), as Notepad saves it. Changing one
// value keeps the file's encoding, its line ends and every other line byte
// for byte. Section and key names are ASCII and compare without regard to
// case, as Windows compares them. This is one value per caller, not a
// settings system: there is no cache and no list of keys.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sb {

// The value of `key` in the first "[section]" of the file that holds that
// key, without the blanks around it and without one pair of enclosing double
// quotes. nullopt when the key is absent or its line cannot be decoded
// (bytes that are not UTF-8, UTF-16 of odd length).
std::optional<std::u16string> FindSetting(std::string_view fileBytes, std::string_view section,
                                          std::string_view key);

// The bytes of the file with `key` set to `value`: the line that FindSetting
// reads is rewritten after its "=", else the key is added after the last line
// of the first such section, else the section is added at the end. nullopt,
// and nothing to write, when the file cannot be decoded or the value holds a
// line break, a NUL or a lone surrogate (it could not be read back as one value).
std::optional<std::string> WithSetting(std::string_view fileBytes, std::string_view section,
                                       std::string_view key, std::u16string_view value);

}  // namespace sb
