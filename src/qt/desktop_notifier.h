// Desktop notifications for the form: the tray icon's balloon where there is an icon, else
// the desktop's notification service over D-Bus. A click on either shows the main window.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <optional>

#include "app/failure_notice.h"

namespace qm {
class MainWindowController;
}

namespace qm::qt {

class TrayIcon;

// The id the desktop knows the program by: its desktop entry, icon and metainfo file.
inline constexpr const char* kDesktopId = "org.quillmor.Quillmor";

class QtDesktopNotifier : public QObject, public DesktopNotifier {
  Q_OBJECT

 public:
  // Registers itself with `form`, and unregisters when destroyed.
  QtDesktopNotifier(MainWindowController& form, TrayIcon& tray, QObject* parent);
  ~QtDesktopNotifier() override;

  void ShowNotification(const std::string& title, const std::string& text) override;
  // The bus of the desktop's notification service; by default the session bus, reached only
  // when the first notification is sent.
  void UseBus(const QDBusConnection& bus) { bus_ = bus; }

 private Q_SLOTS:
  void ActionInvoked(uint id, const QString& action);
  void NotificationClosed(uint id, uint reason);

 private:
  MainWindowController& form_;
  TrayIcon& tray_;
  std::optional<QDBusConnection> bus_;
  bool listening_ = false;
  // Notifications of ours still on the desktop.
  QSet<uint> shown_;
};

}  // namespace qm::qt
