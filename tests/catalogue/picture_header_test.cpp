#include "catalogue/picture_header.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Le16(int v) { return Bytes({v & 0xFF, (v >> 8) & 0xFF}); }
std::string Le32(long long v) { return Le16(static_cast<int>(v & 0xFFFF)) + Le16(static_cast<int>((v >> 16) & 0xFFFF)); }

// SOI, an APP0 segment, optional fill bytes, a frame header of the given kind.
std::string Jpeg(int sof, int width, int height, bool fill = false) {
  std::string s = Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'});
  if (fill) s += Bytes({0xFF, 0xFF});
  s += Bytes({0xFF, sof, 0x00, 0x11, 8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 3});
  return s + std::string(9, '\0');
}

std::string Gif(int width, int height, std::string body) {
  return "GIF89a" + Le16(width) + Le16(height) + Bytes({0x80, 0, 0}) + std::string(6, '\0') + body;
}
std::string GifImage(int left, int top, int width, int height) {
  return Bytes({0x2C}) + Le16(left) + Le16(top) + Le16(width) + Le16(height) + Bytes({0, 2, 1, 0x44, 0});
}
const std::string kGifComment = Bytes({0x21, 0xFE, 3, 'a', 'b', 'c', 0});

std::string Bmp(int header, long long width, long long height) {
  std::string s = "BM" + std::string(12, '\0') + Le32(header);
  s += header == 12 ? Le16(static_cast<int>(width)) + Le16(static_cast<int>(height)) : Le32(width) + Le32(height);
  return s + std::string(40, '\0');
}

TEST(PictureHeader, DeclaredSizesOfEachFormat) {
  struct Case {
    const char* what;
    std::string bytes;
    long long width, height;  // 0: no size
  } cases[] = {
      {"baseline JPEG", Jpeg(0xC0, 640, 480), 640, 480},
      {"progressive JPEG after fill bytes", Jpeg(0xC2, 30000, 30000, true), 30000, 30000},
      {"JPEG whose first frame marker is a table", Jpeg(0xC4, 1, 1), 0, 0},
      {"JPEG cut inside its frame header", Jpeg(0xC0, 640, 480).substr(0, 16), 0, 0},
      {"JPEG with scan data before any frame", Bytes({0xFF, 0xD8, 0xFF, 0xDA, 0, 2}), 0, 0},
      {"GIF image inside its screen", Gif(100, 50, kGifComment + GifImage(10, 10, 20, 20) + ";"), 100, 50},
      {"GIF image far beyond its screen", Gif(10, 10, GifImage(0, 0, 65535, 40000) + ";"), 65535, 40000},
      {"GIF cut before its trailer", Gif(10, 10, GifImage(0, 0, 5, 5)), 0, 0},
      {"BMP info header, bottom-up", Bmp(40, 800, 600), 800, 600},
      {"BMP info header, top-down", Bmp(124, 800, -600), 800, 600},
      {"BMP core header", Bmp(12, 64, 32), 64, 32},
      {"BMP with an unknown header", Bmp(20, 64, 32), 0, 0},
      {"PNG", Bytes({0x89, 'P', 'N', 'G', 13, 10, 26, 10}) + std::string(30, '\0'), 0, 0},
      {"an error page", "<html><body>no cover</body></html>", 0, 0},
      {"nothing", "", 0, 0},
  };
  for (const Case& k : cases) {
    auto size = sb::DeclaredPictureSize(k.bytes);
    if (k.width == 0) {
      EXPECT_FALSE(size.has_value()) << k.what;
      continue;
    }
    ASSERT_TRUE(size.has_value()) << k.what;
    EXPECT_EQ(size->width, k.width) << k.what;
    EXPECT_EQ(size->height, k.height) << k.what;
  }
}

TEST(PictureHeader, OnlyPicturesWithSidesWithinTheBoundAreAcceptable) {
  EXPECT_TRUE(sb::PictureSizeAcceptable(Jpeg(0xC0, 4096, 4096), 4096));
  EXPECT_FALSE(sb::PictureSizeAcceptable(Jpeg(0xC0, 4097, 16), 4096));
  EXPECT_FALSE(sb::PictureSizeAcceptable(Jpeg(0xC0, 0, 16), 4096));
  EXPECT_FALSE(sb::PictureSizeAcceptable(Bmp(40, -5, 16), 4096));
  EXPECT_FALSE(sb::PictureSizeAcceptable("GIF89a", 4096));
}

}  // namespace
