// MPEG audio Layer III frame headers, ID3v2 tags and frame synchronisation.
// Window-free so it also builds natively under the sanitizers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/player/stream_view.h"

namespace sb {

struct Mp3FrameHeader {
  int version = 0;  // 10 = MPEG 1, 20 = MPEG 2, 25 = MPEG 2.5
  int bitrateKbps = 0;
  int sampleRate = 0;
  int channels = 0;
  bool padding = false;
  int frameBytes = 0;
  int samplesPerFrame = 0;
  double Seconds() const { return static_cast<double>(samplesPerFrame) / sampleRate; }
};

// A Layer III header at p (4 bytes); free-format and reserved values are rejected.
std::optional<Mp3FrameHeader> ParseMp3Header(const uint8_t* p);
// Same stream parameters (the ones a decoder is opened with).
bool SameStream(const Mp3FrameHeader& a, const Mp3FrameHeader& b);

// Size of an ID3v2 tag starting at p, header and footer included; 0 if there
// is none. Needs 10 bytes.
size_t Id3v2TagSize(const uint8_t* p, size_t available);

// The frame count of a Xing/Info header inside the frame at p, if it has one.
// Such a frame carries no audio.
struct XingInfo {
  bool present = false;
  uint32_t frames = 0;  // 0: not given
};
XingInfo ReadXing(const uint8_t* frame, const Mp3FrameHeader& header);

struct Mp3Frame {
  size_t offset = 0;
  int bytes = 0;
};

// Indexes the frames of a stream while it arrives. Call Update with the bytes
// so far: the whole growing buffer, or a window of it that still holds
// everything from resumeOffset() on.
class Mp3FrameIndex {
 public:
  enum class Verdict { NeedMore, Mp3, NotMp3 };

  // Gives up on streams where no frame turns up in this many bytes after the tags.
  static constexpr size_t kMaxSearchBytes = 256 * 1024;

  Verdict Update(const uint8_t* data, size_t size, bool complete) { return Update(WholeView(data, size), complete); }
  Verdict Update(const StreamView& bytes, bool complete);
  Verdict verdict() const { return verdict_; }
  const Mp3FrameHeader& format() const { return format_; }
  const std::vector<Mp3Frame>& frames() const { return frames_; }
  uint32_t xingFrames() const { return xingFrames_; }
  size_t firstFrameOffset() const { return firstFrame_; }
  // True once the index has reached the end of a complete stream.
  bool done() const { return done_; }
  // The first byte the next Update reads.
  size_t resumeOffset() const { return next_; }

 private:
  enum class Sync { Found, NeedMore, None };
  Sync FindSync(const StreamView& bytes, bool complete, size_t* at);
  // Steps over leading ID3v2 tags; false when Update must return its verdict now.
  bool SkipTags(const StreamView& bytes, bool complete);

  Verdict verdict_ = Verdict::NeedMore;
  Mp3FrameHeader format_;
  std::vector<Mp3Frame> frames_;
  size_t next_ = 0;  // where the next frame or the search continues
  bool tagsSkipped_ = false;
  bool synced_ = false;  // next_ is at a frame boundary
  bool done_ = false;
  size_t firstFrame_ = 0;
  size_t searchStart_ = 0;
  uint32_t xingFrames_ = 0;
};

}  // namespace sb
