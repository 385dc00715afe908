#include "platform/player/mp3_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using sb::Mp3FrameIndex;
using Bytes = std::vector<uint8_t>;

// MPEG 1 Layer III, 128 kbit/s, 44.1 kHz: 417 bytes (418 with padding).
Bytes Frame(bool padding = false, bool mono = false, uint8_t fill = 0x11) {
  Bytes f(padding ? 418 : 417, fill);
  f[0] = 0xFF;
  f[1] = 0xFB;
  f[2] = static_cast<uint8_t>(0x90 | (padding ? 2 : 0));
  f[3] = mono ? 0xC0 : 0x00;
  return f;
}

Bytes Id3(size_t body, uint8_t fill) {
  Bytes t = {'I', 'D', '3', 4, 0, 0};
  t.push_back(static_cast<uint8_t>((body >> 21) & 0x7F));
  t.push_back(static_cast<uint8_t>((body >> 14) & 0x7F));
  t.push_back(static_cast<uint8_t>((body >> 7) & 0x7F));
  t.push_back(static_cast<uint8_t>(body & 0x7F));
  t.insert(t.end(), body, fill);
  return t;
}

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }
void Append(Bytes& to, const std::string& more) { to.insert(to.end(), more.begin(), more.end()); }

std::vector<size_t> Offsets(const Mp3FrameIndex& index) {
  std::vector<size_t> o;
  for (const auto& f : index.frames()) o.push_back(f.offset);
  return o;
}

TEST(Mp3Header, ReadsLayerThreeHeaders) {
  auto h = sb::ParseMp3Header(Frame().data());
  ASSERT_TRUE(h);
  EXPECT_EQ(h->version, 10);
  EXPECT_EQ(h->bitrateKbps, 128);
  EXPECT_EQ(h->sampleRate, 44100);
  EXPECT_EQ(h->channels, 2);
  EXPECT_EQ(h->frameBytes, 417);
  EXPECT_EQ(h->samplesPerFrame, 1152);
  EXPECT_EQ(sb::ParseMp3Header(Frame(true, true).data())->frameBytes, 418);
  EXPECT_EQ(sb::ParseMp3Header(Frame(true, true).data())->channels, 1);

  const uint8_t mpeg2[4] = {0xFF, 0xF3, 0x80, 0x00};  // MPEG 2, 64 kbit/s, 22.05 kHz
  h = sb::ParseMp3Header(mpeg2);
  ASSERT_TRUE(h);
  EXPECT_EQ(h->version, 20);
  EXPECT_EQ(h->sampleRate, 22050);
  EXPECT_EQ(h->samplesPerFrame, 576);
  EXPECT_EQ(h->frameBytes, 72000 * 64 / 22050);
}

TEST(Mp3Header, RejectsWhatIsNotAPlayableLayerThreeHeader) {
  const std::vector<std::array<uint8_t, 4>> bad = {
      {0xFF, 0x7B, 0x90, 0x00},  // broken sync
      {0xFF, 0xEB, 0x90, 0x00},  // reserved version
      {0xFF, 0xFD, 0x90, 0x00},  // layer II
      {0xFF, 0xFB, 0x00, 0x00},  // free format
      {0xFF, 0xFB, 0xF0, 0x00},  // bad bitrate
      {0xFF, 0xFB, 0x9C, 0x00},  // reserved sample rate
      {0xFF, 0xFB, 0x90, 0x02},  // reserved emphasis
  };
  for (const auto& b : bad) EXPECT_FALSE(sb::ParseMp3Header(b.data())) << int(b[1]) << " " << int(b[2]);
}

TEST(Mp3Header, Id3v2TagSizeIsSynchsafeAndCountsTheFooter) {
  Bytes tag = Id3(300, 0);
  EXPECT_EQ(sb::Id3v2TagSize(tag.data(), tag.size()), 310u);
  tag[5] = 0x10;
  EXPECT_EQ(sb::Id3v2TagSize(tag.data(), tag.size()), 320u);
  tag[8] = 0x80;  // not synchsafe
  EXPECT_EQ(sb::Id3v2TagSize(tag.data(), tag.size()), 0u);
  EXPECT_EQ(sb::Id3v2TagSize(tag.data(), 9), 0u);
  const Bytes frame = Frame();
  EXPECT_EQ(sb::Id3v2TagSize(frame.data(), frame.size()), 0u);
}

TEST(Mp3Index, SkipsTagsGarbageAndFalseSyncs) {
  Bytes s = Id3(2000, 0xFF);  // sync-like bytes inside the tag
  Append(s, std::string("<html>\xFF\xFB\x90\x00 junk"));  // a header with no frame after it
  const size_t first = s.size();
  for (int i = 0; i < 5; ++i) Append(s, Frame(i == 2));
  Append(s, std::string(37, '\x55'));  // garbage between frames
  const size_t resumed = s.size();
  for (int i = 0; i < 4; ++i) Append(s, Frame());
  Append(s, std::string("TAG") + std::string(125, ' '));

  Mp3FrameIndex index;
  EXPECT_EQ(index.Update(s.data(), s.size(), true), Mp3FrameIndex::Verdict::Mp3);
  EXPECT_TRUE(index.done());
  ASSERT_EQ(index.frames().size(), 9u);
  EXPECT_EQ(index.firstFrameOffset(), first);
  EXPECT_EQ(index.frames()[3].offset, first + 417 * 2 + 418);
  EXPECT_EQ(index.frames()[5].offset, resumed);
  EXPECT_EQ(index.frames()[8].offset, resumed + 3 * 417);
}

