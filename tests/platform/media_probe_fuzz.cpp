// Arbitrary bytes, whole, arriving in pieces or with only a window of them
// kept, never make the frame index or the WAV header reader read outside the
// buffer, and the index finds the same frames every way.
#include <cstddef>
#include <cstdint>

#include "platform/player/mp3_frame.h"
#include "platform/player/wav_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sb::Mp3FrameIndex growing, windowed;
  // The windowed index is shown only the bytes from where it resumes.
  const auto kept = [&](size_t end) {
    const size_t begin = windowed.resumeOffset() < end ? windowed.resumeOffset() : end;
    return sb::StreamView{data + begin, begin, end};
  };
  const size_t step = size > 0 ? 1 + data[0] % 97 : 1;
  for (size_t n = 0; n < size; n += step) {
    growing.Update(data, n, false);
    windowed.Update(kept(n), false);
  }
  growing.Update(data, size, true);
  windowed.Update(kept(size), true);
  for (const auto& f : growing.frames()) {
    if (f.offset + static_cast<size_t>(f.bytes) > size) __builtin_trap();
  }
  if (windowed.frames().size() != growing.frames().size()) __builtin_trap();
  sb::Mp3FrameIndex whole;
  whole.Update(data, size, true);
  if (whole.frames().size() != growing.frames().size()) __builtin_trap();
  sb::ParseWav(data, size, false);
  sb::ParseWav(data, size, true);
  return 0;
}
