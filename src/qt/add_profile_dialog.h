// The add-profile wizard's window: a fixed dialog with the side picture, the page area and the
// three buttons, each widget following a control of AddProfileWizard.
#pragma once

#include <QDialog>

#include "wizard/add_profile_wizard.h"

class QLineEdit;
class QTabWidget;

namespace qm::qt {

class AddProfileDialog : public QDialog, public WizardWindow {
 public:
  AddProfileDialog(AddProfileWizard& form, QWidget* parent);
  ~AddProfileDialog() override;

  QTabWidget* pages() const { return pages_; }

  // WizardWindow
  Point CursorPos() override;
  void SetCursorPos(Point p) override;
  Point SrcDirBottomRight() override;
  void Focus(const ui::Control& control) override;
  void CloseWindow() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  // Esc
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWelcomePage(QWidget* page);
  void BuildSourcePage(QWidget* page);
  void BuildFilterPage(QWidget* page);
  void BuildDestinationPage(QWidget* page);
  void BuildCompressingPage(QWidget* page);
  void BuildReadyPage(QWidget* page);
  void BuildAdditionalPage(QWidget* page);
  void BuildSecondReadyPage(QWidget* page);

  AddProfileWizard& form_;
  QTabWidget* pages_ = nullptr;
  QLineEdit* src_dir_ = nullptr;
  bool shown_ = false;
  bool closing_ = false;
};

// Shows the wizard in an AddProfileDialog over `parent`.
class QtWizardPresenter : public WizardPresenter {
 public:
  explicit QtWizardPresenter(QWidget* parent) : parent_(parent) {}
  void RunModal(AddProfileWizard& form) override;

 private:
  QWidget* parent_;
};

// The side picture: a dark blue to green gradient with a cascade of document sheets.
QPixmap WizardSidePicture();

}  // namespace qm::qt
