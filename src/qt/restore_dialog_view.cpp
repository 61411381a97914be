#include "qt/restore_dialog_view.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/control_binding.h"

namespace qm::qt {
namespace {

constexpr const char* kMomentFormat = "yyyy-MM-dd HH:mm:ss";

bool RestoreDialogView(RestoreDialog& model, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("restore_dialog"));
  dialog.setWindowTitle(QString::fromUtf8(kRestoreTitle));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(Bind(model.profile_label, &dialog));

  layout->addWidget(Bind(model.as_of_label, &dialog));
  auto* moment_row = new QHBoxLayout();
  moment_row->addWidget(Bind(model.newest_box, &dialog));
  // A calendar field in place of the bare text: it can only hold a valid moment.
  auto* moment = new QDateTimeEdit(&dialog);
  moment->setObjectName(QString::fromStdString(model.as_of_edit.name()));
  moment->setDisplayFormat(QString::fromUtf8(kMomentFormat));
  moment->setCalendarPopup(true);
  moment->setDateTime(QDateTime::fromString(QString::fromStdString(model.as_of_edit.Text()),
                                            QString::fromUtf8(kMomentFormat)));
  moment->setEnabled(model.as_of_edit.Enabled());
  const int follow = model.as_of_edit.Changed().Connect(
      [&model, moment] { moment->setEnabled(model.as_of_edit.Enabled()); });
  QObject::connect(moment, &QDateTimeEdit::dateTimeChanged, [&model](const QDateTime& when) {
    model.as_of_edit.SetTextByUser(when.toString(QString::fromUtf8(kMomentFormat)).toStdString());
  });
  moment_row->addWidget(moment, 1);
  layout->addLayout(moment_row);

  layout->addWidget(Bind(model.to_label, &dialog));
  auto* to_row = new QHBoxLayout();
  to_row->setSpacing(2);
  to_row->addWidget(Bind(model.to_edit, &dialog), 1);
  QPushButton* browse = Bind(model.browse_button, &dialog);
  browse->setFixedWidth(26);
  to_row->addWidget(browse);
  layout->addLayout(to_row);

  layout->addWidget(Bind(model.overwrite_box, &dialog));
  QLabel* outcome = Bind(model.outcome_label, &dialog);
  outcome->setWordWrap(true);
  outcome->setMinimumWidth(380);
  layout->addWidget(outcome);

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  QPushButton* restore = Bind(model.restore_button, &dialog);
  restore->setDefault(true);
  buttons->addWidget(restore);
  buttons->addWidget(Bind(model.cancel_button, &dialog));
  layout->addLayout(buttons);

  model.restore_button.OnClick = [&dialog] { dialog.accept(); };
  model.cancel_button.OnClick = [&dialog] { dialog.reject(); };
  const bool accepted = dialog.exec() == QDialog::Accepted;
  model.restore_button.OnClick = nullptr;
  model.cancel_button.OnClick = nullptr;
  model.as_of_edit.Changed().Disconnect(follow);
  return accepted;
}

}  // namespace

bool QtRestorePresenter::Show(RestoreDialog& dialog) {
  return RestoreDialogView(dialog, parent_);
}

}  // namespace qm::qt
