#include "platform/background_close.h"

#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace qm {
namespace {

// The waits are the device's, not the processor's: more closers than cores pay off.
constexpr size_t kMaxWorkers = 8;
constexpr size_t kMaxQueued = 64;

class Closer {
 public:
  ~Closer() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    // Workers drain the queue before they end: nothing handed over stays open.
    for (std::thread& t : workers_) t.join();
  }

  void Close(int fd) {
    std::unique_lock lock(mutex_);
    if (queue_.size() >= kMaxQueued) {
      lock.unlock();
      ::close(fd);
      return;
    }
    queue_.push_back(fd);
    // A worker for each queued descriptor that no waiting worker will take, up to the limit.
    if (queue_.size() > idle_ && workers_.size() < kMaxWorkers) {
      try {
        workers_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        if (workers_.empty()) {
          queue_.pop_back();
          lock.unlock();
          ::close(fd);
          return;
        }
      }
    }
    lock.unlock();
    work_.notify_one();
  }

  void WaitAll() {
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return queue_.empty() && busy_ == 0; });
  }

 private:
  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      work_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      --idle_;
      if (queue_.empty()) return;  // stopping, and nothing left
      const int fd = queue_.front();
      queue_.pop_front();
      ++busy_;
      lock.unlock();
      ::close(fd);
      lock.lock();
      --busy_;
      if (queue_.empty() && busy_ == 0) drained_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_, drained_;
  std::deque<int> queue_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0, busy_ = 0;
  bool stopping_ = false;
};

Closer& TheCloser() {
  static Closer closer;
  return closer;
}

}  // namespace

void CloseInBackground(int fd) {
  if (fd >= 0) TheCloser().Close(fd);
}

void WaitForBackgroundCloses() {
  TheCloser().WaitAll();
}

}  // namespace qm
