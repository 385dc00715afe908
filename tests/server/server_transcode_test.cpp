// The MP3 transcode: exact sizes over many formats and durations, the whole
// audio kept, tags carried, silence for what a broken source lacks, and
// cancellation.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <mutex>

#include "mp3_transcode.h"
#include "server_test_library.h"
#include "song_media.h"
#include "static_export.h"
#include "transcoder.h"
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

TEST(Mp3Transcode, CancelStopsAndNonAudioOrEndlessAudioIsRefused) {
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
  // A FLAC whose header claims 433 hours (of which half a second is there):
  // the low 36 bits of STREAMINFO's eight bytes at 18 count the samples.
  const fs::path flac = dir.path() / "claims.flac";
  MakeAudio(flac, 0.5);
  std::string bytes = sbserver_test::ReadFileBytes(flac);
  bytes[21] = static_cast<char>(bytes[21] | 0x0F);
  for (int i = 22; i < 26; ++i) bytes[i] = '\xFF';
  sbserver_test::WriteFile(flac, bytes);
  EXPECT_FALSE(Mp3Transcode::Open(flac.string(), {}));
}

}  // namespace

namespace {

using songbox_server::MediaSource;
using songbox_server::TranscodeInput;
using songbox_server::Transcoder;

TranscodeInput Input(const fs::path& file, const fs::path& library) {
  TranscodeInput in;
  in.file = file.string();
  in.relativePath = fs::relative(file, library).string();
  in.size = fs::file_size(file);
  in.mtimeNs = fs::last_write_time(file).time_since_epoch().count();
  in.tags = [] { return Mp3Tags{"标题", "歌手", ""}; };
  return in;
}

// Reads the source from `from` to `to` (its end) as a response would, waiting for
// `ready` whenever the bytes are not written yet.
std::string ReadRest(MediaSource& source, std::uint64_t from = 0, std::uint64_t to = ~0ULL) {
  std::mutex m;
  std::condition_variable cv;
  bool woke = false;
  std::string out;
  char buffer[10000];
  to = std::min(to, source.Size());
  for (std::uint64_t at = from; at < to;) {
    long long got = source.ReadAt(at, buffer, std::min<std::uint64_t>(sizeof buffer, to - at), [&] {
      std::lock_guard lock(m);
      woke = true;
      cv.notify_all();
    });
    if (got < 0) break;
    if (got == 0) {
      std::unique_lock lock(m);
      if (!cv.wait_for(lock, std::chrono::minutes(2), [&] { return woke; })) break;
      woke = false;
      continue;
    }
    out.append(buffer, static_cast<size_t>(got));
    at += static_cast<std::uint64_t>(got);
  }
  return out;
}

std::vector<std::string> CacheFiles(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class TranscodeJobs : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      songs_.push_back(lib_ / ("s" + std::to_string(i) + ".flac"));
      MakeAudio(songs_.back(), 2.0 + i);
    }
  }
  std::string CacheName(size_t i) {
    auto in = Input(songs_[i], lib_);
    return songbox_server::TranscodeCache::Name(in.relativePath, in.size, in.mtimeNs, in.fingerprint);
  }
  TempDir dir_;
  fs::path lib_ = dir_.path() / "lib", cache_ = dir_.path() / "cache";
  std::vector<fs::path> songs_;
};

TEST_F(TranscodeJobs, AResponseStreamsWhatIsWrittenAndAReadAheadWaitsForIt) {
  Transcoder t(cache_.string(), 1 << 30, 2, [](const std::string&) {});
  t.HoldAt(20000);
  auto source = t.Source(Input(songs_[0], lib_));
  ASSERT_TRUE(source);
  auto expected = Mp3Transcode::Open(songs_[0].string(), Mp3Tags{"标题", "歌手", ""});
  ASSERT_EQ(source->Size(), expected->Size());
  EXPECT_EQ(ReadRest(*source, 0, 20000).size(), 20000u);
  char byte;
  std::atomic<bool> ready{false};
  EXPECT_EQ(source->ReadAt(source->Size() - 1, &byte, 1, [&] { ready = true; }), 0);
  EXPECT_TRUE(source->WholeFile().empty());
  EXPECT_TRUE(t.cache().Lookup(CacheName(0)).empty());  // half written: not in the cache
  t.HoldAt(Transcoder::kNoHold);
  std::string whole = ReadRest(*source);
  ASSERT_EQ(whole.size(), source->Size());
  t.WaitIdle();
  EXPECT_TRUE(ready);
  auto probe = ProbeMp3(WriteOut(dir_.path() / "got.mp3", whole));
  EXPECT_TRUE(probe.decodes);
  EXPECT_EQ(probe.title, "标题");
  // Later requests are served the cache file, the same bytes.
  auto again = t.Source(Input(songs_[0], lib_));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->WholeFile(), t.cache().Lookup(CacheName(0)));
  EXPECT_EQ(ReadRest(*again, 1000), whole.substr(1000));
}

