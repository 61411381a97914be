// Plain copies of small files made two at a time. Copying many small files is bound by the
// kernel's work of creating each one, on one core while the other sits idle; a pass queues the
// copies it decides on, and the queue writes them to their temporaries on this thread and one
// more, then hands them to the batch and reports them in the pass's order, as if made one by
// one. A copy that fails there is made again on the pass's own thread, the one way a failure is
// classified, asked about and reported.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/durability_batch.h"
#include "engine/engine_context.h"
#include "platform/worker_thread.h"

namespace qm {

class CopyQueue {
 public:
  static constexpr size_t kMaxFiles = 256;
  static constexpr int64_t kMaxBytes = int64_t{8} << 20;
  // A larger file is copied on its own, its progress shown block by block.
  static constexpr int64_t kMaxFileBytes = int64_t{1} << 20;
  // Fewer are copied on this thread alone: a second one would cost more than it saves.
  static constexpr size_t kFilesForTwoThreads = 8;

  // `reported` hears the source of each copy as its outcome is reported. `sync` and `action` are
  // what the copies' events say, as in CopyAndReport.
  CopyQueue(EngineContext& ctx, DurabilityBatch& batch, bool sync, FileAction action,
            std::function<void(const std::string& source)> reported);
  // Drops the copies not yet made: a stop or a break left them unstarted.
  ~CopyQueue() = default;
  CopyQueue(const CopyQueue&) = delete;
  CopyQueue& operator=(const CopyQueue&) = delete;

  // Whether a copy of a regular file of `size` bytes may wait in the queue.
  bool Takes(int64_t size) const;
  // Queues a plain copy; makes and reports the queued copies when the queue is full.
  void Add(std::string source, std::string target, int64_t size, bool may_replace);
  // Makes and reports the queued copies. Called before the pass reports anything else, so that
  // its reports keep their order.
  void Flush();  // throw RunBroken, RunAbandoned

 private:
  struct Copy {
    std::string source;
    std::string target;
    int64_t size = 0;
    bool may_replace = true;
    FinishedFile finished;  // its temporary, once made
    bool made = false;
  };
  // The span of copies not yet taken by either thread.
  struct Untaken {
    std::mutex mutex;
    size_t front = 0;
    size_t back = 0;
  };
  void MakeFolders();
  void MakeAll();
  // Makes copies until none is left untaken: from the front, or from the back, so that the two
  // threads mostly create files in different folders.
  void MakeFrom(Untaken& untaken, bool from_back) noexcept;
  void Report(Copy& c);

  EngineContext& ctx_;
  DurabilityBatch& batch_;
  const bool sync_;
  const FileAction action_;
  std::function<void(const std::string&)> reported_;
  const bool two_threads_;
  std::vector<Copy> copies_;
  int64_t bytes_ = 0;
  WorkerThread helper_;  // last: done with its copies before the rest goes
};

}  // namespace qm
