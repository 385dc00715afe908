// Feeds arbitrary text through the LRC parser and checks what it promises:
// whole-line ranges inside the text that start with a stamp, time order, and
// LineAt agreeing with a plain scan.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalogue/lrc_timeline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text;
  text.reserve(size / 2);
  for (size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  const sb::LrcTimeline t = sb::LrcTimeline::Parse(text);
  const auto& lines = t.lines();
  for (size_t k = 0; k < lines.size(); ++k) {
    const sb::LrcLine& l = lines[k];
    if (l.begin > l.end || l.end > text.size()) std::abort();
    if (text.substr(l.begin, l.end - l.begin).find_first_of(L"\r\n") != std::wstring::npos) std::abort();
    if (l.end < text.size() && text[l.end] != L'\r' && text[l.end] != L'\n') std::abort();
    if (l.begin > 0 && text[l.begin - 1] != L'\r' && text[l.begin - 1] != L'\n') std::abort();
    if (text.find(L'[', l.begin) >= l.end) std::abort();
    if (k > 0 && lines[k - 1].ms > l.ms) std::abort();
  }
  // LineAt against a linear scan, at and around every stamp.
  for (size_t k = 0; k < lines.size() && k < 256; ++k) {
    for (int64_t probe : {lines[k].ms - 1, lines[k].ms, lines[k].ms + 1}) {
      const sb::LrcLine* want = nullptr;
      for (const sb::LrcLine& l : lines)
        if (l.ms <= probe) want = &l;
      if (t.LineAt(probe) != want) std::abort();
    }
  }
  return 0;
}
