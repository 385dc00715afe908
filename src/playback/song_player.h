// Playing a song from its id: the song's address page under the service root
// gives the media path, which the player gets as root + page body.
#pragma once

#include <string>

namespace sb {

class Inet;
class MediaPlayer;

std::wstring AddressPageUrl(const std::wstring& root, const std::wstring& songId);

// Fetches the address page with `inet` and gives the player root + the whole
// body, untrimmed. False (the player's address unchanged) when the fetch fails.
bool ResolveSongAddress(Inet& inet, MediaPlayer& player, const std::wstring& songId);

// Resolves, then asks the player to play whether or not the resolution worked
// (a failed one replays or resumes the current address). True when resolved.
bool ResolveAndPlay(Inet& inet, MediaPlayer& player, const std::wstring& songId);

}  // namespace sb
