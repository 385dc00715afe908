#include "platform/player/warm_up.h"

#include <windows.h>
#include <mmsystem.h>
#include <wininet.h>

#include "platform/handles.h"
#include "platform/player/acm_decoder.h"

namespace sb {

void WarmUpPlayback() {
  waveOutGetNumDevs();
  Mp3FrameHeader format;
  format.version = 10;
  format.bitrateKbps = 128;
  format.sampleRate = 44100;
  format.channels = 2;
  format.frameBytes = 417;
  format.samplesPerFrame = 1152;
  AcmMp3Decoder decoder;
  decoder.Open(format);
  UniqueInternet session(InternetOpenW(L"SongBox", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

}  // namespace sb
