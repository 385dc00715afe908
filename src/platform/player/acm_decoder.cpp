#include "platform/player/acm_decoder.h"

namespace sb {

bool AcmMp3Decoder::Open(const Mp3FrameHeader& f) {
  mp3_ = {};
  mp3_.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3_.wfx.nChannels = static_cast<WORD>(f.channels);
  mp3_.wfx.nSamplesPerSec = static_cast<DWORD>(f.sampleRate);
  mp3_.wfx.nAvgBytesPerSec = static_cast<DWORD>(f.bitrateKbps * 1000 / 8);
  mp3_.wfx.nBlockAlign = 1;
  mp3_.wfx.wBitsPerSample = 0;
  mp3_.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
  mp3_.wID = MPEGLAYER3_ID_MPEG;
  mp3_.fdwFlags = MPEGLAYER3_FLAG_PADDING_OFF;
  mp3_.nBlockSize = static_cast<WORD>(f.frameBytes);
  mp3_.nFramesPerBlock = 1;
  mp3_.nCodecDelay = 0;

  pcm_ = {};
  pcm_.wFormatTag = WAVE_FORMAT_PCM;
  pcm_.nChannels = static_cast<WORD>(f.channels);
  pcm_.nSamplesPerSec = static_cast<DWORD>(f.sampleRate);
  pcm_.wBitsPerSample = 16;
  pcm_.nBlockAlign = static_cast<WORD>(f.channels * 2);
  pcm_.nAvgBytesPerSec = pcm_.nSamplesPerSec * pcm_.nBlockAlign;
  return Reset();
}

bool AcmMp3Decoder::Reset() {
  stream_.reset();
  HACMSTREAM stream = nullptr;
  if (acmStreamOpen(&stream, nullptr, &mp3_.wfx, &pcm_, nullptr, 0, 0, 0) != MMSYSERR_NOERROR) return false;
  stream_.reset(stream);
  return true;
}

bool AcmMp3Decoder::Decode(const uint8_t* frames, size_t bytes, std::vector<uint8_t>& out) {
  if (!stream_ || bytes == 0) return false;
  DWORD outBytes = 0;
  if (acmStreamSize(stream_.get(), static_cast<DWORD>(bytes), &outBytes, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR ||
      outBytes == 0) {
    outBytes = static_cast<DWORD>(bytes) * 16;
  }
  // Room for samples the codec held back from the previous call.
  outBytes += 2 * 1152 * pcm_.nBlockAlign;
  std::vector<uint8_t> input(frames, frames + bytes);
  const size_t start = out.size();
  out.resize(start + outBytes);
  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof(header);
  header.pbSrc = input.data();
  header.cbSrcLength = static_cast<DWORD>(bytes);
  header.pbDst = out.data() + start;
  header.cbDstLength = outBytes;
  if (acmStreamPrepareHeader(stream_.get(), &header, 0) != MMSYSERR_NOERROR) {
    out.resize(start);
    return false;
  }
  const MMRESULT converted = acmStreamConvert(stream_.get(), &header, ACM_STREAMCONVERTF_BLOCKALIGN);
  const DWORD produced = header.cbDstLengthUsed;
  acmStreamUnprepareHeader(stream_.get(), &header, 0);
  out.resize(start + (converted == MMSYSERR_NOERROR ? produced : 0));
  return converted == MMSYSERR_NOERROR;
}

}  // namespace sb
