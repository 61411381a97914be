#include "qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/main_window_controller.h"
#include "qt/add_profile_dialog.h"
#include "qt/control_binding.h"
#include "qt/desktop_notifier.h"
#include "qt/image_list.h"
#include "qt/profile_table_model.h"
#include "qt/restore_dialog_view.h"
#include "qt/tray_icon.h"
#include "qt/window_placement.h"

namespace qm::qt {

namespace {

constexpr int kWidth = 690;
constexpr int kHeight = 445;
constexpr int kSplitterWidth = 5;

// A page's contents scroll when the window is too small for them, so nothing is cut off.
QVBoxLayout* ScrollingPage(QWidget* page) {
  auto* outer = new QVBoxLayout(page);
  outer->setContentsMargins(0, 0, 0, 0);
  auto* scroll = new QScrollArea(page);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* inner = new QWidget(scroll);
  scroll->setWidget(inner);
  outer->addWidget(scroll);
  auto* layout = new QVBoxLayout(inner);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(3);
  return layout;
}

// An editor with its buttons at its right.
QWidget* EditWithButtons(QWidget* parent, QLineEdit* edit,
                         std::initializer_list<QPushButton*> buttons) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  edit->setParent(row);
  layout->addWidget(edit, 1);
  // Tab goes from the field to its buttons, whichever was bound first.
  QWidget* previous = edit;
  for (QPushButton* b : buttons) {
    b->setParent(row);
    b->setFixedWidth(26);
    layout->addWidget(b);
    QWidget::setTabOrder(previous, b);
    previous = b;
  }
  return row;
}

// A progress bar with its percentage caption at its right.
QWidget* PercentRow(QWidget* parent, ui::ProgressBar& bar, ui::Label& percent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  QProgressBar* w = Bind(bar, row);
  w->setMaximumHeight(14);
  w->setMinimumWidth(30);
  layout->addWidget(w, 1);
  QLabel* label = Bind(percent, row);
  label->setMinimumWidth(38);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  layout->addWidget(label);
  return row;
}

// A caption whose text comes and goes at run time (a status, a file name) wraps, and never
// widens the page: an over-long name is cut at the page's edge instead.
QLabel* Flexible(QLabel* label) {
  label->setWordWrap(true);
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label->setMinimumWidth(1);
  return label;
}

}  // namespace

MainWindow::MainWindow(MainWindowController& form) : form_(form) {
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setWindowIcon(ApplicationIcon());
  setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint | Qt::WindowTitleHint);

  // The window's fixed size of 690 by 445 was laid out for a compact dialog font.
  QFont compact = font();
  compact.setPixelSize(11);
  setFont(compact);

  auto* root = new QHBoxLayout(this);
  root->setContentsMargins(4, 4, 4, 4);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setHandleWidth(kSplitterWidth);
  splitter_->setChildrenCollapsible(false);
  root->addWidget(splitter_);

  splitter_->addWidget(BuildProfilesBox());
  pages_ = Bind(form_.page_control, splitter_);
  splitter_->addWidget(pages_);
  BuildCurrentProfilePage(PageWidget(pages_, form_.page_control, form_.current_profile_page));
  BuildStatisticsPage(PageWidget(pages_, form_.page_control, form_.statistics_page));
  BuildParametersPage(PageWidget(pages_, form_.page_control, form_.parameters_page));
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);

  resize(kWidth, kHeight);
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    form_.page_control_width = splitter_->sizes().value(1, form_.page_control_width);
  });
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }

  ConnectGrid();
  tray_ = new TrayIcon(form_, this);
  wizard_ = std::make_unique<QtWizardPresenter>(this);
  form_.SetWizardPresenter(wizard_.get());
  restore_ = std::make_unique<QtRestorePresenter>(this);
  form_.backup_checks.SetPresenter(restore_.get());
  notifier_ = new QtDesktopNotifier(form_, *tray_, this);
  qApp->installEventFilter(this);
  placement_ = std::make_unique<WindowPlacementOf>(this, /*main_window=*/true);
  form_.fs.SetPlacement(placement_.get());
}

MainWindow::~MainWindow() {
  form_.fs.SetPlacement(nullptr);
  form_.SetWizardPresenter(nullptr);
  form_.backup_checks.SetPresenter(nullptr);
  qApp->removeEventFilter(this);
  form_.profile_table.DataChanged.Disconnect(data_connection_);
  form_.profile_grid.SelectionCleared.Disconnect(selection_connection_);
}

