// songbox-catalogue: the demo catalogue service on 127.0.0.1.
//   songbox-catalogue --port 8611 --media <folder made by tools/make-media.sh>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "catalogue_service.h"

int main(int argc, char** argv) {
  int port = 8611;
  std::string media;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--port") {
      port = std::atoi(argv[i + 1]);
    } else if (arg == "--media") {
      media = argv[i + 1];
    } else {
      std::fprintf(stderr, "unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  if (media.empty() || port <= 0 || port > 65535) {
    std::fprintf(stderr, "usage: songbox-catalogue --port 8611 --media <folder>\n");
    return 2;
  }
  httplib::Server server;
  if (!songbox_catalogue::MountCatalogue(server, media)) {
    std::fprintf(stderr, "no media folder at %s/media\n", media.c_str());
    return 1;
  }
  std::fprintf(stderr, "songbox-catalogue: http://127.0.0.1:%d/ (media from %s)\n", port, media.c_str());
  if (!server.listen("127.0.0.1", port)) {
    std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
    return 1;
  }
  return 0;
}
