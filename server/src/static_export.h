// The catalogue as static files that any web server or CDN can host:
// index.html (the front page), wgns/url/<sid>, lyrics/<id>, cover/<id>,
// media/<path>, community/ and forum/. Play counts are those of the moment.
#pragma once

#include <string>

#include "library.h"
#include "transcoder.h"

namespace songbox_server {

// Writes the site under `out` (created when missing); media files are copied
// only when missing or different in size or time. A song other than MP3 is
// written as its transcode under the address the page gives it, with the
// song's time, and made again only when that time changed. Returns the number
// of songs written; throws std::filesystem::filesystem_error when a write
// fails.
size_t ExportSite(Library& library, Transcoder& transcoder, const std::string& out);

}  // namespace songbox_server