namespace {

// The keys the window acts on; anything else goes to the control with the focus.
bool HotKeyOf(int key, MainWindowController::HotKey& hot) {
  using K = MainWindowController::HotKey;
  switch (key) {
    case Qt::Key_Insert:
      hot = K::kInsert;
      return true;
    case Qt::Key_F1:
      hot = K::kF1;
      return true;
    case Qt::Key_F2:
      hot = K::kF2;
      return true;
    case Qt::Key_F3:
      hot = K::kF3;
      return true;
    case Qt::Key_F8:
      hot = K::kF8;
      return true;
    case Qt::Key_F9:
      hot = K::kF9;
      return true;
    case Qt::Key_F10:
      hot = K::kF10;
      return true;
    case Qt::Key_Delete:
      hot = K::kDelete;
      return true;
    default:
      return false;
  }
}

KeyModifiers ModifiersOf(const QKeyEvent& key) {
  const Qt::KeyboardModifiers mods = key.modifiers();
  return KeyModifiers{.shift = (mods & Qt::ShiftModifier) != 0,
                      .ctrl = (mods & Qt::ControlModifier) != 0,
                      .alt = (mods & Qt::AltModifier) != 0};
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease) return false;
  auto* target = qobject_cast<QWidget*>(watched);
  if (!target || target->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  MainWindowController::HotKey hot;
  if (!HotKeyOf(key->key(), hot)) return false;
  const KeyModifiers mods = ModifiersOf(*key);
  if (type == QEvent::KeyPress) {
    // The window acts on the release; a control must not act on the press first (Ctrl+Del
    // would delete a word). Delete alone still deletes a character in an editor.
    if (hot == MainWindowController::HotKey::kDelete) return mods.ctrl;
    return !mods.shift && !mods.ctrl && !mods.alt;
  }
  if (key->isAutoRepeat()) return false;
  // Handled once, at the first widget the key reaches; it does not travel up to the parents.
  bool handled = false;
  form_.Guarded([this, hot, mods, &handled] { handled = form_.FormKeyUp(hot, mods); })();
  return handled;
}

QWidget* MainWindow::BuildProfilesBox() {
  QGroupBox* box = Bind(form_.profiles_group_box, splitter_);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(4, 4, 4, 4);

  model_ = new ProfileTableModel(form_.profile_table, this);
  grid_ = new QTableView(box);
  grid_->setObjectName("profile_grid");
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->setDefaultSectionSize(20);
  grid_->verticalHeader()->setFixedWidth(14);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->horizontalHeader()->setStretchLastSection(true);
  // A title wider than its column in this font widens the column rather than being cut.
  for (int c = 0; c < model_->columnCount(); ++c)
    grid_->setColumnWidth(c, std::max(ProfileTableModel::ColumnWidth(c),
                                      grid_->horizontalHeader()->sectionSizeHint(c)));
  layout->addWidget(grid_, 1);
  // The context menu acts on the row under the pointer, which becomes the current one.
  auto* menu = new QMenu(grid_);
  menu->addAction(Bind(form_.backup_checks.restore_menu_item, menu));
  menu->addAction(Bind(form_.backup_checks.verify_menu_item, menu));
  connect(menu, &QMenu::aboutToShow, this, [this] { form_.backup_checks.UpdateItems(); });
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_, &QWidget::customContextMenuRequested, this, [this, menu](const QPoint& at) {
    const QModelIndex row = grid_->indexAt(at);
    if (row.isValid())
      grid_->selectionModel()->setCurrentIndex(
          row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    menu->popup(grid_->viewport()->mapToGlobal(at));
  });

  auto* bar = new QHBoxLayout();
  bar->setSpacing(4);
  // The buttons may give up their spare padding so the page area keeps its width.
  for (ui::Button* b : {&form_.start_button, &form_.start_background_button, &form_.hide_button,
                        &form_.help_button}) {
    QPushButton* w = Bind(*b, box);
    w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const int icon = w->icon().isNull() ? 0 : w->iconSize().width() + 4;
    w->setMinimumWidth(w->fontMetrics().horizontalAdvance(w->text()) + icon + 16);
    if (b == &form_.help_button) {
      bar->addStretch(1);
      w->setIcon(HelpIcon());
      w->setMinimumWidth(kImageSize + 14);
    }
    bar->addWidget(w);
  }
  layout->addLayout(bar);
  return box;
}

void MainWindow::BuildCurrentProfilePage(QWidget* page) {
  QVBoxLayout* l = ScrollingPage(page);
  QWidget* p = l->parentWidget();
  l->addWidget(Bind(form_.enabled_box, p));
  l->addWidget(Bind(form_.profile_name_label, p));
  l->addWidget(Bind(form_.profile_name_edit, p));
  l->addWidget(Bind(form_.source_folder_label, p));
  l->addWidget(
      EditWithButtons(p, Bind(form_.source_folder_edit, p), {Bind(form_.source_browse_button, p)}));
  l->addWidget(Bind(form_.destination_folder_label, p));
  l->addWidget(EditWithButtons(
      p, Bind(form_.destination_folder_edit, p),
      {Bind(form_.destination_browse_button, p), Bind(form_.destination_create_button, p)}));
  l->addWidget(Bind(form_.file_filter_label, p));
  l->addWidget(Bind(form_.file_filter_edit, p));
  l->addWidget(Bind(form_.include_subfolders_box, p));
  l->addWidget(Bind(form_.copy_method_label, p));
  l->addWidget(Bind(form_.copy_method_combo, p));

  auto* advanced = new QHBoxLayout();
  auto line = [p] {
    auto* f = new QFrame(p);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
  };
  advanced->addWidget(line(), 1);
  advanced->addWidget(Bind(form_.advanced_label, p));
  advanced->addWidget(line(), 1);
  l->addLayout(advanced);

  l->addWidget(BindWrapping(form_.zip_box, p));
  l->addWidget(BindWrapping(form_.delete_removed_box, p));
  l->addWidget(Bind(form_.keep_copy_label, p));
  l->addWidget(Bind(form_.keep_copy_combo, p));
  auto* times = new QFormLayout();
  times->setContentsMargins(0, 4, 0, 0);
  times->setHorizontalSpacing(6);
  times->setVerticalSpacing(3);
  auto time_edit = [p](ui::Edit& edit) {
    QLineEdit* w = Bind(edit, p);
    w->setFixedWidth(64);
    w->setInputMask("99:99:99");
    return w;
  };
  times->addRow(Bind(form_.interval_label, p), time_edit(form_.interval_edit));
  times->addRow(Bind(form_.time_limits_box, p));
  times->addRow(Bind(form_.start_time_label, p), time_edit(form_.start_time_edit));
  times->addRow(Bind(form_.finish_time_label, p), time_edit(form_.finish_time_edit));
  l->addLayout(times);

  auto* nav = new QHBoxLayout();
  nav->setSpacing(2);
  nav->addWidget(Bind(form_.wizard_button, p));
  nav->addStretch(1);
  for (ui::Button* b : {&form_.add_profile_button, &form_.delete_profile_button,
                        &form_.post_profile_button, &form_.cancel_edit_button}) {
    QPushButton* w = Bind(*b, p);
    w->setFixedWidth(26);
    nav->addWidget(w);
  }
  l->addLayout(nav);
  l->addStretch(1);
}

void MainWindow::BuildStatisticsPage(QWidget* page) {
  QVBoxLayout* l = ScrollingPage(page);
  QWidget* p = l->parentWidget();
  auto group = [p, l](const char* title) {
    auto* box = new QGroupBox(QString::fromUtf8(title), p);
    auto* form = new QFormLayout(box);
    form->setContentsMargins(6, 4, 6, 4);
    form->setVerticalSpacing(2);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    l->addWidget(box);
    return std::make_pair(box, form);
  };
  auto text = [](const char* s) { return QString::fromUtf8(s); };

  auto [total, t] = group("Total");
  t->addRow(text("Status:"), Flexible(Bind(form_.status_label, total)));
  t->addRow(text("Files done today:"), Bind(form_.files_today_label, total));
  t->addRow(text("this hour:"), Bind(form_.files_this_hour_label, total));
  t->addRow(text("this minute:"), Bind(form_.files_this_minute_label, total));
  t->addRow(text("Started at:"), Bind(form_.started_at_label, total));
  t->addRow(text("Finish expected at:"), Bind(form_.finish_expected_label, total));
  t->addRow(text("Profiles to operate: "), Bind(form_.profiles_to_operate_label, total));
  t->addRow(text("Files total: "), Bind(form_.files_total_label, total));
  t->addRow(text("Files left: "), Bind(form_.files_left_label, total));
  t->addRow(text("Total:"), PercentRow(total, form_.total_progress, form_.total_percent_label));

  auto [current, c] = group("Current profile");
  c->addRow(text("Current profile:"), Flexible(Bind(form_.current_profile_label, current)));
  c->addRow(text("Started at:"), Bind(form_.profile_started_at_label, current));
  c->addRow(text("Finish expected at:"), Bind(form_.profile_finish_expected_label, current));
  c->addRow(text("Files to operate: "), Bind(form_.profile_files_label, current));
  c->addRow(text("Files left: "), Bind(form_.profile_files_left_label, current));
  c->addRow(text("Current profile:"),
            PercentRow(current, form_.profile_progress, form_.profile_percent_label));
  c->addRow(text("Current file name:"), Flexible(Bind(form_.current_file_label, current)));
  c->addRow(text("Current file done:"),
            PercentRow(current, form_.file_progress, form_.file_percent_label));
  l->addStretch(1);
}

void MainWindow::BuildParametersPage(QWidget* page) {
  QVBoxLayout* l = ScrollingPage(page);
  QWidget* p = l->parentWidget();
  l->addWidget(BindWrapping(form_.autostart_box, p));
  QGroupBox* box = Bind(form_.log_group_box, p);
  auto* g = new QVBoxLayout(box);
  g->setSpacing(3);
  LogControls& log = form_.Log;
  g->addWidget(Bind(log.create_log_box, box));
  g->addWidget(Bind(log.log_folder_label, box));
  // Bound one after the other: the order of creation is the tab order.
  QLineEdit* dir = Bind(log.log_folder_edit, box);
  QPushButton* browse = Bind(log.log_folder_browse_button, box);
  g->addWidget(EditWithButtons(box, dir, {browse}));
  auto* limit = new QHBoxLayout();
  limit->addWidget(Bind(log.limit_log_size_box, box));
  QSpinBox* spin = Bind(log.log_limit_edit, box);
  spin->setMinimumWidth(64);
  limit->addWidget(spin);
  limit->addWidget(Bind(log.log_limit_unit_label, box));
  limit->addStretch(1);
  g->addLayout(limit);
  for (ui::CheckBox* c :
       {&log.log_info_box, &log.log_errors_box, &log.log_deletes_box, &log.log_successes_box})
    g->addWidget(Bind(*c, box));
  l->addWidget(box);
  l->addStretch(1);
}

void MainWindow::ConnectGrid() {
  // The user's row becomes the table's current row; a refused post keeps the table where it
  // was, and the grid follows it back.
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (syncing_ || !current.isValid()) return;
            if (!form_.profile_table.MoveTo(static_cast<size_t>(current.row()) + 1))
              FollowCurrentRow();
          });
  connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    std::vector<size_t> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
      rows.push_back(static_cast<size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    form_.profile_grid.SelectedRows = std::move(rows);
  });
  data_connection_ = form_.profile_table.DataChanged.Connect([this] { FollowCurrentRow(); });
  selection_connection_ = form_.profile_grid.SelectionCleared.Connect(
      [this] { grid_->selectionModel()->clearSelection(); });
  FollowCurrentRow();
}

