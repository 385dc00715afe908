#include "catalogue/song_list_text.h"

#include <bit>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace sb {
namespace {

constexpr std::u16string_view kOrderMarker = u"Data.Nlist.order=[";
constexpr std::u16string_view kSongStart = u"{sid:";

struct Replacement {
  std::u16string_view find;
  std::u16string_view with;
};

// Order matters: quotes go first, "}," becomes the line break before commas
// become separators, and page spaces become U+3000 before that, so the only
// U+0020 left are the separators.
constexpr Replacement kSteps[] = {
    {u"'", u""},     {u"},", u"\r\n"}, {u" ", u"\u3000"}, {u",", u" "},    {u"{sid:", u""},
    {u"al:", u""},   {u"ti:", u""},    {u"si:", u""},     {u"lrc:", u""},  {u"cp:", u""},
    {u"da:", u""},   {u"dl:", u""},    {u"tl:", u""},     {u"ico:", u""},  {u"cv:", u""},
    {u"}", u""},     {u"];", u""},
};

template <typename CharT>
std::basic_string<CharT> Widen(std::u16string_view s) {
  return std::basic_string<CharT>(s.begin(), s.end());
}

// No pattern has its first character anywhere else in it, so no prefix of a
// pattern has a border: after a mismatch only the mismatching character can
// start the next occurrence. That makes each step an exact one-character-at-a-
// time scanner for "replace every occurrence, left to right".
// Patterns are plain ASCII, so any other character passes an idle step.
constexpr bool FirstCharacterIsUnique(std::u16string_view find) {
  return find.find(find[0], 1) == std::u16string_view::npos;
}
constexpr bool IsAscii(std::u16string_view find) {
  for (char16_t c : find) {
    if (c >= 128) return false;
  }
  return true;
}
constexpr bool AllStepsScanStreamwise() {
  for (const Replacement& step : kSteps) {
    if (step.find.empty() || !FirstCharacterIsUnique(step.find) || !IsAscii(step.find) ||
        step.with.size() > step.find.size()) {
      return false;
    }
  }
  return true;
}
static_assert(AllStepsScanStreamwise());

// All seventeen steps in one pass: every step is a streaming scanner whose
// output feeds the next step's scanner, so each step sees exactly the text the
// steps before it produced. Nothing a step writes is longer than what it
// consumed, so the output is written over the input already read.
template <typename CharT>
class ReplacementChain {
 public:
  static constexpr int kCount = static_cast<int>(std::size(kSteps));
  static_assert(kCount < 32);

  ReplacementChain() {
    for (int k = 0; k < kCount; ++k) {
      Stage& s = stages_[k];
      s.find = Widen<CharT>(kSteps[k].find);
      s.with = Widen<CharT>(kSteps[k].with);
      firstOf_[static_cast<unsigned char>(kSteps[k].find[0])] |= 1u << k;
    }
    // From the all-idle state the chain is a fixed function of one character;
    // the characters that leave it idle again are looked up, not run.
    for (int c = 0; c < kAscii; ++c) {
      CharT out[2];
      out_ = out;
      written_ = 0;
      Feed(0, static_cast<CharT>(c));
      shortcut_[c] = busy_ == 0 ? Shortcut{static_cast<int>(written_), out[0]} : Shortcut{-1, 0};
      Flush();
    }
  }

  // Normalises `text` in place.
  void Run(std::basic_string<CharT>& text) {
    out_ = text.data();
    written_ = 0;
    const CharT* in = text.data();
    const size_t n = text.size();
    for (size_t r = 0; r < n; ++r) {
      const CharT c = in[r];
      if (busy_ == 0) {
        const auto u = static_cast<std::make_unsigned_t<CharT>>(c);
        if (u >= kAscii) {  // patterns are plain ASCII
          out_[written_++] = c;
          continue;
        }
        const Shortcut& s = shortcut_[u];
        if (s.length >= 0) {
          if (s.length == 1) out_[written_++] = s.c;
          continue;
        }
      }
      Feed(0, c);
    }
    Flush();
    text.resize(written_);
  }

 private:
  static constexpr int kAscii = 128;
  struct Stage {
    std::basic_string<CharT> find;
    std::basic_string<CharT> with;
    size_t matched = 0;
  };
  struct Shortcut {
    int length;  // -1: run the chain
    CharT c;
  };

