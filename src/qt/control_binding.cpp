#include "qt/control_binding.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <algorithm>
#include <climits>
#include <functional>

#include "qt/image_list.h"
#include "qt/qt_dialogs.h"

namespace qm::qt {

namespace {

QString Text(const std::string& s) {
  return ToQtText(s);
}

// Runs `update` now and on every change of `control`, until `object` is destroyed.
void Follow(ui::Control& control, QObject* object, std::function<void()> update) {
  update();
  const int id = control.Changed().Connect(std::move(update));
  QObject::connect(object, &QObject::destroyed,
                   [&control, id] { control.Changed().Disconnect(id); });
}

// The properties every widget shares: enabled, visible, hint and text colour.
void ApplyCommon(const ui::Control& c, QWidget* w) {
  w->setEnabled(c.Enabled());
  if (w->isHidden() == c.Visible()) w->setVisible(c.Visible());
  w->setToolTip(Text(c.Hint()));
  if (c.Color() >= 0) {
    QPalette palette = w->palette();
    const QColor color = QColor::fromRgb(static_cast<QRgb>(c.Color()));
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
      palette.setColor(role, color);
    w->setPalette(palette);
  }
}

template <class W>
W* Make(ui::Control& c, QWidget* parent) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromStdString(c.name()));
  return w;
}

}  // namespace

QLabel* Bind(ui::Label& control, QWidget* parent) {
  auto* w = Make<QLabel>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    w->setText(Text(control.Caption()));
  });
  return w;
}

QGroupBox* Bind(ui::GroupBox& control, QWidget* parent) {
  auto* w = Make<QGroupBox>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    w->setTitle(Text(control.Caption()));
  });
  return w;
}

QPushButton* Bind(ui::Button& control, QWidget* parent) {
  auto* w = Make<QPushButton>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    w->setText(Text(control.Caption()));
    // A button without a glyph keeps whatever picture the window gave it.
    if (control.Glyph() >= 0) w->setIcon(ImageListIcon(control.Glyph()));
    w->setIconSize(QSize(kImageSize, kImageSize));
  });
  QObject::connect(w, &QPushButton::clicked, [&control] { control.Click(); });
  return w;
}

QCheckBox* Bind(ui::CheckBox& control, QWidget* parent) {
  auto* w = Make<QCheckBox>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    w->setText(Text(control.Caption()));
    const QSignalBlocker block(w);
    w->setChecked(control.Checked());
  });
  // The widget has toggled itself already; Click() toggles the control to the same state.
  QObject::connect(w, &QCheckBox::clicked, [&control] { control.Click(); });
  return w;
}

namespace {
// Turns a release of the left button on the caption into a click of the box.
class ClickForwarder : public QObject {
 public:
  ClickForwarder(QCheckBox* box, QObject* parent) : QObject(parent), box_(box) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && box_->isEnabled()) {
      box_->click();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QCheckBox* box_;
};
}  // namespace

QWidget* BindWrapping(ui::CheckBox& control, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  QCheckBox* box = Bind(control, row);
  auto* caption = new QLabel(row);
  caption->setWordWrap(true);
  caption->installEventFilter(new ClickForwarder(box, caption));
  layout->addWidget(box, 0, Qt::AlignTop);
  layout->addWidget(caption, 1);
  Follow(control, caption, [&control, box, caption] {
    // The caption lives in the label; the box keeps only its mark.
    box->setText(QString());
    ApplyCommon(control, caption);
    caption->setText(Text(control.Caption()));
  });
  return row;
}

QLineEdit* Bind(ui::Edit& control, QWidget* parent) {
  auto* w = Make<QLineEdit>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    w->setMaxLength(control.MaxLength() > 0 ? control.MaxLength() : 32767);
    w->setReadOnly(control.ReadOnly());
    const QString text = QString::fromStdString(control.Text());
    // Only a real change is written back, so typing keeps the cursor where it is.
    if (w->text() != text) {
      const QSignalBlocker block(w);
      w->setText(text);
    }
  });
  QObject::connect(w, &QLineEdit::textEdited,
                   [&control](const QString& text) { control.SetTextByUser(text.toStdString()); });
  return w;
}

