#include "qt/add_profile_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "qt/control_binding.h"
#include "qt/image_list.h"
#include "qt/qt_dialogs.h"

namespace qm::qt {

namespace {

constexpr int kClientWidth = 570;
// The wizard's 310 pixels hold every page only with its own fonts; the destination page's
// texts need more room here, and nothing may be cut off.
constexpr int kClientHeight = 380;
constexpr int kPictureWidth = 128;

// Runs `update` now and on every change of `control`, until `object` is destroyed.
void Follow(ui::Control& control, QObject* object, std::function<void()> update) {
  update();
  const int id = control.Changed().Connect(std::move(update));
  QObject::connect(object, &QObject::destroyed,
                   [&control, id] { control.Changed().Disconnect(id); });
}

void FollowCommon(ui::Control& control, QWidget* w) {
  Follow(control, w, [&control, w] {
    w->setEnabled(control.Enabled());
    if (w->isHidden() == control.Visible()) w->setVisible(control.Visible());
    w->setToolTip(ToQtText(control.Hint()));
  });
}

// The contents of one page, top to bottom. The dialog's size is fixed, so the pages are laid
// out to fit it; wrapped texts get the height their width needs.
QVBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 4, 8, 4);
  layout->setSpacing(3);
  return layout;
}

QLabel* Wrapped(QLabel* label) {
  // Word wrap gives the label its height for the width it gets; a size policy set after it
  // would lose that.
  label->setWordWrap(true);
  return label;
}

QLabel* Bold(QLabel* label) {
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

// A text field with its browse button at its right; the row is what the pointer glides to.
QWidget* EditWithBrowse(QWidget* parent, ui::Edit& edit, ui::Button& browse,
                        QLineEdit** edit_widget = nullptr) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  QLineEdit* line = Bind(edit, row);
  layout->addWidget(line, 1);
  QPushButton* button = Bind(browse, row);
  button->setFixedWidth(26);
  button->setAutoDefault(false);
  layout->addWidget(button);
  if (edit_widget) *edit_widget = line;
  return row;
}

// Turns a release of the left button on a caption into a click of its radio button.
class CaptionClick : public QObject {
 public:
  CaptionClick(QRadioButton* radio, QObject* parent) : QObject(parent), radio_(radio) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && radio_->isEnabled()) {
      radio_->click();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QRadioButton* radio_;
};

// A radio button whose caption wraps. The model keeps the pair exclusive, so the buttons are
// not grouped by the toolkit; `choose` runs on a user's click.
QWidget* WrappingRadio(QWidget* parent, ui::Control& control, std::function<bool()> checked,
                       std::function<void()> choose) {
  auto* row = new QWidget(parent);
  row->setObjectName(QString::fromStdString(control.name()));
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  auto* radio = new QRadioButton(row);
  radio->setAutoExclusive(false);
  auto* caption = Wrapped(new QLabel(row));
  caption->installEventFilter(new CaptionClick(radio, caption));
  layout->addWidget(radio, 0, Qt::AlignTop);
  layout->addWidget(caption, 1);
  FollowCommon(control, row);
  Follow(control, caption, [&control, radio, caption, checked] {
    caption->setText(ToQtText(control.Caption()));
    const QSignalBlocker block(radio);
    radio->setChecked(checked());
  });
  QObject::connect(radio, &QRadioButton::clicked, [radio, checked, choose] {
    choose();
    // The model may keep the choice as it was; the button shows what it holds.
    const QSignalBlocker block(radio);
    radio->setChecked(checked());
  });
  return row;
}

QWidget* Radio(QWidget* parent, ui::CheckBox& box) {
  return WrappingRadio(
      parent, box, [&box] { return box.Checked(); }, [&box] { box.Click(); });
}

// A radio group over a ComboBox control: its caption is the group's title, its items the
// choices, its ItemIndex the choice.
QGroupBox* RadioGroup(QWidget* parent, ui::ComboBox& group) {
  auto* box = new QGroupBox(parent);
  box->setObjectName(QString::fromStdString(group.name()));
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(6, 4, 6, 4);
  std::vector<QRadioButton*> radios;
  for (int i = 0; i < static_cast<int>(group.Items().size()); ++i) {
    auto* radio = new QRadioButton(QString::fromStdString(group.Items()[i]), box);
    radio->setAutoExclusive(false);
    layout->addWidget(radio);
    radios.push_back(radio);
    QObject::connect(radio, &QRadioButton::clicked, [&group, i, radio] {
      if (group.ItemIndex() != i) group.SelectByUser(i);
      const QSignalBlocker block(radio);
      radio->setChecked(group.ItemIndex() == i);
    });
  }
  Follow(group, box, [&group, box, radios] {
    box->setEnabled(group.Enabled());
    box->setTitle(ToQtText(group.Caption()));
    for (size_t i = 0; i < radios.size(); ++i) {
      const QSignalBlocker block(radios[i]);
      radios[i]->setChecked(group.ItemIndex() == static_cast<int>(i));
    }
  });
  return box;
}

