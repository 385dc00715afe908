// The front page through the client's own normaliser and loader: what a
// hostile tag library's values look like in the client's list.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>

#include "catalogue/song_list_text.h"
#include "library.h"
#include "page_text.h"
#include "server_test_library.h"
#include "state_name.h"

namespace {

using sbserver_test::Wide;

struct Case {
  const char* title;
  const char* artist;
  const char* publisher;
  const char* albumArtist;
  const wchar_t* shownTitle;  // as the list shows it
  const wchar_t* shownSinger;
  const wchar_t* shownPublisher;
};

// Every character the normaliser cuts at or deletes, keys inside values,
// line breaks, characters outside GBK, and missing tags.
const Case kCases[] = {
    {"Rock, Paper: 'Scissors'", "A,B", "Label;X", "", L"Rock，　Paper：　’Scissors’", L"A，B", L"Label；X"},
    {"{sid:1,al:'x'}", "ti:si:", "", "Album Artist", L"｛sid：1，al：’x’｝", L"ti：si：", L"Album　Artist"},
    {"end];\r\nData.Nlist.order=[", "cv: lrc:", "dl:tl:ico:", "", L"end］；　　Data.Nlist.order=［", L"cv：　lrc：",
     L"dl：tl：ico："},
    {"  padded\t", "", "", "", L"padded", L"未知歌手", L""},
    {"𠀀 Ā 🎵 €", "Ĉ\\é", "Pub/Label?", "", L"𠀀　Ā　🎵　€", L"Ĉ＼é", L"Pub/Label?"},
    {"", "歌手", "唱片", "专辑歌手", L"fallback　name", L"歌手", L"唱片"},
};

TEST(ServerPage, HostileTagsReachTheClientsListAsPromised) {
  sbserver_test::TempDir dir;
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    std::string name = i + 1 == std::size(kCases) ? "fallback name" : "song" + std::to_string(i);
    sbserver_test::WriteSong(dir.path() / "lib" / (name + ".mp3"), {c.title, c.artist, c.publisher, c.albumArtist});
  }
  sbserver_test::ServedLibrary served(dir.path() / "lib", dir.path() / "state.db");
  auto res = served.Get("/");
  ASSERT_TRUE(res);
  EXPECT_NE(res->get_header_value("Content-Type").find("GB18030"), std::string::npos);
  auto text = sb::NormaliseSongPage(Wide(res->body, "GB18030"));
  ASSERT_TRUE(text);
  auto rows = sb::SongRows(*text);
  ASSERT_EQ(rows.size(), std::size(kCases));
  for (const auto& row : rows) {
    const auto& cells = row.cells;
    const Case* c = nullptr;
    for (const Case& k : kCases)
      if (cells[0] == k.shownTitle) c = &k;
    ASSERT_TRUE(c) << "unexpected title in the list";
    EXPECT_EQ(cells[3], c->shownSinger);
    EXPECT_EQ(cells[4], c->shownPublisher);
    EXPECT_EQ(std::wstring(cells[1]), std::wstring(cells[3]) + L"-" + std::wstring(cells[0]));
    // The id comes back as a number the address, lyrics and cover routes know.
    EXPECT_EQ(served.Get("/wgns/url/" + std::string(cells[2].begin(), cells[2].end()))->status, 200);
  }
}

TEST(ServerPage, FileNamesAreSafeOnWindows) {
  const struct {
    const char* singer;
    const char* title;
    const char* name;
  } cases[] = {
      {"a<b>", "c:d\"e/f\\g|h?i*j", "a_b_-c_d_e_f_g_h_i_j"},
      {"歌手", "歌名...", "歌手-歌名"},
      {"x", "\x01\x7F", "x-__"},
  };
  for (const auto& c : cases) EXPECT_EQ(songbox_server::SafeFileName(c.singer, c.title), c.name);
  EXPECT_EQ(songbox_server::SafeFileName(std::string(200, 'a'), "b").size(), 80u);
}

