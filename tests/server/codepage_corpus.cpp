#include "codepage_corpus.h"

#include <iconv.h>

#include <memory>
#include <sstream>
#include <stdexcept>

#include "code_pages.h"

namespace sbserver_test {
namespace {

// "title|singer" (or a title alone) per song, grouped by the code page such
// collections are kept in.
struct Group {
  const char* charset;
  std::vector<const char*> songs;
};

const std::vector<Group> kGroups = {
    {"GBK",
     {"七里香|周杰伦", "晴天|周杰伦", "稻香|周杰伦", "童话|光良", "遇见|孙燕姿", "天黑黑|孙燕姿", "红豆|王菲",
      "传奇|王菲", "匆匆那年|王菲", "后来|刘若英", "十年|陈奕迅", "浮夸|陈奕迅", "富士山下|陈奕迅", "江南|林俊杰",
      "小酒窝|林俊杰", "她说|林俊杰", "演员|薛之谦", "丑八怪|薛之谦", "平凡之路|朴树", "那些花儿|朴树",
      "成都|赵雷", "南山南|马頔", "董小姐|宋冬野", "光年之外|邓紫棋", "泡沫|邓紫棋", "月亮代表我的心|邓丽君",
      "甜蜜蜜|邓丽君", "小城故事|邓丽君", "吻别|张学友", "一千个伤心的理由|张学友", "忘情水|刘德华",
      "冰雨|刘德华", "海阔天空|黄家驹", "光辉岁月|Beyond", "朋友|周华健", "真心英雄|成龙", "老男孩|筷子兄弟",
      "小苹果|筷子兄弟", "最炫民族风|凤凰传奇", "青花瓷|周杰伦", "菊花台|周杰伦", "夜曲|周杰伦", "爱情转移|陈奕迅",
      "勇气|梁静茹", "宁夏|梁静茹", "可惜不是你|梁静茹", "暖暖|梁静茹", "我们的爱|飞儿乐团", "千里之外|周杰伦",
      "隐形的翅膀|张韶涵", "欧若拉|张韶涵", "突然好想你|五月天", "倔强|五月天", "笑忘歌|五月天", "爱|小虎队",
      "恋曲1990|罗大佑", "童年|罗大佑", "让我们荡起双桨", "茉莉花", "东风破|周杰伦", "简单爱|周杰伦",
      "说好的幸福呢|周杰伦", "告白气球|周杰伦", "演员", "K歌之王|陈奕迅", "Love你|王力宏", "大城小爱|王力宏",
      "唯一|王力宏", "心跳|王力宏", "挪威的森林|伍佰", "突然的自我|伍佰", "囚鸟|彭羚", "沧海一声笑|许冠杰",
      "女儿情|吴静", "在希望的田野上|彭丽媛", "我的祖国|郭兰英", "山丘|李宗盛", "凡人歌|李宗盛", "鬼迷心窍|李宗盛",
      "漂洋过海来看你|李宗盛", "给自己的歌|李宗盛", "易燃易爆炸|陈粒", "奇妙能力歌|陈粒", "消愁|毛不易",
      "像我这样的人|毛不易", "体面|于文文", "刚好遇见你|李玉刚", "知否知否|胡夏", "起风了|买辣椒也用券",
      "绿色|陈雪凝", "说散就散|袁娅维", "追光者|岑宁儿", "大鱼|周深", "明天会更好|群星", "MV 版|周杰伦",
      "Live 2004|张惠妹", "星晴|周杰伦", "雨一直下|张宇", "李白|李荣浩", "模特|李荣浩", "爱你|王心凌",
      "第一次爱的人|王心凌", "不将就|李荣浩", "一路向北|周杰伦", "北京北京|汪峰", "春天里|汪峰", "存在|汪峰"}},
    {"BIG5",
     {"七里香|周杰倫", "晴天|周杰倫", "小幸運|田馥甄", "你就不要想起我|田馥甄", "戀愛ing|五月天", "倔強|五月天",
      "溫柔|五月天", "擁抱|五月天", "知足|五月天", "我們的愛|飛兒樂團", "愛很簡單|陶吉吉", "找自己|陶吉吉",
      "流沙|陶吉吉", "說愛你|蔡依林", "日不落|蔡依林", "舞孃|蔡依林", "聽海|張惠妹", "我可以抱你嗎|張惠妹",
      "剪愛|張惠妹", "愛的初體驗|張震嶽", "小手拉大手|梁靜茹", "分手快樂|梁靜茹", "寧夏|梁靜茹", "記得|張惠妹",
      "忘記你我做不到|張學友", "吻別|張學友", "一場遊戲一場夢|王傑", "不是我不小心|張鎬哲", "愛拼才會贏|葉啟田",
      "月亮代表我的心|鄧麗君", "甜蜜蜜|鄧麗君", "你怎麼捨得我難過|黃品源", "單身情歌|林志炫", "至少還有你|林憶蓮",
      "領悟|辛曉琪", "味道|辛曉琪", "聽見下雨的聲音|魏如昀", "演員|薛之謙", "光輝歲月|黃家駒", "海闊天空|黃家駒",
      "童話|光良", "遇見|孫燕姿", "綠光|孫燕姿", "紅豆|王菲", "夢中人|王菲", "後來|劉若英", "很愛很愛你|劉若英",
      "十年|陳奕迅", "浮誇|陳奕迅", "愛情轉移|陳奕迅", "江南|林俊傑", "不為誰而作的歌|林俊傑", "修煉愛情|林俊傑",
      "煎熬|李佳薇", "那些年|胡夏", "小情歌|蘇打綠", "我好想你|蘇打綠", "無與倫比的美麗|蘇打綠", "新不了情|萬芳",
      "鬼迷心竅|李宗盛", "山丘|李宗盛", "夢醒時分|陳淑樺", "跟著感覺走|蘇芮", "酒干倘賣無|蘇芮", "恰似你的溫柔|蔡琴"}},
    {"CP932",
     {"さくら|森山直太朗", "夜空ノムコウ|SMAP", "世界に一つだけの花|SMAP", "First Love|宇多田ヒカル",
      "花束を君に|宇多田ヒカル", "残酷な天使のテーゼ|高橋洋子", "千本桜|初音ミク", "紅蓮華|LiSA", "炎|LiSA",
      "夜に駆ける|YOASOBI", "群青|YOASOBI", "レモン|米津玄師", "Lemon|米津玄師", "打上花火|米津玄師", "馬と鹿|米津玄師",
      "前前前世|RADWIMPS", "なんでもないや|RADWIMPS", "糸|中島みゆき", "時代|中島みゆき", "川の流れのように|美空ひばり",
      "津軽海峡・冬景色|石川さゆり", "涙そうそう|夏川りみ", "島唄|THE BOOM", "ハナミズキ|一青窈", "雪の華|中島美嘉",
      "三日月|絢香", "栄光の架橋|ゆず", "チェリー|スピッツ", "ロビンソン|スピッツ", "空も飛べるはず|スピッツ",
      "東京|くるり", "恋|星野源", "ドラえもんのうた", "上を向いて歩こう|坂本九", "風になる|つじあやの",
      "ひまわりの約束|秦基博", "うっせぇわ|Ado", "新時代|Ado", "白日|King Gnu", "怪物|YOASOBI"}},
    {"EUC-KR",
     {"사랑해|신승훈", "거짓말|빅뱅", "붉은 노을|빅뱅", "소원을 말해봐|소녀시대", "다시 만난 세계|소녀시대",
      "좋은 날|아이유", "밤편지|아이유", "너의 의미|아이유", "강남스타일|싸이", "봄날|방탄소년단", "피 땀 눈물|방탄소년단",
      "작은 것들을 위한 시|방탄소년단", "아리랑", "벚꽃 엔딩|버스커 버스커", "가시|버즈", "응급실|izi",
      "너에게 난 나에게 넌|자전거 탄 풍경", "서른 즈음에|김광석", "이등병의 편지|김광석", "사랑했지만|김광석",
      "좋니|윤종신", "눈의 꽃|박효신", "야생화|박효신", "안녕|폴킴", "첫눈처럼 너에게 가겠다|에일리",
      "Tell Me|원더걸스", "너를 사랑해|이선희", "나 가거든|조수미", "우리의 밤|마마무", "하늘을 달리다|이적",
      "걱정말아요 그대|이적", "그대에게|무한궤도", "난 알아요|서태지와 아이들", "바람이 분다|이소라",
      "사랑이 뭐길래|태진아", "어머나|장윤정", "꽃길|빅뱅", "에잇|아이유", "내 손을 잡아|아이유", "시간을 달려서|여자친구"}},
    {"ISO-8859-1",
     {"Café del Mar|José Padilla", "Ace of Spades|Motörhead", "Hoppípolla|Sigur Rós", "Jóga|Björk",
      "Hyperballad|Björk", "Crazy in Love|Beyoncé", "Dr. Feelgood|Mötley Crüe", "Tous les garçons et les filles|Françoise Hardy",
      "La Vie en rose|Édith Piaf", "Non, je ne regrette rien|Édith Piaf", "Ne me quitte pas|Jacques Brel",
      "Avec le temps|Léo Ferré", "Joe le taxi|Vanessa Paradis", "Été indien|Joe Dassin", "Les Champs-Élysées|Joe Dassin",
      "Noël blanc|Tino Rossi", "Mañana|Julieta Venegas", "Bésame mucho|Consuelo Velázquez", "La Bamba|Ritchie Valens",
      "Águas de Março|Elis Regina", "Garota de Ipanema|João Gilberto", "Canção do Mar|Dulce Pontes",
      "Über sieben Brücken|Peter Maffay", "Männer|Herbert Grönemeyer", "Schrei nach Liebe|Die Ärzte",
      "Du hast|Rammstein", "Sonne|Rammstein", "99 Luftballons|Nena", "Fürstenfeld|S.T.S.", "Ententanz|Werner Thomas",
      "Dancing Queen|ABBA", "Kärleken är evig|Lena Philipsson", "Sång till friheten|Ola Håkansson", "Vem é?|Ana Moura",
      "Hallelujah|Leonard Cohen", "Smörgåsbord|Åge Aleksandersen", "Ingen är som du|Björn Skifs", "Señorita|Shawn Mendes",
      "Despacito|Luis Fonsi", "Corazón|Maluma", "Niño|Ángel Vázquez", "Cómo te extraño|Café Tacvba",
      "Piña Colada|Rupert Holmes", "Übermensch|Ölfusá", "Smáralind|Emilíana Torrini"}},
    {"ISO-8859-1",
     {"Yesterday|The Beatles", "Bohemian Rhapsody|Queen", "Hotel California|Eagles", "Imagine|John Lennon",
      "Take On Me|a-ha", "Wonderwall|Oasis", "Creep|Radiohead", "Numb|Linkin Park", "Hello|Adele", "Believer|Imagine Dragons"}},
};

using Iconv = std::unique_ptr<void, int (*)(iconv_t)>;

std::vector<std::string> Split(const char* song) {
  std::vector<std::string> fields;
  std::stringstream in(song);
  for (std::string field; std::getline(in, field, '|');) fields.push_back(field);
  return fields;
}

}  // namespace

std::string Encode(const std::string& utf8, const char* charset) {
  Iconv cd(iconv_open(charset, "UTF-8"), iconv_close);
  std::string in(utf8), out(utf8.size() * 2 + 8, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t inLeft = in.size(), outLeft = out.size();
  if (iconv(cd.get(), &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1))
    throw std::runtime_error("not in " + std::string(charset) + ": " + utf8);
  out.resize(out.size() - outLeft);
  return out;
}

const std::vector<LegacySong>& LegacyCorpus() {
  static const std::vector<LegacySong> corpus = [] {
    std::vector<LegacySong> songs;
    for (const Group& g : kGroups)
      for (const char* song : g.songs) songs.push_back({g.charset, Split(song)});
    return songs;
  }();
  return corpus;
}

double CorpusAccuracy(std::vector<std::string>* wrong) {
  size_t right = 0, total = 0;
  for (const LegacySong& song : LegacyCorpus()) {
    std::vector<std::string> raw;
    for (const std::string& f : song.fields) raw.push_back(Encode(f, song.charset));
    const songbox_server::CodePage page = songbox_server::ChooseCodePage(raw);
    for (size_t i = 0; i < raw.size(); ++i) {
      const std::string read = songbox_server::Decode(raw[i], page);
      ++total;
      if (read == song.fields[i]) {
        ++right;
      } else if (wrong) {
        wrong->push_back(read + " (" + song.fields[i] + ")");
      }
    }
  }
  return total ? static_cast<double>(right) / static_cast<double>(total) : 0;
}

}  // namespace sbserver_test
