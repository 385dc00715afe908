// The catalogue's routes over a Library, as an HttpServer handler.
//
// Threads: the handler runs on any connection's strand at once; Library is
// safe for that, and the media provider must be too.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "http_server.h"
#include "library.h"
#include "media_source.h"

namespace songbox_server {

// The body of a media response for an indexed song's absolute file; nullptr
// answers 404.
using MediaProvider = std::function<std::unique_ptr<MediaSource>(const std::string& file)>;

// Every song file byte for byte.
std::unique_ptr<MediaSource> PlainFiles(const std::string& file);

// "/", "/wgns/url/<sid>", "/lyrics/<id>", "/cover/<id>", "/media/<path>",
// "/community" and "/forum"; every other request gets a 404. Only indexed
// files are ever opened.
HttpHandler CatalogueRoutes(Library& library, MediaProvider media = PlainFiles);

}  // namespace songbox_server
