// The background mode's change watch: a profile that falls due is scanned only when something
// may have changed since its last complete pass; otherwise it is queued unchanged and its pass
// tells what a pass over the unchanged folders would.
//
// Each enabled profile's source (and, both ways, its destination) is watched. Anything that may
// have lost a change forces full passes until the watch works again: no complete pass yet, a
// watch that could not be added, a queue overflow, a root deleted, moved, unmounted or replaced,
// the profile's own writes into its folders, and a full pass at least once a day.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/engine_context.h"
#include "platform/change_watch.h"
#include "profiles/log_kind.h"
#include "profiles/profile_record.h"
#include "ui/message_loop.h"

namespace qm {

inline constexpr uint64_t kFullPassEveryMs = 24ull * 3'600'000;

// What the watch knows of one profile.
struct WatchedProfile {
  // Its folders are watched and no event has been lost since they were.
  bool watched = false;
  // Something changed since its marks were last cleared (when its last scan started).
  bool changed = false;
  // Its last pass ended without failure, stop or refusal.
  bool complete = false;
  uint64_t last_scan_ms = 0;  // the loop's tick when its last scan started
  // Its folders' identities when its last complete pass ended.
  std::optional<FolderIdentity> src_at_pass, dest_at_pass;
  // What that pass showed: its file count and the entries it skipped.
  int64_t files = 0;
  std::vector<std::string> cache_dirs, special_files;
};

// Whether a profile that falls due at `now_ms` must be scanned, given its folders' identities
// now. False only when nothing can have changed since its last complete pass.
bool MustScan(const WatchedProfile& profile, uint64_t now_ms,
              const std::optional<FolderIdentity>& src_now,
              const std::optional<FolderIdentity>& dest_now);

// "Changes under "<dir>" cannot be watched: ..." naming the limit and its setting.
std::string WatchLimitMessage(const std::string& dir, uint64_t limit);

class BackgroundWatch final : public RunObserver {
 public:
  using WriteRecord = std::function<void(LogKind, const std::string&)>;
  // `watch` is null when the kernel refused one (`refusal` says why): every pass is then full.
  // `own_paths`: the program's own files and folders (locks, log), whose changes never count.
  BackgroundWatch(std::unique_ptr<ChangeWatch> watch, const Error& refusal, ui::MessageLoop& loop,
                  WriteRecord write, std::vector<std::string> own_paths);
  ~BackgroundWatch() override;
  BackgroundWatch(const BackgroundWatch&) = delete;
  BackgroundWatch& operator=(const BackgroundWatch&) = delete;

  // Watches the folders of `profiles` (the background mode's enabled profiles).
  void Start(std::span<const ProfileRecord> profiles);

  // The profile fell due: true when it must be scanned, and then its marks are cleared now;
  // false when it can be queued unchanged.
  bool ScanWhenDue(const ProfileRecord& profile);
  // Appends an unchanged snapshot of `profile` to the run list unless one of that name is there.
  void QueueUnchanged(EngineContext& ctx, const ProfileRecord& profile);

  // Reads the events waiting; the loop calls it when the kernel's queue is readable.
  void ReadEvents();

  const WatchedProfile* Find(const std::string& name) const;
  size_t WatchCount() const { return watch_ ? watch_->WatchCount() : 0; }

  // The passes' outcomes.
  void ProfileStarted(const RunSnapshot& item) noexcept override;
  void ProfileFinished(const RunSnapshot& item) noexcept override;
  void ProfileDropped(const RunSnapshot& item) noexcept override;
  void ProfileLocked(const RunSnapshot& item, const Error& refusal) noexcept override;
  void SourceUnreadable(std::string_view dir) noexcept override;
  void RemovalSkipped(const RunSnapshot& item, RemovalSkip why) noexcept override;
  void FileDone(const FileEvent& event) noexcept override;

 private:
  struct Entry {
    ProfileRecord profile;
    WatchedProfile state;
    std::vector<int> trees;
    bool limit_reported = false;
  };

  // (Re)watches the profile's folders; on failure it is left unwatched.
  void Watch(Entry& entry);
  void Unwatch(Entry& entry);
  bool OwnPath(const std::string& path) const;
  Entry* EntryOfTree(int tree);
  Entry* Current();

  std::unique_ptr<ChangeWatch> watch_;
  ui::MessageLoop& loop_;
  WriteRecord write_;
  std::vector<std::string> own_paths_;
  std::map<std::string, Entry> entries_;
  // The profile whose pass runs, and whether something in it failed.
  std::string current_;
  bool current_failed_ = false;
};

}  // namespace qm
