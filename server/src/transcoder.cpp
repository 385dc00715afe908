#include "transcoder.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "file_source.h"

namespace songbox_server {

// One transcode: the file it writes (readers pread the same descriptor, which
// stays valid across the rename into the cache) and how far it got.
struct Transcoder::Job {
  std::string name, temp;
  int fd = -1;
  std::uint64_t size = 0;
  std::unique_ptr<Mp3Transcode> transcode;  // freed once it ran
  std::atomic<bool> stop{false};            // nobody wants it, or the fill gives way
  bool background = false, demanded = false;  // under Transcoder::mutex_

  enum class State { Writing, Done, Failed };
  std::mutex mutex;
  std::condition_variable ended;
  std::uint64_t written = 0;
  State state = State::Writing;
  struct Waiter {
    const void* source;  // the TranscodeSource that waits
    std::uint64_t offset;
    std::function<void()> ready;
  };
  std::vector<Waiter> waiters;

  ~Job() {
    if (fd >= 0) ::close(fd);
    if (state != State::Done && !temp.empty()) ::unlink(temp.c_str());
  }
};

// Held by each source and by the fill while it wants the job; the last one
// dropped stops the job.
struct Transcoder::Ticket {
  std::shared_ptr<Job> job;
  ~Ticket() { job->stop = true; }
};

namespace {

class TranscodeSource : public MediaSource {
 public:
  explicit TranscodeSource(std::shared_ptr<Transcoder::Ticket> ticket);
  ~TranscodeSource() override;  // a dropped source is not called back
  std::uint64_t Size() const override;
  std::string ContentType() const override { return "audio/mpeg"; }
  long long ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) override;
  std::string WholeFile() const override { return ""; }  // the job's file may be evicted meanwhile

 private:
  std::shared_ptr<Transcoder::Ticket> ticket_;
};

}  // namespace

TranscodeSource::TranscodeSource(std::shared_ptr<Transcoder::Ticket> ticket) : ticket_(std::move(ticket)) {}

TranscodeSource::~TranscodeSource() {
  Transcoder::Job& job = *ticket_->job;
  std::lock_guard lock(job.mutex);
  std::erase_if(job.waiters, [this](const Transcoder::Job::Waiter& w) { return w.source == this; });
}

std::uint64_t TranscodeSource::Size() const { return ticket_->job->size; }

long long TranscodeSource::ReadAt(std::uint64_t offset, char* buffer, std::size_t n, std::function<void()> ready) {
  Transcoder::Job& job = *ticket_->job;
  {
    std::lock_guard lock(job.mutex);
    if (offset >= job.written) {
      if (job.state != Transcoder::Job::State::Writing) return -1;
      job.waiters.push_back({this, offset, std::move(ready)});
      return 0;
    }
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, job.written - offset));
  }
  ssize_t got = ::pread(job.fd, buffer, n, static_cast<off_t>(offset));
  return got > 0 ? got : -1;
}

Transcoder::Transcoder(const std::string& cacheFolder, std::uint64_t cacheBytes, unsigned workers, Log log)
    : cache_(cacheFolder, cacheBytes), workers_(std::max(1u, workers)), log_(std::move(log)) {
  for (unsigned i = 0; i < workers_; ++i) threads_.emplace_back([this] { DemandLoop(); });
  threads_.emplace_back([this] { BackgroundLoop(); });
}

Transcoder::~Transcoder() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& job : demand_) job->stop = true;
    if (backgroundJob_) backgroundJob_->stop = true;
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
}

std::shared_ptr<Transcoder::Job> Transcoder::MakeJob(const TranscodeInput& in, const std::string& name) {
  auto transcode = Mp3Transcode::Open(in.file, in.tags ? in.tags() : Mp3Tags{});
  if (!transcode) {
    log_("cannot transcode " + in.relativePath + ": ffmpeg finds no audio in it");
    return nullptr;
  }
  auto job = std::make_shared<Job>();
  job->name = name;
  job->temp = cache_.TempFile(name);
  job->fd = ::open(job->temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (job->fd < 0) {
    log_("cannot write the transcode cache in " + cache_.folder());
    job->temp.clear();
    return nullptr;
  }
  job->size = transcode->Size();
  // The disk space is taken before any byte is promised: a full disk refuses
  // the song now rather than cutting a response short later.
  int reserved = ::posix_fallocate(job->fd, 0, static_cast<off_t>(job->size));
  if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
    log_("no room in " + cache_.folder() + " for the transcode of " + in.relativePath);
    return nullptr;
  }
  job->transcode = std::move(transcode);
  return job;
}

