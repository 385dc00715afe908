#include "page_text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "code_pages.h"

namespace songbox_server {
namespace {

// Next code point of `s` at `i` (advanced); -1 for an invalid sequence,
// which skips one byte.
long NextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b = byte(i);
  size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return -1;
  }
  long cp = len == 1 ? b : b & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr long kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += len;
  return cp;
}

void AppendUtf8(std::string& out, long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr long kIdeographicSpace = 0x3000;

long PageCodePoint(long cp) {
  switch (cp) {
    case ',': return 0xFF0C;
    case ':': return 0xFF1A;
    case '\'': return 0x2019;
    case '{': return 0xFF5B;
    case '}': return 0xFF5D;
    case '[': return 0xFF3B;
    case ']': return 0xFF3D;
    case ';': return 0xFF1B;
    case '\\': return 0xFF3C;
    default: break;
  }
  if (cp <= 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029) return kIdeographicSpace;
  return cp;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string HtmlEscaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void AppendSongObject(std::string& out, const PageSong& s) {
  const std::string id = std::to_string(s.sid);
  out += "{sid:" + id + ",al:'" + s.file + "',ti:'" + s.title + "',si:'" + s.singer + "',cp:'" + s.publisher +
         "',da:'" + s.date + "',ico:'" + (s.hasCover ? id : "") + "',lrc:'" + (s.hasLyrics ? id : "") +
         "',dl:" + std::to_string(s.playsToday) + ",tl:" + std::to_string(s.playsTotal) +
         ",cv:" + (s.hasCover ? "1" : "0") + "}";
}

void AppendArray(std::string& out, const char* name, const std::vector<const PageSong*>& songs) {
  out += "Data.Nlist.";
  out += name;
  out += "=[";
  for (size_t i = 0; i < songs.size(); ++i) {
    if (i) out += ',';
    AppendSongObject(out, *songs[i]);
  }
  out += "];\r\n";
}

std::vector<const PageSong*> MostPlayed(const std::vector<PageSong>& songs, size_t count) {
  std::vector<const PageSong*> top;
  for (const PageSong& s : songs) top.push_back(&s);
  count = std::min(count, top.size());
  std::partial_sort(top.begin(), top.begin() + static_cast<long>(count), top.end(),
                    [](const PageSong* a, const PageSong* b) { return a->playsTotal > b->playsTotal; });
  top.resize(count);
  return top;
}

std::string HtmlPage(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
         "</title>\n<style>body{font-family:sans-serif;background:#eaf3fb;color:#234;margin:12px}"
         "h1{font-size:18px;color:#2a6ab0}li{margin:4px 0}</style></head>\n<body><h1>" +
         title + "</h1>\n" + body + "</body></html>\n";
}

std::string NewestList(const std::vector<PageSong>& newest, size_t count) {
  std::string list = "<ul>\n";
  for (size_t i = 0; i < newest.size() && i < count; ++i) {
    const PageSong& s = newest[i];
    list += "<li>" + HtmlEscaped(s.date) + " " + HtmlEscaped(s.singer) + "《" + HtmlEscaped(s.title) + "》 今日播放 " +
            std::to_string(s.playsToday) + " 次</li>\n";
  }
  return list + "</ul>\n";
}

}  // namespace

std::string PageValue(std::string_view utf8) {
  utf8 = Trimmed(utf8);
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    long cp = NextCodePoint(utf8, i);
    if (cp >= 0) AppendUtf8(out, PageCodePoint(cp));
  }
  return out;
}

std::string SafeFileName(std::string_view singer, std::string_view title) {
  std::string name;
  size_t count = 0;
  const std::string joined = std::string(singer) + "-" + std::string(title);
  for (size_t i = 0; i < joined.size() && count < 80;) {
    long cp = NextCodePoint(joined, i);
    if (cp < 0) continue;
    if (cp < 0x20 || cp == 0x7F || (cp < 0x80 && std::string_view("<>:\"/\\|?*").find(static_cast<char>(cp)) != std::string_view::npos))
      cp = '_';
    AppendUtf8(name, cp);
    ++count;
  }
  // Windows drops trailing dots and spaces from names.
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name.empty() ? "_" : name;
}

std::string ToGb18030(std::string_view utf8) {
  std::string clean;
  clean.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    long cp = NextCodePoint(utf8, i);
    if (cp >= 0) AppendUtf8(clean, cp);
  }
  iconv_t cd = iconv_open("GB18030", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(clean.size() * 2 + 16, '\0');
  char* in = clean.data();
  size_t inLeft = clean.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  size_t r = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return {};
  out.resize(out.size() - outLeft);
  return out;
}

// UTF-16 text behind its byte order mark; nullopt without one or when invalid.
static std::optional<std::string> Utf16Text(std::string_view bytes) {
  const char* from = bytes.substr(0, 2) == "\xFF\xFE" ? "UTF-16LE" : bytes.substr(0, 2) == "\xFE\xFF" ? "UTF-16BE" : nullptr;
  if (!from) return std::nullopt;
  std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open("UTF-8", from), iconv_close);
  std::string in(bytes.substr(2)), out(in.size() * 2 + 16, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  if (iconv(cd.get(), &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    if (NextCodePoint(s, i) < 0) return false;
  }
  return true;
}

std::string LyricsText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (IsValidUtf8(bytes)) return std::string(bytes);
  if (auto text = Utf16Text(bytes)) return *text;
  if (ChooseCodePage({std::string(bytes)}, {CodePage::Gb18030, CodePage::Big5}) == CodePage::Big5)
    return Decode(bytes, CodePage::Big5);
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(bytes.size() * 2 + 16, '\0');
  std::string in(bytes);
  char* src = in.data();
  size_t inLeft = in.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &src, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // A byte that is no character: skip it.
    ++src;
    --inLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

std::string FrontPage(const std::vector<PageSong>& newest, size_t librarySize) {
  std::string page = "/* 新歌音乐盒 最新歌曲 */\r\nvar Data={};Data.Nlist={};\r\n";
  page.reserve(newest.size() * 200 + 4096);
  std::vector<const PageSong*> all;
  for (const PageSong& s : newest) all.push_back(&s);
  AppendArray(page, "news", all);
  AppendArray(page, "order", MostPlayed(newest, 10));
  page += "Data.count=" + std::to_string(librarySize) + ";\r\n";
  return page;
}

std::string CommunityPage(const std::vector<PageSong>& newest, size_t librarySize) {
  return HtmlPage("新歌音乐盒 社区", "<p>曲库共有 " + std::to_string(librarySize) + " 首歌曲。最新加入：</p>\n" +
                                         NewestList(newest, 10));
}

std::string ForumPage(const std::vector<PageSong>& newest) {
  return HtmlPage("新歌音乐盒 论坛",
                  "<p>论坛版块：新歌推荐、歌词交流、下载问题反馈。</p>\n<p>本周新歌：</p>\n" + NewestList(newest, 20));
}

}  // namespace songbox_server