// The bytes from the index's resume offset on, up to `end`: all a windowed reader keeps.
sb::StreamView KeptFor(const Mp3FrameIndex& index, const Bytes& s, size_t end) {
  const size_t begin = std::min(index.resumeOffset(), end);
  return {s.data() + begin, begin, end};
}

TEST(Mp3Index, GrowingStreamIndexesTheSameFramesAsTheWholeFileEvenWithOnlyAWindowKept) {
  Bytes s = Id3(700, 0x20);
  for (int i = 0; i < 12; ++i) Append(s, Frame(i % 3 == 0));
  Append(s, std::string(5, '\x01'));
  for (int i = 0; i < 3; ++i) Append(s, Frame());
  Mp3FrameIndex whole;
  whole.Update(s.data(), s.size(), true);

  for (size_t step : {1u, 7u, 416u, 4096u}) {
    Mp3FrameIndex growing, windowed;
    for (size_t n = 0; n < s.size(); n += step) {
      growing.Update(s.data(), n, false);
      windowed.Update(KeptFor(windowed, s, n), false);
      EXPECT_FALSE(growing.done());
      EXPECT_NE(growing.verdict(), Mp3FrameIndex::Verdict::NotMp3);
    }
    growing.Update(s.data(), s.size(), true);
    windowed.Update(KeptFor(windowed, s, s.size()), true);
    EXPECT_EQ(Offsets(growing), Offsets(whole)) << "step " << step;
    EXPECT_EQ(Offsets(windowed), Offsets(whole)) << "step " << step;
    EXPECT_TRUE(growing.done());
  }
  EXPECT_EQ(whole.frames().size(), 15u);
}

TEST(Mp3Index, CutOffLastFrameIsDropped) {
  Bytes s;
  for (int i = 0; i < 4; ++i) Append(s, Frame());
  s.resize(s.size() - 100);
  Mp3FrameIndex index;
  EXPECT_EQ(index.Update(s.data(), s.size(), false), Mp3FrameIndex::Verdict::Mp3);
  EXPECT_EQ(index.frames().size(), 3u);
  EXPECT_FALSE(index.done());
  index.Update(s.data(), s.size(), true);
  EXPECT_EQ(index.frames().size(), 3u);
  EXPECT_TRUE(index.done());
}

TEST(Mp3Index, SingleFrameFileAndTagOnlyFile) {
  const Bytes one = Frame();
  Mp3FrameIndex index;
  EXPECT_EQ(index.Update(one.data(), one.size(), true), Mp3FrameIndex::Verdict::Mp3);
  EXPECT_EQ(index.frames().size(), 1u);

  const Bytes tag = Id3(100, 0);
  Mp3FrameIndex tagOnly;
  EXPECT_EQ(tagOnly.Update(tag.data(), tag.size(), true), Mp3FrameIndex::Verdict::NotMp3);
  const Bytes cut(tag.begin(), tag.begin() + 50);  // tag promises more than the file has
  Mp3FrameIndex cutTag;
  EXPECT_EQ(cutTag.Update(cut.data(), cut.size(), false), Mp3FrameIndex::Verdict::NeedMore);
  EXPECT_EQ(cutTag.Update(cut.data(), cut.size(), true), Mp3FrameIndex::Verdict::NotMp3);
}

TEST(Mp3Index, PagesAndEndlessJunkAreNotAudio) {
  std::string page = "<!DOCTYPE html><html><body>" + std::string(3000, 'x') + "</body></html>";
  Mp3FrameIndex html;
  EXPECT_EQ(html.Update(reinterpret_cast<const uint8_t*>(page.data()), page.size(), false),
            Mp3FrameIndex::Verdict::NeedMore);
  EXPECT_EQ(html.Update(reinterpret_cast<const uint8_t*>(page.data()), page.size(), true),
            Mp3FrameIndex::Verdict::NotMp3);

  // A stream that never shows a frame is given up before it ends.
  Bytes junk(Mp3FrameIndex::kMaxSearchBytes + 1000, 0x42);
  Mp3FrameIndex endless;
  EXPECT_EQ(endless.Update(junk.data(), junk.size() / 2, false), Mp3FrameIndex::Verdict::NeedMore);
  EXPECT_EQ(endless.Update(junk.data(), junk.size(), false), Mp3FrameIndex::Verdict::NotMp3);

  Mp3FrameIndex empty;
  EXPECT_EQ(empty.Update(nullptr, 0, true), Mp3FrameIndex::Verdict::NotMp3);
}

TEST(Mp3Index, XingFrameGivesTheLengthAndIsNotPlayed) {
  Bytes s = Frame();
  const char xing[] = "Xing";
  std::copy(xing, xing + 4, s.begin() + 36);  // after the header and 32 bytes of stereo side info
  const uint8_t fields[8] = {0, 0, 0, 1, 0, 0, 0x01, 0x2C};  // flags: frame count present; 300 frames
  std::copy(fields, fields + 8, s.begin() + 40);
  for (int i = 0; i < 3; ++i) Append(s, Frame());
  Mp3FrameIndex index;
  index.Update(s.data(), s.size(), true);
  EXPECT_EQ(index.xingFrames(), 300u);
  ASSERT_EQ(index.frames().size(), 3u);
  EXPECT_EQ(index.frames()[0].offset, 417u);
}

}  // namespace