// A list box of fixed-pitch lines over a ComboBox control.
QListWidget* ListBox(QWidget* parent, ui::ComboBox& list) {
  auto* w = new QListWidget(parent);
  w->setObjectName(QString::fromStdString(list.name()));
  QFont mono(QStringLiteral("Courier New"));
  mono.setStyleHint(QFont::TypeWriter);
  mono.setFixedPitch(true);
  mono.setPixelSize(12);
  w->setFont(mono);
  w->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  Follow(list, w, [&list, w] {
    w->setEnabled(list.Enabled());
    const QSignalBlocker block(w);
    QStringList items;
    for (const auto& item : list.Items()) items << QString::fromStdString(item);
    QStringList shown;
    for (int i = 0; i < w->count(); ++i) shown << w->item(i)->text();
    if (shown != items) {
      w->clear();
      w->addItems(items);
    }
    w->setCurrentRow(list.ItemIndex());
  });
  QObject::connect(w, &QListWidget::currentRowChanged, [&list](int row) {
    if (row >= 0 && row != list.ItemIndex()) list.SelectByUser(row);
  });
  // A click on the line already chosen changes nothing above, yet the user means it: the page
  // reacts to it as to a new choice. After a click that changed the line this runs a second
  // time, which finds nothing left to do.
  QObject::connect(w, &QListWidget::clicked, [&list](const QModelIndex& index) {
    if (index.row() == list.ItemIndex()) list.SelectByUser(index.row());
  });
  return w;
}

QPushButton* LargeButton(QWidget* parent, ui::Button& button) {
  QPushButton* w = Bind(button, parent);
  w->setMinimumHeight(30);
  w->setAutoDefault(false);
  return w;
}

}  // namespace

QPixmap WizardSidePicture() {
  QPixmap picture(kPictureWidth, 256);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, 256);
  gradient.setColorAt(0, QColor(0x0b, 0x1f, 0x5c));
  gradient.setColorAt(1, QColor(0x1f, 0x8a, 0x4c));
  p.fillRect(picture.rect(), gradient);
  // A cascade of sheets, each with a folded corner and a few lines of text.
  for (int i = 0; i < 5; ++i) {
    const QRectF sheet(14 + i * 14, 30 + i * 34, 52, 68);
    QPainterPath outline;
    outline.moveTo(sheet.topLeft());
    outline.lineTo(sheet.right() - 12, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + 12);
    outline.lineTo(sheet.bottomRight());
    outline.lineTo(sheet.bottomLeft());
    outline.closeSubpath();
    p.setPen(QPen(QColor(0x20, 0x30, 0x50), 1));
    p.setBrush(QColor(255, 255, 255, 190 + i * 13));
    p.drawPath(outline);
    p.setPen(QPen(QColor(0x70, 0x80, 0xa0), 1));
    for (int line = 0; line < 5; ++line) {
      const double y = sheet.top() + 20 + line * 9;
      p.drawLine(QPointF(sheet.left() + 7, y), QPointF(sheet.right() - 7 - (line % 2) * 10, y));
    }
  }
  return picture;
}

