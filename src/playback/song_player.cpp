#include "playback/song_player.h"

#include "catalogue/song_list.h"
#include "platform/inet.h"
#include "platform/media_player.h"

namespace sb {

std::wstring AddressPageUrl(const std::wstring& root, const std::wstring& songId) {
  return root + L"wgns/url/" + songId;
}

bool ResolveSongAddress(Inet& inet, MediaPlayer& player, const std::wstring& songId) {
  const std::wstring root = ServiceRoot();
  std::optional<std::wstring> body = inet.OpenURL(AddressPageUrl(root, songId));
  // An empty page names no media (a connection closed before any answer
  // reads as one under some WinINet builds): the player keeps its address.
  if (!body || body->empty()) return false;
  player.SetURL(root + *body);
  return true;
}

bool ResolveAndPlay(Inet& inet, MediaPlayer& player, const std::wstring& songId) {
  bool resolved = ResolveSongAddress(inet, player, songId);
  player.Play();
  return resolved;
}

}  // namespace sb
