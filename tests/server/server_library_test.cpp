// The catalogue server over a real folder: routes, tags and side files, ids
// and counts across restarts and moves, watching, and hostile requests.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <mutex>
#include <set>

#include "catalogue/song_list_text.h"
#include "page_text.h"
#include "server_test_library.h"
#include "song_tags.h"

namespace {

namespace fs = std::filesystem;
using sbserver_test::ServedLibrary;
using sbserver_test::TagSpec;
using sbserver_test::TempDir;
using sbserver_test::Wide;
using sbserver_test::WriteSong;

struct Listed {
  std::wstring sid, file, title, singer, publisher, date, cover, lyrics, today, total;
};

std::vector<Listed> ListedSongs(ServedLibrary& served) {
  auto res = served.Get("/");
  std::vector<Listed> songs;
  if (!res || res->status != 200) return songs;
  auto text = sb::NormaliseSongPage(Wide(res->body, "GB18030"));
  if (!text) return songs;
  for (const auto& row : sb::SongRows(*text)) {
    const auto& c = row.cells;
    songs.push_back({std::wstring(c[2]), std::wstring(c[1]), std::wstring(c[0]), std::wstring(c[3]),
                     std::wstring(c[4]), std::wstring(c[5]), std::wstring(c[6]), std::wstring(c[7]),
                     std::wstring(c[8]), std::wstring(c[9])});
  }
  return songs;
}

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const Listed* Find(const std::vector<Listed>& songs, const std::wstring& title) {
  for (const Listed& s : songs)
    if (s.title == title) return &s;
  return nullptr;
}

std::vector<std::wstring> Titles(ServedLibrary& served) {
  std::vector<std::wstring> titles;
  for (const Listed& s : ListedSongs(served)) titles.push_back(s.title);
  return titles;
}

bool IsBaselineJpeg(const std::string& jpeg) {
  tjhandle h = tjInitDecompress();
  int w = 0, ht = 0, sub = 0, colour = 0;
  int rc = tjDecompressHeader3(h, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &w, &ht, &sub, &colour);
  tjDestroy(h);
  return rc == 0 && jpeg.find("\xFF\xC0") != std::string::npos && jpeg.find("\xFF\xC2") == std::string::npos;
}

// A library with every kind of side information, in two folders.
class ServerRoutes : public ::testing::Test {
 protected:
  void SetUp() override {
    lib_ = dir_.path() / "music";
    WriteSong(lib_ / "a" / "with lrc.mp3", {"有歌词", "歌手甲", "", "", "", sbserver_test::TestPng(40, 30), "image/png"});
    sbserver_test::WriteFile(lib_ / "a" / "with lrc.lrc", "\xB5\xDA\xD2\xBB\xD0\xD0");  // "第一行" in GBK
    WriteSong(lib_ / "b" / "embedded.mp3", {"内嵌歌词", "歌手乙", "", "", "[00:01]嵌入的词 𠀀"});
    sbserver_test::WriteFile(lib_ / "b" / "Folder.jpg", sbserver_test::TestJpeg(50, 50, true));
    WriteSong(lib_ / "c" / "bare.mp3", {"无词无图"});
    sbserver_test::WriteFile(lib_ / "c" / "notes.txt", "not music");
    served_ = std::make_unique<ServedLibrary>(lib_, dir_.path() / "state.db");
  }
  TempDir dir_;
  fs::path lib_;
  std::unique_ptr<ServedLibrary> served_;
};

TEST_F(ServerRoutes, ServeAddressLyricsCoverAndMediaOfIndexedSongs) {
  auto songs = ListedSongs(*served_);
  ASSERT_EQ(songs.size(), 3u);
  const Listed* lrc = Find(songs, L"有歌词");
  const Listed* embedded = Find(songs, L"内嵌歌词");
  const Listed* bare = Find(songs, L"无词无图");
  ASSERT_TRUE(lrc && embedded && bare);

  auto address = served_->Get("/wgns/url/" + Narrow(lrc->sid));
  ASSERT_TRUE(address);
  EXPECT_EQ(address->body, "media/a/with%20lrc.mp3");
  auto media = served_->Get("/" + address->body);
  ASSERT_TRUE(media);
  std::ifstream in(lib_ / "a" / "with lrc.mp3", std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(media->body, file);
  EXPECT_EQ(media->get_header_value("Content-Length"), std::to_string(file.size()));
  auto range = served_->Get("/" + address->body, {{"Range", "bytes=10-19"}});
  ASSERT_TRUE(range);
  EXPECT_EQ(range->status, 206);
  EXPECT_EQ(range->body, file.substr(10, 10));

  EXPECT_EQ(Wide(served_->Get("/lyrics/" + Narrow(lrc->lyrics))->body, "GB18030"), L"第一行");
  EXPECT_EQ(Wide(served_->Get("/lyrics/" + Narrow(embedded->lyrics))->body, "GB18030"), L"[00:01]嵌入的词 𠀀");
  EXPECT_EQ(bare->lyrics, L"");
  EXPECT_EQ(served_->Get("/lyrics/" + Narrow(bare->sid))->status, 404);

  for (const Listed* s : {lrc, embedded}) {  // a PNG in the tag, a progressive Folder.jpg
    auto cover = served_->Get("/cover/" + Narrow(s->cover));
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_TRUE(IsBaselineJpeg(cover->body)) << Narrow(s->sid);
  }
  EXPECT_EQ(served_->Get("/cover/" + Narrow(bare->sid))->status, 404);

  for (const char* page : {"/community", "/forum"}) {
    auto html = served_->Get(page);
    ASSERT_TRUE(html);
    EXPECT_NE(html->body.find("有歌词"), std::string::npos) << page;
  }
}

TEST_F(ServerRoutes, RefuseWhatWasNotIndexedAndKeepServing) {
  const char* refused[] = {"/media/c/notes.txt", "/media/../state.db", "/media/%2e%2e/state.db", "/media/a/../c/bare.mp3",
                           "/wgns/url/999999", "/wgns/url/abc", "/lyrics/-1", "/cover/1x", "/etc/passwd"};
  for (const char* path : refused) {
    auto res = served_->Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_GE(res->status, 400) << path;
    EXPECT_LT(res->status, 500) << path;
  }
  auto longUri = served_->Get("/media/" + std::string(20000, 'a'));
  ASSERT_TRUE(longUri);
  EXPECT_EQ(longUri->status, 414);

  // Raw garbage and an oversized body on their own connections.
  for (std::string request : {std::string("GARBAGE\r\n\r\n"),
                              "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 999999999\r\n\r\n" + std::string(100, 'x')}) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(served_->port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_GT(write(fd, request.data(), request.size()), 0);
    char reply[64] = {};
    ssize_t n = read(fd, reply, sizeof reply - 1);
    close(fd);
    ASSERT_GT(n, 12) << request.substr(0, 10);
    EXPECT_EQ(std::string(reply, 9), "HTTP/1.1 ") << reply;
    EXPECT_EQ(reply[9], '4') << reply;
  }
  EXPECT_EQ(served_->Get("/")->status, 200);
}

TEST(ServerState, IdsDatesAndCountsSurviveRestartsRetagsAndMoves) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  WriteSong(lib / "old.mp3", {"旧歌", "甲"});
  fs::last_write_time(lib / "old.mp3", fs::file_time_type::clock::now() - std::chrono::hours(48));
  WriteSong(lib / "new.mp3", {"新歌", "乙"});
  std::wstring oldId;
  {
    ServedLibrary served(lib, state);
    auto songs = ListedSongs(served);
    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[0].title, L"新歌") << "newest first; one scan orders by file time";
    oldId = songs[1].sid;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(served.Get("/wgns/url/" + Narrow(oldId))->status, 200);
    EXPECT_EQ(Find(ListedSongs(served), L"旧歌")->total, L"3");
    served.library().FlushPlays();
  }
  // Re-tagged in place, then moved to a new folder: same song, not new.
  WriteSong(lib / "old.mp3", {"旧歌 改名", "甲"});
  {
    ServedLibrary served(lib, state);
    auto songs = ListedSongs(served);
    ASSERT_EQ(songs.size(), 2u);
    EXPECT_EQ(songs[1].title, L"旧歌　改名");
    EXPECT_EQ(songs[1].sid, oldId);
    EXPECT_EQ(songs[1].today, L"3");
    EXPECT_EQ(songs[1].total, L"3");
  }
  fs::create_directories(lib / "moved");
  fs::rename(lib / "old.mp3", lib / "moved" / "renamed.mp3");
  WriteSong(lib / "third.mp3", {"第三首"});
  {
    ServedLibrary served(lib, state);
    auto songs = ListedSongs(served);
    ASSERT_EQ(songs.size(), 3u);
    EXPECT_EQ(songs[0].title, L"第三首");
    const Listed* moved = Find(songs, L"旧歌　改名");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->sid, oldId);
    EXPECT_EQ(moved->total, L"3");
    EXPECT_EQ(served.Get("/wgns/url/" + Narrow(oldId))->body, "media/moved/renamed.mp3");
    EXPECT_EQ(moved->date, Wide(songbox_server::LocalDate()));
  }
}

