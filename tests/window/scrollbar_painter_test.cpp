#include <gtest/gtest.h>

#include "scrollbar_test_support.h"
#include "test_env.h"
#include "window/scrollbar_drawing.h"
#include "window/scrollbar_painter.h"

namespace {

using sb::Module1::ShadeColor;
using sbtest::Canvas;
using sbtest::Pixels;

constexpr COLORREF kBase = 0xBF9F7F;
constexpr COLORREF kSentinel = RGB(1, 2, 3);

COLORREF Shade(int amount) { return ShadeColor(kBase, amount); }

// A routed scroll bar object whose vertical bar has a thumb, enabled or not.
class PainterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = sbtest::CreateTestParent(400, 300);
    target_ = sbtest::CreateScrollTarget(parent_, WS_VSCROLL | WS_HSCROLL, WS_EX_CLIENTEDGE, 10, 10, 200, 200);
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 20, 0};
    SetScrollInfo(target_, SB_VERT, &si, TRUE);
    SetScrollInfo(target_, SB_HORZ, &si, TRUE);
    ASSERT_TRUE(routed_.Init(target_, false));
    RedrawWindow(routed_.bars.BarWindow(1), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RedrawWindow(routed_.bars.BarWindow(0), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_TRUE(routed_.bars.Enabled(1));
    ASSERT_TRUE(routed_.bars.Enabled(0));
    face_ = GetSysColor(COLOR_BTNFACE);
    shadow_ = GetSysColor(COLOR_BTNSHADOW);
  }
  void TearDown() override { DestroyWindow(parent_); }
  void SetEnabled(bool enabled) {
    EnableWindow(target_, enabled);
    ASSERT_EQ(routed_.bars.Enabled(1), enabled);
  }
  Pixels Paint(int bar, int x1, int y1, int x2, int y2, int part, bool pressed, int w = 40, int h = 80) {
    Canvas canvas(w, h, kSentinel);
    const COLORREF back = GetBkColor(canvas.dc()), text = GetTextColor(canvas.dc());
    const HGDIOBJ pen = GetCurrentObject(canvas.dc(), OBJ_PEN);
    sb::m_oSB_OnPaint(routed_.bars, canvas.dc(), bar, x1, y1, x2, y2, part, pressed);
    EXPECT_EQ(GetBkColor(canvas.dc()), back);
    EXPECT_EQ(GetTextColor(canvas.dc()), text);
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
    Pixels p = canvas.Read();
    // Nothing outside the part's rectangle.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (x < x1 || x >= x2 || y < y1 || y >= y2) {
          EXPECT_EQ(p.At(x, y), kSentinel) << x << "," << y;
          if (p.At(x, y) != kSentinel) return p;
        }
    return p;
  }
  // Left/top edges in `light`, right/bottom in `dark`, the two odd corners dark.
  void ExpectBox(const Pixels& p, int x1, int y1, int x2, int y2, COLORREF light, COLORREF dark) {
    EXPECT_TRUE(p.All(x1, y1, x1 + 1, y2 - 1, light));
    EXPECT_TRUE(p.All(x1, y1, x2 - 1, y1 + 1, light));
    EXPECT_TRUE(p.All(x2 - 1, y1, x2, y2, dark));
    EXPECT_TRUE(p.All(x1, y2 - 1, x2, y2, dark));
  }
  HWND parent_ = nullptr, target_ = nullptr;
  sbtest::RoutedScrollbars routed_;
  COLORREF face_ = 0, shadow_ = 0;
};

TEST_F(PainterTest, ArrowsInTheirThreeLooks) {
  const int a = 17;
  Pixels p = Paint(1, 2, 3, 2 + a, 3 + a, 0, false);
  ExpectBox(p, 2, 3, 2 + a, 3 + a, Shade(64), Shade(-64));
  EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, kBase));
  EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, Shade(-75)));  // the glyph

  p = Paint(1, 2, 3, 2 + a, 3 + a, 1, true);
  ExpectBox(p, 2, 3, 2 + a, 3 + a, Shade(-75), Shade(-75));
  EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, Shade(-50)));
  EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, Shade(75)));
  EXPECT_FALSE(p.Any(3, 4, 1 + a, 2 + a, kBase));

  SetEnabled(false);
  for (bool pressed : {false, true}) {
    p = Paint(1, 2, 3, 2 + a, 3 + a, 0, pressed);
    ExpectBox(p, 2, 3, 2 + a, 3 + a, ShadeColor(face_, 64), ShadeColor(face_, -64));
    EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, face_));
    EXPECT_TRUE(p.Any(3, 4, 1 + a, 2 + a, shadow_));
    EXPECT_FALSE(p.Any(0, 0, 40, 80, kBase));
  }
}