QSpinBox* Bind(ui::SpinEdit& control, QWidget* parent) {
  auto* w = Make<QSpinBox>(control, parent);
  auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); };
  Follow(control, w, [&control, w, clamp] {
    ApplyCommon(control, w);
    const QSignalBlocker block(w);
    w->setRange(clamp(control.Min()), clamp(control.Max()));
    w->setValue(clamp(control.Value()));
  });
  QObject::connect(w, &QSpinBox::valueChanged, [&control](int v) { control.SetValueByUser(v); });
  return w;
}

QComboBox* Bind(ui::ComboBox& control, QWidget* parent) {
  auto* w = Make<QComboBox>(control, parent);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    const QSignalBlocker block(w);
    QStringList items;
    for (const auto& item : control.Items()) items << QString::fromStdString(item);
    QStringList shown;
    for (int i = 0; i < w->count(); ++i) shown << w->itemText(i);
    if (shown != items) {
      w->clear();
      w->addItems(items);
    }
    w->setCurrentIndex(control.ItemIndex());
  });
  QObject::connect(w, &QComboBox::activated,
                   [&control](int index) { control.SelectByUser(index); });
  return w;
}

QProgressBar* Bind(ui::ProgressBar& control, QWidget* parent) {
  auto* w = Make<QProgressBar>(control, parent);
  w->setTextVisible(false);
  Follow(control, w, [&control, w] {
    ApplyCommon(control, w);
    // QProgressBar counts in int; a range beyond it (bytes of a big file) is scaled down.
    const int64_t span = control.Max() - control.Min();
    const int64_t scale = span > INT_MAX ? span / 1'000'000 + 1 : 1;
    // An empty range would make the bar a busy indicator (an empty file being copied).
    w->setRange(0, std::max(1, static_cast<int>(span / scale)));
    w->setValue(
        static_cast<int>(std::clamp<int64_t>(control.Position() - control.Min(), 0, span) / scale));
  });
  return w;
}

QAction* Bind(ui::MenuItem& control, QObject* parent) {
  auto* a = new QAction(parent);
  a->setObjectName(QString::fromStdString(control.name()));
  Follow(control, a, [&control, a] {
    a->setText(Text(control.Caption()));
    a->setEnabled(control.Enabled());
    a->setVisible(control.Visible());
    a->setToolTip(Text(control.Hint()));
  });
  QObject::connect(a, &QAction::triggered, [&control] { control.Click(); });
  return a;
}

QTabWidget* Bind(ui::PageControl& control, QWidget* parent) {
  auto* tabs = Make<QTabWidget>(control, parent);
  for (ui::TabSheet* sheet : control.Pages()) {
    auto* page = new QWidget(tabs);
    page->setObjectName(QString::fromStdString(sheet->name()));
    const int index = tabs->addTab(page, QString());
    Follow(*sheet, page, [sheet, tabs, index] {
      tabs->setTabText(index, Text(sheet->Caption()));
      tabs->setTabToolTip(index, Text(sheet->Hint()));
      tabs->setTabEnabled(index, sheet->Enabled());
      if (tabs->isTabVisible(index) != sheet->TabVisible())
        tabs->setTabVisible(index, sheet->TabVisible());
    });
  }
  Follow(control, tabs, [&control, tabs] {
    ApplyCommon(control, tabs);
    const auto& pages = control.Pages();
    const auto it = std::find(pages.begin(), pages.end(), control.ActivePage());
    if (it != pages.end()) {
      const QSignalBlocker block(tabs);
      tabs->setCurrentIndex(static_cast<int>(it - pages.begin()));
    }
  });
  QObject::connect(tabs, &QTabWidget::currentChanged, [&control](int index) {
    const auto& pages = control.Pages();
    if (index >= 0 && index < static_cast<int>(pages.size())) control.SetActivePage(pages[index]);
  });
  return tabs;
}

QWidget* PageWidget(QTabWidget* tabs, const ui::PageControl& control, const ui::TabSheet& page) {
  const auto& pages = control.Pages();
  const auto it = std::find(pages.begin(), pages.end(), &page);
  return it == pages.end() ? nullptr : tabs->widget(static_cast<int>(it - pages.begin()));
}

}  // namespace qm::qt
