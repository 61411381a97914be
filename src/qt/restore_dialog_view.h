// The "Restore files..." dialog's window: each widget follows a control of RestoreDialog.
#pragma once

#include "app/restore_dialog.h"

class QWidget;

namespace qm::qt {

// Shows the dialog modally over `parent`.
class QtRestorePresenter : public RestoreDialogPresenter {
 public:
  explicit QtRestorePresenter(QWidget* parent) : parent_(parent) {}
  bool Show(RestoreDialog& dialog) override;

 private:
  QWidget* parent_;
};

}  // namespace qm::qt
