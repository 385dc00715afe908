// Cover pictures as the Windows picture loader reads them: baseline JPEG.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace songbox_server {

// `picture` unchanged when it is a baseline (sequential) JPEG; otherwise a PNG,
// GIF, BMP or progressive JPEG decoded and written again as baseline JPEG.
// nullopt for bytes that are no picture, or one over 8192 × 8192 pixels.
std::optional<std::string> BaselineJpeg(std::string_view picture);

}  // namespace songbox_server
