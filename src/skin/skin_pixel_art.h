// Small pictures kept as rows of letters with a legend: each letter is an ink,
// a plain colour or a gradient along the rows or the diagonal of the piece.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace sb {

constexpr COLORREF Hex(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct Ink {
  char letter;
  COLORREF from, to;
  int start, end;  // the row (or x + y for a diagonal) where from and to sit
  bool diagonal;
};

constexpr Ink Solid(char letter, std::uint32_t rgb) { return {letter, Hex(rgb), Hex(rgb), 0, 0, false}; }
constexpr Ink Down(char letter, std::uint32_t top, std::uint32_t bottom, int firstRow, int lastRow) {
  return {letter, Hex(top), Hex(bottom), firstRow, lastRow, false};
}
constexpr Ink Diagonal(char letter, std::uint32_t topLeft, std::uint32_t bottomRight, int firstSum, int lastSum) {
  return {letter, Hex(topLeft), Hex(bottomRight), firstSum, lastSum, true};
}

// Colour of an ink at (x, y) of its piece.
COLORREF InkAt(const Ink& ink, int x, int y);

// Sets every pixel of the picture with SetPixel, its top-left corner at
// (left, top); '-' is the skin's key colour. Returns the number of pixels set
// (letters without an ink are left out, so the count shows a missing ink).
int DrawPixelArt(HDC dc, int left, int top, std::initializer_list<std::string_view> rows,
                 std::initializer_list<Ink> inks);

// The pictures of the four small skin bitmaps, drawn at (0, 0) of the DC.
int DrawComboPartsStrip(HDC dc);
int DrawGlyphStrip(HDC dc);
int DrawOptionFaceStrip(HDC dc);
int DrawHeaderFaceStrip(HDC dc);

}  // namespace sb
