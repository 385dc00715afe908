// What the ALSA file device captured ($SONGBOX_TEST_AUDIO, rewritten on each
// opening of the device) and sounds to serve that tell songs apart there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sbtest {

// The 16-bit samples of the device's last opening.
std::vector<int16_t> CapturedSamples();
// Pitch of the audible parts of mono samples, from zero crossings; 0 for silence.
double ToneFrequency(const std::vector<int16_t>& samples, double rate);
// A mono 16-bit PCM WAV file of a sine.
std::string SineWav(int rate, double seconds, double frequency);

}  // namespace sbtest
