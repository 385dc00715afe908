#include "download/download_design.h"

#include "controls/progressbar/colour_maths.h"

namespace sb {

int TwipsToHimetric(int twips) {
  // 1440 twips = 25.4 mm = 2540 hundredths; rounded to nearest.
  long long num = static_cast<long long>(twips) * 2540;
  return static_cast<int>(num >= 0 ? (num + 720) / 1440 : (num - 720) / 1440);
}

Ambient DownloadWindowAmbient() {
  return Ambient{L"ProgressBar1", FontDesc{L"宋体", 9, 400, 134}};
}

PropertyBag DownloadWindowProgressBarDesign() {
  PropertyBag bag(DownloadWindowAmbient());
  bag.Set(L"_extentx", std::int32_t{TwipsToHimetric(3615)});
  bag.Set(L"_extenty", std::int32_t{TwipsToHimetric(375)});
  bag.Set(L"value", std::int32_t{10});
  bag.Set(L"roundedvalue", std::int32_t{4});
  bag.Set(L"theme", std::int32_t{8});
  bag.Set(L"textstyle", std::int32_t{3});
  bag.Set(L"textfont", FontDesc{L"宋体", 9, 700, 134});
  bag.Set(L"textforecolor", ColourValue{FromRgbHex(0xC0FFFF)});
  bag.Set(L"text", std::wstring(L"下载进度"));
  bag.Set(L"texteffectcolor", ColourValue{FromRgbHex(0x008080)});
  bag.Set(L"texteffect", std::int32_t{4});
  return bag;
}

}  // namespace sb
