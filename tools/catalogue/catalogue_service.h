// The demo catalogue's HTTP routes.
#pragma once

#include <httplib.h>

#include <string>

namespace songbox_catalogue {

// Routes "/", "/wgns/url/<sid>", "/lyrics/<id>", "/cover/<id>", "/media/<file>",
// "/community" and "/forum". `mediaFolder` holds media/ and cover/.
bool MountCatalogue(httplib::Server& server, const std::string& mediaFolder);

}  // namespace songbox_catalogue