// Readers of the page while plays keep making it stale: every reply is a
// whole page, no reply goes back to older counts, the last shows every play.
TEST(ServerState, ReadersGetWholePagesWhilePlaysRebuildIt) {
  TempDir dir;
  WriteSong(dir.path() / "lib" / "a.mp3", {"甲歌"});
  WriteSong(dir.path() / "lib" / "b.mp3", {"乙歌"});
  ServedLibrary served(dir.path() / "lib", dir.path() / "state.db");
  const std::string sid = Narrow(Find(ListedSongs(served), L"甲歌")->sid);
  std::atomic<int> faults{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t)
    readers.emplace_back([&] {
      long long last = 0;
      for (int i = 0; i < 20; ++i) {
        auto songs = ListedSongs(served);
        const Listed* song = Find(songs, L"甲歌");
        long long total = song ? std::stoll(Narrow(song->total)) : -1;
        if (songs.size() != 2 || total < last) ++faults;
        last = total;
      }
    });
  int played = 0;
  for (int i = 0; i < 20; ++i) played += served.Get("/wgns/url/" + sid)->status == 200;
  for (auto& r : readers) r.join();
  EXPECT_EQ(played, 20);
  EXPECT_EQ(faults, 0);
  EXPECT_EQ(Find(ListedSongs(served), L"甲歌")->total, L"20");
}

