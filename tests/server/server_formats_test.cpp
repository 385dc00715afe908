// What the catalogue reads from songs as collections keep them: every audio
// format ffmpeg writes, tags in old code pages, lyrics files in any encoding,
// and undecodable files left out.
#include <gtest/gtest.h>
#include <taglib/flacpicture.h>
#include <taglib/tfilestream.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <map>
#include <set>

#include "codepage_corpus.h"
#include "cover_cache.h"
#include "library.h"
#include "page_text.h"
#include "server_test_library.h"
#include "song_tags.h"

namespace {

namespace fs = std::filesystem;
using sbserver_test::Encode;
using sbserver_test::ServedLibrary;
using sbserver_test::TagSpec;
using sbserver_test::TempDir;
using sbserver_test::WriteSong;

// A library read once; its songs by path, and what it logged.
struct Scanned {
  std::map<std::string, songbox_server::PageSong> songs;
  std::vector<std::string> log;
};

Scanned ScanOnce(const fs::path& folder, const fs::path& state) {
  Scanned out;
  songbox_server::Library library(folder.string(), state.string(), 500, [&](const std::string& l) { out.log.push_back(l); });
  library.Scan();
  for (auto& [song, path] : library.Newest()) out.songs[path] = song;
  return out;
}

TEST(CodePages, EveryCorpusStringReadsBackAndNoLatin1TextChanges) {
  std::vector<std::string> wrong;
  EXPECT_EQ(sbserver_test::CorpusAccuracy(&wrong), 1.0);
  EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
  size_t strings = 0;
  for (const auto& song : sbserver_test::LegacyCorpus()) strings += song.fields.size();
  EXPECT_GE(strings, 500u);
}

TEST(CodePages, LyricsFilesReadInTheirOwnEncoding) {
  const std::string simplified = "[00:01]窗外的麻雀\r\n[00:05]在电线杆上多嘴", traditional = "[00:01]窗外的麻雀 在電線桿上多嘴";
  const std::vector<std::pair<std::string, std::string>> files = {
      {simplified, simplified},
      {"\xEF\xBB\xBF" + simplified, simplified},
      {"\xFF\xFE" + Encode(simplified, "UTF-16LE"), simplified},
      {"\xFE\xFF" + Encode(simplified, "UTF-16BE"), simplified},
      {Encode(simplified, "GB18030"), simplified},
      {Encode(traditional, "BIG5"), traditional},
      {Encode(traditional, "GBK"), traditional},
  };
  for (const auto& [bytes, text] : files) EXPECT_EQ(songbox_server::LyricsText(bytes), text) << text;
}

// MP3 files as old tools tagged them, one folder an album whose short field
// alone would read as Korean.
TEST(CodePages, LegacyTagsReachThePageInTheirCodePage) {
  TempDir dir;
  const fs::path lib = dir.path() / "music";
  WriteSong(lib / "gbk.mp3", {"七里香", "周杰伦", "", "", "", "", "image/jpeg", "GBK"});
  WriteSong(lib / "v1.mp3", {"晴天", "周杰倫", "", "", "", "", "image/jpeg", "BIG5", true});
  WriteSong(lib / "latin1.mp3", {"Hoppípolla", "Sigur Rós", "", "", "", "", "image/jpeg", "ISO-8859-1"});
  WriteSong(lib / "v1latin.mp3", {"Jóga", "Björk", "", "", "", "", "image/jpeg", "ISO-8859-1", true});
  WriteSong(lib / "album" / "1.mp3", {"江南", "林俊杰", "", "", "", "", "image/jpeg", "GBK"});
  WriteSong(lib / "album" / "2.mp3", {"林俊杰", "", "", "", "", "", "image/jpeg", "GBK"});
  const Scanned scanned = ScanOnce(lib, dir.path() / "state.db");
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"gbk.mp3", {"七里香", "周杰伦"}},        {"v1.mp3", {"晴天", "周杰倫"}},
      {"latin1.mp3", {"Hoppípolla", "Sigur　Rós"}}, {"v1latin.mp3", {"Jóga", "Björk"}},
      {"album/1.mp3", {"江南", "林俊杰"}},      {"album/2.mp3", {"林俊杰", "未知歌手"}}};
  for (const auto& [path, tags] : expected) {
    ASSERT_TRUE(scanned.songs.count(path)) << path;
    EXPECT_EQ(scanned.songs.at(path).title, tags.first) << path;
    EXPECT_EQ(scanned.songs.at(path).singer, tags.second) << path;
  }
}

