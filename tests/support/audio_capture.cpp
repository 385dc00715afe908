#include "audio_capture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "test_env.h"

namespace sbtest {

std::vector<int16_t> CapturedSamples() {
  const std::string bytes = ReadFileBytes(UnixToWindowsPath(EnvW(L"SONGBOX_TEST_AUDIO")));
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

double ToneFrequency(const std::vector<int16_t>& s, double rate) {
  // Only 10 ms blocks with sound count: a device that ran dry in between adds
  // silence that has no crossings.
  const size_t block = static_cast<size_t>(rate / 100);
  size_t crossings = 0, audible = 0;
  for (size_t b = 0; b + block <= s.size(); b += block) {
    int peak = 0;
    for (size_t i = b; i < b + block; ++i) peak = std::max(peak, std::abs(static_cast<int>(s[i])));
    if (peak < 300) continue;
    audible += block;
    for (size_t i = std::max<size_t>(b, 1); i < b + block; ++i)
      if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  }
  return audible ? crossings / 2.0 / (audible / rate) : 0;
}

std::string SineWav(int rate, double seconds, double frequency) {
  const auto frames = static_cast<uint32_t>(rate * seconds);
  std::string w;
  auto u32 = [&](uint32_t v) { w.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { w.append(reinterpret_cast<const char*>(&v), 2); };
  w += "RIFF";
  u32(36 + frames * 2);
  w += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate * 2));
  u16(2);
  u16(16);
  w += "data";
  u32(frames * 2);
  for (uint32_t i = 0; i < frames; ++i)
    u16(static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * frequency * i / rate))));
  return w;
}

}  // namespace sbtest
