// The desktop notification over D-Bus when there is no tray icon: a private bus with a
// stand-in for the desktop's notification service receives it, and a click on it (the
// service's "default" action) shows the main window.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QVariantMap>
#include <csignal>
#include <memory>
#include <optional>

#include "app/main_window_controller.h"
#include "platform/clock.h"
#include "qt/desktop_notifier.h"
#include "qt/main_window.h"
#include "qt/qt_message_loop.h"
#include "support/child_process.h"
#include "window_fixture.h"

namespace qm::test {

class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  QStringList summaries, bodies, app_names;
  QList<QStringList> actions;
  QList<QVariantMap> hints;

 public Q_SLOTS:
  uint Notify(const QString& app_name, uint, const QString&, const QString& summary,
              const QString& body, const QStringList& acts, const QVariantMap& hint, int) {
    app_names << app_name;
    summaries << summary;
    bodies << body;
    actions << acts;
    hints << hint;
    return 40 + summaries.size();
  }
};

namespace {

class NotificationTest : public WindowFixture {
 protected:
  void SetUp() override {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "no dbus-daemon";
    bus_process.emplace(
        daemon.toStdString(),
        ChildOptions{.args = {"--session", "--nofork", "--print-address=1"}, .out = kPipe});
    const std::optional<std::string> printed = bus_process->ReadLine();
    ASSERT_TRUE(printed) << "the bus never said where it listens";
    address = QString::fromStdString(*printed).trimmed();
    service_bus = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address, "quillmor-test-service"));
    ASSERT_TRUE(service_bus->isConnected());
    ASSERT_TRUE(service_bus->registerObject("/org/freedesktop/Notifications", &fake,
                                            QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service_bus->registerService("org.freedesktop.Notifications"));

    // A profile in the store: once the click shows the window, the start-up timer would
    // otherwise ask about an empty table, if it fires before the test ends.
    WriteStore({"Photos"});
    Create();
    window->notifier()->UseBus(QDBusConnection::connectToBus(address, "quillmor-test-app"));
  }
  void TearDown() override {
    Close();
    if (service_bus) {
      service_bus.reset();
      QDBusConnection::disconnectFromBus("quillmor-test-service");
      QDBusConnection::disconnectFromBus("quillmor-test-app");
    }
    if (bus_process) {
      bus_process->Signal(SIGTERM);
      bus_process->Wait(std::chrono::seconds(10));
    }
  }

  std::optional<ChildProcess> bus_process;
  QString address;
  std::unique_ptr<QDBusConnection> service_bus;
  FakeNotifications fake;
};

TEST_F(NotificationTest, FailedBackgroundProfileIsNotifiedAndAClickShowsTheWindow) {
  ASSERT_FALSE(window->isVisible());
  form->session().notice.ProfileStarted("Photos");
  form->session().notice.ErrorRecorded();
  form->session().notice.ErrorRecorded();
  form->session().notice.ProfileFinished(true, "/home/u/Quillmor.log", 5000);
  ASSERT_TRUE(PumpUntil([&] { return !fake.summaries.isEmpty(); }));
  EXPECT_EQ(fake.app_names[0], "Quillmor");
  EXPECT_EQ(fake.summaries[0], "Quillmor: errors in \"Photos\"");
  EXPECT_TRUE(fake.bodies[0].contains("2 errors"));
  EXPECT_TRUE(fake.bodies[0].contains("/home/u/Quillmor.log"));
  EXPECT_TRUE(fake.actions[0].contains("default"));
  EXPECT_EQ(fake.hints[0].value("desktop-entry").toString(), qt::kDesktopId);

  // A click on some other program's notification is not ours.
  auto invoke = [&](uint id) {
    QDBusMessage signal = QDBusMessage::createSignal(
        "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
    signal << id << QString("default");
    service_bus->send(signal);
  };
  invoke(7);
  invoke(41);
  ASSERT_TRUE(PumpUntil([&] { return window->isVisible(); }));
}

}  // namespace
}  // namespace qm::test

#include "notification_test.moc"
