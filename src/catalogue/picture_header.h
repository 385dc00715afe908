// The pixel size a picture file declares in its header, read before any
// decoder sees the file, so that a tiny file declaring a huge picture is
// refused instead of decoded. Window-free: it also builds natively and is fuzzed.
#pragma once

#include <optional>
#include <string_view>

namespace sb {

struct PictureSize {
  long long width = 0;
  long long height = 0;
};

// JPEG (its first frame header), GIF (the logical screen, grown to hold every
// image) and BMP. nullopt for any other or a cut-off header.
std::optional<PictureSize> DeclaredPictureSize(std::string_view bytes);

// True for a JPEG, GIF or BMP whose declared sides are 1..maxSide pixels.
bool PictureSizeAcceptable(std::string_view bytes, long long maxSide);

}  // namespace sb
