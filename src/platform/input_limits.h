// Bounds on what a catalogue service can make the program hold or do. A
// response beyond one of them takes the failure path of the fetch it belongs
// to; none of them is reached by a well-formed catalogue.
#pragma once

#include <cstddef>

namespace sb::limits {

// Redirects one request follows before it fails, as browsers and curl do.
inline constexpr int kRedirects = 10;
// Whole-request deadline of the blocking fetches (page, lyrics, cover, address).
inline constexpr int kRequestSeconds = 60;

// Response bodies, in bytes.
// Four times a full 32,767-song page; also the default of every other
// blocking fetch (a song's address page).
inline constexpr size_t kPageBytes = 16u << 20;
inline constexpr size_t kLyricsBytes = 256u << 10;
inline constexpr size_t kCoverBytes = 8u << 20;
// A song download (buffered on disk, not in memory): the download window
// counts in signed 32 bits.
inline constexpr size_t kDownloadBytes = 0x7FFFFFFF;

// Bytes of one media the player holds at once. A longer media (or one sent
// without end) is held as a window around where it plays, half of it behind
// for seeking back, and its transfer waits while the window is full. Over six
// minutes of CD-quality WAV, over half an hour of 256 kbit/s MP3.
inline constexpr size_t kMediaWindowBytes = 64u << 20;

// A cover whose header declares a larger side is not decoded (4096 x 4096 at
// 32 bits is 64 MB of pixels).
inline constexpr int kCoverSidePixels = 4096;

// Characters of one value in the song list; longer ones are cut.
inline constexpr size_t kListCellChars = 1024;
// Lyrics lines longer than this are broken for display only.
inline constexpr size_t kLyricsLineChars = 128;

}  // namespace sb::limits
