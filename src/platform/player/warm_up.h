// Loads what the first playback needs (the sound driver, the MP3 codec,
// WinINet) once per process on a background thread, so the first song does
// not pay for it after the address is put.
#pragma once

namespace sb {

void WarmUpPlayback();

}  // namespace sb