TEST(ServerWatch, NewChangedAndDeletedFilesShowWithoutRestart) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib";
  WriteSong(lib / "first.mp3", {"第一"});
  sbserver_test::ServeOptions options;
  options.watch = true;
  // An open file is taken when closed, however slow the machine; WriteSong's
  // files, a minute old, are complete at once.
  options.settle = std::chrono::seconds(50);
  ServedLibrary served(lib, dir.path() / "state.db", options);
  auto shows = [&](const std::vector<std::wstring>& titles) {
    return sbserver_test::WaitFor([&] { return Titles(served) == titles; }, sbserver_test::kLoadedMs);
  };
  ASSERT_TRUE(shows({L"第一"}));

  WriteSong(lib / "sub" / "second.mp3", {"第二"});
  EXPECT_TRUE(shows({L"第二", L"第一"})) << "a new file in a new folder";

  // Half written and held open: not listed; complete: listed.
  std::string bytes = sbserver_test::Mp3Bytes({"第三"}, 40);
  {
    std::ofstream half(lib / "third.mp3", std::ios::binary);
    half.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    half.flush();
    // Two passes more: the second began after the half was written.
    const size_t passes = served.watch().Passes();
    ASSERT_TRUE(sbserver_test::WaitFor([&] { return served.watch().Passes() >= passes + 2; }, sbserver_test::kLoadedMs));
    EXPECT_EQ(Titles(served), (std::vector<std::wstring>{L"第二", L"第一"}));
    half.write(bytes.data() + bytes.size() / 2, static_cast<std::streamsize>(bytes.size() - bytes.size() / 2));
  }
  EXPECT_TRUE(shows({L"第三", L"第二", L"第一"}));
  EXPECT_EQ(served.Get("/media/third.mp3")->body.size(), bytes.size());

  WriteSong(lib / "first.mp3", {"第一 新名"});
  EXPECT_TRUE(shows({L"第三", L"第二", L"第一　新名"}));
  fs::remove(lib / "sub" / "second.mp3");
  EXPECT_TRUE(shows({L"第三", L"第一　新名"}));
}

