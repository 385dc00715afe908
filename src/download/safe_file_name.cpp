#include "download/safe_file_name.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace sb {

namespace {

constexpr size_t kMaxNameLength = 180;  // leaves room for the folder within MAX_PATH

bool Forbidden(wchar_t c) {
  if (c < 0x20 || c == 0x7F) return true;
  switch (c) {
    case L'<': case L'>': case L':': case L'"': case L'/': case L'\\': case L'|': case L'?': case L'*':
      return true;
    default:
      return false;
  }
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return s;
}

// Windows treats "CON", "con.mp3" and "CON .txt" alike: the part before the
// first dot, with trailing spaces removed, names the device.
bool IsReservedDeviceName(const std::wstring& name) {
  std::wstring stem = name.substr(0, name.find(L'.'));
  while (!stem.empty() && stem.back() == L' ') stem.pop_back();
  stem = Upper(stem);
  static const std::array<const wchar_t*, 6> plain = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* p : plain)
    if (stem == p) return true;
  if (stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0)) {
    wchar_t d = stem[3];
    // Digits 1-9 and the superscripts ¹ ² ³ are devices too.
    return (d >= L'1' && d <= L'9') || d == L'\u00B9' || d == L'\u00B2' || d == L'\u00B3';
  }
  return false;
}

}  // namespace

std::wstring SafeFileName(const std::wstring& name) {
  std::wstring out;
  out.reserve(name.size());
  for (wchar_t c : name) out.push_back(Forbidden(c) ? L'_' : c);

  // Leading spaces are legal but invisible; trailing dots and spaces are
  // dropped by Windows itself, which would make "..", "a. " name other files.
  size_t first = out.find_first_not_of(L' ');
  out = first == std::wstring::npos ? std::wstring() : out.substr(first);
  while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();

  if (out.size() > kMaxNameLength) {
    size_t dot = out.rfind(L'.');
    std::wstring ext = dot != std::wstring::npos && out.size() - dot <= 16 ? out.substr(dot) : std::wstring();
    out = out.substr(0, kMaxNameLength - ext.size()) + ext;
    // Never split a surrogate pair.
    size_t cut = kMaxNameLength - ext.size();
    if (cut > 0 && out[cut - 1] >= 0xD800 && out[cut - 1] <= 0xDBFF) out.erase(cut - 1, 1);
  }

  if (out.empty() || out.find_first_not_of(L'.') == std::wstring::npos) return L"未命名.mp3";
  if (IsReservedDeviceName(out)) out.insert(out.begin(), L'_');
  return out;
}

}  // namespace sb
