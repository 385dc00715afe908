// Songs in other formats served as MP3: a cached transcode is served as its
// file; otherwise one job per song writes it under a temporary name in the
// cache while any number of responses stream what is written so far. The size
// is known when the source is made, before any byte (see mp3_transcode.h).
//
// At most `workers` transcodes run at once (one per core): requests first;
// the background fill of the newest songs runs on its own thread at
// SCHED_IDLE, only while a worker's share is free, and gives way (is stopped
// and queued again) when a request needs the share. A job that only
// responses wanted stops when the last of them is dropped.
//
// Threading: every method may be called from any thread. The sources it
// makes follow MediaSource's rule and may outlive nothing: drop them before
// the Transcoder.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "media_source.h"
#include "mp3_transcode.h"
#include "transcode_cache.h"

namespace songbox_server {

struct TranscodeInput {
  std::string file;          // absolute
  std::string relativePath;  // below the library: names it in the cache
  std::uint64_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uint64_t fingerprint = 0;
  std::function<Mp3Tags()> tags;  // asked only when a transcode is made
};

class Transcoder {
 public:
  using Log = std::function<void(const std::string&)>;
  Transcoder(const std::string& cacheFolder, std::uint64_t cacheBytes, unsigned workers, Log log);
  ~Transcoder();  // stops every job and waits for the threads

  // The song as MP3: the cached file, or the job making it. nullptr when
  // ffmpeg cannot open it (logged).
  std::unique_ptr<MediaSource> Source(const TranscodeInput& in);
  // The same once the whole transcode is in the cache (waits for it);
  // nullptr when it could not be made.
  std::unique_ptr<MediaSource> Whole(const TranscodeInput& in);
  // The songs to have ready, most wanted first; replaces the list before.
  void Prefetch(std::vector<TranscodeInput> songs);

  // For the tests: jobs pause once they wrote `at` bytes or more (0: before
  // their first byte) until HoldAt(kNoHold); WaitIdle waits until nothing runs or
  // waits to run; PeakRunning is the most jobs that ever ran at once.
  static constexpr std::uint64_t kNoHold = ~std::uint64_t{0};
  void HoldAt(std::uint64_t at);
  void WaitIdle();
  unsigned PeakRunning();
  TranscodeCache& cache() { return cache_; }
  unsigned workers() const { return workers_; }

  struct Job;
  struct Ticket;

 private:
  std::shared_ptr<Job> MakeJob(const TranscodeInput& in, const std::string& name);
  std::unique_ptr<MediaSource> Cached(const std::string& name);  // the finished transcode, if kept
  std::shared_ptr<Ticket> Attach(const TranscodeInput& in, const std::string& name, bool background);
  Mp3Transcode::End RunJob(const std::shared_ptr<Job>& job);
  bool Write(Job& job, const char* data, std::size_t n);
  void Finish(Job& job, Mp3Transcode::End end);
  void DemandLoop();
  void BackgroundLoop();
  bool RunBackground(const TranscodeInput& in);
  void Started();  // under mutex_
  void Ended();

  TranscodeCache cache_;
  const unsigned workers_;
  Log log_;

  std::mutex mutex_;
  std::condition_variable wake_;  // work queued, a share freed, a hold lifted or stopping
  std::unordered_map<std::string, std::weak_ptr<Ticket>> tickets_;  // by cache name
  std::deque<std::shared_ptr<Job>> demand_;
  std::deque<TranscodeInput> background_;
  std::shared_ptr<Job> backgroundJob_;  // the one the fill runs
  unsigned running_ = 0, peak_ = 0, waiting_ = 0;  // waiting_: requests waiting for a share
  std::uint64_t holdAt_ = kNoHold;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace songbox_server
