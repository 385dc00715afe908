#include "library_watch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace songbox_server {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kEvents = IN_CREATE | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE | IN_DELETE_SELF |
                             IN_ATTRIB | IN_MODIFY | IN_ONLYDIR;
constexpr int kQuietMs = 50;  // a burst of events is one change
constexpr int kMaxWaitMs = 1000;
constexpr int kUnsettledMs = 250;

}  // namespace

LibraryWatch::LibraryWatch(Library& library, std::chrono::milliseconds fallback, Library::Log log)
    : library_(library), fallback_(fallback), log_(std::move(log)) {
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) log_(std::string("inotify unavailable, rescanning periodically: ") + std::strerror(errno));
  stop_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  WatchTree();
}

LibraryWatch::~LibraryWatch() {
  uint64_t one = 1;
  if (::write(stop_, &one, sizeof one) < 0) log_("cannot wake the watcher");
  if (thread_.joinable()) thread_.join();
  if (inotify_ >= 0) ::close(inotify_);
  ::close(stop_);
}

void LibraryWatch::Start(const ScanResult& startup) {
  Watch(startup.folders);  // folders made while the scan ran
  everything_ = startup.unsettled;
  thread_ = std::thread([this, unsettled = startup.unsettled] { Run(unsettled); });
}

// Folders only, from their directory entries: no file is read.
void LibraryWatch::WatchTree() {
  std::vector<std::string> folders{library_.root()};
  ForEachEntry(
      library_.root(), [&](const std::string& folder) { folders.push_back(folder); }, [](const std::string&) {});
  Watch(folders);
}

void LibraryWatch::Watch(const std::vector<std::string>& folders) {
  if (inotify_ < 0) return;
  for (const std::string& folder : folders) {
    int wd = inotify_add_watch(inotify_, folder.c_str(), kEvents);
    // A folder reached again by another path gets its existing watch back:
    // the watch keeps the folder it was made for.
    if (wd >= 0) folders_.try_emplace(wd, folder);
    if (wd < 0 && errno == ENOSPC && !watchLimitReported_) {
      watchLimitReported_ = true;
      log_("inotify watch limit reached; folders beyond it are rescanned periodically");
    }
  }
}

void LibraryWatch::Note(const inotify_event& event) {
  auto folder = folders_.find(event.wd);
  if (event.mask & IN_IGNORED) {
    if (folder != folders_.end()) folders_.erase(folder);
    everything_ = true;
    return;
  }
  if (folder == folders_.end() || (event.mask & (IN_ISDIR | IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF))) {
    everything_ = true;
    return;
  }
  dirty_.insert(folder->second);
  // A file closed after writing, or renamed into place, is complete.
  if (!(event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) || !event.len) return;
  std::string path = folder->second + "/" + event.name;
  const std::string& root = library_.root();
  if (path.size() > root.size() + 1) closed_.insert(path.substr(root.size() + 1));
}

bool LibraryWatch::Drain() {
  alignas(inotify_event) char buffer[16 * 1024];
  ssize_t n;
  while (inotify_ >= 0 && (n = ::read(inotify_, buffer, sizeof buffer)) > 0) {
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      Note(*event);
    }
  }
  uint64_t value;
  return ::read(stop_, &value, sizeof value) <= 0;
}

// A pass over the folders that changed, or over everything when asked to,
// when the periodic time came, or when a folder came or went.
void LibraryWatch::Pass(bool timedOut, bool& unsettled) {
  if (timedOut && !unsettled) everything_ = true;
  try {
    ScanResult r = library_.Scan(closed_, everything_ ? nullptr : &dirty_);
    closed_.clear();
    Watch(r.folders);
    unsettled = r.unsettled;
    // Files still being written are looked at again, with their folders.
    if (!unsettled) {
      dirty_.clear();
      everything_ = false;
    }
    if (r.added || r.changed || r.removed)
      log_("library: " + std::to_string(r.added) + " added, " + std::to_string(r.changed) + " changed, " +
           std::to_string(r.removed) + " removed");
  } catch (const std::exception& e) {
    log_(std::string("scan failed: ") + e.what());
  }
  ++passes_;
}

void LibraryWatch::Run(bool unsettled) {
  while (true) {
    int timeout = unsettled ? kUnsettledMs : static_cast<int>(fallback_.count());
    pollfd fds[2] = {{stop_, POLLIN, 0}, {inotify_, POLLIN, 0}};
    int ready = ::poll(fds, inotify_ >= 0 ? 2 : 1, timeout);
    if (ready < 0 && errno != EINTR) break;
    if (fds[0].revents) break;
    if (fds[1].revents) {
      // Wait for the burst to end (a copy raises many events) before a pass,
      // but never longer than kMaxWaitMs.
      for (int waited = 0; waited < kMaxWaitMs && ::poll(fds, 2, kQuietMs) > 0; waited += kQuietMs) {
        if (fds[0].revents || !Drain()) return;
      }
    }
    Pass(ready == 0, unsettled);
  }
}

}  // namespace songbox_server
