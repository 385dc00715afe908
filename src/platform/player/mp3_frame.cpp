#include "platform/player/mp3_frame.h"

namespace sb {
namespace {

constexpr int kBitrateMpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr int kBitrateMpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr int kRateMpeg1[3] = {44100, 48000, 32000};

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::optional<Mp3FrameHeader> ParseMp3Header(const uint8_t* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return std::nullopt;
  const int versionBits = (p[1] >> 3) & 3;
  const int layerBits = (p[1] >> 1) & 3;
  const int bitrateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
    return std::nullopt;
  }
  if ((p[3] & 3) == 2) return std::nullopt;  // reserved emphasis
  Mp3FrameHeader h;
  h.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
  const bool mpeg1 = h.version == 10;
  h.bitrateKbps = mpeg1 ? kBitrateMpeg1[bitrateIndex] : kBitrateMpeg2[bitrateIndex];
  h.sampleRate = kRateMpeg1[rateIndex] / (mpeg1 ? 1 : h.version == 20 ? 2 : 4);
  h.channels = (p[3] >> 6) == 3 ? 1 : 2;
  h.padding = (p[2] >> 1) & 1;
  h.samplesPerFrame = mpeg1 ? 1152 : 576;
  h.frameBytes = (mpeg1 ? 144000 : 72000) * h.bitrateKbps / h.sampleRate + (h.padding ? 1 : 0);
  return h;
}

bool SameStream(const Mp3FrameHeader& a, const Mp3FrameHeader& b) {
  return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

size_t Id3v2TagSize(const uint8_t* p, size_t available) {
  if (available < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3') return 0;
  if (p[3] == 0xFF || p[4] == 0xFF) return 0;
  for (int i = 6; i < 10; ++i) {
    if (p[i] & 0x80) return 0;
  }
  const size_t body = (size_t{p[6]} << 21) | (size_t{p[7]} << 14) | (size_t{p[8]} << 7) | p[9];
  return 10 + body + ((p[5] & 0x10) ? 10 : 0);
}

XingInfo ReadXing(const uint8_t* frame, const Mp3FrameHeader& h) {
  const int sideInfo = h.version == 10 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
  const int at = 4 + sideInfo;
  XingInfo info;
  if (h.frameBytes < at + 12) return info;
  const uint8_t* tag = frame + at;
  const bool xing = tag[0] == 'X' && tag[1] == 'i' && tag[2] == 'n' && tag[3] == 'g';
  const bool infoTag = tag[0] == 'I' && tag[1] == 'n' && tag[2] == 'f' && tag[3] == 'o';
  if (!xing && !infoTag) return info;
  info.present = true;
  if (BigEndian32(tag + 4) & 1) info.frames = BigEndian32(tag + 8);
  return info;
}

// A frame start is believed when its header is valid and the header right
// after it is too (or the frame ends a complete stream exactly).
Mp3FrameIndex::Sync Mp3FrameIndex::FindSync(const StreamView& bytes, bool complete, size_t* at) {
  const bool known = verdict_ == Verdict::Mp3;
  const size_t size = bytes.end;
  for (size_t i = next_; i + 4 <= size; ++i) {
    const auto h = ParseMp3Header(bytes.At(i));
    if (!h || (known && !SameStream(*h, format_))) continue;
    const size_t j = i + h->frameBytes;
    if (j + 4 <= size) {
      const auto following = ParseMp3Header(bytes.At(j));
      if (following && SameStream(*h, *following)) {
        *at = i;
        return Sync::Found;
      }
      continue;
    }
    if (!complete) {
      next_ = i;
      return Sync::NeedMore;
    }
    if (j == size) {
      *at = i;
      return Sync::Found;
    }
  }
  if (size > next_ + 3) next_ = size - 3;
  return complete ? Sync::None : Sync::NeedMore;
}

bool Mp3FrameIndex::SkipTags(const StreamView& bytes, bool complete) {
  const size_t size = bytes.end;
  while (!tagsSkipped_) {
    if (next_ > size || size - next_ < 10) {
      if (!complete) return false;
      if (next_ > size) {
        done_ = true;
        verdict_ = Verdict::NotMp3;
        return false;
      }
      tagsSkipped_ = true;
      searchStart_ = next_;
      break;
    }
    const size_t tag = Id3v2TagSize(bytes.At(next_), size - next_);
    if (tag == 0) {
      tagsSkipped_ = true;
      searchStart_ = next_;
      break;
    }
    next_ += tag;
  }
  return true;
}

Mp3FrameIndex::Verdict Mp3FrameIndex::Update(const StreamView& bytes, bool complete) {
  if (verdict_ == Verdict::NotMp3 || done_) return verdict_;
  if (next_ < bytes.begin) {
    // The bytes it was at are gone: go on from the oldest one kept.
    if (!tagsSkipped_) return verdict_ = Verdict::NotMp3;
    next_ = bytes.begin;
    synced_ = false;
  }
  const size_t size = bytes.end;
  if (!SkipTags(bytes, complete)) return verdict_;
  for (;;) {
    if (!synced_) {
      size_t at = 0;
      const Sync s = FindSync(bytes, complete, &at);
      if (s == Sync::None) {
        done_ = true;
        if (verdict_ != Verdict::Mp3) verdict_ = Verdict::NotMp3;
        return verdict_;
      }
      if (s == Sync::NeedMore) {
        if (verdict_ == Verdict::NeedMore && size - searchStart_ > kMaxSearchBytes) verdict_ = Verdict::NotMp3;
        return verdict_;
      }
      next_ = at;
      synced_ = true;
      if (verdict_ != Verdict::Mp3) {
        format_ = *ParseMp3Header(bytes.At(at));
        verdict_ = Verdict::Mp3;
        firstFrame_ = at;
        const XingInfo xing = ReadXing(bytes.At(at), format_);
        if (xing.present) {
          xingFrames_ = xing.frames;
          next_ += format_.frameBytes;
          continue;
        }
      }
    }
    if (size - next_ < 4) {
      done_ = complete;
      return verdict_;
    }
    const auto h = ParseMp3Header(bytes.At(next_));
    if (!h || !SameStream(*h, format_)) {
      synced_ = false;
      ++next_;
      continue;
    }
    if (next_ + h->frameBytes > size) {
      done_ = complete;  // a cut-off last frame is dropped
      return verdict_;
    }
    frames_.push_back({next_, h->frameBytes});
    next_ += h->frameBytes;
  }
}

}  // namespace sb
