// The songbox-codec children seen from the server: a probe that crashes on
// one file costs only that file, no descriptor of the server reaches a child,
// a transcode whose child dies midway still delivers every promised byte as
// whole frames that decode, the rest silence, and a child slow to start holds
// no thread of the HTTP loop.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <thread>

#include "audio_probe.h"
#include "mp3_transcode.h"
#include "server_test_library.h"
#include "transcode_test_media.h"

namespace {

namespace fs = std::filesystem;
using songbox_server::kMp3FrameBytes;
using songbox_server::Mp3Transcode;
using sbserver_test::TempDir;

// SONGBOX_CODEC set to a shell script for the life of the object.
class FakeCodec {
 public:
  FakeCodec(const fs::path& dir, const std::string& body) {
    if (const char* real = std::getenv("SONGBOX_CODEC")) real_ = real;
    const fs::path script = dir / "fake-codec";
    std::ofstream(script) << "#!/bin/bash\n" << body;
    fs::permissions(script, fs::perms::owner_all);
    setenv("SONGBOX_CODEC", script.c_str(), 1);
  }
  ~FakeCodec() { real_ ? setenv("SONGBOX_CODEC", real_->c_str(), 1) : unsetenv("SONGBOX_CODEC"); }

 private:
  std::optional<std::string> real_;
};

TEST(AudioProbe, AFileThatCrashesTheProbeCostsOnlyThatFileAndNoServerDescriptorLeaks) {
  TempDir dir;
  int open = ::open("/dev/null", O_RDONLY);  // not close-on-exec, as a socket of the HTTP layer may be
  ASSERT_GE(open, 3);
  FakeCodec fake(dir.path(), "while IFS= read -r -d '' f; do\n"
                             "  case \"$f\" in *crash*) kill -SEGV $$;; esac\n"
                             "  [ -e /proc/$$/fd/" + std::to_string(open) + " ] && echo 0 || echo 1\n"
                             "done\n");
  songbox_server::AudioProbe probe;
  struct Case {
    const char* file;
    bool decodable;
  } const cases[] = {{"a.flac", true}, {"crash.flac", false}, {"b.flac", true}, {"crash2.ogg", false}, {"c.ogg", true}};
  for (const Case& c : cases) EXPECT_EQ(probe.Decodable(c.file), c.decodable) << c.file;
  ::close(open);
}

TEST(Mp3Transcode, AChildThatDiesMidwayIsMadeUpWithSilenceInWholeFrames) {
  TempDir dir;
  const fs::path source = dir.path() / "a.flac";
  sbserver_test::MakeAudio(source, 3.0);
  std::string real;
  {
    auto t = Mp3Transcode::Open(source.string(), {});
    ASSERT_TRUE(t);
    std::atomic<bool> cancel{false};
    ASSERT_EQ(t->Run([&](const char* p, size_t n) { return real.append(p, n), true; }, cancel), Mp3Transcode::End::Done);
    sbserver_test::WriteFile(dir.path() / "frames", real.substr(t->Size() - t->Frames() * kMp3FrameBytes));
  }
  // Forty whole frames and a torn one of the 80 it promised, then it dies.
  FakeCodec fake(dir.path(), "printf 'frames 80\\n'\nhead -c " + std::to_string(40 * kMp3FrameBytes + 300) + " '" +
                                 (dir.path() / "frames").string() + "'\nexit 1\n");
  auto t = Mp3Transcode::Open(source.string(), {"标题", "歌手", ""});
  ASSERT_TRUE(t);
  ASSERT_EQ(t->Frames(), 80u);
  std::string bytes;
  std::atomic<bool> cancel{false};
  EXPECT_EQ(t->Run([&](const char* p, size_t n) { return bytes.append(p, n), true; }, cancel), Mp3Transcode::End::Cut);
  ASSERT_EQ(bytes.size(), t->Size());
  sbserver_test::WriteFile(dir.path() / "cut.mp3", bytes);
  auto probe = sbserver_test::ProbeMp3(dir.path() / "cut.mp3");
  EXPECT_TRUE(probe.decodes);
  EXPECT_EQ(probe.frames, 80);
  EXPECT_GT(sbserver_test::Loudness(probe.pcm, 48000, 0.1, 0.5), 0.05);
  EXPECT_LT(sbserver_test::Loudness(probe.pcm, 48000, 1.0, 1.8), 0.001);
}

TEST(Transcoder, AChildSlowToSayItsSizeHoldsNoThreadOfTheLoop) {
  TempDir dir;
  const fs::path lib = dir.path() / "music", gate = dir.path() / "gate", opening = dir.path() / "opening";
  fs::create_directories(lib);
  sbserver_test::MakeAudio(lib / "a.flac", 0.5);
  fs::last_write_time(lib / "a.flac", fs::file_time_type::clock::now() - std::chrono::minutes(1));
  ASSERT_EQ(::mkfifo(gate.c_str(), 0600), 0);
  // Probes say yes; a transcode says its size only once the gate opens, then
  // dies, so the server makes up its three frames with silence.
  FakeCodec fake(dir.path(), "if [ \"$1\" = probe ]; then while IFS= read -r -d '' f; do echo 1; done; exit; fi\n"
                             "touch '" + opening.string() + "'\nread line < '" + gate.string() + "'\n"
                             "printf 'frames 3\\n'\n");
  sbserver_test::ServeOptions options;
  options.limits.threads = 1;
  sbserver_test::ServedLibrary served(lib, dir.path() / "state.db", options);
  std::optional<httplib::Result> media;
  std::thread listener([&] { media.emplace(served.Get("/media/a.flac.mp3")); });
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return fs::exists(opening); }, 20000));
  auto page = served.Get("/");
  std::ofstream(gate) << "go\n";
  listener.join();
  ASSERT_TRUE(page);
  EXPECT_EQ(page->status, 200);
  ASSERT_TRUE(media && *media);
  const httplib::Response& got = **media;
  EXPECT_EQ(got.status, 200);
  EXPECT_EQ(got.get_header_value("Content-Length"), std::to_string(got.body.size()));
  ASSERT_GT(got.body.size(), kMp3FrameBytes);
  EXPECT_EQ(got.body.substr(got.body.size() - kMp3FrameBytes), songbox_server::Mp3SilentFrame());
}

}  // namespace
