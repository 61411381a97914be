// Preloaded into the real program, this stands in for the user's hands: it answers Yes to the
// offer of the wizard (and to any other question) and walks the wizard through its widgets,
// typing the source folder QM_WIZARD_SOURCE and the destination QM_WIZARD_DEST, up to Finish.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace {

void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  for (const QChar c : text) {
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent key(type, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(edit, &key);
    }
  }
}

template <class W>
W* Usable(QWidget* wizard, const char* name) {
  W* w = wizard->findChild<W*>(name);
  return w != nullptr && w->isVisible() && w->isEnabled() ? w : nullptr;
}

// True when it did something; the next step waits for the next tick.
bool Step(QWidget* wizard) {
  const QString source = qEnvironmentVariable("QM_WIZARD_SOURCE");
  const QString dest = qEnvironmentVariable("QM_WIZARD_DEST");
  if (auto* finish = Usable<QPushButton>(wizard, "finish_button")) {
    finish->click();
  } else if (auto* s = Usable<QLineEdit>(wizard, "source_folder_edit"); s && s->text() != source) {
    Type(s, source);
  } else if (auto* d = Usable<QLineEdit>(wizard, "destination_folder_edit");
             d && d->text() != dest) {
    Type(d, dest);
  } else if (auto* next = Usable<QPushButton>(wizard, "next_button")) {
    next->click();
  } else {
    return false;
  }
  return true;
}

void Tick() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible()) continue;
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->click();
      return;
    }
    if (w->objectName() == QLatin1String("add_profile_wizard") && Step(w)) return;
  }
}

void StartHands() {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, Tick);
  timer->start(50);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartHands)
