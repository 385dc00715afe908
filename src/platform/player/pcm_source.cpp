#include "platform/player/pcm_source.h"

#include <algorithm>
#include <cstring>

namespace sb {
namespace {

class Mp3Source : public PcmSource {
 public:
  explicit Mp3Source(Mp3FrameIndex index) : index_(std::move(index)) {}
  bool Open() { return decoder_.Open(index_.format()); }

  const WAVEFORMATEX& format() const override { return decoder_.pcmFormat(); }
  void Update(const StreamView& bytes, bool complete) override { index_.Update(bytes, complete); }

  bool Decode(const StreamView& bytes, double seconds, std::vector<uint8_t>& out) override {
    const auto& frames = index_.frames();
    if (cursor_ >= frames.size()) return false;
    const double frameSeconds = index_.format().Seconds();
    const size_t want = std::max<size_t>(1, static_cast<size_t>(seconds / frameSeconds + 0.999));
    const size_t end = std::min(frames.size(), cursor_ + want);
    input_.clear();
    for (size_t i = cursor_; i < end; ++i) {
      const Mp3Frame& f = frames[i];
      if (!bytes.Holds(f.offset, f.bytes)) break;
      input_.insert(input_.end(), bytes.At(f.offset), bytes.At(f.offset) + f.bytes);
    }
    cursor_ = end;
    decoder_.Decode(input_.data(), input_.size(), out);
    return true;
  }

  double CursorSeconds() const override { return cursor_ * index_.format().Seconds(); }
  double ArrivedSeconds() const override { return index_.frames().size() * index_.format().Seconds(); }

  double DurationSeconds(int64_t contentLength) const override {
    const double frameSeconds = index_.format().Seconds();
    if (index_.xingFrames() > 0) return index_.xingFrames() * frameSeconds;
    const auto& frames = index_.frames();
    if (index_.done()) return frames.size() * frameSeconds;
    if (contentLength <= 0 || frames.empty()) return 0;
    const double bytesPerFrame =
        static_cast<double>(frames.back().offset + frames.back().bytes - frames.front().offset) / frames.size();
    return (static_cast<double>(contentLength) - frames.front().offset) / bytesPerFrame * frameSeconds;
  }

  bool Exhausted() const override { return index_.done() && cursor_ >= index_.frames().size(); }

  bool SeekTo(double seconds, size_t keptFrom) override {
    const double frameSeconds = index_.format().Seconds();
    const size_t target = static_cast<size_t>(std::max(0.0, seconds) / frameSeconds);
    const auto& frames = index_.frames();
    const auto kept = std::lower_bound(frames.begin(), frames.end(), keptFrom,
                                       [](const Mp3Frame& f, size_t offset) { return f.offset < offset; });
    cursor_ = std::clamp(target, static_cast<size_t>(kept - frames.begin()), frames.size());
    return decoder_.Reset();
  }

  size_t NeededFrom() const override {
    const auto& frames = index_.frames();
    return cursor_ < frames.size() ? frames[cursor_].offset : index_.resumeOffset();
  }

 private:
  Mp3FrameIndex index_;
  AcmMp3Decoder decoder_;
  size_t cursor_ = 0;  // next frame to decode
  std::vector<uint8_t> input_;
};

class WavSource : public PcmSource {
 public:
  explicit WavSource(const WavInfo& info) : info_(info) {
    format_.wFormatTag = WAVE_FORMAT_PCM;
    format_.nChannels = info.channels;
    format_.nSamplesPerSec = info.sampleRate;
    format_.wBitsPerSample = info.bitsPerSample;
    format_.nBlockAlign = info.blockAlign;
    format_.nAvgBytesPerSec = info.sampleRate * info.blockAlign;
    cursor_ = info.dataOffset;
  }

  const WAVEFORMATEX& format() const override { return format_; }
  void Update(const StreamView& bytes, bool complete) override {
    const uint64_t end = info_.dataOffset + info_.dataBytes;
    available_ = static_cast<size_t>(std::min<uint64_t>(bytes.end, end));
    available_ -= (available_ - info_.dataOffset) % info_.blockAlign;
    complete_ = complete || bytes.end >= end;
  }

  bool Decode(const StreamView& view, double seconds, std::vector<uint8_t>& out) override {
    if (cursor_ >= available_) return false;
    size_t bytes = static_cast<size_t>(seconds * format_.nAvgBytesPerSec);
    bytes -= bytes % info_.blockAlign;
    bytes = std::clamp<size_t>(bytes, info_.blockAlign, available_ - cursor_);
    if (!view.Holds(cursor_, bytes)) return false;
    out.insert(out.end(), view.At(cursor_), view.At(cursor_) + bytes);
    cursor_ += bytes;
    return true;
  }

  double CursorSeconds() const override { return Seconds(cursor_); }
  double ArrivedSeconds() const override { return Seconds(available_); }
  double DurationSeconds(int64_t contentLength) const override {
    if (complete_) return Seconds(available_);
    uint64_t end = info_.dataOffset + info_.dataBytes;
    if (contentLength > 0) end = std::min<uint64_t>(end, static_cast<uint64_t>(contentLength));
    return Seconds(static_cast<size_t>(end));
  }
  bool Exhausted() const override { return complete_ && cursor_ >= available_; }
  bool SeekTo(double seconds, size_t keptFrom) override {
    size_t offset = static_cast<size_t>(std::max(0.0, seconds) * format_.nAvgBytesPerSec);
    if (keptFrom > info_.dataOffset) offset = std::max(offset, keptFrom - info_.dataOffset + info_.blockAlign - 1);
    offset -= offset % info_.blockAlign;
    cursor_ = std::min(info_.dataOffset + offset, available_);
    return true;
  }
  size_t NeededFrom() const override { return cursor_; }

 private:
  double Seconds(size_t offset) const {
    return offset <= info_.dataOffset ? 0.0 : static_cast<double>(offset - info_.dataOffset) / format_.nAvgBytesPerSec;
  }
  WavInfo info_;
  WAVEFORMATEX format_{};
  size_t cursor_ = 0;
  size_t available_ = 0;
  bool complete_ = false;
};

}  // namespace

MediaProbe::Verdict MediaProbe::Update(const StreamView& bytes, bool complete) {
  if (bytes.begin != 0) return Verdict::NotAudio;  // its start is gone
  const uint8_t* data = bytes.bytes;
  const size_t size = bytes.end;
  if (size < 4 && !complete) return Verdict::NeedMore;
  if (LooksLikeRiff(data, size)) {
    isWav_ = true;
    wav_ = ParseWav(data, size, complete);
    if (wav_.verdict == WavInfo::Verdict::NeedMore) return Verdict::NeedMore;
    return wav_.verdict == WavInfo::Verdict::Pcm ? Verdict::Audio : Verdict::NotAudio;
  }
  switch (mp3_.Update(data, size, complete)) {
    case Mp3FrameIndex::Verdict::NeedMore: return Verdict::NeedMore;
    case Mp3FrameIndex::Verdict::Mp3: return Verdict::Audio;
    case Mp3FrameIndex::Verdict::NotMp3: break;
  }
  return Verdict::NotAudio;
}

std::unique_ptr<PcmSource> MediaProbe::TakeSource(const StreamView& bytes, bool complete) {
  std::unique_ptr<PcmSource> source;
  if (isWav_) {
    source = std::make_unique<WavSource>(wav_);
  } else {
    auto mp3 = std::make_unique<Mp3Source>(std::move(mp3_));
    if (!mp3->Open()) return nullptr;
    source = std::move(mp3);
  }
  source->Update(bytes, complete);
  return source;
}

}  // namespace sb