// Files written after the start-up scan listed their folder, before the
// watcher began, are found without waiting for the periodic pass.
TEST(ServerWatch, FilesWrittenDuringTheStartupScanAreFound) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib";
  WriteSong(lib / "a" / "first.mp3", {"第一"});
  songbox_server::Library library(lib.string(), (dir.path() / "state.db").string(), 500, [](const std::string&) {});
  songbox_server::LibraryWatch watch(library, std::chrono::seconds(30), [](const std::string&) {});
  const auto startup = library.Scan();
  WriteSong(lib / "a" / "second.mp3", {"第二"});
  WriteSong(lib / "b" / "third.mp3", {"第三"});  // in a new folder
  watch.Start(startup);
  EXPECT_TRUE(sbserver_test::WaitFor([&] { return library.Size() == 3; }, sbserver_test::kLoadedMs));
}

// A pass over no folder, or over one outside the library, loses no song.
TEST(ServerWatch, PassesOverNoFolderOfTheLibraryKeepEverySong) {
  TempDir dir;
  WriteSong(dir.path() / "lib" / "a" / "song.mp3", {"歌"});
  songbox_server::Library library((dir.path() / "lib").string(), (dir.path() / "state.db").string(), 500,
                                  [](const std::string&) {});
  library.Scan();
  for (const std::set<std::string>& only : {std::set<std::string>{}, std::set<std::string>{dir.path().string()}}) {
    library.Scan({}, &only);
    EXPECT_EQ(library.Size(), 1u) << only.size();
  }
}

// Tags, lyrics and pictures are read with the file open for reading only:
// the library's watcher must not take the server's own reads for writes.
TEST(ServerWatch, ReadingSongsRaisesNoWriteEvents) {
  TempDir dir;
  const std::string song = (dir.path() / "song.mp3").string();
  WriteSong(song, {"歌", "", "", "", "[00:01]词", sbserver_test::TestJpeg(8, 8)});
  int fd = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(inotify_add_watch(fd, dir.path().c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE), 0);
  const std::function<bool()> readers[] = {
      [&] { return songbox_server::ReadSongTags(song).has_value(); },
      [&] { return songbox_server::ReadEmbeddedLyrics(song).has_value(); },
      [&] { return songbox_server::ReadEmbeddedPicture(song).has_value(); },
  };
  for (size_t i = 0; i < std::size(readers); ++i) {
    EXPECT_TRUE(readers[i]()) << i;
    alignas(inotify_event) char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    uint32_t seen = 0;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      seen |= event->mask;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    EXPECT_EQ(seen, static_cast<uint32_t>(IN_CLOSE_NOWRITE)) << i;
  }
  close(fd);
}

// Changes in some folders leave the songs of the others as they are: a song
// moved between folders keeps its id, a removed folder takes its songs along,
// and a lyrics file put beside a song later is found.
TEST(ServerWatch, ChangesInSomeFoldersKeepTheRestOfTheIndex) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib";
  WriteSong(lib / "a" / "move me.mp3", {"搬家"});
  WriteSong(lib / "b" / "stay.mp3", {"不动"});
  WriteSong(lib / "c" / "gone.mp3", {"整夹删除"});
  ServedLibrary served(lib, dir.path() / "state.db", true);
  auto song = [&](const std::wstring& title) {
    auto songs = ListedSongs(served);
    const Listed* s = Find(songs, title);
    return s ? std::optional<Listed>(*s) : std::nullopt;
  };
  auto waitFor = [](const std::function<bool()>& done) { return sbserver_test::WaitFor(done, sbserver_test::kLoadedMs); };
  const auto moving = song(L"搬家");
  ASSERT_TRUE(moving && song(L"不动") && song(L"整夹删除"));

  fs::rename(lib / "a" / "move me.mp3", lib / "b" / "moved.mp3");
  EXPECT_TRUE(waitFor([&] { return served.Get("/media/b/moved.mp3")->status == 200; }));
  EXPECT_EQ(served.Get("/media/a/move%20me.mp3")->status, 404);
  EXPECT_EQ(song(L"搬家")->sid, moving->sid);
  EXPECT_TRUE(song(L"整夹删除")) << "a song in a folder nothing happened in";

  sbserver_test::WriteFile(lib / "b" / "stay.lrc", "[00:01]不动的词");
  EXPECT_TRUE(waitFor([&] { return !song(L"不动")->lyrics.empty(); }));
  EXPECT_EQ(Wide(served.Get("/lyrics/" + Narrow(song(L"不动")->lyrics))->body, "GB18030"), L"[00:01]不动的词");

  fs::remove_all(lib / "c");
  EXPECT_TRUE(waitFor([&] { return !song(L"整夹删除"); }));
  EXPECT_EQ(Titles(served).size(), 2u);
}

}  // namespace

