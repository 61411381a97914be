// Several observers of one run: each event goes to every observer in the order they were added,
// so a front end puts together the parts it needs (records, a view, a notice, a progress line)
// and none of them has to pass the events on to another.
#pragma once

#include <vector>

#include "engine/run_observer.h"

namespace qm {

class RunObservers final : public RunObserver {
 public:
  // `observer` must outlive the run; adding one twice makes it hear every event twice.
  void Add(RunObserver& observer) { observers_.push_back(&observer); }
  // Stops sending events to `observer`.
  void Remove(RunObserver& observer) { std::erase(observers_, &observer); }

  void ProfileQueued(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileQueued(item);
  }
  void ProfileTaken(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileTaken(item);
  }
  void ProfileLeftList() override {
    for (RunObserver* o : observers_) o->ProfileLeftList();
  }
  void ProfileScanned(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileScanned(item);
  }
  void ProfileStarted(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileStarted(item);
  }
  void ProfileFinished(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileFinished(item);
  }
  void ProfileDropped(const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->ProfileDropped(item);
  }
  void ProfileLocked(const RunSnapshot& item, const Error& refusal) noexcept override {
    for (RunObserver* o : observers_) o->ProfileLocked(item, refusal);
  }
  void PassStarted(PassKind pass, const RunSnapshot& item) noexcept override {
    for (RunObserver* o : observers_) o->PassStarted(pass, item);
  }
  void SourceUnreadable(std::string_view dir) noexcept override {
    for (RunObserver* o : observers_) o->SourceUnreadable(dir);
  }
  void CacheSkipped(std::string_view dir) noexcept override {
    for (RunObserver* o : observers_) o->CacheSkipped(dir);
  }
  void SpecialFileSkipped(std::string_view path) noexcept override {
    for (RunObserver* o : observers_) o->SpecialFileSkipped(path);
  }
  void ModesNotKept(std::string_view volume) noexcept override {
    for (RunObserver* o : observers_) o->ModesNotKept(volume);
  }
  void RemovalSkipped(const RunSnapshot& item, RemovalSkip why) noexcept override {
    for (RunObserver* o : observers_) o->RemovalSkipped(item, why);
  }
  void SyncStateMissing(const RunSnapshot& item, SyncStateLack why) noexcept override {
    for (RunObserver* o : observers_) o->SyncStateMissing(item, why);
  }
  void SyncConflict(const ConflictEvent& event) noexcept override {
    for (RunObserver* o : observers_) o->SyncConflict(event);
  }
  void SyncStateNotSaved(std::string_view path, std::string_view error) noexcept override {
    for (RunObserver* o : observers_) o->SyncStateNotSaved(path, error);
  }
  void FileUpToDate(std::string_view source) noexcept override {
    for (RunObserver* o : observers_) o->FileUpToDate(source);
  }
  void FileDone(const FileEvent& event) noexcept override {
    for (RunObserver* o : observers_) o->FileDone(event);
  }
  void StatusChanged(std::string_view text) noexcept override {
    for (RunObserver* o : observers_) o->StatusChanged(text);
  }
  void BatchFinished() override {
    for (RunObserver* o : observers_) o->BatchFinished();
  }
  void BreakAccepted() override {
    for (RunObserver* o : observers_) o->BreakAccepted();
  }
  void RunFailed(std::string_view text) override {
    for (RunObserver* o : observers_) o->RunFailed(text);
  }
  void FileCopyEnded() noexcept override {
    for (RunObserver* o : observers_) o->FileCopyEnded();
  }
  void EngineStopped() noexcept override {
    for (RunObserver* o : observers_) o->EngineStopped();
  }
  void FileProgress(int64_t done, int64_t total) noexcept override {
    for (RunObserver* o : observers_) o->FileProgress(done, total);
  }

  // An observer that abandons the run leaves the ones after it unasked this time.
  void Update() override {
    for (RunObserver* o : observers_) o->Update();
  }
  // The observers are asked in order until one breaks the run.
  bool AskBreak(const FileEvent& failed) override {
    for (RunObserver* o : observers_)
      if (o->AskBreak(failed)) return true;
    return false;
  }

 private:
  std::vector<RunObserver*> observers_;
};

}  // namespace qm
