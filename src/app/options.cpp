// The "Parameters" page of the main window: autostart and the log directory's browser.
#include "app/autostart.h"
#include "app/main_form_state.h"
#include "app/qmUnit1.h"

namespace qm {

namespace {

constexpr const char* kAutostartOnFailed = "Can not make Quillmor start at log-in.\r\n";
constexpr const char* kAutostartOffFailed = "Can not stop Quillmor from starting at log-in.\r\n";

}  // namespace

void TForm1::SetUpOptions() {
  chRunOnWindowsStart.SetHint(
      "Check this box if you want Quillmor always start with Windows. \r\nIf this box checked "
      "then Quillmor works in the background mode.");
  chRunOnWindowsStart.OnClick = Guarded([this] { chRunOnWindowsStartClick(); });
  grdProfs.FixedColor = kClBtnFace;
  grdProfs.FooterColor = kClWindow;
  Log.deLogDirButton.OnClick = Guarded([this] { deLogDirButtonClick(); });
}

void TForm1::chRunOnWindowsStartClick() {
  const bool enabled = chRunOnWindowsStart.Checked();
  // The box goes back without its click handler, so the revert itself deletes nothing.
  if (!SetRunOnWindowsStart(enabled)) chRunOnWindowsStart.SetChecked(!enabled);
}

bool TForm1::SetRunOnWindowsStart(bool Enabled) {
  const Status s = SetAutostart(registry, fs_, ExecutableFile, Enabled);
  if (s.ok()) return true;
  dialogs_.ShowErrorBox((Enabled ? kAutostartOnFailed : kAutostartOffFailed) +
                        ui::ApplicationErrorText(s.error().message));
  return false;
}

void TForm1::deLogDirButtonClick() {
  const std::string& current = Log.deLogDir.Text();
  std::string start = "/";
  if (!current.empty()) {
    auto entry = fs_.Stat(current);
    if (entry.ok() && entry.value().is_directory()) start = current;
  }
  if (auto chosen = dialogs_.BrowseForFolder(kLogDirBrowseTitle, start)) {
    Log.deLogDir.SetText(*chosen);
  }
}

}  // namespace qm
