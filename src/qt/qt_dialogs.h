// Message boxes and folder pickers as real Qt dialogs, with the program's titles, icons and
// buttons.
#pragma once

#include "ui/dialogs.h"

#include <QString>

class QWidget;

namespace qm::qt {

class QtDialogs : public ui::Dialogs {
 public:
  // `parent` centres the boxes over the main window; may be null.
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void set_parent(QWidget* parent) { parent_ = parent; }

  void ShowErrorBox(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  bool AskErrorYesNo(const std::string& text) override;
  bool ConfirmOkCancel(const std::string& text) override;
  void ShowApplicationError(const std::string& text) override;
  std::optional<std::string> BrowseForFolder(const std::string& title,
                                             const std::string& start) override;
  std::optional<std::string> ChooseDirectoryToCreate(
      const std::string& start,
      const std::function<bool(const std::string&)>& confirm_create) override;

 private:
  QWidget* parent_;
};

// The program's texts mark line breaks with CR LF or a lone CR; Qt wants LF.
QString ToQtText(const std::string& text);
// The same for a text already in Qt's hands.
QString QtLineBreaks(QString text);

}  // namespace qm::qt
