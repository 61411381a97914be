// The main window: the widgets of MainWindowController's controls laid out as the program shows
// them, the profile grid over `profile_table`, and the window events forwarded to the form.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "app/form_window.h"

class QTableView;
class QTabWidget;
class QSplitter;

namespace qm {
class MainWindowController;
}

namespace qm::qt {

class ProfileTableModel;
class QtWizardPresenter;
class QtRestorePresenter;
class QtDesktopNotifier;
class TrayIcon;
class WindowPlacementOf;

class MainWindow : public QWidget {
 public:
  explicit MainWindow(MainWindowController& form);
  ~MainWindow() override;

  QTableView* grid() const { return grid_; }
  QTabWidget* pages() const { return pages_; }
  TrayIcon* tray() const { return tray_; }
  QtDesktopNotifier* notifier() const { return notifier_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Sees every key in the window before the control with the focus: the hot keys act on
  // release, wherever the focus is.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildProfilesBox();
  void BuildCurrentProfilePage(QWidget* page);
  void BuildStatisticsPage(QWidget* page);
  void BuildParametersPage(QWidget* page);
  void ConnectGrid();
  void FollowCurrentRow();

  MainWindowController& form_;
  ProfileTableModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QTabWidget* pages_ = nullptr;
  QSplitter* splitter_ = nullptr;
  TrayIcon* tray_ = nullptr;
  std::unique_ptr<WindowPlacementOf> placement_;
  std::unique_ptr<QtWizardPresenter> wizard_;
  std::unique_ptr<QtRestorePresenter> restore_;
  QtDesktopNotifier* notifier_ = nullptr;
  int data_connection_ = 0;
  int selection_connection_ = 0;
  bool closing_ = false;
  bool syncing_ = false;
  bool sized_ = false;
};

// The FormWindow the form is created with, before its widget exists; the widget is attached
// once built and detached before it is destroyed.
class WindowHandle : public FormWindow {
 public:
  WindowHandle();
  void Attach(QWidget* window) { window_ = window; }
  void ShowWindow() override;
  void HideWindow() override;
  bool IsWindowVisible() const override;
  bool TrayAvailable() const override { return tray_available_(); }
  void MinimizeWindow() override;
  bool IsWindowMinimized() const override;
  // Overrides the platform's answer whether a notification area exists (tests).
  void SetTrayAvailable(std::function<bool()> available) { tray_available_ = std::move(available); }

 private:
  QWidget* window_ = nullptr;
  std::function<bool()> tray_available_;
};

}  // namespace qm::qt
