#include "catalogue/lrc_timeline.h"

#include <algorithm>
#include <optional>

namespace sb {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\u3000' || c == L'\uFEFF'; }

// Reads 1..maxDigits digits at `i`; nullopt when there are none or too many.
std::optional<int64_t> Digits(std::wstring_view s, size_t& i, size_t maxDigits, size_t* count = nullptr) {
  size_t start = i;
  int64_t value = 0;
  while (i < s.size() && IsDigit(s[i])) {
    if (i - start == maxDigits) return std::nullopt;
    value = value * 10 + (s[i] - L'0');
    ++i;
  }
  if (i == start) return std::nullopt;
  if (count) *count = i - start;
  return value;
}

// The inside of a bracket ("mm:ss.xx") as milliseconds.
std::optional<int64_t> StampMs(std::wstring_view s) {
  size_t i = 0;
  auto minutes = Digits(s, i, 5);
  if (!minutes || i >= s.size() || s[i] != L':') return std::nullopt;
  ++i;
  auto seconds = Digits(s, i, 2);
  if (!seconds) return std::nullopt;
  int64_t fractionMs = 0;
  if (i < s.size() && (s[i] == L'.' || s[i] == L':')) {
    ++i;
    size_t n = 0;
    auto fraction = Digits(s, i, 3, &n);
    if (!fraction) return std::nullopt;
    fractionMs = n == 1 ? *fraction * 100 : n == 2 ? *fraction * 10 : *fraction;
  }
  if (i != s.size()) return std::nullopt;
  return (*minutes * 60 + *seconds) * 1000 + fractionMs;
}

// The inside of a bracket ("offset:+500") as milliseconds.
std::optional<int64_t> OffsetMs(std::wstring_view s) {
  constexpr std::wstring_view kKey = L"offset:";
  if (s.size() < kKey.size()) return std::nullopt;
  for (size_t k = 0; k < kKey.size(); ++k) {
    wchar_t c = s[k];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != kKey[k]) return std::nullopt;
  }
  size_t i = kKey.size();
  auto skipBlanks = [&] {
    while (i < s.size() && IsBlank(s[i])) ++i;
  };
  skipBlanks();
  bool negative = false;
  if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
  auto value = Digits(s, i, 9);
  if (!value) return std::nullopt;
  skipBlanks();
  if (i != s.size()) return std::nullopt;
  return negative ? -*value : *value;
}

// Brackets never span lines; a long one is not a stamp or a tag we read.
constexpr size_t kMaxBracket = 64;

std::optional<std::wstring_view> BracketAt(std::wstring_view line, size_t i) {
  if (i >= line.size() || line[i] != L'[') return std::nullopt;
  size_t close = line.find(L']', i + 1);
  if (close == std::wstring_view::npos || close - i - 1 > kMaxBracket) return std::nullopt;
  return line.substr(i + 1, close - i - 1);
}

}  // namespace

LrcTimeline LrcTimeline::Parse(std::wstring_view text) {
  LrcTimeline t;
  std::optional<int64_t> offset;
  size_t lineStart = 0;
  while (lineStart <= text.size()) {
    size_t lineEnd = text.find_first_of(L"\r\n", lineStart);
    if (lineEnd == std::wstring_view::npos) lineEnd = text.size();
    std::wstring_view line = text.substr(lineStart, lineEnd - lineStart);
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    bool timed = false;
    const size_t first = t.lines_.size();
    while (auto inside = BracketAt(line, i)) {
      auto ms = StampMs(*inside);
      if (!ms) {
        if (!timed && !offset) offset = OffsetMs(*inside);
        break;
      }
      t.lines_.push_back({*ms, lineStart, lineEnd});
      timed = true;
      i += inside->size() + 2;
      while (i < line.size() && IsBlank(line[i])) ++i;
    }
    for (size_t k = first; k < t.lines_.size(); ++k) t.lines_[k].words = lineStart + i;
    if (lineEnd == text.size()) break;
    lineStart = lineEnd + (text[lineEnd] == L'\r' && lineEnd + 1 < text.size() && text[lineEnd + 1] == L'\n' ? 2 : 1);
  }
  t.offsetMs_ = offset.value_or(0);
  for (LrcLine& l : t.lines_) l.ms -= t.offsetMs_;
  std::stable_sort(t.lines_.begin(), t.lines_.end(), [](const LrcLine& a, const LrcLine& b) { return a.ms < b.ms; });
  return t;
}

const LrcLine* LrcTimeline::LineAt(int64_t ms) const {
  auto after = std::upper_bound(lines_.begin(), lines_.end(), ms, [](int64_t v, const LrcLine& l) { return v < l.ms; });
  return after == lines_.begin() ? nullptr : &*(after - 1);
}

const LrcLine* LrcTimeline::NextAfter(const LrcLine* line) const {
  if (!line || lines_.empty() || line < lines_.data() || line >= lines_.data() + lines_.size()) return nullptr;
  auto after = std::upper_bound(lines_.begin(), lines_.end(), line->ms,
                                [](int64_t v, const LrcLine& l) { return v < l.ms; });
  return after == lines_.end() ? nullptr : &*after;
}

}  // namespace sb
