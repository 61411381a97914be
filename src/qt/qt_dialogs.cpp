#include "qt/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace qm::qt {

namespace {

QMessageBox::StandardButton Box(QWidget* parent, QMessageBox::Icon icon, const char* title,
                                const std::string& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton default_button) {
  QMessageBox box(icon, QString::fromUtf8(title), ToQtText(text), buttons, parent);
  box.setDefaultButton(default_button);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QString QtLineBreaks(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QString ToQtText(const std::string& text) {
  return QtLineBreaks(QString::fromUtf8(text));
}

void QtDialogs::ShowErrorBox(const std::string& text) {
  Box(parent_, QMessageBox::Critical, "Error", text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::Confirm(const std::string& text) {
  return Box(parent_, QMessageBox::Question, "Confirm", text, QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::ShowInformation(const std::string& text) {
  Box(parent_, QMessageBox::Information, "Information", text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtDialogs::AskErrorYesNo(const std::string& text) {
  return Box(parent_, QMessageBox::Critical, "Error", text, QMessageBox::Yes | QMessageBox::No,
             QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtDialogs::ConfirmOkCancel(const std::string& text) {
  return Box(parent_, QMessageBox::Question, "Confirm", text, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Ok) == QMessageBox::Ok;
}

void QtDialogs::ShowApplicationError(const std::string& text) {
  Box(parent_, QMessageBox::Critical, "Quillmor", text, QMessageBox::Ok, QMessageBox::Ok);
}

std::optional<std::string> QtDialogs::BrowseForFolder(const std::string& title,
                                                      const std::string& start) {
  const QString dir = QFileDialog::getExistingDirectory(
      parent_, QString::fromUtf8(title), QString::fromUtf8(start), QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return std::nullopt;
  return QDir::cleanPath(dir).toStdString();
}

std::optional<std::string> QtDialogs::ChooseDirectoryToCreate(
    const std::string& start, const std::function<bool(const std::string&)>& confirm_create) {
  QString dir = QString::fromUtf8(start);
  if (dir.isEmpty() || !QFileInfo(dir).isDir()) dir = QDir::currentPath();
  for (;;) {
    // A typed path that does not exist yet must be accepted, so the file mode is AnyFile with
    // only directories shown.
    QFileDialog dialog(parent_, QStringLiteral("Create directory"), dir);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = QDir::cleanPath(dialog.selectedFiles().front());
    if (QFileInfo(chosen).isDir() || confirm_create(chosen.toStdString()))
      return chosen.toStdString();
    dir = chosen;
  }
}

}  // namespace qm::qt