void MainWindow::FollowCurrentRow() {
  const size_t rec_no = form_.profile_table.RecNo();
  if (rec_no == 0) return;
  const QModelIndex wanted = model_->index(static_cast<int>(rec_no) - 1, 1);
  if (grid_->selectionModel()->currentIndex().row() == wanted.row()) return;
  syncing_ = true;
  grid_->selectionModel()->setCurrentIndex(
      wanted, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  syncing_ = false;
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Minimising and restoring by the window manager is not a show of the program's own.
  if (event->spontaneous()) return;
  // The options and the placement are restored here, before the window appears.
  form_.OnWindowShown();
  // The splitter knows its own width only once the window is laid out.
  layout()->activate();
  splitter_->setSizes(
      {splitter_->width() - form_.page_control_width - kSplitterWidth, form_.page_control_width});
  if (!sized_) {
    sized_ = true;
    // Every widget is there by now, the pages' own included.
    for (QWidget* w : findChildren<QWidget*>()) w->setToolTipDuration(kHintHidePause);
  }
}

void MainWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous() && !closing_) form_.OnWindowHidden();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_ || form_.Closed() || form_.Close()) {
    closing_ = true;
    event->accept();
  } else {
    event->ignore();
  }
}

void WindowHandle::ShowWindow() {
  if (!window_) return;
  if (window_->isMinimized()) window_->showNormal();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

WindowHandle::WindowHandle() : tray_available_(&QSystemTrayIcon::isSystemTrayAvailable) {}

void WindowHandle::MinimizeWindow() {
  if (window_) window_->showMinimized();
}

bool WindowHandle::IsWindowMinimized() const {
  return window_ && window_->isMinimized();
}

void WindowHandle::HideWindow() {
  if (window_) window_->hide();
}

bool WindowHandle::IsWindowVisible() const {
  return window_ && window_->isVisible();
}

}  // namespace qm::qt
