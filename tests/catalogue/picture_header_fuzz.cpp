// Arbitrary bytes through the picture header reader: it never reads outside
// them, and a size it reports is never negative.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "catalogue/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto declared = sb::DeclaredPictureSize(bytes);
  if (declared && (declared->width < 0 || declared->height < 0)) std::abort();
  sb::PictureSizeAcceptable(bytes, 4096);
  return 0;
}
