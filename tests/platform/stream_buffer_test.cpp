// The media buffer's window: a writer with no room waits until the reader has
// moved on, offsets stay those of the whole media, cancelling ends the wait,
// a decoder sent back in time stops at the oldest byte kept, and a transfer
// the server dropped while it waited goes on where it broke.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/player/pcm_source.h"
#include "platform/player/stream_buffer.h"
#include "platform/player/stream_source.h"
#include "test_env.h"
#include "test_http_server.h"

namespace {

constexpr size_t kWindow = 1u << 20;
constexpr size_t kChunk = 64u << 10;

uint8_t ByteAt(size_t offset) { return static_cast<uint8_t>(offset * 7 + offset / 251); }

// Appends `total` bytes of the ByteAt pattern in chunks, as the transfer does.
class Writer {
 public:
  Writer(sb::StreamBuffer& buffer, size_t total)
      : thread_([this, &buffer, total] {
          std::vector<uint8_t> chunk(kChunk);
          for (size_t at = 0; at < total; at += kChunk) {
            for (size_t i = 0; i < kChunk; ++i) chunk[i] = ByteAt(at + i);
            if (!buffer.Append(chunk.data(), kChunk)) return;
            written_ = at + kChunk;
          }
          done_ = true;
        }) {}
  ~Writer() { thread_.join(); }
  size_t written() const { return written_; }
  bool done() const { return done_; }

 private:
  std::atomic<size_t> written_{0};
  std::atomic<bool> done_{false};
  std::thread thread_;
};

bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 3000 && !done(); ++i) Sleep(10);
  return done();
}

TEST(StreamBufferWindow, WriterWaitsWhenFullAndGoesOnAsTheReaderMovesOn) {
  sb::StreamBuffer buffer(kWindow);
  Writer writer(buffer, 6 * kWindow);
  ASSERT_TRUE(WaitUntil([&] { return buffer.State().full; }));
  Sleep(50);
  EXPECT_EQ(buffer.State().size, kWindow) << "a whole window, nothing dropped while the reader is at the start";
  EXPECT_EQ(buffer.State().begin, 0u);
  EXPECT_EQ(writer.written(), kWindow) << "the next chunk waits for room";

  size_t readTo = 0;
  for (int round = 0; round < 100 && !writer.done(); ++round) {
    const size_t arrived = buffer.State().size;
    buffer.Read([&](const sb::StreamView& v) {
      EXPECT_LE(v.end - v.begin, kWindow);
      EXPECT_LE(v.begin, readTo) << "nothing the reader still needs is gone";
      if (readTo > kWindow / 2) {
        EXPECT_GE(readTo - v.begin, kWindow / 2) << "half a window kept behind it";
      }
      for (size_t at = readTo; at < v.end; at += 997) EXPECT_EQ(*v.At(at), ByteAt(at)) << at;
      readTo = v.end;
      return readTo;
    });
    WaitUntil([&] { return writer.done() || (buffer.State().full && buffer.State().size > arrived); });
  }
  EXPECT_TRUE(writer.done());
  EXPECT_EQ(buffer.State().size, 6 * kWindow);
  EXPECT_GT(buffer.State().begin, 0u);
}

TEST(StreamBufferWindow, CancelEndsTheWaitOfAWriterAndRefusesMore) {
  sb::StreamBuffer buffer(kWindow);
  {
    Writer writer(buffer, 2 * kWindow);
    ASSERT_TRUE(WaitUntil([&] { return buffer.State().full; }));
    buffer.CancelWrites();
    EXPECT_TRUE(WaitUntil([&] { return !buffer.State().full; }));
  }
  const uint8_t more[16] = {};
  EXPECT_FALSE(buffer.Append(more, sizeof more));
  EXPECT_EQ(buffer.State().size, kWindow);
}

