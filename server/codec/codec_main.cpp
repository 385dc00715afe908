// songbox-codec: the part of the catalogue server that runs ffmpeg, in a
// process of its own, so that the server never maps ffmpeg's libraries (over a
// hundred shared objects) and a file that crashes a decoder ends only this
// process. The server starts it in one of two ways:
//   songbox-codec probe   reads NUL-terminated file names on stdin and answers
//                         each with a line: "0" (its audio does not decode)
//                         or "1", then for each field whose text is not
//                         UTF-8 " <field>=<its bytes in hex>" (see Probed);
//   songbox-codec mp3     descriptor 3 is the source file; writes "frames N\n"
//                         (or nothing, and exits 1, when ffmpeg cannot open
//                         it), waits for a byte on stdin, then writes exactly
//                         N frames of MP3 (see mp3_format.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

#include "audio_decodable.h"
#include "mp3_encoder.h"

namespace {

int Probe() {
  char* name = nullptr;
  size_t capacity = 0;
  ssize_t n;
  while ((n = getdelim(&name, &capacity, '\0', stdin)) > 0 && name[n - 1] == '\0') {
    const songbox_codec::Probed probed = songbox_codec::Probe(name);
    std::fputc(probed.decodable ? '1' : '0', stdout);
    for (const auto& [which, bytes] : probed.legacy) {
      std::printf(" %d=", which);
      for (unsigned char c : bytes) std::printf("%02x", c);
    }
    std::fputc('\n', stdout);
    if (std::fflush(stdout) != 0) break;
  }
  std::free(name);
  return 0;
}

int Mp3() {
  // The descriptor opened again by name: ffmpeg reads and seeks it as a file.
  auto encoder = songbox_codec::Mp3Encoder::Open("/proc/self/fd/3");
  if (!encoder) return 1;
  static char buffer[64 << 10];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  std::printf("frames %llu\n", static_cast<unsigned long long>(encoder->Frames()));
  if (std::fflush(stdout) != 0) return 1;  // the size reaches the server at once
  // A transcode waiting for a free core takes none: it starts when told.
  char go;
  if (::read(0, &go, 1) != 1) return 1;
  bool done = encoder->Run([](const char* p, std::size_t n) { return std::fwrite(p, 1, n, stdout) == n; });
  return done && std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // ffmpeg's own lines (a damaged frame, the encoder's queue) would flood the
  // server's log; the server logs a song it cannot use.
  av_log_set_level(AV_LOG_QUIET);
  if (argc == 2 && std::strcmp(argv[1], "probe") == 0) return Probe();
  if (argc == 2 && std::strcmp(argv[1], "mp3") == 0) return Mp3();
  std::fputs("usage: songbox-codec probe|mp3 (started by songbox-catalogue)\n", stderr);
  return 2;
}
