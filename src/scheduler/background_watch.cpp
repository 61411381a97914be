#include "scheduler/background_watch.h"

#include "engine/temporary_names.h"
#include "platform/path_style.h"
#include "scheduler/background_timers.h"

namespace qm {

namespace {

bool AtOrBelow(const std::string& path, const std::string& dir) {
  if (path.compare(0, dir.size(), dir) != 0) return false;
  return path.size() == dir.size() || path[dir.size()] == '/' || dir.ends_with('/');
}

bool Watchable(const ProfileRecord& p) {
  return p.SyncMethod() == kSyncOneWay || p.SyncMethod() == kSyncBothWays;
}

}  // namespace

bool MustScan(const WatchedProfile& profile, uint64_t now_ms,
              const std::optional<FolderIdentity>& src_now,
              const std::optional<FolderIdentity>& dest_now) {
  if (!profile.watched || profile.changed || !profile.complete) return true;
  if (now_ms - profile.last_scan_ms >= kFullPassEveryMs) return true;
  // A remounted or replaced folder raises no event in the watch of the folder it covers.
  if (!src_now || src_now != profile.src_at_pass) return true;
  return !dest_now || dest_now != profile.dest_at_pass;
}

std::string WatchLimitMessage(const std::string& dir, uint64_t limit) {
  const std::string count = limit > 0 ? std::to_string(limit) + " " : std::string();
  return "Changes under \"" + dir + "\" can not be watched: the limit of " + count +
         "folder watches per user is reached (raise it with: sysctl " + kWatchLimitSetting +
         "=<more>). The profile is scanned in full each time it falls due";
}

BackgroundWatch::BackgroundWatch(std::unique_ptr<ChangeWatch> watch, const Error& refusal,
                                 ui::MessageLoop& loop, WriteRecord write,
                                 std::vector<std::string> own_paths)
    : watch_(std::move(watch)),
      loop_(loop),
      write_(std::move(write)),
      own_paths_(std::move(own_paths)) {
  if (!watch_) {
    write_(LogKind::kInfo, refusal.message + " (the limit is " + kInstanceLimitSetting +
                               "); every profile is scanned in full each time it falls due");
    return;
  }
  loop_.WatchDescriptor(watch_->Descriptor(), [this] { ReadEvents(); });
}

BackgroundWatch::~BackgroundWatch() {
  if (watch_) loop_.UnwatchDescriptor(watch_->Descriptor());
}

void BackgroundWatch::Start(std::span<const ProfileRecord> profiles) {
  for (const ProfileRecord& p : profiles) {
    // A profile without an interval never falls due.
    if (IntervalMs(p.Interval()) == 0) continue;
    Entry& entry = entries_[p.Name()];
    entry.profile = p;
    Watch(entry);
  }
}

void BackgroundWatch::Watch(Entry& entry) {
  Unwatch(entry);
  const ProfileRecord& p = entry.profile;
  if (!watch_ || !Watchable(p)) return;
  // A one-way destination is not watched: the daily full pass sees changes made to it by hand.
  std::vector<std::string> roots{p.SrcDir()};
  if (p.SyncMethod() == kSyncBothWays) roots.push_back(p.DestDir());
  for (const std::string& root : roots) {
    Result<int> tree = watch_->AddTree(root, p.InclDirs());
    if (!tree.ok()) {
      Unwatch(entry);
      if (tree.error().kind == ErrorKind::kNoSpace && !entry.limit_reported) {
        entry.limit_reported = true;
        write_(LogKind::kInfo, WatchLimitMessage(root, WatchLimit()));
      }
      return;
    }
    entry.trees.push_back(tree.value());
  }
  entry.state.watched = true;
}

void BackgroundWatch::Unwatch(Entry& entry) {
  for (int tree : entry.trees) watch_->RemoveTree(tree);
  entry.trees.clear();
  entry.state.watched = false;
}

bool BackgroundWatch::OwnPath(const std::string& path) const {
  if (IsTemporaryName(FileNamePart(path))) return true;
  for (const std::string& own : own_paths_)
    if (AtOrBelow(path, own)) return true;
  return false;
}

BackgroundWatch::Entry* BackgroundWatch::EntryOfTree(int tree) {
  for (auto& [name, entry] : entries_)
    for (int t : entry.trees)
      if (t == tree) return &entry;
  return nullptr;
}

void BackgroundWatch::ReadEvents() {
  if (!watch_) return;
  for (const ChangeEvent& e : watch_->ReadEvents()) {
    if (e.kind == ChangeEvent::Kind::kOverflow) {
      for (auto& [name, entry] : entries_) entry.state.changed = true;
      continue;
    }
    Entry* entry = EntryOfTree(e.tree);
    if (entry == nullptr) continue;
    switch (e.kind) {
      case ChangeEvent::Kind::kChanged:
        if (!OwnPath(e.path)) entry->state.changed = true;
        break;
      case ChangeEvent::Kind::kWatchFailed:
        if (e.error.kind == ErrorKind::kNoSpace && !entry->limit_reported) {
          entry->limit_reported = true;
          write_(LogKind::kInfo, WatchLimitMessage(e.path, WatchLimit()));
        }
        Unwatch(*entry);
        break;
      default:
        // The tree's root went away; whatever comes in its place is watched when it falls due.
        Unwatch(*entry);
        break;
    }
  }
}

bool BackgroundWatch::ScanWhenDue(const ProfileRecord& profile) {
  auto it = entries_.find(profile.Name());
  if (it == entries_.end() || !Watchable(profile)) return true;
  Entry& entry = it->second;
  ReadEvents();
  const bool was_watched = entry.state.watched;
  // Watched again before the scan, so that nothing changed between the two goes unseen.
  if (!was_watched) Watch(entry);
  const uint64_t now = loop_.TickCount();
  const bool scan = !was_watched || MustScan(entry.state, now, watch_->Identify(profile.SrcDir()),
                                             watch_->Identify(profile.DestDir()));
  if (scan) {
    entry.state.changed = false;
    entry.state.complete = false;
    entry.state.last_scan_ms = now;
  }
  return scan;
}

void BackgroundWatch::QueueUnchanged(EngineContext& ctx, const ProfileRecord& profile) {
  const std::string name = profile.Name();
  if (ctx.run_list.IndexOf(name) >= 0) return;
  const WatchedProfile& state = entries_.at(name).state;
  auto snapshot = std::make_unique<RunSnapshot>();
  snapshot->Profile = profile;
  snapshot->Unchanged = true;
  snapshot->UnchangedFiles = state.files;
  snapshot->CacheDirs = state.cache_dirs;
  snapshot->SpecialFiles = state.special_files;
  snapshot->StartedAt = ctx.clock.Now();
  snapshot->FilesLeft = static_cast<int32_t>(state.files);
  RunSnapshot& item = ctx.run_list.Add(name, std::move(snapshot));
  ctx.observer.ProfileQueued(item);
  ctx.observer.ProfileScanned(item);
}

const WatchedProfile* BackgroundWatch::Find(const std::string& name) const {
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second.state;
}

BackgroundWatch::Entry* BackgroundWatch::Current() {
  auto it = entries_.find(current_);
  return it == entries_.end() ? nullptr : &it->second;
}

void BackgroundWatch::ProfileStarted(const RunSnapshot& item) noexcept {
  current_ = item.Profile.Name();
  current_failed_ = item.SrcScanFailed || item.DestScanFailed;
}

void BackgroundWatch::ProfileFinished(const RunSnapshot& item) noexcept {
  Entry* entry = Current();
  current_.clear();
  if (entry == nullptr || item.Unchanged) return;
  WatchedProfile& state = entry->state;
  state.complete = !current_failed_;
  if (!state.complete || !watch_) return;
  state.files = FileCount(item);
  state.cache_dirs = item.CacheDirs;
  state.special_files = item.SpecialFiles;
  state.src_at_pass = watch_->Identify(item.Profile.SrcDir());
  state.dest_at_pass = watch_->Identify(item.Profile.DestDir());
}

void BackgroundWatch::ProfileDropped(const RunSnapshot& item) noexcept {
  // Outside its window or stopped: nothing says its folders are as the last pass left them.
  auto it = entries_.find(item.Profile.Name());
  if (it != entries_.end()) it->second.state.complete = false;
  current_.clear();
}

void BackgroundWatch::ProfileLocked(const RunSnapshot& item, const Error& /*refusal*/) noexcept {
  ProfileDropped(item);
}

void BackgroundWatch::SourceUnreadable(std::string_view /*dir*/) noexcept {
  current_failed_ = true;
}

void BackgroundWatch::RemovalSkipped(const RunSnapshot& /*item*/, RemovalSkip /*why*/) noexcept {
  current_failed_ = true;
}

void BackgroundWatch::FileDone(const FileEvent& event) noexcept {
  if (event.action == FileAction::kFailed) {
    current_failed_ = true;
    return;
  }
  // The pass wrote: a one-way destination is not watched, so only a scan learns the counts a
  // pass over the result shows; and our copies into a watched folder may raise their events
  // after the marks were read.
  if (Entry* entry = Current()) entry->state.changed = true;
}

}  // namespace qm
