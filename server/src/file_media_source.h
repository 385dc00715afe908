// A media body that is one whole file on disk: a song served byte for byte,
// or a finished transcode. The descriptor is opened at once, so the file may
// be renamed or removed afterwards and the response still completes.
//
// Threading: as MediaSource.
#pragma once

#include <memory>
#include <string>

#include "media_source.h"

namespace songbox_server {

// nullptr when `file` cannot be opened as a regular file.
std::unique_ptr<MediaSource> OpenFileSource(const std::string& file);

}  // namespace songbox_server