TEST_F(TranscodeJobs, DroppingTheLastSourceStopsTheJobAndLeavesNothing) {
  Transcoder t(cache_.string(), 1 << 30, 2, [](const std::string&) {});
  t.HoldAt(30000);
  auto a = t.Source(Input(songs_[2], lib_));
  auto b = t.Source(Input(songs_[2], lib_));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(ReadRest(*a, 0, 30000).size(), 30000u);  // the job is midway
  a.reset();
  b.reset();
  t.WaitIdle();
  EXPECT_TRUE(CacheFiles(cache_).empty());
  // A source dropped before its job started leaves nothing either, while
  // one that another source still reads completes.
  t.HoldAt(0);
  t.Source(Input(songs_[0], lib_)).reset();
  auto kept = t.Source(Input(songs_[1], lib_));
  t.Source(Input(songs_[1], lib_)).reset();
  t.HoldAt(Transcoder::kNoHold);
  EXPECT_EQ(ReadRest(*kept).size(), kept->Size());
  t.WaitIdle();
  EXPECT_EQ(CacheFiles(cache_), std::vector<std::string>{CacheName(1)});
}

TEST_F(TranscodeJobs, TheCacheKeepsWhatWasUsedLastWithinItsBoundAndDropsChangedSongs) {
  auto size = [&](size_t i) { return Mp3Transcode::Open(songs_[i].string(), Mp3Tags{"标题", "歌手", ""})->Size(); };
  const std::uint64_t bound = size(0) + size(2) + 1000;  // the newest two of three fit
  {
    Transcoder t(cache_.string(), bound, 1, [](const std::string&) {});
    for (size_t i : {0, 1}) ASSERT_TRUE(t.Whole(Input(songs_[i], lib_)));
    ASSERT_TRUE(t.Source(Input(songs_[0], lib_)));  // used again: song 1 is now the oldest
    ASSERT_TRUE(t.Whole(Input(songs_[2], lib_)));
    EXPECT_EQ(CacheFiles(cache_), Sorted({CacheName(0), CacheName(2)}));
    EXPECT_LE(t.cache().Bytes(), bound);
  }
  // A restart takes the files in and forgets a crash's half-written one; a
  // changed song's old transcode goes when the new one is made.
  const std::string old2 = CacheName(2);
  const std::uint64_t kept = fs::file_size(cache_ / CacheName(0)) + fs::file_size(cache_ / old2);
  sbserver_test::WriteFile(cache_ / (CacheName(1) + ".part1-1"), "half");
  MakeAudio(songs_[2], 1.0);
  fs::last_write_time(songs_[2], fs::last_write_time(songs_[2]) + std::chrono::seconds(5));
  Transcoder t(cache_.string(), bound, 1, [](const std::string&) {});
  EXPECT_EQ(CacheFiles(cache_), Sorted({CacheName(0), old2}));
  EXPECT_EQ(t.cache().Bytes(), kept);
  auto changed = t.Whole(Input(songs_[2], lib_));
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->Size(), size(2));
  EXPECT_EQ(CacheFiles(cache_), Sorted({CacheName(0), CacheName(2)}));
}

TEST_F(TranscodeJobs, TheFillRunsWhenAShareIsFreeAndGivesWayToRequests) {
  Transcoder t(cache_.string(), 1 << 30, 1, [](const std::string&) {});
  t.HoldAt(10000);
  t.Prefetch({Input(songs_[0], lib_), Input(songs_[1], lib_)});
  // The fill holds the only share (paused midway); a request takes it over.
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return t.PeakRunning() == 1; }, 60000));
  auto asked = t.Source(Input(songs_[2], lib_));
  ASSERT_TRUE(asked);
  EXPECT_EQ(ReadRest(*asked, 0, 10000).size(), 10000u);
  t.HoldAt(Transcoder::kNoHold);
  EXPECT_EQ(ReadRest(*asked).size(), asked->Size());
  t.WaitIdle();
  EXPECT_EQ(t.PeakRunning(), 1u);
  EXPECT_EQ(CacheFiles(cache_), Sorted({CacheName(0), CacheName(1), CacheName(2)}));
}

}  // namespace

