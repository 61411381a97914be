// "Restore files..." and "Verify backup" in the window: the entries of the profile grid's
// context menu and of the tray menu, the restore dialog, and the two jobs run on the session
// with their progress on the statistics page. Neither runs beside a backup, and no backup
// starts while one of them runs.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/restore_dialog.h"
#include "app/run_session.h"
#include "app/run_view.h"
#include "ui/controls.h"
#include "ui/dialogs.h"

namespace qm {

inline constexpr const char* kRestoreCaption = "Restore files...";
inline constexpr const char* kVerifyCaption = "Verify backup";
inline constexpr const char* kSeeTheLog = "See the log for the files.";

class BackupChecks {
 public:
  // `current` gives the profile the entries act on (none with an empty table); `busy` is told
  // when a job starts (true) and when it has ended (false), for the window's other controls.
  BackupChecks(RunSession& session, RunView& view, ui::Dialogs& dialogs,
               std::function<std::optional<ProfileRecord>()> current,
               std::function<void(bool)> busy);

  ui::MenuItem restore_menu_item{"restore_menu_item", kRestoreCaption};
  ui::MenuItem verify_menu_item{"verify_menu_item", kVerifyCaption};
  ui::MenuItem tray_restore_menu_item{"tray_restore_menu_item", kRestoreCaption};
  ui::MenuItem tray_verify_menu_item{"tray_verify_menu_item", kVerifyCaption};

  // The front end's window for the restore dialog; while none is set restore stays disabled.
  void SetPresenter(RestoreDialogPresenter* presenter);
  // The entries enabled when there is a profile and nothing runs; a front end calls it as a
  // menu opens.
  void UpdateItems();
  bool Busy() const { return busy_; }

  void Restore();
  void Verify();

 private:
  class Host;
  // Whether a job may start now: a profile, and neither a backup nor another job running.
  bool CanStart() const;
  // Runs `job` with the run state claimed, so that the statistics page shows it (`status` on
  // its status line) and the engine loop does not start beside it.
  void RunJob(const std::string& status, const std::function<void()>& job);

  RunSession& session_;
  RunView& view_;
  ui::Dialogs& dialogs_;
  std::function<std::optional<ProfileRecord>()> current_;
  std::function<void(bool)> busy_changed_;
  RestoreDialogPresenter* presenter_ = nullptr;
  bool busy_ = false;
};

}  // namespace qm