// WavPack songs whose APE items hold title and singer in an old code page
// (or in Latin-1), as old taggers wrote them: ffmpeg writes ASCII stand-ins
// of the same length, which are then overwritten with the raw bytes.
TEST(CodePages, ApeItemsThatAreNotUtf8ReadInTheirCodePage) {
  struct Case {
    const char* folder;
    std::string title, singer;
    const char* charset;
  } const cases[] = {{"gbk", "七里香", "周杰伦", "GBK"}, {"big5", "晴天", "周杰倫", "BIG5"},
                     {"latin1", "Jóga", "Björk", "ISO-8859-1"}};
  TempDir dir;
  const fs::path lib = dir.path() / "music";
  for (const Case& c : cases) {
    const std::string title = Encode(c.title, c.charset), singer = Encode(c.singer, c.charset);
    const std::string titleStandIn(title.size(), 'X'), singerStandIn(singer.size(), 'Y');
    const fs::path file = lib / c.folder / "song.wv";
    fs::create_directories(file.parent_path());
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -t 0.5 -i anullsrc=r=44100:cl=stereo -c:a wavpack"
                                " -metadata title=" + titleStandIn + " -metadata artist=" + singerStandIn + " '" +
                                file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string bytes = sbserver_test::ReadFileBytes(file);
    for (const auto& [standIn, raw] : {std::pair(titleStandIn, title), std::pair(singerStandIn, singer)}) {
      const auto at = bytes.find(standIn);
      ASSERT_NE(at, std::string::npos);
      bytes.replace(at, raw.size(), raw);
    }
    sbserver_test::WriteFile(file, bytes);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(1));
  }
  const Scanned scanned = ScanOnce(lib, dir.path() / "state.db");
  for (const Case& c : cases) {
    const std::string path = std::string(c.folder) + "/song.wv";
    ASSERT_TRUE(scanned.songs.count(path)) << path;
    EXPECT_EQ(scanned.songs.at(path).title, c.title) << path;
    EXPECT_EQ(scanned.songs.at(path).singer, c.singer) << path;
  }
}

// Songs made by the ffmpeg command line: 0.5 s of silence with tags, and a
// cover where the format holds one.
class Formats : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    const fs::path lib = dir_->path() / "music";
    fs::create_directories(lib);
    cover_ = sbserver_test::TestJpeg(64, 48);
    sbserver_test::WriteFile(dir_->path() / "cover.jpg", cover_);
    for (const auto& [file, codec] : kFiles) Make(lib / file, codec);
    AddOggPicture(lib / "vorbis.ogg");
    sbserver_test::WriteFile(lib / "broken.flac", "fLaC not really");
    sbserver_test::WriteFile(lib / "vorbis.lrc", Encode("[00:01]旁边的歌词", "GBK"));
    for (const auto& entry : fs::directory_iterator(lib))  // complete files, not ones still being written
      fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::minutes(1));
    scanned_ = new Scanned(ScanOnce(lib, dir_->path() / "state.db"));
  }
  static void TearDownTestSuite() {
    delete scanned_;
    delete dir_;
  }

  static void Make(const fs::path& file, const std::string& codec) {
    const bool cover = file.extension() == ".flac" || file.extension() == ".m4a";
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -t 0.5 -i anullsrc=r=44100:cl=stereo " +
                                (cover ? "-i '" + (dir_->path() / "cover.jpg").string() +
                                             "' -map 0 -map 1 -c:v copy -disposition:v attached_pic "
                                       : std::string()) +
                                (file.extension() == ".aiff" ? "-write_id3v2 1 " : "") + "-c:a " + codec + " -metadata title=七里香 -metadata artist=周杰伦 " +
                                "-metadata publisher=杰威尔 -metadata lyrics=[00:01]窗外 '" + file.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  // ffmpeg writes no picture into Ogg: TagLib does, as Vorbis players read it.
  static void AddOggPicture(const fs::path& file) {
    TagLib::Ogg::Vorbis::File ogg(file.c_str());
    auto* picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType("image/jpeg");
    picture->setData(TagLib::ByteVector(cover_.data(), static_cast<unsigned>(cover_.size())));
    ogg.tag()->addPicture(picture);
    ASSERT_TRUE(ogg.save());
  }

  static inline const std::vector<std::pair<std::string, std::string>> kFiles = {
      {"flac.flac", "flac"}, {"aac.m4a", "aac"},     {"alac.m4a", "alac"},    {"vorbis.ogg", "libvorbis"},
      {"opus.opus", "libopus"}, {"pcm.wav", "pcm_s16le"}, {"pcm.aiff", "pcm_s16be"}, {"wavpack.wv", "wavpack"},
      {"wma.wma", "wmav2"}};
  static inline TempDir* dir_ = nullptr;
  static inline Scanned* scanned_ = nullptr;
  static inline std::string cover_;
};