TEST(ServerPage, Gb18030KeepsGbkBytesAndEncodesTheRest) {
  // GBK characters keep their two bytes; others take GB18030's four.
  EXPECT_EQ(songbox_server::ToGb18030("新歌"), "\xD0\xC2\xB8\xE8");
  EXPECT_EQ(songbox_server::ToGb18030("𠀀"), "\x95\x32\x82\x36");
  EXPECT_EQ(songbox_server::ToGb18030("a\xFF" "b"), "ab");  // invalid UTF-8 dropped
  EXPECT_EQ(songbox_server::LyricsText("\xEF\xBB\xBF[00:01]歌"), "[00:01]歌");
  EXPECT_EQ(songbox_server::LyricsText("\xB8\xE8\xB4\xCA"), "歌词");  // a GBK file
}

// The page's day (for today's play counts) ends at local midnight, also on
// the days clocks change. POSIX rules: no time zone files needed.
TEST(ServerPage, NextLocalMidnightStartsTheNextLocalDay) {
  const struct {
    const char* tz;
    std::time_t when;
    const char* nextDay;
    long hours;  // from the day's start to the next
  } cases[] = {
      {"CST-8", 1780000000, "2026-05-30", 24},                         // 04:26 on the 29th in Beijing
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1774699200, "2026-03-29", 23},  // the eve of the spring change
      {"CET-1CEST,M3.5.0,M10.5.0/3", 1792843200, "2026-10-25", 25},  // the eve of the autumn change
  };
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  for (const auto& c : cases) {
    setenv("TZ", c.tz, 1);
    tzset();
    std::time_t next = songbox_server::NextLocalMidnight(c.when);
    EXPECT_EQ(songbox_server::LocalDateAt(next), c.nextDay) << c.tz;
    EXPECT_NE(songbox_server::LocalDateAt(next - 1), c.nextDay) << c.tz;
    EXPECT_EQ(songbox_server::NextLocalMidnight(next - 1), next) << c.tz;
    EXPECT_EQ(songbox_server::NextLocalMidnight(next) - next, c.hours * 3600) << c.tz;
  }
  if (old) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
}

}  // namespace

namespace {

namespace fs = std::filesystem;

TEST(ServerStateName, IsFnv1a64OfTheLibraryPathInHex) {
  const struct {
    const char* library;
    const char* name;
  } cases[] = {
      {"", "cbf29ce484222325.sqlite"},
      {"a", "af63dc4c8601ec8c.sqlite"},
      {"foobar", "85944171f73967e8.sqlite"},
      {"/home/user/Music", "adb1f91058c1a76d.sqlite"},
  };
  for (const auto& c : cases) EXPECT_EQ(songbox_server::StateFileName(c.library), c.name) << c.library;
}

// A state under the name earlier versions gave it moves to the stable name
// with its counts; one already under the stable name is never replaced.
TEST(ServerStateName, AStateUnderTheOldNameIsKept) {
  sbserver_test::TempDir dir;
  const std::string library = "/srv/music";
  const fs::path old = dir.path() / (std::to_string(std::hash<std::string>{}(library)) + ".sqlite");
  const fs::path stable = dir.path() / songbox_server::StateFileName(library);
  sqlite3* db = nullptr;
  sqlite3_open(old.c_str(), &db);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE songs(plays_total); INSERT INTO songs VALUES(42);", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
  std::vector<std::string> log;
  auto note = [&](const std::string& line) { log.push_back(line); };
  EXPECT_EQ(songbox_server::DefaultStateFile(dir.path(), library, note), stable);
  EXPECT_FALSE(fs::exists(old));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(stable.string()), std::string::npos);
  sqlite3_open(stable.c_str(), &db);
  std::string total;
  sqlite3_exec(
      db, "SELECT plays_total FROM songs",
      [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) = values[0];
        return 0;
      },
      &total, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(total, "42");

  sbserver_test::WriteFile(old, "older");
  EXPECT_EQ(songbox_server::DefaultStateFile(dir.path(), library, note), stable);
  EXPECT_TRUE(fs::exists(old)) << "the stable name wins; the old file stays as it is";
  EXPECT_EQ(songbox_server::DefaultStateFile(dir.path(), "/elsewhere", note),
            dir.path() / songbox_server::StateFileName("/elsewhere"));
}

}  // namespace
