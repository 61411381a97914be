#include "qt/desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "app/main_window_controller.h"
#include "qt/tray_icon.h"

namespace qm::qt {

namespace {
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
}  // namespace

QtDesktopNotifier::QtDesktopNotifier(MainWindowController& form, TrayIcon& tray, QObject* parent)
    : QObject(parent), form_(form), tray_(tray) {
  form_.session().notice.SetNotifier(this);
}

QtDesktopNotifier::~QtDesktopNotifier() {
  form_.session().notice.SetNotifier(nullptr);
}

void QtDesktopNotifier::ShowNotification(const std::string& title, const std::string& text) {
  const QString summary = QString::fromStdString(title);
  const QString body = QString::fromStdString(text);
  if (tray_.ShowMessage(summary, body)) return;

  if (!bus_) bus_ = QDBusConnection::sessionBus();
  QDBusConnection& bus = *bus_;
  if (!bus.isConnected()) return;
  if (!listening_) {
    listening_ = bus.connect(kService, kPath, kInterface, "ActionInvoked", this,
                             SLOT(ActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                SLOT(NotificationClosed(uint, uint)));
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
  QVariantMap hints;
  hints.insert("desktop-entry", QString::fromUtf8(kDesktopId));
  hints.insert("urgency", QVariant::fromValue<uchar>(1));
  // The "default" action is what a click on the notification's body invokes.
  const QStringList actions = {"default", "Show Quillmor"};
  call << QString::fromUtf8(kApplicationTitle) << uint(0) << QString::fromUtf8(kDesktopId)
       << summary << body << actions << hints << int(-1);
  // Never waits: a slow or missing notification service must not stall the window or a run.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this](QDBusPendingCallWatcher* finished) {
            const QDBusPendingReply<uint> reply = *finished;
            if (reply.isValid()) shown_.insert(reply.value());
            finished->deleteLater();
          });
}

void QtDesktopNotifier::ActionInvoked(uint id, const QString& action) {
  if (!shown_.contains(id) || action != "default") return;
  form_.Guarded([this] { form_.ShowFromTray(); })();
}

void QtDesktopNotifier::NotificationClosed(uint id, uint) {
  shown_.remove(id);
}

}  // namespace qm::qt
