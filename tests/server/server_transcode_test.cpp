// The MP3 transcode: exact sizes over many formats and durations, the whole
// audio kept, tags carried, silence for what a broken source lacks, and
// cancellation.
#include <gtest/gtest.h>

#include <fstream>

#include "mp3_transcode.h"
#include "server_test_library.h"
#include "transcode_test_media.h"

namespace {

namespace fs = std::filesystem;
using songbox_server::kMp3FrameBytes;
using songbox_server::Mp3Tags;
using songbox_server::Mp3Transcode;
using sbserver_test::Loudness;
using sbserver_test::MakeAudio;
using sbserver_test::ProbeMp3;
using sbserver_test::TempDir;

constexpr double kDelay = 1105.0 / 48000;  // encoder and decoder delay

std::string Transcode(Mp3Transcode& t) {
  std::string out;
  std::atomic<bool> cancel{false};
  auto end = t.Run([&](const char* p, size_t n) { return out.append(p, n), true; }, cancel);
  EXPECT_EQ(end, Mp3Transcode::End::Done);
  return out;
}

fs::path WriteOut(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

struct Case {
  const char* ext;
  const char* codec;
  int rate, channels;
  double seconds;
};

TEST(Mp3Transcode, SizeIsExactAndTheWholeAudioIsKeptForEveryFormatAndDuration) {
  const Case cases[] = {
      {"flac", "", 44100, 2, 0.1},      {"flac", "", 44100, 2, 1.0},         {"flac", "", 44100, 2, 3.3},
      {"flac", "", 96000, 2, 2.7},      {"flac", "", 44100, 1, 7.77},        {"wav", "", 48000, 1, 0.5},
      {"wav", "", 8000, 2, 1.234567},   {"ogg", "-c:a libvorbis", 22050, 2, 2.0},
      {"opus", "-c:a libopus", 48000, 2, 1.5}, {"m4a", "-c:a aac", 44100, 2, 4.1},
      {"aiff", "", 44100, 2, 0.77},     {"wv", "", 44100, 2, 1.111},
  };
  TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.rate) + " Hz " + std::to_string(c.seconds) + " s");
    fs::path source = dir.path() / ("s" + std::to_string(n++) + "." + c.ext);
    MakeAudio(source, c.seconds, c.codec, c.rate, c.channels);
    auto t = Mp3Transcode::Open(source.string(), {});
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Frames(), songbox_server::Mp3FramesFor(c.seconds));
    std::string bytes = Transcode(*t);
    ASSERT_EQ(bytes.size(), t->Size());
    auto probe = ProbeMp3(WriteOut(dir.path() / "out.mp3", bytes));
    EXPECT_TRUE(probe.decodes);
    EXPECT_EQ(probe.frames, static_cast<long long>(t->Frames()));
    EXPECT_EQ(probe.sampleRate, 48000);
    EXPECT_EQ(probe.bitRate, 256000);
    // The tone is there from its first to its last few milliseconds.
    EXPECT_GT(Loudness(probe.pcm, 48000, kDelay + 0.01, kDelay + 0.04), 0.05);
    EXPECT_GT(Loudness(probe.pcm, 48000, kDelay + c.seconds - 0.04, kDelay + c.seconds - 0.01), 0.05);
  }
}

TEST(Mp3Transcode, TitleSingerAndCoverAreInTheId3v2Tag) {
  TempDir dir;
  MakeAudio(dir.path() / "a.flac", 1.0);
  Mp3Tags tags{"七里香", "周杰伦", sbserver_test::TestJpeg(64, 48)};
  auto t = Mp3Transcode::Open((dir.path() / "a.flac").string(), tags);
  ASSERT_TRUE(t);
  std::string bytes = Transcode(*t);
  EXPECT_EQ(bytes.compare(0, 3, "ID3"), 0);
  EXPECT_EQ(bytes.size(), songbox_server::Id3v2Bytes(tags).size() + t->Frames() * kMp3FrameBytes);
  auto probe = ProbeMp3(WriteOut(dir.path() / "a.mp3", bytes));
  EXPECT_TRUE(probe.decodes);
  EXPECT_EQ(probe.title, "七里香");
  EXPECT_EQ(probe.artist, "周杰伦");
  EXPECT_TRUE(probe.cover);
}

TEST(Mp3Transcode, ASourceThatEndsEarlyIsMadeUpWithSilence) {
  TempDir dir;
  fs::path source = dir.path() / "cut.flac";
  MakeAudio(source, 4.0);
  fs::resize_file(source, fs::file_size(source) / 2);  // its header still says 4 s
  auto t = Mp3Transcode::Open(source.string(), {});
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Frames(), songbox_server::Mp3FramesFor(4.0));
  std::string bytes = Transcode(*t);
  ASSERT_EQ(bytes.size(), t->Size());
  auto probe = ProbeMp3(WriteOut(dir.path() / "cut.mp3", bytes));
  EXPECT_TRUE(probe.decodes);
  EXPECT_EQ(probe.frames, static_cast<long long>(t->Frames()));
  EXPECT_GT(Loudness(probe.pcm, 48000, 0.1, 0.5), 0.05);
  EXPECT_LT(Loudness(probe.pcm, 48000, 3.0, 4.0), 0.005);
}

TEST(Mp3Transcode, CancelStopsAndNonAudioIsRefused) {
  TempDir dir;
  MakeAudio(dir.path() / "a.flac", 3.0);
  auto t = Mp3Transcode::Open((dir.path() / "a.flac").string(), {});
  ASSERT_TRUE(t);
  std::atomic<bool> cancel{false};
  size_t written = 0;
  auto end = t->Run([&](const char*, size_t n) { return written += n, cancel = true, true; }, cancel);
  EXPECT_EQ(end, Mp3Transcode::End::Cancelled);
  EXPECT_LT(written, t->Size());
  sbserver_test::WriteFile(dir.path() / "text.flac", std::string(5000, 'x'));
  EXPECT_FALSE(Mp3Transcode::Open((dir.path() / "text.flac").string(), {}));
  EXPECT_FALSE(Mp3Transcode::Open((dir.path() / "missing.flac").string(), {}));
}

}  // namespace
