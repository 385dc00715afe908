#include "catalogue/picture_header.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace sb {
namespace {

unsigned Byte(std::string_view b, size_t i) { return static_cast<unsigned char>(b[i]); }
unsigned BigEndian16(std::string_view b, size_t i) { return Byte(b, i) << 8 | Byte(b, i + 1); }
unsigned LittleEndian16(std::string_view b, size_t i) { return Byte(b, i) | Byte(b, i + 1) << 8; }
int32_t LittleEndian32(std::string_view b, size_t i) {
  return static_cast<int32_t>(LittleEndian16(b, i) | static_cast<uint32_t>(LittleEndian16(b, i + 2)) << 16);
}

bool IsFrameHeader(unsigned marker) {
  // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureSize> JpegSize(std::string_view b) {
  size_t i = 2;
  for (;;) {
    if (i >= b.size() || Byte(b, i) != 0xFF) return std::nullopt;
    while (i < b.size() && Byte(b, i) == 0xFF) ++i;  // fill bytes before a marker
    if (i >= b.size()) return std::nullopt;
    const unsigned marker = Byte(b, i++);
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA || i + 2 > b.size()) return std::nullopt;
    const size_t length = BigEndian16(b, i);
    if (IsFrameHeader(marker)) {
      if (length < 7 || i + 7 > b.size()) return std::nullopt;
      return PictureSize{BigEndian16(b, i + 5), BigEndian16(b, i + 3)};
    }
    if (length < 2) return std::nullopt;
    i += length;
  }
}

// Skips a chain of data sub-blocks starting at i; the index after its terminator.
std::optional<size_t> SkipSubBlocks(std::string_view b, size_t i) {
  while (i < b.size()) {
    const size_t n = Byte(b, i);
    if (n == 0) return i + 1;
    i += n + 1;
  }
  return std::nullopt;
}

size_t ColourTableBytes(unsigned flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0; }

std::optional<PictureSize> GifSize(std::string_view b) {
  if (b.size() < 13) return std::nullopt;
  PictureSize size{LittleEndian16(b, 6), LittleEndian16(b, 8)};
  size_t i = 13 + ColourTableBytes(Byte(b, 10));
  while (i < b.size()) {
    const unsigned kind = Byte(b, i);
    if (kind == 0x3B) return size;  // trailer
    std::optional<size_t> next;
    if (kind == 0x21 && i + 2 <= b.size()) {
      next = SkipSubBlocks(b, i + 2);
    } else if (kind == 0x2C && i + 11 <= b.size()) {
      size.width = std::max<long long>(size.width, LittleEndian16(b, i + 1) + LittleEndian16(b, i + 5));
      size.height = std::max<long long>(size.height, LittleEndian16(b, i + 3) + LittleEndian16(b, i + 7));
      next = SkipSubBlocks(b, i + 11 + ColourTableBytes(Byte(b, i + 9)));  // after the LZW code size
    }
    if (!next) return std::nullopt;
    i = *next;
  }
  return std::nullopt;  // cut off before its trailer: a decoder would take what is there
}

std::optional<PictureSize> BmpSize(std::string_view b) {
  if (b.size() < 26) return std::nullopt;
  const int32_t header = LittleEndian32(b, 14);
  if (header == 12) return PictureSize{LittleEndian16(b, 18), LittleEndian16(b, 20)};
  if (header < 40 || LittleEndian32(b, 18) <= 0) return std::nullopt;
  return PictureSize{LittleEndian32(b, 18), std::llabs(static_cast<long long>(LittleEndian32(b, 22)))};
}

}  // namespace

std::optional<PictureSize> DeclaredPictureSize(std::string_view b) {
  if (b.size() >= 3 && Byte(b, 0) == 0xFF && Byte(b, 1) == 0xD8 && Byte(b, 2) == 0xFF) return JpegSize(b);
  if (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a") return GifSize(b);
  if (b.substr(0, 2) == "BM") return BmpSize(b);
  return std::nullopt;
}

bool PictureSizeAcceptable(std::string_view bytes, long long maxSide) {
  std::optional<PictureSize> size = DeclaredPictureSize(bytes);
  return size && size->width >= 1 && size->height >= 1 && size->width <= maxSide && size->height <= maxSide;
}

}  // namespace sb
