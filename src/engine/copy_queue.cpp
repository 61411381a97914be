#include "engine/copy_queue.h"

#include <future>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>

#include "engine/copier.h"
#include "engine/copy_failure.h"
#include "platform/path_style.h"

namespace qm {

CopyQueue::CopyQueue(EngineContext& ctx, DurabilityBatch& batch, bool sync, FileAction action,
                     std::function<void(const std::string& source)> reported)
    : ctx_(ctx),
      batch_(batch),
      sync_(sync),
      action_(action),
      reported_(std::move(reported)),
      two_threads_(ctx.fs.ThreadSafe()) {
  copies_.reserve(kMaxFiles);
}

bool CopyQueue::Takes(int64_t size) const {
  return two_threads_ && !ctx_.state.Preview && size >= 0 && size <= kMaxFileBytes;
}

void CopyQueue::Add(std::string source, std::string target, int64_t size, bool may_replace) {
  copies_.push_back({std::move(source), std::move(target), size, may_replace, {}, false});
  bytes_ += size;
  if (copies_.size() >= kMaxFiles || bytes_ >= kMaxBytes) Flush();
}

void CopyQueue::Flush() {
  if (copies_.empty()) return;
  MakeFolders();
  MakeAll();
  std::vector<Copy> copies = std::move(copies_);
  copies_.clear();
  copies_.reserve(kMaxFiles);
  bytes_ = 0;
  try {
    for (Copy& c : copies) Report(c);
  } catch (...) {
    // A break or an abandon: the copies after it are never reported, so they leave nothing.
    for (const Copy& c : copies) {
      if (c.made) (void)RemoveTemporary(ctx_.fs, c.finished.temp);
    }
    throw;
  }
}

void CopyQueue::MakeFolders() {
  // Here, on the pass's thread, which keeps the list of the folders it made.
  std::string_view last;
  for (const Copy& c : copies_) {
    const std::string_view dir = DirectoryPart(c.target);
    if (dir == last) continue;
    last = dir;
    MakeCopyFolders(ctx_.fs, &batch_, std::string(dir));
  }
}

void CopyQueue::MakeAll() {
  Untaken untaken;
  untaken.back = copies_.size();
  std::future<void> helper_done;
  if (two_threads_ && copies_.size() >= kFilesForTwoThreads) {
    // The task owns its promise, so that nothing of this frame is touched once it is told.
    auto helped = std::make_shared<std::promise<void>>();
    try {
      helper_done = helped->get_future();
      helper_.Run([this, &untaken, helped] {
        MakeFrom(untaken, /*from_back=*/true);
        helped->set_value();
      });
    } catch (const std::system_error&) {
      helper_done = {};  // no second thread to be had: this one makes them all
    }
  }
  MakeFrom(untaken, /*from_back=*/false);
  if (helper_done.valid()) helper_done.wait();
}

void CopyQueue::MakeFrom(Untaken& untaken, bool from_back) noexcept {
  for (;;) {
    size_t i = 0;
    {
      const std::lock_guard lock(untaken.mutex);
      if (untaken.front == untaken.back) return;
      i = from_back ? --untaken.back : untaken.front++;
    }
    Copy& c = copies_[i];
    try {
      c.finished = CopyToTemporary(ctx_.fs, c.source, c.target, c.may_replace);
      c.made = true;
    } catch (...) {
      // Made again on the pass's thread, which reports why it fails.
    }
  }
}

void CopyQueue::Report(Copy& c) {
  if (c.made) {
    // What the copier tells of a copy it makes here, all at once.
    ctx_.observer.FileProgress(0, c.finished.bytes);
    ctx_.observer.FileProgress(c.finished.bytes, c.finished.bytes);
    ctx_.observer.FileCopyEnded();
    c.made = false;  // the batch owns the temporary from here
    batch_.Add(std::move(c.finished), ReportWhenPlaced(ctx_, c.source, sync_, action_));
  } else {
    CopyAndReport(ctx_, c.source, c.target, c.size, batch_, sync_, action_, c.may_replace);
  }
  reported_(c.source);
}

}  // namespace qm
