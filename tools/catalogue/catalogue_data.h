// The demo catalogue's songs and the texts it serves, written in UTF-8 here and
// sent in GBK like the real service.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace songbox_catalogue {

struct DemoSong {
  int sid;
  std::string file;  // ASCII file name, no extension
  std::string title;
  std::string singer;
  std::string publisher;
  std::string date;
  std::string picture;  // cover id
  std::string lyrics;   // lyrics id
  int playsToday;
  int playsTotal;
};

inline constexpr int kTunes = 12;

const std::vector<DemoSong>& DemoSongs();

// The newest-songs page: JavaScript with one array per line; the newest songs
// come first, before "Data.Nlist.order=[".
std::string FrontPage();

// "media/tuneN.mp3" for a song id, nullopt for an unknown id.
std::optional<std::string> MediaPath(int sid);
// Index of the cover picture (cover/coverN.jpg) for a picture id.
std::optional<int> CoverIndex(const std::string& picture);
// LRC lyrics for a lyrics id.
std::optional<std::string> Lyrics(const std::string& lyrics);

std::string CommunityPage();
std::string ForumPage();

// UTF-8 to GBK; characters GBK lacks become "?".
std::string ToGbk(const std::string& utf8);

}  // namespace songbox_catalogue