// A minimal PCM WAV header: 16-bit mono at 8000 Hz, `dataBytes` of data.
std::string WavHeader(uint32_t dataBytes) {
  std::string w = "RIFF";
  auto u32 = [&](uint32_t v) { w.append(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { w.append(reinterpret_cast<const char*>(&v), 2); };
  u32(36 + dataBytes);
  w += "WAVEfmt ";
  u32(16);
  u16(1);
  u16(1);
  u32(8000);
  u32(16000);
  u16(2);
  u16(16);
  w += "data";
  u32(dataBytes);
  return w;
}

TEST(StreamBufferWindow, SeekingBackStopsAtTheOldestByteKept) {
  const std::string tone = sbtest::ReadFileBytes(sbtest::MediaDir() + L"\\media\\tone1k.mp3");
  ASSERT_FALSE(tone.empty());
  const std::string wav = WavHeader(64000) + std::string(64000, '\0');
  for (const std::string* media : {&tone, &wav}) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(media->data());
    const sb::StreamView whole = sb::WholeView(bytes, media->size());
    sb::MediaProbe probe;
    ASSERT_EQ(probe.Update(whole, true), sb::MediaProbe::Verdict::Audio);
    auto source = probe.TakeSource(whole, true);
    ASSERT_NE(source, nullptr);
    const size_t keptFrom = media->size() / 2 + 1;
    source->SeekTo(0, keptFrom);
    EXPECT_GE(source->NeededFrom(), keptFrom);
    EXPECT_LT(source->NeededFrom(), keptFrom + 2000);
    const sb::StreamView kept{bytes + keptFrom, keptFrom, media->size()};
    std::vector<uint8_t> pcm;
    EXPECT_TRUE(source->Decode(kept, 0.1, pcm));
    EXPECT_FALSE(pcm.empty());
    EXPECT_GT(source->CursorSeconds(), 0.1) << "the cursor tells where it really went";
  }
}

// Serves `body` as a server that gives up on each connection after
// `perConnection` bytes of it, answering a Range request when `ranges`.
sbtest::HttpHandler DroppingServer(const std::string& body, size_t perConnection, bool ranges) {
  return [=](const sbtest::HttpRequest& r, sbtest::HttpConnection& c) {
    const auto range = r.headers.find("range");
    size_t from = 0;
    std::string head = "HTTP/1.1 200 OK\r\n";
    if (ranges && range != r.headers.end() && range->second.rfind("bytes=", 0) == 0) {
      from = std::stoull(range->second.substr(6));
      head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) + "-" +
             std::to_string(body.size() - 1) + "/" + std::to_string(body.size()) + "\r\n";
    }
    c.Send(head + "Content-Length: " + std::to_string(body.size() - from) + "\r\nConnection: close\r\n\r\n");
    c.Send(std::string_view(body).substr(from, perConnection));
  };
}

// A reader that takes bytes only when the window is full, so the writer waits
// each time; checks every byte and returns the final state.
sb::StreamState ReadWhenFull(sb::StreamBuffer& buffer) {
  size_t readTo = 0;
  for (int i = 0; i < 3000; ++i) {
    const sb::StreamState s = buffer.State();
    if (s.finished && readTo == s.size) return s;
    if (s.full || s.finished) {
      buffer.Read([&](const sb::StreamView& v) {
        for (size_t at = readTo; at < v.end; at += 499) EXPECT_EQ(*v.At(at), ByteAt(at)) << at;
        readTo = v.end;
        return readTo;
      });
    }
    WaitForSingleObject(buffer.ChangedEvent(), 10);
  }
  ADD_FAILURE() << "the transfer did not end";
  return buffer.State();
}

TEST(StreamSourceResume, ATransferDroppedWhileItWaitedGoesOnWhereItBrokeIfTheServerCan) {
  std::string body(4 * kWindow, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(ByteAt(i));
  const size_t perConnection = 3 * kWindow / 2;
  const struct {
    bool ranges;
    sb::PlayerError error;
    size_t size;
    int requests;
  } cases[] = {{true, sb::PlayerError::None, body.size(), 3}, {false, sb::PlayerError::Interrupted, perConnection, 2}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.ranges);
    sbtest::TestHttpServer server;
    server.Route("/long.mp3", DroppingServer(body, perConnection, k.ranges));
    auto buffer = std::make_shared<sb::StreamBuffer>(kWindow);
    sb::StreamSource source(server.Root() + L"long.mp3", buffer, 20000);
    source.Start();
    const sb::StreamState s = ReadWhenFull(*buffer);
    EXPECT_EQ(s.error, k.error);
    EXPECT_EQ(s.size, k.size);
    EXPECT_EQ(server.CountRequests("/long.mp3"), k.requests);
  }
}

}  // namespace
