// One thread kept for a series of tasks, so that each task does not pay for starting and ending
// a thread of its own.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qm {

class WorkerThread {
 public:
  WorkerThread() = default;
  // Runs every task handed over, then ends the thread.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Runs `task` on the thread, after the tasks handed over before it; the thread starts with the
  // first task. Called from one thread, the owner's. Throws std::system_error when no thread
  // can be had, and the task is not taken.
  void Run(std::function<void()> task);

 private:
  void Serve();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool ending_ = false;
  std::thread thread_;
};

}  // namespace qm
