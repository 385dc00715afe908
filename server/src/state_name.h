// Where a library's state lives when --state does not say: a name that stays
// the same across builds and standard libraries.
//
// Threads: any; the files are touched only by DefaultStateFile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace songbox_server {

// FNV-1a, 64 bits: offset basis 0xcbf29ce484222325, prime 0x100000001b3,
// over the bytes of `text`.
std::uint64_t Fnv1a64(std::string_view text);

// "<16 lower-case hex digits of Fnv1a64(canonical library path)>.sqlite".
std::string StateFileName(const std::string& library);

// The state file for `library` in `dir`. A state under the name earlier
// versions used (std::hash of the path, in decimal) is moved to the stable
// name when there is none yet, so that no one loses ids or counts.
std::filesystem::path DefaultStateFile(const std::filesystem::path& dir, const std::string& library,
                                       const std::function<void(const std::string&)>& log);

}  // namespace songbox_server
