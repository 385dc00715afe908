#include "platform/dpi.h"

#include <gtest/gtest.h>

namespace sb {
namespace {

TEST(Dpi, DesignUnitsFollowTheDpi) {
  struct Case {
    int dpi, twips, pixels, twipsBack, points, fontHeight, designPixels, scaled;
  };
  const Case cases[] = {
      {96, 1215, 81, 1215, 9, -12, 44, 44},
      {120, 1215, 101, 1212, 9, -15, 44, 55},
      {144, 1215, 122, 1220, 9, -18, 44, 66},
      {168, 1215, 142, 1217, 9, -21, 44, 77},
      {192, 1215, 162, 1215, 18, -48, 44, 88},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    EXPECT_EQ(TwipsToPixelsAt(c.twips, c.dpi), c.pixels);
    EXPECT_EQ(PixelsToTwipsAt(c.pixels, c.dpi), c.twipsBack);
    EXPECT_EQ(FontHeightAt(c.points, c.dpi), c.fontHeight);
    EXPECT_EQ(ScaleForDpi(c.designPixels, c.dpi), c.scaled);
  }
}

TEST(Dpi, AWindowKeepsTheDpiItWasLaidOutForAndItsChildrenShareIt) {
  HWND top = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(top);
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  EXPECT_EQ(WindowDpi(child), SystemDpi());
  SetWindowDpi(top, 192);
  EXPECT_EQ(WindowDpi(child), 192);
  EXPECT_EQ(WindowDpi(top), 192);
  SetWindowDpi(top, 5);  // not a screen's DPI: ignored
  EXPECT_EQ(WindowDpi(top), 192);
  ForgetWindowDpi(top);
  EXPECT_EQ(WindowDpi(child), SystemDpi());
  EXPECT_EQ(WindowDpi(nullptr), SystemDpi());
  DestroyWindow(top);
}

TEST(Dpi, AFontIsMadeAtTheDpiAskedFor) {
  for (int dpi : {96, 144, 192}) {
    UniqueFont font = MakeFontAt({L"宋体", 9, true}, dpi);
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(font.get(), sizeof(lf), &lf));
    EXPECT_EQ(lf.lfHeight, FontHeightAt(9, dpi));
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  }
}

}  // namespace
}  // namespace sb
