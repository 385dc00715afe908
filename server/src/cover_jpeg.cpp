#include "cover_jpeg.h"

#include <turbojpeg.h>

#include <memory>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb/stb_image.h>

namespace songbox_server {
namespace {

constexpr int kMaxSide = 8192;

// True for a JPEG whose first frame header is sequential Huffman (SOF0/SOF1).
bool IsBaselineJpeg(std::string_view p) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(p[i]); };
  if (p.size() < 4 || at(0) != 0xFF || at(1) != 0xD8) return false;
  size_t i = 2;
  while (i + 4 <= p.size()) {
    if (at(i) != 0xFF) return false;
    unsigned char marker = at(i + 1);
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    if (marker == 0xC0 || marker == 0xC1) return true;
    if ((marker >= 0xC2 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) || marker == 0xDA)
      return false;
    size_t length = (static_cast<size_t>(at(i + 2)) << 8) | at(i + 3);
    if (length < 2) return false;
    i += 2 + length;
  }
  return false;
}

}  // namespace

std::optional<std::string> BaselineJpeg(std::string_view picture) {
  if (IsBaselineJpeg(picture)) return std::string(picture);
  if (picture.empty() || picture.size() > 0x7FFFFFFF) return std::nullopt;
  const auto* bytes = reinterpret_cast<const stbi_uc*>(picture.data());
  const int length = static_cast<int>(picture.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &w, &h, &channels) || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
    return std::nullopt;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(stbi_load_from_memory(bytes, length, &w, &h, &channels, 3),
                                                stbi_image_free);
  if (!rgb) return std::nullopt;
  std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), tjDestroy);
  if (!encoder) return std::nullopt;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  int rc = tjCompress2(encoder.get(), rgb.get(), w, 0, h, TJPF_RGB, &out, &outSize, TJSAMP_420, 90, 0);
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(out, tjFree);
  if (rc != 0 || !out) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(out), outSize);
}

}  // namespace songbox_server