TEST_F(Formats, EveryFormatIsIndexedWithItsTitleAndSinger) {
  for (const auto& [file, codec] : kFiles) {
    ASSERT_TRUE(scanned_->songs.count(file)) << file;
    EXPECT_EQ(scanned_->songs.at(file).title, "七里香") << file;
    EXPECT_EQ(scanned_->songs.at(file).singer, "周杰伦") << file;
  }
}

TEST_F(Formats, PublisherLyricsAndCoverComeFromEachFormatsOwnTags) {
  const fs::path lib = dir_->path() / "music";
  for (const char* file : {"flac.flac", "vorbis.ogg", "opus.opus"})
    EXPECT_EQ(scanned_->songs.at(file).publisher, "杰威尔") << file;
  for (const char* file : {"flac.flac", "aac.m4a", "opus.opus"}) {
    EXPECT_TRUE(scanned_->songs.at(file).hasLyrics) << file;
    EXPECT_EQ(songbox_server::ReadEmbeddedLyrics((lib / file).string()), "[00:01]窗外") << file;
  }
  EXPECT_TRUE(scanned_->songs.at("vorbis.ogg").hasLyrics);  // its .lrc
  for (const char* file : {"flac.flac", "aac.m4a", "alac.m4a", "vorbis.ogg"}) {
    EXPECT_TRUE(scanned_->songs.at(file).hasCover) << file;
    EXPECT_EQ(songbox_server::ReadEmbeddedPicture((lib / file).string()), cover_) << file;
  }
  EXPECT_FALSE(scanned_->songs.at("pcm.wav").hasCover);
}

TEST_F(Formats, AFileFfmpegCannotDecodeIsLeftOutWithOneLogLine) {
  EXPECT_FALSE(scanned_->songs.count("broken.flac"));
  size_t lines = 0;
  for (const std::string& line : scanned_->log) lines += line.find("broken.flac") != std::string::npos;
  EXPECT_EQ(lines, 1u) << ::testing::PrintToString(scanned_->log);
}

}  // namespace

