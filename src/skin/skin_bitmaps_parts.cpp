// The combo-box parts, glyphs, option circles and header faces of the skin.
#include "skin/skin_painters.h"
#include "skin/skin_pixel_art.h"

namespace sb {

namespace {

// One option circle: ring, four anti-aliasing shades (a lightest .. d inner
// edge) and the inside.
int DrawOptionCircle(HDC dc, int top, std::uint32_t ring, std::uint32_t a, std::uint32_t b, std::uint32_t c,
                     std::uint32_t d, Ink inside) {
  return DrawPixelArt(dc, 0, top,
                      {
                          "----cRRRc----",
                          "--aRdiiidRa--",
                          "-aRiiiiiiiRa-",
                          "bRiiiiiiiiiRb",
                          "RiiiiiiiiiiiR",
                          "RiiiiiiiiiiiR",
                          "RiiiiiiiiiiiR",
                          "RiiiiiiiiiiiR",
                          "RiiiiiiiiiiiR",
                          "bRiiiiiiiiiRb",
                          "-aRiiiiiiiRa-",
                          "--aRdiiidRa--",
                          "----cRRRc----",
                      },
                      {Solid('R', ring), Solid('a', a), Solid('b', b), Solid('c', c), Solid('d', d), inside});
}

Surface MakeStrip(int width, int height, int (*draw)(HDC)) {
  Surface s = Surface::Make(width, height);
  if (s) draw(s.dc());
  return s;
}

}  // namespace

// Hot face (0, 0) and pressed face (4, 0), each 4 x 18 with its outline on the
// left and the stretched middle in column 2 of the face; the enabled arrow at
// (8, 0) and the disabled one at (8, 4).
int DrawComboPartsStrip(HDC dc) {
  return DrawPixelArt(dc, 0, 0,
                      {
                          "OhHhOpPpAAAAAAA",
                          "OhHhOpPp-AAAAA-",
                          "OhHhOpPp--AAA--",
                          "OhHhOpPp---A---",
                          "OhHhOpPpddddddd",
                          "OhHhOpPp-ddddd-",
                          "OhHhOpPp--ddd--",
                          "OhHhOpPp---d---",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                          "OhHhOpPp-------",
                      },
                      {
                          Solid('O', 0x4EA0D1),
                          Down('h', 0xE8F9FF, 0xC0E1F3, 0, 17),
                          Down('H', 0xC1EEFD, 0x65B8E3, 0, 17),
                          Down('p', 0xBEE1F3, 0xE6F8FE, 0, 17),
                          Down('P', 0x61B5E2, 0xBCEBFC, 0, 17),
                          Solid('A', 0x19555F),
                          Solid('d', 0x84A5AC),
                      });
}

// Check marks (0, 0) and (9, 0), indeterminate squares (1, 9) and (10, 9),
// option dots (2, 18) and (11, 18); enabled left, disabled right.
int DrawGlyphStrip(HDC dc) {
  return DrawPixelArt(dc, 0, 0,
                      {
                          "------------------",
                          "--------G--------g",
                          "-------GG-------gg",
                          "G-----GG-g-----gg-",
                          "GG---GG--gg---gg--",
                          "-GG-GG----gg-gg---",
                          "--GGG------ggg----",
                          "---G--------g-----",
                          "------------------",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "-SSSSSSS--sssssss-",
                          "------------------",
                          "------------------",
                          "---oAo------eDe---",
                          "--oAAAo----eDDDe--",
                          "--AAAAA----DDDDD--",
                          "--oBBBo----eDDDe--",
                          "---oBo------eDe---",
                          "------------------",
                      },
                      {
                          Down('G', 0x54B71D, 0x359102, 1, 7),
                          Down('g', 0xA8DA8C, 0x98C77E, 1, 7),
                          Down('S', 0x51B41B, 0x399606, 9, 15),
                          Down('s', 0xA6D98B, 0x9AC980, 9, 15),
                          Solid('o', 0x87CC60),
                          Solid('A', 0x4FB119),
                          Solid('B', 0x47A812),
                          Solid('e', 0xC3E5AF),
                          Solid('D', 0xA7D88C),
                      });
}

// Normal, hot, pressed and disabled circles, 13 pixels apart.
int DrawOptionFaceStrip(HDC dc) {
  return DrawOptionCircle(dc, 0, 0x83A6D2, 0xBCCFE7, 0x95B3D9, 0x86A8D3, 0x9DB8DB, Solid('i', 0xFFFFFF)) +
         DrawOptionCircle(dc, 13, 0x83A6D2, 0xBCCFE7, 0x95B3D9, 0x86A8D3, 0x9DB8DB,
                          Diagonal('i', 0xC3EAF8, 0xE1F5FD, 5, 19)) +
         DrawOptionCircle(dc, 26, 0x6489C1, 0xA4BCDD, 0x7699CA, 0x678BC2, 0x7F9FCD,
                          Diagonal('i', 0xADE1F5, 0xD5F1FD, 5, 19)) +
         DrawOptionCircle(dc, 39, 0xC1D2E8, 0xDDE7F3, 0xCAD9EC, 0xC2D3E9, 0xCEDBED, Solid('i', 0xFFFFFF));
}

// Normal (0, 0), hot (3, 0) and pressed (6, 0) faces; column 1 doubles as the
// header background.
int DrawHeaderFaceStrip(HDC dc) {
  return DrawPixelArt(dc, 0, 0,
                      {
                          "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr",
                          "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr", "nnsLmLLqr",
                          "nntLmLLqr", "nntLmLLqr", "nntLmLLqr", "nntLmLLqr", "nntLmLLqr",
                          "nntLmLLqr", "nntLmLLqr", "nntLmLLqr", "nntLmLLqr", "bbbbbbbbb",
                      },
                      {
                          Down('n', 0xEAF5FE, 0xD3E5F6, 0, 18),
                          Down('s', 0xE0EFFA, 0x7AB0D9, 0, 9),
                          Down('t', 0x7AB0D9, 0xCCE1F3, 9, 18),
                          Solid('L', 0x5EC2FA),
                          Down('m', 0xC8EBFE, 0xAFE1FD, 0, 18),
                          Down('q', 0xA0DDFF, 0xC8F2FF, 0, 18),
                          Solid('r', 0x4BA2DB),
                          Solid('b', 0xC0DAF2),
                      });
}

Surface BuildComboPartsStrip() { return MakeStrip(15, 18, DrawComboPartsStrip); }
Surface BuildGlyphStrip() { return MakeStrip(18, 24, DrawGlyphStrip); }
Surface BuildOptionFaceStrip() { return MakeStrip(13, 52, DrawOptionFaceStrip); }
Surface BuildHeaderFaceStrip() { return MakeStrip(9, 20, DrawHeaderFaceStrip); }

}  // namespace sb
