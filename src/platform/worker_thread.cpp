#include "platform/worker_thread.h"

#include <utility>

namespace qm {

WorkerThread::~WorkerThread() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void WorkerThread::Run(std::function<void()> task) {
  if (!thread_.joinable()) thread_ = std::thread([this] { Serve(); });
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void WorkerThread::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || !tasks_.empty(); });
    if (tasks_.empty()) return;  // ending, and nothing left to run
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
  }
}

}  // namespace qm