  // Steps at k or later that can act on `c`: those holding a partial match and
  // those whose pattern starts with `c`. Every other step passes it unchanged.
  uint32_t Concerned(int k, CharT c) const {
    const auto u = static_cast<std::make_unsigned_t<CharT>>(c);
    const uint32_t first = u < kAscii ? firstOf_[u] : 0u;
    return (busy_ | first) & (~0u << k);
  }

  void Emit(int k, const CharT* chars, size_t count) {
    for (size_t i = 0; i < count; ++i) Feed(k, chars[i]);
  }

  // Passes `c` into step k and on through the later steps.
  void Feed(int k, CharT c) {
    for (uint32_t next = Concerned(k, c); next != 0; next = Concerned(k + 1, c)) {
      k = std::countr_zero(next);
      Stage& s = stages_[k];
      if (c == s.find[s.matched]) {
        if (s.matched + 1 == s.find.size()) {
          s.matched = 0;
          busy_ &= ~(1u << k);
          Emit(k + 1, s.with.data(), s.with.size());
        } else {
          ++s.matched;
          busy_ |= 1u << k;
        }
        return;
      }
      // A step that does not take `c` holds a partial match that has failed.
      const size_t held = s.matched;
      s.matched = 0;
      busy_ &= ~(1u << k);
      Emit(k + 1, s.find.data(), held);
      if (c == s.find[0]) {
        s.matched = 1;
        busy_ |= 1u << k;
        return;
      }
    }
    out_[written_++] = c;
  }

  // End of text: what each step still holds was no match; pass it on.
  void Flush() {
    for (int k = 0; k < kCount; ++k) {
      Stage& s = stages_[k];
      if (s.matched == 0) continue;
      const size_t held = s.matched;
      s.matched = 0;
      busy_ &= ~(1u << k);
      Emit(k + 1, s.find.data(), held);
    }
  }

  Stage stages_[kCount];
  uint32_t firstOf_[kAscii] = {};  // steps whose pattern starts with the character
  Shortcut shortcut_[kAscii];
  uint32_t busy_ = 0;  // steps holding a partial match
  CharT* out_ = nullptr;
  size_t written_ = 0;
};

}  // namespace

template <typename CharT>
std::optional<std::basic_string<CharT>> NormaliseSongPage(std::basic_string_view<CharT> page) {
  const std::basic_string<CharT> marker = Widen<CharT>(kOrderMarker);
  const std::basic_string<CharT> songStart = Widen<CharT>(kSongStart);
  const size_t a = page.find(marker);
  const size_t b = page.find(songStart);
  if (a == page.npos || b == page.npos) return std::nullopt;
  // A (marker to end) is a suffix of the page. When the first "{sid:" comes
  // before the marker, A occurs in B exactly once, at B's end (an earlier
  // occurrence would be an earlier marker), so removing it cuts B at the
  // marker. Otherwise A is longer than B and nothing is removed.
  std::basic_string<CharT> text(b < a ? page.substr(b, a - b) : page.substr(b));
  ReplacementChain<CharT>().Run(text);
  return text;
}

template <typename CharT>
std::basic_string<CharT> BoundLineValues(std::basic_string_view<CharT> text, size_t values, size_t valueChars) {
  std::basic_string<CharT> out;
  out.reserve(text.size());
  size_t value = 0, length = 0;  // of the value being copied
  for (size_t i = 0; i < text.size(); ++i) {
    const CharT c = text[i];
    if (c == static_cast<CharT>('\r') && i + 1 < text.size() && text[i + 1] == static_cast<CharT>('\n')) {
      out.push_back(c);
      out.push_back(text[++i]);
      value = length = 0;
    } else if (c == static_cast<CharT>(' ')) {
      if (++value < values) out.push_back(c);
      length = 0;
    } else if (value < values && length < valueChars) {
      out.push_back(c);
      ++length;
    }
  }
  return out;
}

template <typename CharT>
std::vector<std::basic_string_view<CharT>> CompleteLines(std::basic_string_view<CharT> text) {
  std::vector<std::basic_string_view<CharT>> lines;
  size_t start = 0;
  size_t scan = 0;
  while (scan < text.size()) {
    size_t cr = text.find(static_cast<CharT>('\r'), scan);
    if (cr == text.npos || cr + 1 >= text.size()) break;
    if (text[cr + 1] != static_cast<CharT>('\n')) {
      scan = cr + 1;
      continue;
    }
    lines.push_back(text.substr(start, cr - start));
    start = scan = cr + 2;
  }
  return lines;
}