AddProfileDialog::AddProfileDialog(AddProfileWizard& form, QWidget* parent)
    : QDialog(parent), form_(form) {
  setObjectName(QStringLiteral("add_profile_wizard"));
  setWindowTitle(QString::fromUtf8(kWizardCaption));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  // The page texts were laid out for a compact dialog font, as in the main window.
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(6, 6, 6, 6);
  root->setSpacing(6);
  auto* body = new QHBoxLayout();
  body->setSpacing(6);
  root->addLayout(body, 1);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("wizard_picture"));
  picture->setPixmap(WizardSidePicture());
  picture->setScaledContents(true);
  picture->setFixedWidth(kPictureWidth);
  picture->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  body->addWidget(picture);

  pages_ = Bind(form_.page_control, this);
  pages_->setUsesScrollButtons(false);
  body->addWidget(pages_, 1);
  BuildWelcomePage(PageWidget(pages_, form_.page_control, form_.welcome_page));
  BuildSourcePage(PageWidget(pages_, form_.page_control, form_.source_page));
  BuildFilterPage(PageWidget(pages_, form_.page_control, form_.filter_page));
  BuildDestinationPage(PageWidget(pages_, form_.page_control, form_.destination_page));
  BuildCompressingPage(PageWidget(pages_, form_.page_control, form_.compression_page));
  BuildReadyPage(PageWidget(pages_, form_.page_control, form_.ready_page));
  BuildAdditionalPage(PageWidget(pages_, form_.page_control, form_.additional_page));
  BuildSecondReadyPage(PageWidget(pages_, form_.page_control, form_.final_ready_page));

  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  QPushButton* back = Bind(form_.back_button, this);
  back->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
  QPushButton* next = Bind(form_.next_button, this);
  next->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  next->setLayoutDirection(Qt::RightToLeft);  // the arrow after the caption
  QPushButton* cancel = Bind(form_.cancel_button, this);
  for (QPushButton* b : {back, next, cancel}) {
    b->setMinimumWidth(80);
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  next->setDefault(true);
  root->addLayout(buttons);

  setFixedSize(kClientWidth, kClientHeight);
}

AddProfileDialog::~AddProfileDialog() {
  // Focus moves while the widgets go; the form hears nothing of it any more.
  src_dir_->removeEventFilter(this);
}

void AddProfileDialog::BuildWelcomePage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  QLabel* title = Bold(Wrapped(Bind(form_.welcome_label, page)));
  QFont big = title->font();
  big.setPixelSize(15);
  title->setFont(big);
  l->addWidget(title);
  l->addSpacing(6);
  l->addWidget(Wrapped(Bind(form_.welcome_text_label, page)));
  l->addSpacing(4);
  l->addWidget(Wrapped(Bind(form_.welcome_more_label, page)));
  l->addSpacing(4);
  l->addWidget(Wrapped(Bind(form_.welcome_next_label, page)));
  l->addStretch(1);
}

void AddProfileDialog::BuildSourcePage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Wrapped(Bind(form_.source_folder_label, page)));
  QWidget* row =
      EditWithBrowse(page, form_.source_folder_edit, form_.source_browse_button, &src_dir_);
  row->setObjectName(QStringLiteral("source_folder_row"));
  l->addWidget(row);
  // Leaving the field is an event of its own: the name is proposed then.
  src_dir_->installEventFilter(this);
  l->addWidget(Wrapped(Bind(form_.folder_missing_label, page)));
  l->addSpacing(6);
  l->addWidget(Wrapped(Bind(form_.subfolders_label, page)));
  l->addWidget(Radio(page, form_.include_subfolders_radio));
  l->addWidget(Radio(page, form_.exclude_subfolders_radio));
  l->addSpacing(6);
  l->addWidget(Wrapped(Bind(form_.profile_name_label, page)));
  l->addWidget(Bind(form_.profile_name_edit, page));
  l->addStretch(1);
}

void AddProfileDialog::BuildFilterPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(RadioGroup(page, form_.use_filter_group));
  l->addWidget(Wrapped(Bind(form_.filter_help_label, page)));
  auto* row = new QHBoxLayout();
  row->addWidget(Bind(form_.filter_label, page));
  row->addWidget(Bind(form_.filter_edit, page), 1);
  l->addLayout(row);
  l->addStretch(1);
}

void AddProfileDialog::BuildDestinationPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Wrapped(Bind(form_.disks_label, page)));
  QListWidget* list = ListBox(page, form_.disk_list);
  // Four lines 15 pixels apart, and the frame.
  list->setFixedHeight(4 * 15 + 2 * list->frameWidth() + 2);
  l->addWidget(list);
  auto* disks = new QHBoxLayout();
  disks->setSpacing(4);
  disks->addWidget(Bind(form_.recommended_disk_caption_label, page));
  disks->addWidget(Bold(Bind(form_.recommended_disk_label, page)));
  disks->addSpacing(16);
  disks->addWidget(Bind(form_.selected_disk_caption_label, page));
  disks->addWidget(Bold(Bind(form_.selected_disk_label, page)));
  disks->addStretch(1);
  l->addLayout(disks);
  l->addWidget(Wrapped(Bind(form_.same_disk_label, page)));
  l->addWidget(Wrapped(Bind(form_.archive_help_label, page)));
  l->addWidget(Wrapped(Bind(form_.destination_folder_label, page)));
  l->addWidget(
      EditWithBrowse(page, form_.destination_folder_edit, form_.destination_browse_button));
  l->addStretch(1);
}