namespace {

// A SQLite VFS over the default one whose writes fail as on a full disk
// while `full` is set: SQLite's own way in, deterministic, no real disk.
class FullDisk {
 public:
  FullDisk() {
    real_ = sqlite3_vfs_find(nullptr);
    vfs_ = *real_;
    vfs_.zName = "songbox-full-disk";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
    vfs_.pAppData = this;
    vfs_.xOpen = Open;
    methods_ = {};
    sqlite3_vfs_register(&vfs_, 1);
  }
  ~FullDisk() {
    sqlite3_vfs_unregister(&vfs_);
    sqlite3_vfs_register(real_, 1);
  }
  std::atomic<bool> full{false};

 private:
  struct File {
    sqlite3_file base;
    FullDisk* disk;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
  };
  static File* Of(sqlite3_file* f) { return reinterpret_cast<File*>(f); }

  static int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* out) {
    auto* disk = static_cast<FullDisk*>(vfs->pAppData);
    File* file = Of(f);
    file->disk = disk;
    int rc = disk->real_->xOpen(disk->real_, name, file->real(), flags, out);
    if (rc != SQLITE_OK || !file->real()->pMethods) {
      f->pMethods = nullptr;
      return rc;
    }
    disk->Wrap(*file->real()->pMethods);
    f->pMethods = &disk->methods_;
    return rc;
  }

  // Every method passes through; writes fail while the disk is full.
  void Wrap(const sqlite3_io_methods& real) {
    if (methods_.iVersion) return;
    realMethods_ = real;
    methods_ = real;
    methods_.xClose = [](sqlite3_file* f) {
      int rc = Of(f)->real()->pMethods->xClose(Of(f)->real());
      return rc;
    };
    methods_.xRead = [](sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
      return Of(f)->real()->pMethods->xRead(Of(f)->real(), p, n, at);
    };
    methods_.xWrite = [](sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
      if (Of(f)->disk->full) return SQLITE_FULL;
      return Of(f)->real()->pMethods->xWrite(Of(f)->real(), p, n, at);
    };
    methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 n) { return Of(f)->real()->pMethods->xTruncate(Of(f)->real(), n); };
    methods_.xSync = [](sqlite3_file* f, int flags) { return Of(f)->real()->pMethods->xSync(Of(f)->real(), flags); };
    methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* n) { return Of(f)->real()->pMethods->xFileSize(Of(f)->real(), n); };
    methods_.xLock = [](sqlite3_file* f, int l) { return Of(f)->real()->pMethods->xLock(Of(f)->real(), l); };
    methods_.xUnlock = [](sqlite3_file* f, int l) { return Of(f)->real()->pMethods->xUnlock(Of(f)->real(), l); };
    methods_.xCheckReservedLock = [](sqlite3_file* f, int* r) {
      return Of(f)->real()->pMethods->xCheckReservedLock(Of(f)->real(), r);
    };
    methods_.xFileControl = [](sqlite3_file* f, int op, void* arg) {
      return Of(f)->real()->pMethods->xFileControl(Of(f)->real(), op, arg);
    };
    methods_.xSectorSize = [](sqlite3_file* f) { return Of(f)->real()->pMethods->xSectorSize(Of(f)->real()); };
    methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
      return Of(f)->real()->pMethods->xDeviceCharacteristics(Of(f)->real());
    };
    methods_.xShmMap = [](sqlite3_file* f, int region, int size, int extend, void volatile** p) {
      return Of(f)->real()->pMethods->xShmMap(Of(f)->real(), region, size, extend, p);
    };
    methods_.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
      return Of(f)->real()->pMethods->xShmLock(Of(f)->real(), offset, n, flags);
    };
    methods_.xShmBarrier = [](sqlite3_file* f) { Of(f)->real()->pMethods->xShmBarrier(Of(f)->real()); };
    methods_.xShmUnmap = [](sqlite3_file* f, int del) { return Of(f)->real()->pMethods->xShmUnmap(Of(f)->real(), del); };
    methods_.xFetch = [](sqlite3_file* f, sqlite3_int64 at, int n, void** p) {
      return Of(f)->real()->pMethods->xFetch(Of(f)->real(), at, n, p);
    };
    methods_.xUnfetch = [](sqlite3_file* f, sqlite3_int64 at, void* p) {
      return Of(f)->real()->pMethods->xUnfetch(Of(f)->real(), at, p);
    };
  }

  sqlite3_vfs* real_;
  sqlite3_vfs vfs_;
  sqlite3_io_methods methods_, realMethods_;
};

