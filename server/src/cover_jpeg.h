// Cover pictures as the Windows picture loader reads them: baseline JPEG.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace songbox_server {

// `picture` unchanged when it is a baseline (sequential) JPEG that fits
// 800 × 800 pixels; otherwise a JPEG, PNG, GIF or BMP decoded (a JPEG at a
// reduced scale), scaled down to fit 800 × 800 and written as baseline JPEG.
// nullopt for bytes that are no picture, or one too large to decode (over
// 8192 pixels a side, or 16384 for a JPEG). At most two decode at once; any
// thread may call it.
std::optional<std::string> BaselineJpeg(std::string_view picture);

}  // namespace songbox_server
