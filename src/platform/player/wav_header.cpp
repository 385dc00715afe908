#include "platform/player/wav_header.h"

namespace sb {
namespace {

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24); }
bool Is(const uint8_t* p, const char* id) { return p[0] == id[0] && p[1] == id[1] && p[2] == id[2] && p[3] == id[3]; }

}  // namespace

bool LooksLikeRiff(const uint8_t* data, size_t size) {
  return size >= 4 && Is(data, "RIFF");
}

WavInfo ParseWav(const uint8_t* data, size_t size, bool complete) {
  WavInfo info;
  const auto more = [&] {
    info.verdict = complete ? WavInfo::Verdict::NotWav : WavInfo::Verdict::NeedMore;
    return info;
  };
  if (size < 12) return more();
  if (!Is(data, "RIFF") || !Is(data + 8, "WAVE")) {
    info.verdict = WavInfo::Verdict::NotWav;
    return info;
  }
  bool haveFormat = false;
  size_t at = 12;
  while (true) {
    if (size - at < 8) return more();
    const uint32_t chunk = Le32(data + at + 4);
    const size_t body = at + 8;
    if (Is(data + at, "data")) {
      if (!haveFormat) break;
      info.dataOffset = body;
      info.dataBytes = chunk;
      info.verdict = WavInfo::Verdict::Pcm;
      return info;
    }
    if (Is(data + at, "fmt ")) {
      if (chunk < 16) break;
      if (size - body < 16) return more();
      const uint16_t tag = Le16(data + body);
      info.channels = Le16(data + body + 2);
      info.sampleRate = Le32(data + body + 4);
      info.blockAlign = Le16(data + body + 12);
      info.bitsPerSample = Le16(data + body + 14);
      const bool pcm = tag == 1 || (tag == 0xFFFE && chunk >= 40 && size - body >= 26 && Le16(data + body + 24) == 1);
      if (!pcm || info.channels < 1 || info.channels > 2 || info.sampleRate < 1000 || info.sampleRate > 192000 ||
          (info.bitsPerSample != 8 && info.bitsPerSample != 16) ||
          info.blockAlign != info.channels * info.bitsPerSample / 8) {
        break;
      }
      haveFormat = true;
    }
    const uint64_t next = uint64_t{body} + chunk + (chunk & 1);
    if (next > size) return more();
    at = static_cast<size_t>(next);
  }
  info.verdict = WavInfo::Verdict::NotWav;
  return info;
}

}  // namespace sb