long long StoredPlays(const fs::path& state) {
  sqlite3* db = nullptr;
  long long total = -1;
  sqlite3_open_v2(state.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT sum(plays_total) FROM songs", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    total = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return total;
}

size_t Count(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

// A full disk under the state: plays and scans go on in memory, the log says
// so once, and everything is written once the disk has room again.
TEST(ServerState, AFullDiskLosesNoPlaysAndNoSongs) {
  TempDir dir;
  const fs::path lib = dir.path() / "lib", state = dir.path() / "state.db";
  WriteSong(lib / "a.mp3", {"甲"});
  FullDisk disk;
  std::vector<std::string> log;
  std::mutex logMutex;
  songbox_server::Library library(lib.string(), state.string(), 500, [&](const std::string& line) {
    std::lock_guard lock(logMutex);
    log.push_back(line);
  });
  library.Scan();
  const long long sid = library.Newest().at(0).first.sid;
  auto play = [&](int times) {
    for (int i = 0; i < times; ++i) ASSERT_TRUE(library.PlayAddress(sid));
  };
  play(3);
  library.FlushPlays();
  EXPECT_EQ(StoredPlays(state), 3);

  disk.full = true;
  for (int round = 0; round < 3; ++round) {
    play(2);
    library.FlushPlays();
  }
  WriteSong(lib / "b.mp3", {"乙"});
  EXPECT_TRUE(library.Scan().unsettled) << "asks to be tried again";
  EXPECT_EQ(StoredPlays(state), 3);
  EXPECT_EQ(library.Newest().at(0).first.playsTotal, 9);
  EXPECT_EQ(Count(log, "database or disk is full"), 1u);
  EXPECT_NE(log.at(Count(log, "") - 1).find(state.string()), std::string::npos) << "the message names the file";

  disk.full = false;
  library.FlushPlays();
  EXPECT_EQ(StoredPlays(state), 9);
  EXPECT_EQ(Count(log, "written again"), 1u);
  library.Scan();
  EXPECT_EQ(library.Size(), 2u);
}

// Files that are not this service's state are refused by name and left alone.
TEST(ServerState, AForeignStateFileIsRefusedByNameAndLeftAsItIs) {
  TempDir dir;
  WriteSong(dir.path() / "lib" / "a.mp3", {"甲"});
  const fs::path state = dir.path() / "other.db";
  sqlite3* other = nullptr;
  sqlite3_open((dir.path() / "app.db").c_str(), &other);
  sqlite3_exec(other, "CREATE TABLE notes(text TEXT)", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  const std::string contents[] = {"this is a text file, not a database\n", ReadBytes(dir.path() / "app.db")};
  for (const std::string& bytes : contents) {
    sbserver_test::WriteFile(state, bytes);
    try {
      songbox_server::Library library((dir.path() / "lib").string(), state.string(), 500, [](const std::string&) {});
      ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(state.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(state), bytes);
  }
}

}  // namespace
