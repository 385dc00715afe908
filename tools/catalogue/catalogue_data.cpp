#include "catalogue_data.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace songbox_catalogue {
namespace {

struct Entry {
  const char* file;
  const char* title;
  const char* singer;
};

// Titles, singers and file names of the demo catalogue, newest first.
constexpr Entry kEntries[] = {
    {"qingtian_haifeng", "晴天的海风", "林小雨"},       {"yueguang_xiahe", "月光 下的河", "周木"},
    {"yuanfang_laixin", "远方来信", "陈一舟"},          {"chengshi_yexing", "城市 夜行", "江北乐队"},
    {"qingshi_xiang", "青石巷", "苏晚晴"},              {"fengchui_xiatian", "风吹过的 夏天", "叶知秋"},
    {"zhi_feiji", "纸飞机", "白鹭合唱团"},              {"yuhou_chuqing", "雨后 初晴", "何远"},
    {"denghuo_lanshan", "灯火阑珊处", "沈星河"},        {"xinghe_dukou", "星河 渡口", "许南风"},
    {"jiu_shiguang", "旧时光", "唐小满"},               {"nanfang_houniao", "南方 的 候鸟", "顾青山"},
    {"shanjian_xiaolu", "山间小路", "林小雨"},          {"diyichang_xue", "第一场雪", "周木"},
    {"wutong_luoye", "梧桐 落叶", "陈一舟"},            {"wanan_xiaozhen", "晚安 小镇", "苏晚晴"},
    {"haibian_muwu", "海边的 小木屋", "江北乐队"},      {"yinghuo_guitu", "萤火 与 归途", "叶知秋"},
    {"yinxing_dadao", "银杏 大道", "何远"},             {"bai_lu", "白露", "白鹭合唱团"},
    {"changjie_duanmeng", "长街 短梦", "沈星河"},       {"fengling_dingdang", "风铃 叮当", "许南风"},
    {"chunri_laixin", "春日 来信", "唐小满"},           {"yunduo_youju", "云朵 邮局", "顾青山"},
    {"ye_hangchuan", "夜航船", "林小雨"},               {"juzi_qishui", "橘子 汽水", "周木"},
    {"xiao_man", "小满", "陈一舟"},                     {"shuangjiang_yihou", "霜降 以后", "苏晚晴"},
    {"luori_chezhan", "落日 车站", "江北乐队"},         {"qiuqian_mao", "秋千 上的 猫", "叶知秋"},
    {"lanse_xinxiang", "蓝色 信箱", "何远"},            {"daotian_shouwang", "稻田 守望", "白鹭合唱团"},
    {"jiuyue_lieche", "九月 的 列车", "沈星河"},        {"ting_chao", "听潮", "许南风"},
    {"xiangbei_chuang", "向北 的 窗", "唐小满"},        {"yuetai_yuhai", "月台 与 海", "顾青山"},
};

constexpr const char* kPublishers[] = {"青石唱片", "南风音乐", "星河文化", "白鹭工作室", "远山唱片"};

// Lines for the demo lyrics; each song sings eight of them.
constexpr const char* kVerses[] = {
    "清晨的风吹过窗台",     "你说远方有一片海",   "我把心事写进云彩",   "等一场雨慢慢下来",
    "街灯亮起又熄灭",       "旧照片里的笑脸",     "走过长长的夜",       "明天依然值得期待",
    "火车穿过了田野",       "信纸上落满星光",     "我们在路口告别",     "把歌声留给晚风",
    "树影摇晃在墙上",       "小猫睡在秋千上",     "月亮挂在屋檐",       "时间走得很慢很慢",
    "听见潮水在唱",         "向北的窗开着",       "橘子汽水冒着泡",     "第一场雪落下来",
    "灯火温暖了归途",       "银杏叶铺满大道",     "云朵寄来一封信",     "梦里的车站很安静",
};

std::vector<DemoSong> MakeSongs() {
  std::vector<DemoSong> songs;
  int i = 0;
  for (const Entry& e : kEntries) {
    DemoSong s;
    s.sid = 50101 + i;
    s.file = e.file;
    s.title = e.title;
    s.singer = e.singer;
    s.publisher = kPublishers[i % 5];
    int day = 6 - i / 6;  // six new songs a day, the newest on 2026-12-06
    s.date = "2026-12-0" + std::to_string(day);
    s.picture = std::to_string(71000 + i);
    s.lyrics = std::to_string(93000 + i);
    s.playsToday = 40 + (i * 37 + 11) % 260;
    s.playsTotal = s.playsToday * (3 + (i * 7) % 19) + (i * 131) % 97;
    songs.push_back(s);
    ++i;
  }
  return songs;
}

std::string SongObject(const DemoSong& s) {
  return "{sid:" + std::to_string(s.sid) + ",al:'" + s.file + "',ti:'" + s.title + "',si:'" + s.singer + "',cp:'" +
         s.publisher + "',da:'" + s.date + "',ico:'" + s.picture + "',lrc:'" + s.lyrics +
         "',dl:" + std::to_string(s.playsToday) + ",tl:" + std::to_string(s.playsTotal) + ",cv:1}";
}

std::string Array(const std::string& name, const std::vector<DemoSong>& songs) {
  std::string line = "Data.Nlist." + name + "=[";
  for (size_t i = 0; i < songs.size(); ++i) line += (i ? "," : "") + SongObject(songs[i]);
  return line + "];\r\n";
}

std::vector<DemoSong> TopBy(int DemoSong::*plays, size_t count) {
  std::vector<DemoSong> songs = DemoSongs();
  std::stable_sort(songs.begin(), songs.end(), [&](const DemoSong& a, const DemoSong& b) { return a.*plays > b.*plays; });
  songs.resize(std::min(count, songs.size()));
  return songs;
}

const DemoSong* FindBy(const std::string DemoSong::*field, const std::string& value) {
  for (const DemoSong& s : DemoSongs()) {
    if (s.*field == value) return &s;
  }
  return nullptr;
}

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
         "</title>\n<style>body{font-family:sans-serif;background:#eaf3fb;color:#234;margin:12px}"
         "h1{font-size:18px;color:#2a6ab0}li{margin:4px 0}</style></head>\n<body><h1>" +
         title + "</h1>\n" + body + "</body></html>\n";
}

}  // namespace

