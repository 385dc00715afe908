// The catalogue's HTTP routes over a Library.
#pragma once

#include <httplib.h>

#include "library.h"

namespace songbox_server {

// "/", "/wgns/url/<sid>", "/lyrics/<id>", "/cover/<id>", "/media/<path>",
// "/community" and "/forum"; every other request gets a 4xx. Only indexed
// files are ever opened.
void MountRoutes(httplib::Server& server, Library& library);

}  // namespace songbox_server
