#include "code_pages.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <memory>
#include <unordered_set>

namespace songbox_server {
namespace {

// The most frequent Chinese characters, common traditional forms, and common
// Hangul syllables. Where a CJK page's byte
// ranges cannot tell two pages apart (EUC-KR's Hangul lies on GB2312's first
// level), the page whose reading hits more of these wins.
constexpr std::string_view kCommonHan =
    "的一是不了人我在有他这个们中来上大为和国地到以说时要就出会可也你对生能而子那得于着下自之年过发后作里用道行所然家"
    "种事成方多经么去法学如都同现当没动面起看定天分还进好小部其些主样理心她本前开但因只从想实日军者意无力它与长把机十"
    "民第公此已工使情明性知全三又关点正业外将两高间由问很最重并物手应战向头文体政美相见被利什二等产或新己制身果加西斯"
    "月话合回特代内信表化老给世位次度门任常先海通教儿原东声提立及比员解水名真论处走义各入几口认条平系气题活尔更别打女"
    "变四神总何电数安少报才结反受目太量再感建务做接必场件计管期市直德资命山金指克许统区保至队形社便空决治展马科司五基"
    "眼书非则听白却界达光放强即像难且权思王象完设式色路记南品住告类求据程北边死张该交规万取拉格望觉术领共确传师观清今"
    "切院让识候带导争运笑飞风步改收根干造言联持组每济车亲极林服快办议往元英士证近失转夫令准布始怎呢存未远叫台单影具罗"
    "字爱击流备兵连调深商算质团集百需价花党华城石级整府离况亚请技际约示复病息究线似官火断精满支视消越器容照须九增研写"
    "称企八功吗包片史委乎查轻易早曾除农找装广显吧阿李标谈吃图念六引历首医局突专费号尽另周较注语仅考落青随选列武红响虽"
    "推势参希古众构房半节土投某案黑维革划敌致陈律足态护七兴派孩验责营星够章音跟志底站严巴例防族供效续施留讲型料终答紧"
    "黄绝奇察母京段依批群项故按河米围江织害斗双境客纪采举杀攻父苏密低朝友诉止细愿千值"
"愛們這個來時說會對過還沒讓從後見經點開長樣聽聲歲淚憶戀離歸東車門間問頭電學國無為當與裡邊遠夢風葉陳楊黃趙吳孫"
    "馬羅鄭謝許鄧馮韓蕭蘇呂盧鍾譚陸賈韋鄒閻龍賀顧龔萬錢嚴賴動麼遠給語話記許紅藍綠橋燈飛鳥雲雪灣醉戲劇願輕張劉劍傳"
    "雙寶貝親媽愛聖誕節歡樂寫詩畫顏臉淚緣過斷騙覺懷舊戰傷閃媽雞鐵網氣將產業總華實現漢運達這們廣場觀點變讀錯難歷"
    "樓鐘館島臺灣麗營農雜壓殺設況響類該區環術條務際熱雖聯質層濟導歐據權還擊優興專認爾縣審規獨議轉隊鬥藝嗎蓮薩陽"
    "鄉曉楓靜靈憂懼憐憑壞堅墨嬰爺倫偉傑儀黨兒兩嶺岡幾廳彈態愁慚戶拋擁攜敵舊曆權歌槍樹橫歡殘溫滿潔瀟灑濃燒爭牽猶獄"
    "紀約純紙組結絕絲經綜綿緊編練縱織繼續罷羅聞聰腦臨舉艱蒼蔥薄號蟲衛衝製複覽訴診評詞試詳誠誤說誰課調談請諸謂證識"
    "議護讓貞負財貢貧貨販貪責貴貸費賀資賊賓賞賣賤質購贈趕躍軍軟載輝輩輪辦農邊郵鄰醫釋針鈴銀銷鋼錄鍵鏡鐘閉閒閱闊隊"
    "陰陣險隨隱難雞離電靈韻頁頂項順須預領頻題額願類顧飄飯飲館驗驚髮鬧魚鮮鳳鳴鴻麥齊齒";

constexpr std::string_view kCommonHangul =
    "가각간감강개거건게겨결경계고곡공과관광괜교구국군굴귀그근글금기길김까깨꼭꽃꿈끝나난날남내너널네녀년노놀누눈느는늘"
    "니다단달담당대더데도독돌동되된될두둘뒤드든들등디따때또뜨라락란랑래랜러럼레려력로록론루르른를름리린릴마만많말맘"
    "매머먼멀메면명모목몰못무문물미민밀바박반받발밤방배백버번벌베별보복본봄부분불비빅빛빠뱅사산살삶상새생서선설성세"
    "소속손송수숨슈스슬습시식신실심싶아안않알암앞애야약양어억언얼엄없었에엔여역연열영예오온올와완왜외요용우운울워"
    "원월위유율은을음의이인일임입있잊자작잘잠장재저적전정제져조족좀종좋주죽준줄중즈즐지진질집짜쯤차참창찾처천첫청"
    "초최추춤충치친카커케코크키타탄태터테토투트티파판패퍼페편포폭표푸프플피하학한할함해했행향허헤현형혜호혼홍화환"
    "활황회효후훈휘흔희히힘";

enum class Pair { Single, Double, Quad };

const char* Charset(CodePage page) {
  switch (page) {
    case CodePage::Gb18030: return "GB18030";
    case CodePage::Big5: return "BIG5";
    case CodePage::ShiftJis: return "CP932";
    case CodePage::Korean: return "CP949";
    case CodePage::Latin1: break;
  }
  return "ISO-8859-1";
}

std::optional<std::string> Convert(std::string_view bytes, const char* from, const char* to) {
  std::unique_ptr<void, int (*)(iconv_t)> cd(iconv_open(to, from), iconv_close);
  if (cd.get() == reinterpret_cast<iconv_t>(-1)) {
    cd.release();
    return std::nullopt;
  }
  std::string in(bytes), out(bytes.size() * 4 + 16, '\0');
  char* src = in.data();
  size_t inLeft = in.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  if (iconv(cd.get(), &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) ||
      iconv(cd.get(), nullptr, nullptr, &dst, &outLeft) == static_cast<size_t>(-1))
    return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

// The two-byte codes in `page` of the common characters of its script.
std::unordered_set<unsigned> CommonCodes(CodePage page) {
  std::unordered_set<unsigned> codes;
  const std::string_view list = page == CodePage::Korean ? kCommonHangul : kCommonHan;
  for (size_t i = 0; i + 3 <= list.size(); i += 3) {  // every listed character is three UTF-8 bytes
    auto bytes = Convert(list.substr(i, 3), "UTF-8", Charset(page));
    if (bytes && bytes->size() == 2)
      codes.insert(static_cast<unsigned char>((*bytes)[0]) << 8 | static_cast<unsigned char>((*bytes)[1]));
  }
  return codes;
}

const std::unordered_set<unsigned>& Common(CodePage page) {
  static const std::array<std::unordered_set<unsigned>, 5> sets{
      std::unordered_set<unsigned>{}, CommonCodes(CodePage::Gb18030), CommonCodes(CodePage::Big5),
      CommonCodes(CodePage::ShiftJis), CommonCodes(CodePage::Korean)};
  return sets[static_cast<size_t>(page)];
}

Pair Width(CodePage page, std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return Pair::Single;
  if (page == CodePage::ShiftJis && b >= 0xA1 && b <= 0xDF) return Pair::Single;  // half-width katakana
  if (page == CodePage::Gb18030 && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') return Pair::Quad;
  return Pair::Double;
}

bool In(unsigned code, unsigned first, unsigned last) {
  const unsigned trail = code & 0xFF;
  return code >= first && code <= last && trail >= (first & 0xFF) && trail <= (last & 0xFF);
}

// How typical one double-byte character is of text in `page`: 2 for its
// common characters, 1 for its rarer level, 0 for odd corners of the table;
// -1 for punctuation, which counts neither way.
int Typical(CodePage page, unsigned code) {
  switch (page) {
    case CodePage::Gb18030:
      if (In(code, 0xA1A1, 0xA3FE)) return -1;
      return In(code, 0xB0A1, 0xD7FE) ? 2 : In(code, 0xD8A1, 0xF7FE) ? 1 : 0;
    case CodePage::Big5:
      if (code >= 0xA140 && code <= 0xA3BF) return -1;
      return code >= 0xA440 && code <= 0xC67E ? 2 : code >= 0xC940 && code <= 0xF9D5 ? 1 : 0;
    case CodePage::ShiftJis:
      if (code >= 0x829F && code <= 0x82F1) return 2;  // hiragana
      if (code >= 0x8340 && code <= 0x8396) return 2;  // katakana
      if (code >= 0x8140 && code <= 0x829E) return -1;
      return code >= 0x889F && code <= 0x9872 ? 2 : code >= 0x989F && code <= 0xEAA4 ? 1 : 0;
    case CodePage::Korean:
      if (In(code, 0xA1A1, 0xA2FE)) return -1;
      if (In(code, 0xB0A1, 0xC8FE)) return 2;
      return code < 0xC700 && (code & 0xFF) < 0xA1 ? 1 : 0;  // the rest of the syllables
    case CodePage::Latin1: break;
  }
  return 0;
}

struct Reading {
  int typical = 0;     // sum of Typical over counted characters
  int common = 0;      // characters of the common lists
  int counted = 0;     // characters other than ASCII and punctuation
  bool highTrail = false;  // some character's both bytes lie above ASCII
  bool lowLead = false;    // some character starts where Windows-1252 has its quotes and dashes
};

void Read(CodePage page, std::string_view s, Reading& r) {
  for (size_t i = 0; i < s.size();) {
    const Pair width = Width(page, s, i);
    if (width == Pair::Single) {
      if (static_cast<unsigned char>(s[i]) >= 0x80) ++r.counted;
      ++i;
      continue;
    }
    if (width == Pair::Quad || i + 1 >= s.size()) {
      ++r.counted;
      i += width == Pair::Quad ? 4 : 2;
      continue;
    }
    const unsigned code = static_cast<unsigned char>(s[i]) << 8 | static_cast<unsigned char>(s[i + 1]);
    i += 2;
    const int typical = Typical(page, code);
    if (typical < 0) continue;
    const bool common = Common(page).count(code) > 0;
    ++r.counted;
    r.typical += std::max(typical, common ? 1 : 0);  // GBK's traditional characters lie outside GB2312
    r.common += common ? 1 : 0;
    r.highTrail |= (code & 0xFF) >= 0x80;
    // Windows-1252 quotes and dashes, but not where Shift-JIS keeps its kana.
    r.lowLead |= code < 0xA100 && !(page == CodePage::ShiftJis && code >= 0x8200 && code < 0x8400);
  }
}

bool Latin1Letter(unsigned char b) { return b >= 0xC0 && b != 0xD7 && b != 0xF7; }
bool AsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// European text: accented letters alone (or two together) among ASCII letters.
bool PlausiblyLatin1(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < s.size() && static_cast<unsigned char>(s[end]) >= 0x80) {
      if (!Latin1Letter(static_cast<unsigned char>(s[end]))) return false;
      ++end;
    }
    const bool before = i > 0 && AsciiLetter(s[i - 1]), after = end < s.size() && AsciiLetter(s[end]);
    if (end - i > 2 || (end - i == 2 && !(before && after)) || !(before || after)) return false;
    i = end;
  }
  return true;
}

bool Ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

std::optional<std::string> DecodeStrict(std::string_view bytes, CodePage page) {
  return Convert(bytes, Charset(page), "UTF-8");
}

std::string Decode(std::string_view bytes, CodePage page) {
  if (page != CodePage::Latin1) {
    if (auto text = DecodeStrict(bytes, page)) return *text;
  }
  std::string out;
  for (unsigned char b : bytes) {
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | b >> 6);
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

int Fit(const std::vector<std::string>& fields, CodePage page) {
  Reading r;
  for (const std::string& f : fields) {
    if (!DecodeStrict(f, page)) return -1;
    Read(page, f, r);
  }
  // Mostly typical characters, which could not be Latin-1 letters or
  // Windows-1252 punctuation among ASCII.
  if (!r.counted || (!r.highTrail && r.lowLead) || r.typical < r.counted) return -1;
  return r.typical + 2 * r.common;
}

CodePage ChooseCodePage(const std::vector<std::string>& fields, const std::vector<CodePage>& candidates) {
  bool latin1 = true, ascii = true;
  for (const std::string& f : fields) {
    ascii &= Ascii(f);
    latin1 &= PlausiblyLatin1(f);
  }
  if (ascii || latin1) return CodePage::Latin1;
  CodePage best = CodePage::Latin1;
  int bestScore = -1;
  for (CodePage page : candidates) {
    const int score = Fit(fields, page);
    if (score > bestScore) {
      best = page;
      bestScore = score;
    }
  }
  return best;
}

}  // namespace songbox_server