const std::vector<DemoSong>& DemoSongs() {
  static const std::vector<DemoSong> songs = MakeSongs();
  return songs;
}

std::string FrontPage() {
  return "/* 新歌音乐盒 演示曲库 */\r\nvar Data={};Data.Nlist={};\r\n" + Array("news", DemoSongs()) +
         Array("order", TopBy(&DemoSong::playsTotal, 10)) + Array("hot", TopBy(&DemoSong::playsToday, 8)) +
         "Data.count=" + std::to_string(DemoSongs().size()) + ";\r\n";
}

std::optional<std::string> MediaPath(int sid) {
  const auto& songs = DemoSongs();
  for (size_t i = 0; i < songs.size(); ++i) {
    if (songs[i].sid == sid) return "media/tune" + std::to_string(i % kTunes) + ".mp3";
  }
  return std::nullopt;
}

std::optional<int> CoverIndex(const std::string& picture) {
  const DemoSong* s = FindBy(&DemoSong::picture, picture);
  if (!s) return std::nullopt;
  return (s->sid - DemoSongs().front().sid) % kTunes;
}

std::optional<std::string> Lyrics(const std::string& lyrics) {
  const DemoSong* s = FindBy(&DemoSong::lyrics, lyrics);
  if (!s) return std::nullopt;
  const int n = static_cast<int>(std::size(kVerses));
  const int first = (s->sid * 5) % n;
  std::string text = "[ti:" + s->title + "]\r\n[ar:" + s->singer + "]\r\n[al:新歌音乐盒 演示曲库]\r\n";
  for (int k = 0; k < 8; ++k) {
    int second = 1 + k * 3;
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "[00:%02d.00]", second);
    text += stamp + std::string(kVerses[(first + k) % n]) + "\r\n";
  }
  return text;
}

std::string CommunityPage() {
  std::string list = "<ul>\n";
  for (size_t i = 0; i < 5; ++i) {
    const DemoSong& s = DemoSongs()[i];
    list += "<li>" + s.singer + " 的新歌《" + s.title + "》今日播放 " + std::to_string(s.playsToday) + " 次</li>\n";
  }
  return Page("新歌音乐盒 社区", "<p>欢迎来到新歌音乐盒社区！今天的新歌动态：</p>\n" + list + "</ul>\n");
}

std::string ForumPage() {
  return Page("新歌音乐盒 论坛",
              "<p>论坛版块：新歌推荐、歌词交流、下载问题反馈。</p>\n"
              "<ul>\n<li>本周新歌你最喜欢哪一首？</li>\n<li>分享你的歌单</li>\n<li>下载的歌曲保存在哪里？</li>\n</ul>\n");
}

std::string ToGbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<size_t>(-1)) break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // Not in GBK (or cut short): one "?" for the whole UTF-8 sequence.
    size_t skip = 1;
    while (skip < inLeft && (static_cast<unsigned char>(in[skip]) & 0xC0) == 0x80) ++skip;
    in += skip;
    inLeft -= skip;
    *dst++ = '?';
    --outLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace songbox_catalogue
