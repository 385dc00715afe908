// Time-stamped lyrics (LRC): which line of a lyrics text is being sung at a
// moment of the song. Window-free. Positions are character offsets into the
// text exactly as given, so a multi-line edit holding that text can select a
// line with them (it counts CR and LF as one character each).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace sb {

struct LrcLine {
  int64_t ms = 0;    // when the line is reached, [offset:] applied; may be below 0
  size_t begin = 0;  // the whole line, its stamps included, without its line break
  size_t end = 0;
  size_t words = 0;  // where the sung words start: after the line's leading stamps and blanks
};

// Rules:
// - Lines end at CR LF, LF or CR.
// - A line is timed when it starts (after blanks or a byte-order mark) with
//   one or more stamps "[m:ss]", "[m:ss.f]", "[m:ss.ff]", "[m:ss.fff]" (":"
//   also separates the fraction); minutes have 1 to 5 digits, seconds 1 or 2.
//   Each stamp of a line is one entry of the timeline.
// - "[offset:±n]" at the start of a line gives n ms; a positive offset shows
//   every line n ms sooner. The first valid one counts, wherever it stands.
// - Anything else ([ti:], text, malformed stamps) is never timed.
class LrcTimeline {
 public:
  static LrcTimeline Parse(std::wstring_view text);

  bool empty() const { return lines_.empty(); }
  // In time order; equal times keep text order.
  const std::vector<LrcLine>& lines() const { return lines_; }
  int64_t offsetMs() const { return offsetMs_; }
  // The line whose stamp was passed last at `ms` (a stamp at exactly `ms`
  // counts as passed); nullptr before the first stamp.
  const LrcLine* LineAt(int64_t ms) const;
  // The first line after `line` (one of lines()) with a later stamp; nullptr
  // when there is none.
  const LrcLine* NextAfter(const LrcLine* line) const;

 private:
  std::vector<LrcLine> lines_;
  int64_t offsetMs_ = 0;
};

}  // namespace sb