namespace {

using sbserver_test::ServedLibrary;

// The one song of a test library; -1 when there is not exactly one.
long long OnlySid(songbox_server::Library& library) {
  auto newest = library.Newest();
  return newest.size() == 1 ? newest[0].first.sid : -1;
}

TEST(TranscodedSongs, AreServedAsMp3WithAnExactLengthAndRanges) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib";
  MakeAudio(lib / "a" / "song one.flac", 3.0);
  fs::last_write_time(lib / "a" / "song one.flac", fs::file_time_type::clock::now() - std::chrono::minutes(1));
  ServedLibrary served(lib, dir.path() / "state.db");
  const long long sid = OnlySid(served.library());
  ASSERT_GT(sid, 0);
  auto address = served.Get("/wgns/url/" + std::to_string(sid));
  ASSERT_TRUE(address);
  EXPECT_EQ(address->body, "media/a/song%20one.flac.mp3");
  // A range while the transcode is still being written, then the whole.
  served.transcoder().HoldAt(20000);
  auto early = served.Get("/" + address->body, {{"Range", "bytes=100-199"}});
  served.transcoder().HoldAt(Transcoder::kNoHold);
  ASSERT_TRUE(early);
  EXPECT_EQ(early->status, 206);
  auto whole = served.Get("/" + address->body);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->get_header_value("Content-Type"), "audio/mpeg");
  EXPECT_EQ(whole->get_header_value("Content-Length"), std::to_string(whole->body.size()));
  EXPECT_EQ(early->body, whole->body.substr(100, 100));
  auto probe = ProbeMp3(WriteOut(dir.path() / "got.mp3", whole->body));
  EXPECT_TRUE(probe.decodes);
  EXPECT_EQ(probe.frames, static_cast<long long>(songbox_server::Mp3FramesFor(3.0)));
  EXPECT_EQ(probe.title, "T");
  served.transcoder().WaitIdle();
  auto cached = served.Get("/" + address->body, {{"Range", "bytes=5000-"}});
  ASSERT_TRUE(cached);
  EXPECT_EQ(cached->body, whole->body.substr(5000));
  EXPECT_EQ(served.Get("/media/a/song%20one.flac")->status, 404);  // only under the page's address
}

TEST(TranscodedSongs, TheExportWritesThemUnderThePagesAddressAndRemakesChangedOnes) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib", out = dir.path() / "out", song = lib / "b" / "歌.ogg";
  MakeAudio(song, 2.0, "-c:a libvorbis");
  fs::last_write_time(song, fs::file_time_type::clock::now() - std::chrono::minutes(2));
  songbox_server::Library library(lib.string(), (dir.path() / "state.db").string(), 500, [](const std::string&) {});
  Transcoder transcoder((dir.path() / "cache").string(), 1 << 30, 1, [](const std::string&) {});
  for (double seconds : {2.0, 1.0}) {
    if (seconds == 1.0) {
      MakeAudio(song, seconds, "-c:a libvorbis");
      fs::last_write_time(song, fs::file_time_type::clock::now() - std::chrono::minutes(1));
    }
    library.Scan();
    ASSERT_EQ(songbox_server::ExportSite(library, transcoder, out.string()), 1u);
    const std::string address = sbserver_test::ReadFileBytes(out / "wgns" / "url" / std::to_string(OnlySid(library)));
    EXPECT_EQ(address, "media/b/" + songbox_server::PercentEncodePath("歌.ogg") + ".mp3");
    const fs::path exported = out / "media" / "b" / "歌.ogg.mp3";
    auto probe = ProbeMp3(exported);
    EXPECT_TRUE(probe.decodes);
    EXPECT_EQ(probe.frames, static_cast<long long>(songbox_server::Mp3FramesFor(seconds)));
    EXPECT_EQ(fs::last_write_time(exported), fs::last_write_time(song));
    EXPECT_FALSE(fs::exists(out / "media" / "b" / "歌.ogg"));
  }
}

TEST(TranscodedSongs, TheFillTakesTheSongsNotMp3AmongTheNewestItIsGiven) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib";
  const char* files[] = {"a.flac", "b.mp3", "c.ogg", "d.flac"};  // newest first
  for (int i = 0; i < 4; ++i) {
    const fs::path file = lib / files[i];
    if (file.extension() == ".mp3") {
      sbserver_test::WriteSong(file, {"t", "s"});
    } else {
      MakeAudio(file, 0.2);
    }
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(i + 1));
  }
  songbox_server::Library library(lib.string(), (dir.path() / "state.db").string(), 500, [](const std::string&) {});
  library.Scan();
  const std::pair<size_t, std::vector<std::string>> cases[] = {
      {0, {}}, {1, {"a.flac"}}, {2, {"a.flac"}}, {3, {"a.flac", "c.ogg"}}, {SIZE_MAX, {"a.flac", "c.ogg", "d.flac"}},
  };
  for (const auto& [count, want] : cases) {
    std::vector<std::string> got;
    for (const auto& in : songbox_server::NewestTranscoded(library, count)) got.push_back(in.relativePath);
    EXPECT_EQ(got, want) << count;
  }
}

TEST(TranscodedSongs, OnlyMp3FilesAreServedAsTheyAre) {
  const std::pair<const char*, const char*> cases[] = {
      {"a/x.mp3", "a/x.mp3"}, {"a/X.MP3", "a/X.MP3"}, {"a/x.flac", "a/x.flac.mp3"},
      {"x.m4a", "x.m4a.mp3"}, {"mp3", "mp3.mp3"},     {"a.mp3/x.ogg", "a.mp3/x.ogg.mp3"},
  };
  for (const auto& [path, address] : cases) EXPECT_EQ(songbox_server::MediaAddress(path), address) << path;
}

}  // namespace