namespace {

// A library with a link loop and two links to one folder outside it.
struct LinkedLibrary {
  LinkedLibrary() {
    WriteSong(lib / "top.mp3", {"顶层"});
    WriteSong(lib / "a" / "inner.mp3", {"里面"});
    WriteSong(dir.path() / "outside" / "shared.mp3", {"共享"});
    fs::create_directory_symlink("..", lib / "a" / "loop");
    fs::create_directory_symlink(dir.path() / "outside", lib / "x");
    fs::create_directory_symlink(dir.path() / "outside", lib / "y");
  }
  TempDir dir;
  fs::path lib = dir.path() / "music";
};

std::multiset<std::string> Titles(const std::vector<std::pair<songbox_server::PageSong, std::string>>& songs) {
  std::multiset<std::string> titles;
  for (const auto& [song, path] : songs) titles.insert(song.title);
  return titles;
}

TEST(FoldersReachedTwice, ALinkLoopAndTwoLinksToOneFolderIndexEachSongOnce) {
  LinkedLibrary linked;
  songbox_server::Library library(linked.lib.string(), (linked.dir.path() / "state.db").string(), 500,
                                  [](const std::string&) {});
  library.Scan();
  EXPECT_EQ(Titles(library.Newest()), (std::multiset<std::string>{"顶层", "里面", "共享"}));
}

// inotify hands the top folder's watch back for "a/loop": the watch must keep
// meaning the top folder, or a change there is looked for through the loop.
TEST(FoldersReachedTwice, AChangeInALoopedFolderIsSeenOnceThroughItsOwnWatch) {
  LinkedLibrary linked;
  ServedLibrary served(linked.lib, linked.dir.path() / "state.db", true);
  WriteSong(linked.lib / "new.mp3", {"新的"});
  ASSERT_TRUE(sbserver_test::WaitFor([&] { return served.library().Size() == 4; }, 10000));
  EXPECT_EQ(Titles(served.library().Newest()), (std::multiset<std::string>{"顶层", "里面", "共享", "新的"}));
  for (const auto& [song, path] : served.library().Newest()) EXPECT_EQ(path.find("loop"), std::string::npos) << path;
}

}  // namespace

namespace {

struct Size {
  int w = 0, h = 0;
  bool operator==(const Size&) const = default;
};

// The size of a baseline JPEG; {0, 0} for anything else.
Size BaselineSize(const std::string& jpeg) {
  tjhandle h = tjInitDecompress();
  Size size;
  int sub = 0, colour = 0;
  const bool ok = tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &size.w,
                                      &size.h, &sub, &colour) == 0;
  tjDestroy(h);
  const bool baseline = jpeg.find("\xFF\xC0") != std::string::npos && jpeg.find("\xFF\xC2") == std::string::npos;
  return ok && baseline ? size : Size{};
}

TEST(Covers, ScaledDownToFit800NeverUpAndKeptBesideTheState) {
  TempDir dir;
  const fs::path lib = dir.path() / "music", state = dir.path() / "state" / "state.db";
  fs::create_directories(state.parent_path());
  const std::vector<std::pair<std::string, Size>> covers = {
      {sbserver_test::TestJpeg(4000, 4000), {800, 800}},
      {sbserver_test::TestJpeg(5000, 1000, true), {800, 160}},
      {sbserver_test::TestPng(40, 30), {40, 30}}};
  for (size_t i = 0; i < covers.size(); ++i)
    WriteSong(lib / (std::to_string(i) + ".mp3"), {std::to_string(i), "", "", "", "", covers[i].first});
  songbox_server::Library library(lib.string(), state.string(), 500, [](const std::string&) {});
  library.Scan();
  for (const auto& [song, path] : library.Newest()) {
    const auto first = library.Cover(song.sid);
    ASSERT_TRUE(first) << path;
    EXPECT_EQ(BaselineSize(*first), covers.at(std::stoul(song.title)).second) << path;
    EXPECT_EQ(library.Cover(song.sid), first) << path;
  }
  size_t kept = 0;
  for (const auto& entry : fs::directory_iterator(state.parent_path() / "covers")) kept += entry.path().extension() == ".jpg";
  EXPECT_EQ(kept, covers.size());
  for (const auto& entry : fs::recursive_directory_iterator(lib)) EXPECT_EQ(entry.path().extension(), ".mp3");
}

TEST(Covers, TheCacheStaysWithinItsBoundOldestOut) {
  TempDir dir;
  songbox_server::CoverCache cache((dir.path() / "covers").string(), 2500);
  for (const char* key : {"a", "b", "c"}) {
    cache.Put(key, std::string(1000, *key));
    fs::last_write_time(dir.path() / "covers" / (std::string(key) + ".jpg"),
                        fs::file_time_type::clock::now() - std::chrono::minutes(key[0] == 'c' ? 0 : 'd' - key[0]));
  }
  std::uintmax_t bytes = 0;
  for (const auto& entry : fs::directory_iterator(dir.path() / "covers")) bytes += entry.file_size();
  EXPECT_LE(bytes, 2500u);
  EXPECT_FALSE(cache.Get("a"));
  EXPECT_EQ(cache.Get("c"), std::string(1000, 'c'));
}

}  // namespace
