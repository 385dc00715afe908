// A plain, obviously literal rendering of the normaliser (new string per step,
// every occurrence replaced left to right) to check the in-place one against.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace sbtest {

inline std::wstring ReplaceAllCopy(const std::wstring& s, const std::wstring& find, const std::wstring& with) {
  std::wstring out;
  size_t from = 0;
  for (size_t at = s.find(find); at != std::wstring::npos; at = s.find(find, from)) {
    out.append(s, from, at - from);
    out += with;
    from = at + find.size();
  }
  out.append(s, from, std::wstring::npos);
  return out;
}

inline std::optional<std::wstring> ReferenceNormalise(const std::wstring& t) {
  size_t a = t.find(L"Data.Nlist.order=[");
  size_t b = t.find(L"{sid:");
  if (a == std::wstring::npos || b == std::wstring::npos) return std::nullopt;
  std::wstring text = ReplaceAllCopy(t.substr(b), t.substr(a), L"");
  const std::pair<const wchar_t*, const wchar_t*> steps[] = {
      {L"'", L""},    {L"},", L"\r\n"}, {L" ", L"\u3000"}, {L",", L" "},  {L"{sid:", L""}, {L"al:", L""},
      {L"ti:", L""},  {L"si:", L""},    {L"lrc:", L""},    {L"cp:", L""}, {L"da:", L""},   {L"dl:", L""},
      {L"tl:", L""},  {L"ico:", L""},   {L"cv:", L""},     {L"}", L""},   {L"];", L""},
  };
  for (const auto& [find, with] : steps) text = ReplaceAllCopy(text, find, with);
  return text;
}

}  // namespace sbtest
