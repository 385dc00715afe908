#include "platform/player/wave_output.h"

namespace sb {

WaveOutput::WaveOutput() : done_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

WaveOutput::~WaveOutput() { Release(); }

void WaveOutput::Release() {
  if (!device_) return;
  waveOutReset(device_.get());
  for (Slot& s : slots_) {
    if (s.prepared) waveOutUnprepareHeader(device_.get(), &s.header, sizeof(s.header));
    s.prepared = false;
  }
  device_.reset();
}

MMRESULT WaveOutput::Open(const WAVEFORMATEX& format, size_t bufferBytes) {
  Release();
  HWAVEOUT device = nullptr;
  const MMRESULT r = waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(done_.get()), 0,
                                 CALLBACK_EVENT);
  if (r != MMSYSERR_NOERROR) return r;
  device_.reset(device);
  bufferBytes_ = bufferBytes;
  format_ = format;
  for (Slot& s : slots_) {
    s.data.assign(bufferBytes, 0);
    s.header = {};
    s.header.lpData = reinterpret_cast<LPSTR>(s.data.data());
    s.header.dwBufferLength = static_cast<DWORD>(bufferBytes);
    if (waveOutPrepareHeader(device_.get(), &s.header, sizeof(s.header)) != MMSYSERR_NOERROR) {
      Release();
      return MMSYSERR_NOMEM;
    }
    s.prepared = true;
    s.header.dwFlags |= WHDR_DONE;  // free until first written
  }
  return MMSYSERR_NOERROR;
}

bool WaveOutput::Plays(const WAVEFORMATEX& f) const {
  return device_ && f.wFormatTag == format_.wFormatTag && f.nChannels == format_.nChannels &&
         f.nSamplesPerSec == format_.nSamplesPerSec && f.wBitsPerSample == format_.wBitsPerSample;
}

int WaveOutput::FreeBuffer() const {
  for (int i = 0; i < kBuffers; ++i) {
    if (slots_[i].header.dwFlags & WHDR_DONE) return i;
  }
  return -1;
}

bool WaveOutput::Write(int index, size_t bytes) {
  WAVEHDR& h = slots_[index].header;
  h.dwBufferLength = static_cast<DWORD>(bytes);
  h.dwFlags &= ~WHDR_DONE;
  if (waveOutWrite(device_.get(), &h, sizeof(h)) != MMSYSERR_NOERROR) {
    h.dwFlags |= WHDR_DONE;
    return false;
  }
  return true;
}

int WaveOutput::Queued() const {
  int n = 0;
  for (const Slot& s : slots_) {
    if (!(s.header.dwFlags & WHDR_DONE)) ++n;
  }
  return n;
}

void WaveOutput::Pause() {
  if (device_) waveOutPause(device_.get());
}

void WaveOutput::Restart() {
  if (device_) waveOutRestart(device_.get());
}

void WaveOutput::Reset() {
  if (device_) waveOutReset(device_.get());
}

uint64_t WaveOutput::PlayedBytes() const {
  if (!device_) return 0;
  MMTIME t{};
  t.wType = TIME_BYTES;
  if (waveOutGetPosition(device_.get(), &t, sizeof(t)) != MMSYSERR_NOERROR || t.wType != TIME_BYTES) return 0;
  return t.u.cb;
}

}  // namespace sb