// The ticket of the running or queued job for `name`, made (and queued when
// asked for by a request) when there is none.
std::shared_ptr<Transcoder::Ticket> Transcoder::Attach(const TranscodeInput& in, const std::string& name,
                                                       bool background) {
  auto existing = [&]() -> std::shared_ptr<Ticket> {
    auto it = tickets_.find(name);
    if (it == tickets_.end()) return nullptr;
    auto ticket = it->second.lock();
    return ticket && !ticket->job->stop ? ticket : nullptr;
  };
  {
    std::lock_guard lock(mutex_);
    if (auto ticket = existing()) return ticket->job->demanded |= !background, ticket;
  }
  auto job = MakeJob(in, name);  // outside the lock: it reads the file and its tags
  if (!job) return nullptr;
  std::lock_guard lock(mutex_);
  if (auto ticket = existing()) return ticket->job->demanded |= !background, ticket;
  auto ticket = std::make_shared<Ticket>();
  ticket->job = job;
  job->background = background;
  job->demanded = !background;
  tickets_[name] = ticket;
  if (!background) {
    demand_.push_back(job);
    wake_.notify_all();
  }
  return ticket;
}

std::unique_ptr<MediaSource> Transcoder::Cached(const std::string& name) {
  std::string cached = cache_.Lookup(name);
  return cached.empty() ? nullptr : FileSource::Open(cached);
}

std::unique_ptr<MediaSource> Transcoder::Source(const TranscodeInput& in) {
  const std::string name = TranscodeCache::Name(in.relativePath, in.size, in.mtimeNs, in.fingerprint);
  if (auto file = Cached(name)) return file;
  auto ticket = Attach(in, name, false);
  if (!ticket) return nullptr;
  // Finished between the look-up and now: the cache has it whole.
  return std::make_unique<TranscodeSource>(std::move(ticket));
}

std::unique_ptr<MediaSource> Transcoder::Whole(const TranscodeInput& in) {
  const std::string name = TranscodeCache::Name(in.relativePath, in.size, in.mtimeNs, in.fingerprint);
  if (auto file = Cached(name)) return file;
  auto ticket = Attach(in, name, false);
  if (!ticket) return nullptr;
  Job& job = *ticket->job;
  std::unique_lock lock(job.mutex);
  job.ended.wait(lock, [&] { return job.state != Job::State::Writing; });
  if (job.state != Job::State::Done) return nullptr;
  lock.unlock();
  return std::make_unique<TranscodeSource>(std::move(ticket));
}