template <typename CharT>
std::vector<std::basic_string_view<CharT>> SplitValues(std::basic_string_view<CharT> line) {
  std::vector<std::basic_string_view<CharT>> values;
  size_t start = 0;
  for (;;) {
    size_t space = line.find(static_cast<CharT>(' '), start);
    if (space == line.npos) {
      values.push_back(line.substr(start));
      return values;
    }
    values.push_back(line.substr(start, space - start));
    start = space + 1;
  }
}

template <typename CharT>
std::optional<BasicSongRow<CharT>> RowFromLine(std::basic_string_view<CharT> line) {
  std::array<std::basic_string_view<CharT>, kSongListColumns> v;
  size_t start = 0;
  for (int k = 0; k < kSongListColumns; ++k) {
    size_t space = line.find(static_cast<CharT>(' '), start);
    if (space == line.npos) {
      if (k < kSongListColumns - 1) return std::nullopt;
      v[k] = line.substr(start);
    } else {
      v[k] = line.substr(start, space - start);
      start = space + 1;
    }
  }
  BasicSongRow<CharT> row;
  row.cells = v;
  row.cells[0] = v[2];
  row.cells[1] = v[1];
  row.cells[2] = v[0];
  return row;
}

template <typename CharT>
std::vector<BasicSongRow<CharT>> SongRows(std::basic_string_view<CharT> text) {
  std::vector<BasicSongRow<CharT>> rows;
  for (std::basic_string_view<CharT> line : CompleteLines(text)) {
    if (auto row = RowFromLine(line)) rows.push_back(*row);
  }
  return rows;
}

std::wstring RootWithSlash(std::wstring root, const std::wstring& fallback) {
  if (root.empty()) return fallback;
  if (root.back() != L'/') root.push_back(L'/');
  return root;
}

bool IsServiceAddress(std::wstring_view address) {
  auto startsWithNoCase = [&](std::wstring_view prefix) {
    if (address.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      wchar_t c = address[i];
      if ((c >= L'A' && c <= L'Z' ? c + 32 : c) != prefix[i]) return false;
    }
    return true;
  };
  if (!startsWithNoCase(L"http://") && !startsWithNoCase(L"https://")) return false;
  const size_t host = address.find(L"//") + 2;
  if (address[host] == L'/' || address[host] == L':') return false;
  for (wchar_t c : address) {
    if (c <= L' ' || c == L'"' || c == 0x7F) return false;
  }
  return true;
}

std::wstring ChooseServiceRoot(std::initializer_list<std::wstring_view> candidates, const std::wstring& fallback) {
  for (std::wstring_view address : candidates) {
    if (IsServiceAddress(address)) return RootWithSlash(std::wstring(address), fallback);
  }
  return fallback;
}

template std::optional<std::basic_string<wchar_t>> NormaliseSongPage(std::basic_string_view<wchar_t>);
template std::basic_string<wchar_t> BoundLineValues(std::basic_string_view<wchar_t>, size_t, size_t);
template std::vector<std::basic_string_view<wchar_t>> CompleteLines(std::basic_string_view<wchar_t>);
template std::vector<std::basic_string_view<wchar_t>> SplitValues(std::basic_string_view<wchar_t>);
template std::optional<BasicSongRow<wchar_t>> RowFromLine(std::basic_string_view<wchar_t>);
template std::vector<BasicSongRow<wchar_t>> SongRows(std::basic_string_view<wchar_t>);
template std::optional<std::basic_string<char16_t>> NormaliseSongPage(std::basic_string_view<char16_t>);
template std::basic_string<char16_t> BoundLineValues(std::basic_string_view<char16_t>, size_t, size_t);
template std::vector<std::basic_string_view<char16_t>> CompleteLines(std::basic_string_view<char16_t>);
template std::vector<std::basic_string_view<char16_t>> SplitValues(std::basic_string_view<char16_t>);
template std::optional<BasicSongRow<char16_t>> RowFromLine(std::basic_string_view<char16_t>);
template std::vector<BasicSongRow<char16_t>> SongRows(std::basic_string_view<char16_t>);

}  // namespace sb