void AddProfileDialog::BuildCompressingPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Wrapped(Bind(form_.zip_label, page)));
  l->addSpacing(4);
  l->addWidget(Radio(page, form_.zip_yes_radio));
  l->addWidget(Radio(page, form_.zip_no_radio));
  l->addStretch(1);
}

void AddProfileDialog::BuildReadyPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Wrapped(Bind(form_.ready_label, page)));
  l->addSpacing(8);
  l->addWidget(LargeButton(page, form_.save_and_add_another_button));
  l->addWidget(LargeButton(page, form_.continue_button));
  QPushButton* finish = LargeButton(page, form_.finish_button);
  finish->setDefault(true);
  l->addWidget(finish);
  l->addStretch(1);
}

void AddProfileDialog::BuildAdditionalPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Bind(form_.used_for_label, page));
  l->addWidget(Radio(page, form_.backup_only_radio));
  l->addWidget(Radio(page, form_.synchronize_radio));
  l->addSpacing(4);
  l->addWidget(Wrapped(Bind(form_.interval_text_label, page)));
  auto* row = new QHBoxLayout();
  row->setSpacing(4);
  row->addWidget(Bind(form_.interval_label, page));
  for (auto [spin, unit] : {std::pair{&form_.interval_hours_edit, &form_.hours_label},
                            std::pair{&form_.interval_minutes_edit, &form_.minutes_label},
                            std::pair{&form_.interval_seconds_edit, &form_.seconds_label}}) {
    QSpinBox* w = Bind(*spin, page);
    w->setMinimumWidth(48);
    row->addWidget(w);
    row->addWidget(Bind(*unit, page));
    row->addSpacing(6);
  }
  row->addStretch(1);
  l->addLayout(row);
  l->addStretch(1);
}

void AddProfileDialog::BuildSecondReadyPage(QWidget* page) {
  QVBoxLayout* l = PageLayout(page);
  l->addWidget(Wrapped(Bind(form_.final_ready_label, page)));
  l->addSpacing(8);
  l->addWidget(LargeButton(page, form_.final_save_and_add_another_button));
  QPushButton* finish = LargeButton(page, form_.final_finish_button);
  finish->setDefault(true);
  l->addWidget(finish);
  l->addStretch(1);
}

WizardWindow::Point AddProfileDialog::CursorPos() {
  const QPoint p = QCursor::pos();
  return {p.x(), p.y()};
}

void AddProfileDialog::SetCursorPos(Point p) {
  QCursor::setPos(p.x, p.y);
}

WizardWindow::Point AddProfileDialog::SrcDirBottomRight() {
  // The field and its browse button make one row; its corner lies on the button.
  QWidget* row = src_dir_->parentWidget();
  const QPoint corner = row->mapToGlobal(QPoint(row->width(), row->height()));
  return {corner.x(), corner.y()};
}

void AddProfileDialog::Focus(const ui::Control& control) {
  if (auto* w = findChild<QWidget*>(QString::fromStdString(control.name()))) w->setFocus();
}

void AddProfileDialog::CloseWindow() {
  closing_ = true;
  done(QDialog::Accepted);
}

void AddProfileDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Centred on the screen, not over the main window.
  if (const QScreen* screen = this->screen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  form_.Show();
}

void AddProfileDialog::closeEvent(QCloseEvent* event) {
  // The close box, and the application closing its windows when the program ends: a refused
  // close must be reported as such, or the program would not end.
  if (closing_ || form_.Closed() || form_.Close()) {
    event->accept();
  } else {
    event->ignore();
  }
}

void AddProfileDialog::reject() {
  if (closing_ || form_.Closed()) {
    QDialog::reject();
    return;
  }
  (void)form_.Close();
}

void AddProfileDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    // The buttons are not auto-default, so a focused one passes Enter on to here; it is
    // pressed itself. Any other widget's Enter presses the page's default button.
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
      focused->click();
    else
      form_.DefaultButton().Click();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool AddProfileDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == src_dir_ && event->type() == QEvent::FocusOut) form_.SourceEntered();
  return QDialog::eventFilter(watched, event);
}

void QtWizardPresenter::RunModal(AddProfileWizard& form) {
  AddProfileDialog dialog(form, parent_);
  form.SetWindow(&dialog);
  dialog.exec();
  form.SetWindow(nullptr);
}

}  // namespace qm::qt
