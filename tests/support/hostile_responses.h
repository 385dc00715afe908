// Responses of a broken or hostile catalogue service, for the robustness
// tests and the bench: bodies that never end, that stall, that are far too
// large or declare pictures far too large, redirect loops, huge headers.
// Large bodies are made as they are sent, so the server holds little memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "test_http_server.h"

namespace sbtest {

// Headers (no Content-Length, "Connection: close") and then `piece` again and
// again, `total` bytes in all (0: until the client goes; chunked bodies end
// on a whole piece), chunked or plain.
// Adds what it sent to `sent` when given.
void SendRepeated(HttpConnection& c, std::string_view contentType, const std::string& piece, uint64_t total,
                  bool chunked, std::atomic<uint64_t>* sent = nullptr);

// Accepts the request and answers nothing until the client closes the connection.
void Stall(HttpConnection& c, int maxMs = 10 * 60 * 1000);

// A redirect (302) to `location`.
void Redirect(HttpConnection& c, std::string_view location);

// A small valid response whose headers are padded to about `headerBytes`.
void RespondWithHugeHeaders(HttpConnection& c, const std::string& body, std::string_view contentType,
                            size_t headerBytes);

// The JPEG `jpeg` with the size in its frame header replaced; empty when it has none.
std::string JpegDeclaring(std::string jpeg, int width, int height);

// A song object of the newest-songs page whose title is `title`.
std::wstring SongObject(int sid, const std::wstring& title);

}  // namespace sbtest