TEST_F(PainterTest, ArrowGlyphPointsAlongItsBar) {
  // Up arrow: the glyph's widest row lies below its narrowest; left arrow: to the right.
  auto glyphRows = [](const Pixels& p, COLORREF glyph, bool byColumn) {
    std::vector<int> counts(byColumn ? p.width : p.height, 0);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (p.At(x, y) == glyph) ++counts[byColumn ? x : y];
    return counts;
  };
  Pixels up = Paint(1, 0, 0, 17, 17, 0, false, 17, 17);
  auto rows = glyphRows(up, Shade(-75), false);
  int first = -1, last = -1;
  for (int i = 0; i < 17; ++i)
    if (rows[i]) {
      if (first < 0) first = i;
      last = i;
    }
  ASSERT_GE(first, 0);
  EXPECT_LT(rows[first], rows[last]);
  Pixels right = Paint(0, 0, 0, 17, 17, 1, false, 17, 17);
  auto cols = glyphRows(right, Shade(-75), true);
  first = last = -1;
  for (int i = 0; i < 17; ++i)
    if (cols[i]) {
      if (first < 0) first = i;
      last = i;
    }
  ASSERT_GE(first, 0);
  EXPECT_GT(cols[first], cols[last]);
}

TEST_F(PainterTest, PageAreasAndMiddle) {
  EXPECT_TRUE(Paint(1, 0, 20, 17, 50, 2, false).All(0, 20, 17, 50, Shade(50)));
  EXPECT_TRUE(Paint(1, 0, 20, 17, 50, 3, true).All(0, 20, 17, 50, Shade(-50)));
  EXPECT_TRUE(Paint(1, 0, 20, 17, 27, 4, false).All(0, 20, 17, 27, Shade(25)));
  EXPECT_TRUE(Paint(1, 0, 20, 17, 27, 4, true).All(0, 20, 17, 27, Shade(25)));
  SetEnabled(false);
  EXPECT_TRUE(Paint(1, 0, 20, 17, 50, 2, true).All(0, 20, 17, 50, face_));
  EXPECT_TRUE(Paint(1, 0, 20, 17, 27, 4, false).All(0, 20, 17, 27, face_));
}

TEST_F(PainterTest, ThumbInItsThreeLooks) {
  Pixels p = Paint(1, 0, 20, 17, 60, 5, false);
  ExpectBox(p, 0, 20, 17, 60, Shade(64), Shade(-64));
  EXPECT_TRUE(p.All(1, 21, 16, 59, kBase));
  p = Paint(1, 0, 20, 17, 60, 5, true);
  ExpectBox(p, 0, 20, 17, 60, Shade(-75), Shade(-75));
  EXPECT_TRUE(p.All(1, 21, 16, 59, Shade(-50)));
  SetEnabled(false);
  p = Paint(1, 0, 20, 17, 60, 5, true);
  ExpectBox(p, 0, 20, 17, 60, shadow_, shadow_);
  EXPECT_TRUE(p.All(1, 21, 16, 59, face_));
}

TEST_F(PainterTest, AThumbTwoPixelsWideGetsOnlyItsFrame) {
  Pixels p = Paint(0, 10, 0, 12, 17, 5, false);
  EXPECT_TRUE(p.All(10, 0, 11, 16, Shade(64)));
  EXPECT_TRUE(p.All(11, 0, 12, 17, Shade(-64)));
  EXPECT_FALSE(p.Any(10, 0, 12, 17, kBase));
}

TEST_F(PainterTest, CornerWithoutGripIsBaseAndUnknownPartsPaintNothing) {
  ASSERT_FALSE(routed_.bars.HasSizer());
  EXPECT_TRUE(Paint(-1, 0, 0, 17, 17, 6, false).All(0, 0, 17, 17, kBase));
  EXPECT_TRUE(Paint(1, 0, 0, 17, 17, 7, false).All(0, 0, 40, 80, kSentinel));
  EXPECT_TRUE(Paint(1, 0, 0, 17, 17, -1, false).All(0, 0, 40, 80, kSentinel));
  // A part of no bar paints the disabled look instead of failing.
  EXPECT_TRUE(Paint(-1, 0, 20, 17, 50, 2, false).All(0, 20, 17, 50, face_));
}

TEST(Module1, SystemColoursTranslateAndLinesLeaveTheirEndPoint) {
  EXPECT_EQ(sb::Module1::TranslateSysColor(0x8000000F), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(sb::Module1::TranslateSysColor(0x80000010), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(sb::Module1::TranslateSysColor(0x00123456), 0x00123456u);
  Canvas canvas(10, 10, kSentinel);
  sb::Module1::DrawLine(canvas.dc(), 1, 1, 6, 1, RGB(200, 0, 0));
  Pixels p = canvas.Read();
  EXPECT_TRUE(p.All(1, 1, 6, 2, RGB(200, 0, 0)));
  EXPECT_EQ(p.At(6, 1), kSentinel);
  sb::Module1::Draw3DBox(canvas.dc(), 0, 0, 10, 10, kBase, true);  // sunken swaps
  p = canvas.Read();
  EXPECT_EQ(p.At(0, 5), Shade(-64));
  EXPECT_EQ(p.At(9, 5), Shade(64));
}

}  // namespace
