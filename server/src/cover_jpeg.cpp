#include "cover_jpeg.h"

#include <turbojpeg.h>

#include <algorithm>
#include <memory>
#include <semaphore>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb/stb_image.h>
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb/stb_image_resize.h>

namespace songbox_server {
namespace {

constexpr int kMaxSide = 8192;        // decoded whole: at most 8192² pixels
constexpr int kMaxJpegSide = 16384;   // decoded at 1/8 at most: at most 2048² pixels
constexpr int kFit = 800;
constexpr std::ptrdiff_t kDecodesAtOnce = 2;

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

struct Pixels {
  std::string rgb;
  int w = 0, h = 0;
};

// The size that fits kFit × kFit, never larger than the picture.
std::pair<int, int> Fitted(int w, int h) {
  if (w <= kFit && h <= kFit) return {w, h};
  const double scale = std::min(static_cast<double>(kFit) / w, static_cast<double>(kFit) / h);
  return {std::max(1, static_cast<int>(w * scale + 0.5)), std::max(1, static_cast<int>(h * scale + 0.5))};
}

// A JPEG decoded at the smallest of libjpeg-turbo's scales that is still at
// least the fitted size: a 4000-pixel cover is decoded at 1000 pixels.
std::optional<Pixels> DecodeJpeg(std::string_view p) {
  std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
  const auto* bytes = reinterpret_cast<const unsigned char*>(p.data());
  int w = 0, h = 0, sub = 0, colour = 0;
  if (!decoder || tjDecompressHeader3(decoder.get(), bytes, p.size(), &w, &h, &sub, &colour) != 0 || w <= 0 ||
      h <= 0 || w > kMaxJpegSide || h > kMaxJpegSide)
    return std::nullopt;
  const auto [fw, fh] = Fitted(w, h);
  int count = 0;
  const tjscalingfactor* factors = tjGetScalingFactors(&count);
  Pixels out{{}, w, h};
  for (int i = 0; i < count; ++i) {
    const int sw = TJSCALED(w, factors[i]), sh = TJSCALED(h, factors[i]);
    if (sw >= fw && sh >= fh && sw * static_cast<long>(sh) < out.w * static_cast<long>(out.h)) out = {{}, sw, sh};
  }
  out.rgb.resize(static_cast<size_t>(out.w) * out.h * 3);
  if (tjDecompress2(decoder.get(), bytes, p.size(), reinterpret_cast<unsigned char*>(out.rgb.data()), out.w, 0, out.h,
                    TJPF_RGB, 0) != 0)
    return std::nullopt;
  return out;
}

std::optional<Pixels> DecodeOther(std::string_view p) {
  const auto* bytes = reinterpret_cast<const stbi_uc*>(p.data());
  const int length = static_cast<int>(p.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(bytes, length, &w, &h, &channels) || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
    return std::nullopt;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(stbi_load_from_memory(bytes, length, &w, &h, &channels, 3),
                                                stbi_image_free);
  if (!rgb) return std::nullopt;
  return Pixels{std::string(reinterpret_cast<const char*>(rgb.get()), static_cast<size_t>(w) * h * 3), w, h};
}

std::optional<std::string> Encode(const Pixels& pixels) {
  std::unique_ptr<void, int (*)(tjhandle)> encoder(tjInitCompress(), tjDestroy);
  if (!encoder) return std::nullopt;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  int rc = tjCompress2(encoder.get(), reinterpret_cast<const unsigned char*>(pixels.rgb.data()), pixels.w, 0, pixels.h,
                       TJPF_RGB, &out, &outSize, TJSAMP_420, 90, 0);
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(out, tjFree);
  if (rc != 0 || !out) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(out), outSize);
}

bool SmallBaseline(std::string_view p) {
  if (!IsBaselineJpeg(p)) return false;
  std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
  int w = 0, h = 0, sub = 0, colour = 0;
  return decoder &&
         tjDecompressHeader3(decoder.get(), reinterpret_cast<const unsigned char*>(p.data()), p.size(), &w, &h, &sub,
                             &colour) == 0 &&
         w <= kFit && h <= kFit;
}

// Decodes run a few at a time: each holds up to a few megabytes of pixels.
std::counting_semaphore<kDecodesAtOnce> decodes(kDecodesAtOnce);

}  // namespace

std::optional<std::string> BaselineJpeg(std::string_view picture) {
  if (SmallBaseline(picture)) return std::string(picture);
  if (picture.empty() || picture.size() > 0x7FFFFFFF) return std::nullopt;
  decodes.acquire();
  struct Release {
    ~Release() { decodes.release(); }
  } release;
  const bool jpeg = picture.size() > 2 && picture.substr(0, 2) == "\xFF\xD8";
  std::optional<Pixels> pixels = jpeg ? DecodeJpeg(picture) : DecodeOther(picture);
  if (!pixels) return std::nullopt;
  const auto [fw, fh] = Fitted(pixels->w, pixels->h);
  if (fw != pixels->w || fh != pixels->h) {
    Pixels fitted{std::string(static_cast<size_t>(fw) * fh * 3, '\0'), fw, fh};
    if (!stbir_resize_uint8(reinterpret_cast<const unsigned char*>(pixels->rgb.data()), pixels->w, pixels->h, 0,
                            reinterpret_cast<unsigned char*>(fitted.rgb.data()), fw, fh, 0, 3))
      return std::nullopt;
    pixels = std::move(fitted);
  }
  return Encode(*pixels);
}

}  // namespace songbox_server
