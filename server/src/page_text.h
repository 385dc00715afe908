// Texts of the catalogue as the SongBox client reads them. The client's page
// normaliser splits at commas, deletes single quotes, "}", "];" and the key
// strings ("al:", "ti:" …) wherever they occur, and turns spaces into U+3000;
// these functions write values that come through that unchanged.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace songbox_server {

// A tag value as the page writes it (UTF-8): "," → "，", ":" → "：",
// "'" → "’", braces, brackets and ";" → their full-width forms, "\" → "＼",
// spaces and control characters → U+3000; invalid UTF-8 bytes are dropped.
std::string PageValue(std::string_view utf8);

// The download file name "歌手-歌名" built from page values: no character
// Windows forbids in a name, no trailing dot, no device name, at most
// 80 characters; never empty.
std::string SafeFileName(std::string_view singer, std::string_view title);

// UTF-8 to GB18030: byte-identical to GBK for every GBK character, and four
// bytes for the rest, so nothing turns into "?". Invalid UTF-8 is dropped.
std::string ToGb18030(std::string_view utf8);

// True when every byte of `s` belongs to a well-formed UTF-8 sequence.
bool IsValidUtf8(std::string_view s);

// Text of a lyrics file as UTF-8: a UTF-8 file (its byte order mark dropped)
// as it is, UTF-16 with a byte order mark, Big5 when it reads as Big5 rather
// than GB18030, anything else as GB18030 (which covers GBK and GB2312), its
// stray bytes dropped.
std::string LyricsText(std::string_view bytes);

struct PageSong {
  long long sid = 0;
  std::string file, title, singer, publisher, date;  // page values (UTF-8)
  bool hasCover = false, hasLyrics = false;
  long long playsToday = 0, playsTotal = 0;
};

// The newest-songs page (UTF-8): JavaScript with the newest songs on one line
// before "Data.Nlist.order=[", each array ended by "];" and a CRLF.
std::string FrontPage(const std::vector<PageSong>& newest, size_t librarySize);

// The "/community" and "/forum" pages (UTF-8 HTML).
std::string CommunityPage(const std::vector<PageSong>& newest, size_t librarySize);
std::string ForumPage(const std::vector<PageSong>& newest);

}  // namespace songbox_server
