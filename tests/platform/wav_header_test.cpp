#include "platform/player/wav_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using sb::WavInfo;

std::string Le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Le16(uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); }

std::string Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
  const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  return "fmt " + Le32(16) + Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

WavInfo Parse(const std::string& s, bool complete) {
  return sb::ParseWav(reinterpret_cast<const uint8_t*>(s.data()), s.size(), complete);
}

TEST(WavHeader, FindsFormatAndDataPastOtherChunks) {
  // An odd-sized chunk is padded to an even length.
  const std::string head = "RIFF" + Le32(1000) + "WAVE" + "LIST" + Le32(5) + "abcde" + std::string(1, '\0') +
                           Fmt(1, 2, 22050, 16) + "data" + Le32(800);
  const WavInfo w = Parse(head + std::string(800, '\0'), true);
  ASSERT_EQ(w.verdict, WavInfo::Verdict::Pcm);
  EXPECT_EQ(w.channels, 2);
  EXPECT_EQ(w.sampleRate, 22050u);
  EXPECT_EQ(w.bitsPerSample, 16);
  EXPECT_EQ(w.blockAlign, 4);
  EXPECT_EQ(w.dataOffset, head.size());
  EXPECT_EQ(w.dataBytes, 800u);
}

TEST(WavHeader, WaitsForAHeaderThatIsStillArriving) {
  const std::string full = "RIFF" + Le32(100) + "WAVE" + Fmt(1, 1, 8000, 8) + "data" + Le32(64);
  for (size_t n = 0; n < full.size(); ++n) {
    EXPECT_EQ(Parse(full.substr(0, n), false).verdict, n < 4 || full.compare(0, 4, "RIFF") == 0
                                                           ? WavInfo::Verdict::NeedMore
                                                           : WavInfo::Verdict::NotWav)
        << n;
    EXPECT_EQ(Parse(full.substr(0, n), true).verdict, WavInfo::Verdict::NotWav) << n;
  }
  EXPECT_EQ(Parse(full, false).verdict, WavInfo::Verdict::Pcm);
}

TEST(WavHeader, RejectsWhatItCannotPlay) {
  const std::string riff = "RIFF" + Le32(100) + "WAVE";
  EXPECT_EQ(Parse(riff + Fmt(3, 2, 44100, 32) + "data" + Le32(8), true).verdict, WavInfo::Verdict::NotWav);
  EXPECT_EQ(Parse(riff + Fmt(1, 2, 44100, 24) + "data" + Le32(8), true).verdict, WavInfo::Verdict::NotWav);
  EXPECT_EQ(Parse(riff + Fmt(1, 6, 44100, 16) + "data" + Le32(8), true).verdict, WavInfo::Verdict::NotWav);
  EXPECT_EQ(Parse(riff + "data" + Le32(8) + std::string(8, '\0'), true).verdict, WavInfo::Verdict::NotWav);
  EXPECT_EQ(Parse("RIFF" + Le32(100) + "AVI " + std::string(40, '\0'), true).verdict, WavInfo::Verdict::NotWav);
  // A chunk claiming to reach beyond 4 GB does not wrap around.
  EXPECT_EQ(Parse(riff + "junk" + Le32(0xFFFFFFFF) + std::string(16, '\0'), false).verdict,
            WavInfo::Verdict::NeedMore);
}

}  // namespace
