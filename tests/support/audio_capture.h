// What the ALSA file device captured ($SONGBOX_TEST_AUDIO, rewritten on each
// opening of the device) and sounds to serve that tell songs apart there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sbtest {

// The 16-bit samples of the device's last opening.
std::vector<int16_t> CapturedSamples();
struct ToneReport {
  double seconds = 0;    // of sound, from the first to the last clearly audible sample
  double rms = 0;
  double frequency = 0;  // from zero crossings
};
// Mono samples as heard: quiet stretches of 2 ms or more between the first
// and the last sound do not count. Wine fills a device that ran dry with
// silence, which a loaded machine makes at any moment; the sound around it
// is what was played.
ToneReport AnalyseTone(const std::vector<int16_t>& samples, double rate);
// Pitch of the audible parts of mono samples, from zero crossings; 0 for silence.
double ToneFrequency(const std::vector<int16_t>& samples, double rate);
// A mono 16-bit PCM WAV file of a sine.
std::string SineWav(int rate, double seconds, double frequency);

}  // namespace sbtest
