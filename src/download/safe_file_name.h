// Turns the catalogue's file name (untrusted) into one safe file name for the
// DownMusic folder: never a path, never a device, never empty.
#pragma once

#include <string>

namespace sb {

// Keeps Chinese and ordinary punctuation; replaces path separators, drive
// colons, characters Windows forbids and control characters with '_';
// drops trailing dots and spaces; prefixes reserved device names (CON, NUL,
// COM1 ...) with '_'; an empty result becomes "未命名.mp3".
std::wstring SafeFileName(const std::wstring& name);

}  // namespace sb
