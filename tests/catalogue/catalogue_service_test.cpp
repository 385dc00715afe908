#include <gtest/gtest.h>
#include <httplib.h>
#include <iconv.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <unistd.h>

#include "catalogue/song_list_text.h"
#include "catalogue_data.h"
#include "catalogue_service.h"

namespace {

namespace cat = songbox_catalogue;

std::wstring Decode(const std::string& bytes, const char* from) {
  iconv_t cd = iconv_open("WCHAR_T", from);
  std::wstring out(bytes.size() + 1, L'\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* dst = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * sizeof(wchar_t);
  size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  EXPECT_NE(r, static_cast<size_t>(-1)) << "not valid " << from;
  out.resize(out.size() - outLeft / sizeof(wchar_t));
  return out;
}

std::wstring Wide(const std::string& utf8) { return Decode(utf8, "UTF-8"); }

std::wstring SpacesAsIdeographic(std::wstring s) {
  for (wchar_t& c : s) {
    if (c == L' ') c = L'\u3000';
  }
  return s;
}

TEST(CataloguePage, ParsesIntoExactlyTheNewestSongs) {
  const auto& songs = cat::DemoSongs();
  ASSERT_GE(songs.size(), 30u);
  std::wstring page = Decode(cat::ToGbk(cat::FrontPage()), "GBK");
  auto text = sb::NormaliseSongPage(page);
  ASSERT_TRUE(text);
  auto lines = sb::CompleteLines<wchar_t>(*text);
  ASSERT_EQ(lines.size(), songs.size());
  for (auto line : lines) EXPECT_EQ(sb::SplitValues(line).size(), 11u);

  auto rows = sb::SongRows(*text);
  ASSERT_EQ(rows.size(), songs.size());
  int titlesWithSpaces = 0;
  for (size_t i = 0; i < songs.size(); ++i) {
    const cat::DemoSong& s = songs[i];
    const auto& c = rows[i].cells;
    EXPECT_EQ(c[0], SpacesAsIdeographic(Wide(s.title)));
    EXPECT_EQ(c[1], Wide(s.file));
    EXPECT_EQ(c[2], std::to_wstring(s.sid));
    EXPECT_EQ(c[3], Wide(s.singer));
    EXPECT_EQ(c[4], Wide(s.publisher));
    EXPECT_EQ(c[5], Wide(s.date));
    EXPECT_EQ(c[6], Wide(s.picture));
    EXPECT_EQ(c[7], Wide(s.lyrics));
    EXPECT_EQ(c[8], std::to_wstring(s.playsToday));
    EXPECT_EQ(c[9], std::to_wstring(s.playsTotal));
    titlesWithSpaces += s.title.find(' ') != std::string::npos;
  }
  EXPECT_GE(titlesWithSpaces, 5);
}

TEST(CataloguePage, ValuesAreSafeForThePositionalParser) {
  for (const cat::DemoSong& s : cat::DemoSongs()) {
    for (const std::string& v : {s.file, s.title, s.singer, s.publisher, s.date, s.picture, s.lyrics}) {
      EXPECT_EQ(v.find_first_of(",':{}[];\r\n"), std::string::npos) << v;
      EXPECT_FALSE(v.empty());
    }
    EXPECT_EQ(s.file.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos) << s.file;
    EXPECT_EQ(s.date.rfind("2026-12-", 0), 0u) << s.date;
  }
}

class CatalogueServer : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("songbox-catalogue-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_ / "media");
    std::filesystem::create_directories(folder_ / "cover");
    for (int i = 0; i < cat::kTunes; ++i) {
      std::ofstream(folder_ / "media" / ("tune" + std::to_string(i) + ".mp3"), std::ios::binary)
          << std::string(1000 + i * 4096, static_cast<char>('a' + i));
      std::ofstream(folder_ / "cover" / ("cover" + std::to_string(i) + ".jpg"), std::ios::binary)
          << "\xFF\xD8 cover " << i;
    }
    ASSERT_TRUE(cat::MountCatalogue(server_, folder_.string()));
    port_ = server_.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  void TearDown() override {
    server_.stop();
    if (thread_.joinable()) thread_.join();
    std::filesystem::remove_all(folder_);
  }
  httplib::Result Get(const std::string& path) {
    httplib::Client client("127.0.0.1", port_);
    return client.Get(path);
  }

  std::filesystem::path folder_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(CatalogueServer, ServesThePageAddressesLyricsCoversAndMedia) {
  auto front = Get("/");
  ASSERT_TRUE(front);
  EXPECT_EQ(front->status, 200);
  EXPECT_NE(front->get_header_value("Content-Type").find("charset=gbk"), std::string::npos);
  EXPECT_EQ(front->body, cat::ToGbk(cat::FrontPage()));

  const auto& songs = cat::DemoSongs();
  auto url = Get("/wgns/url/" + std::to_string(songs[3].sid));
  ASSERT_TRUE(url);
  EXPECT_EQ(url->body, "media/tune3.mp3");
  EXPECT_EQ(Get("/wgns/url/" + std::to_string(songs[cat::kTunes + 1].sid))->body, "media/tune1.mp3");
  EXPECT_EQ(Get("/wgns/url/1")->status, 404);

  auto lyrics = Get("/lyrics/" + songs[0].lyrics);
  ASSERT_TRUE(lyrics);
  std::wstring lrc = Decode(lyrics->body, "GBK");
  EXPECT_NE(lrc.find(L"[00:01.00]"), std::wstring::npos);
  EXPECT_NE(lrc.find(Wide(songs[0].title)), std::wstring::npos);
  EXPECT_EQ(Get("/lyrics/nothing")->status, 404);

  auto cover = Get("/cover/" + songs[14].picture);
  ASSERT_TRUE(cover);
  EXPECT_EQ(cover->get_header_value("Content-Type"), "image/jpeg");
  EXPECT_EQ(cover->body, "\xFF\xD8 cover 2");

  auto media = Get("/media/tune5.mp3");
  ASSERT_TRUE(media);
  EXPECT_EQ(media->status, 200);
  EXPECT_EQ(media->get_header_value("Content-Length"), std::to_string(1000 + 5 * 4096));
  EXPECT_EQ(media->body, std::string(1000 + 5 * 4096, 'f'));
  EXPECT_EQ(Get("/media/none.mp3")->status, 404);

  for (const char* page : {"/community", "/forum"}) {
    auto html = Get(page);
    ASSERT_TRUE(html) << page;
    EXPECT_EQ(html->status, 200) << page;
    EXPECT_NE(html->body.find("新歌音乐盒"), std::string::npos) << page;
  }
}

}  // namespace