bool Transcoder::Write(Job& job, const char* data, std::size_t n) {
  {
    // The tests' hold; a job nobody wants any more is let go at once.
    std::unique_lock lock(mutex_);
    while (holdAt_ <= job.written && !job.stop && !stopping_) wake_.wait_for(lock, std::chrono::milliseconds(10));
    if (stopping_) job.stop = true;  // seen by the transcode before its next frame
  }
  for (std::size_t done = 0; done < n;) {
    ssize_t put = ::pwrite(job.fd, data + done, n - done, static_cast<off_t>(job.written + done));
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  // Called under the job's lock, so a source dropped meanwhile is never
  // called back (a `ready` only posts work; it never reads again at once).
  std::lock_guard lock(job.mutex);
  job.written += n;
  std::erase_if(job.waiters, [&](Job::Waiter& w) { return w.offset < job.written && (w.ready(), true); });
  return true;
}

void Transcoder::Finish(Job& job, Mp3Transcode::End end) {
  bool done = end == Mp3Transcode::End::Done && cache_.Admit(job.temp, job.name);
  if (end == Mp3Transcode::End::Failed) log_("transcode " + job.name + " failed; the cache could not be written");
  if (end == Mp3Transcode::End::Cut)
    log_("transcode " + job.name + ": songbox-codec stopped early; the rest was sent as silence and is not kept");
  if (!done) ::unlink(job.temp.c_str());
  {
    std::lock_guard lock(job.mutex);
    job.state = done ? Job::State::Done : Job::State::Failed;
    for (auto& waiter : job.waiters) waiter.ready();
    job.waiters.clear();
  }
  job.ended.notify_all();
  std::lock_guard lock(mutex_);
  auto it = tickets_.find(job.name);
  if (it != tickets_.end()) {
    auto ticket = it->second.lock();
    if (!ticket || ticket->job.get() == &job) tickets_.erase(it);
  }
}

Mp3Transcode::End Transcoder::RunJob(const std::shared_ptr<Job>& job) {
  auto end = job->stop ? Mp3Transcode::End::Cancelled
                       : job->transcode->Run([&](const char* p, std::size_t n) { return Write(*job, p, n); }, job->stop);
  job->transcode.reset();
  Finish(*job, end);
  return end;
}

void Transcoder::Started() {
  ++running_;
  peak_ = std::max(peak_, running_);
}

void Transcoder::Ended() {
  {
    std::lock_guard lock(mutex_);
    --running_;
  }
  wake_.notify_all();
}

void Transcoder::DemandLoop() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !demand_.empty(); });
      if (stopping_) return;
      job = demand_.front();
      demand_.pop_front();
      if (job->stop) {
        lock.unlock();
        RunJob(job);  // dropped before it started: only cleaned up
        continue;
      }
      // Every share taken: the fill gives way, unless a request reads its job.
      ++waiting_;
      wake_.wait(lock, [&] {
        if (running_ >= workers_ && backgroundJob_ && !backgroundJob_->demanded) backgroundJob_->stop = true;
        return stopping_ || running_ < workers_;
      });
      --waiting_;
      Started();
    }
    RunJob(job);
    Ended();
  }
}

void Transcoder::BackgroundLoop() {
  // Only the time no other thread of the machine wants.
  sched_param idle{};
  if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle) != 0) setpriority(PRIO_PROCESS, gettid(), 19);
  for (;;) {
    TranscodeInput in;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] {
        return stopping_ || (!background_.empty() && demand_.empty() && waiting_ == 0 && running_ < workers_);
      });
      if (stopping_) return;
      in = std::move(background_.front());
      background_.pop_front();
      Started();
    }
    bool gaveWay = !RunBackground(in);
    if (gaveWay) {
      std::lock_guard lock(mutex_);
      background_.push_front(std::move(in));
    }
    Ended();
  }
}

// False when the job was stopped to give its share to a request.
bool Transcoder::RunBackground(const TranscodeInput& in) {
  const std::string name = TranscodeCache::Name(in.relativePath, in.size, in.mtimeNs, in.fingerprint);
  if (!cache_.Lookup(name).empty()) return true;
  auto ticket = Attach(in, name, true);
  if (!ticket) return true;
  {
    std::lock_guard lock(mutex_);
    if (!ticket->job->background) return true;  // a request's job: a worker runs it
    backgroundJob_ = ticket->job;
  }
  wake_.notify_all();  // a request waiting for the share may now stop it
  auto end = RunJob(ticket->job);
  std::lock_guard lock(mutex_);
  backgroundJob_.reset();
  return end != Mp3Transcode::End::Cancelled || stopping_;
}

void Transcoder::Prefetch(std::vector<TranscodeInput> songs) {
  std::lock_guard lock(mutex_);
  background_.assign(std::make_move_iterator(songs.begin()), std::make_move_iterator(songs.end()));
  wake_.notify_all();
}

void Transcoder::HoldAt(std::uint64_t at) {
  std::lock_guard lock(mutex_);
  holdAt_ = at;
  wake_.notify_all();
}

void Transcoder::WaitIdle() {
  std::unique_lock lock(mutex_);
  wake_.wait(lock, [&] { return demand_.empty() && background_.empty() && running_ == 0; });
}

unsigned Transcoder::PeakRunning() {
  std::lock_guard lock(mutex_);
  return peak_;
}

}  // namespace songbox_server
