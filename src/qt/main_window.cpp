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

#include "app/qmUnit1.h"
#include "qt/add_profile_dialog.h"
#include "qt/control_binding.h"
#include "qt/desktop_notifier.h"
#include "qt/image_list.h"
#include "qt/profile_table_model.h"
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

MainWindow::MainWindow(TForm1& form) : form_(form) {
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
  pages_ = Bind(form_.PC, splitter_);
  splitter_->addWidget(pages_);
  BuildCurrentProfilePage(PageWidget(pages_, form_.PC, form_.tshCurProf));
  BuildStatisticsPage(PageWidget(pages_, form_.PC, form_.tshStat));
  BuildParametersPage(PageWidget(pages_, form_.PC, form_.tshPars));
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);

  resize(kWidth, kHeight);
  connect(splitter_, &QSplitter::splitterMoved, this,
          [this] { form_.PCWidth = splitter_->sizes().value(1, form_.PCWidth); });
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
  }

  ConnectGrid();
  tray_ = new TrayIcon(form_, this);
  wizard_ = std::make_unique<QtWizardPresenter>(this);
  form_.SetWizardPresenter(wizard_.get());
  notifier_ = new QtDesktopNotifier(form_, *tray_, this);
  qApp->installEventFilter(this);
  placement_ = std::make_unique<WindowPlacementOf>(this, /*main_window=*/true);
  form_.fs.SetPlacement(placement_.get());
}

MainWindow::~MainWindow() {
  form_.fs.SetPlacement(nullptr);
  form_.SetWizardPresenter(nullptr);
  qApp->removeEventFilter(this);
  form_.rmSets.DataChanged.Disconnect(data_connection_);
  form_.grdProfs.SelectionCleared.Disconnect(selection_connection_);
}

namespace {

// The keys the window acts on; anything else goes to the control with the focus.
bool HotKeyOf(int key, TForm1::HotKey& hot) {
  using K = TForm1::HotKey;
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
  TForm1::HotKey hot;
  if (!HotKeyOf(key->key(), hot)) return false;
  const KeyModifiers mods = ModifiersOf(*key);
  if (type == QEvent::KeyPress) {
    // The window acts on the release; a control must not act on the press first (Ctrl+Del
    // would delete a word). Delete alone still deletes a character in an editor.
    if (hot == TForm1::HotKey::kDelete) return mods.ctrl;
    return !mods.shift && !mods.ctrl && !mods.alt;
  }
  if (key->isAutoRepeat()) return false;
  // Handled once, at the first widget the key reaches; it does not travel up to the parents.
  bool handled = false;
  form_.Guarded([this, hot, mods, &handled] { handled = form_.FormKeyUp(hot, mods); })();
  return handled;
}

QWidget* MainWindow::BuildProfilesBox() {
  QGroupBox* box = Bind(form_.GroupBox1, splitter_);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(4, 4, 4, 4);

  model_ = new ProfileTableModel(form_.rmSets, this);
  grid_ = new QTableView(box);
  grid_->setObjectName("grdProfs");
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

  auto* bar = new QHBoxLayout();
  bar->setSpacing(4);
  // The buttons may give up their spare padding so the page area keeps its width.
  for (ui::Button* b : {&form_.bStart, &form_.bStartBackground, &form_.bHide, &form_.bHelp}) {
    QPushButton* w = Bind(*b, box);
    w->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const int icon = w->icon().isNull() ? 0 : w->iconSize().width() + 4;
    w->setMinimumWidth(w->fontMetrics().horizontalAdvance(w->text()) + icon + 16);
    if (b == &form_.bHelp) {
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
  l->addWidget(Bind(form_.DBCheckBox1, p));
  l->addWidget(Bind(form_.lName, p));
  l->addWidget(Bind(form_.eName, p));
  l->addWidget(Bind(form_.lSrcDir, p));
  l->addWidget(EditWithButtons(p, Bind(form_.eSrcDir, p), {Bind(form_.eSrcDirEditButtons0, p)}));
  l->addWidget(Bind(form_.lDestDir, p));
  l->addWidget(
      EditWithButtons(p, Bind(form_.eDestDir, p),
                      {Bind(form_.eDestDirEditButtons0, p), Bind(form_.eDestDirEditButtons1, p)}));
  l->addWidget(Bind(form_.lFileMask, p));
  l->addWidget(Bind(form_.DBEditEh4, p));
  l->addWidget(Bind(form_.DBCheckBox2, p));
  l->addWidget(Bind(form_.lCopyMethod, p));
  l->addWidget(Bind(form_.eCopyMethod, p));

  auto* advanced = new QHBoxLayout();
  auto line = [p] {
    auto* f = new QFrame(p);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
  };
  advanced->addWidget(line(), 1);
  advanced->addWidget(Bind(form_.lAdvanced, p));
  advanced->addWidget(line(), 1);
  l->addLayout(advanced);

  l->addWidget(BindWrapping(form_.chZIP, p));
  l->addWidget(BindWrapping(form_.chDeleteRemoved, p));
  l->addWidget(Bind(form_.lKeepCopy, p));
  l->addWidget(Bind(form_.eKeepCopy, p));
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
  times->addRow(Bind(form_.lInterval, p), time_edit(form_.DBDateTimeEditEh1));
  times->addRow(Bind(form_.DBCheckBox5, p));
  times->addRow(Bind(form_.Label6, p), time_edit(form_.DBDateTimeEditEh2));
  times->addRow(Bind(form_.Label7, p), time_edit(form_.DBDateTimeEditEh3));
  l->addLayout(times);

  auto* nav = new QHBoxLayout();
  nav->setSpacing(2);
  nav->addWidget(Bind(form_.bMaster, p));
  nav->addStretch(1);
  for (ui::Button* b : {&form_.nvAdd, &form_.nvDelete, &form_.nvPost, &form_.nvCancel}) {
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
  t->addRow(text("Status:"), Flexible(Bind(form_.lStatus, total)));
  t->addRow(text("Files done today:"), Bind(form_.lfopToday, total));
  t->addRow(text("this hour:"), Bind(form_.lfopHour, total));
  t->addRow(text("this minute:"), Bind(form_.lfopMinute, total));
  t->addRow(text("Started at:"), Bind(form_.lStartedAt, total));
  t->addRow(text("Finish expected at:"), Bind(form_.lFinishExpectedAt, total));
  t->addRow(text("Profiles to operate: "), Bind(form_.lProfilesToPperate, total));
  t->addRow(text("Files total: "), Bind(form_.lFilesToTotal, total));
  t->addRow(text("Files left: "), Bind(form_.lFilesLeft, total));
  t->addRow(text("Total:"), PercentRow(total, form_.psTotal, form_.lpsTotal));

  auto [current, c] = group("Current profile");
  c->addRow(text("Current profile:"), Flexible(Bind(form_.lCurrentProfile, current)));
  c->addRow(text("Started at:"), Bind(form_.lCurrStartedAt, current));
  c->addRow(text("Finish expected at:"), Bind(form_.lCurrFinishExpectedAt, current));
  c->addRow(text("Files to operate: "), Bind(form_.lFilesToOperate, current));
  c->addRow(text("Files left: "), Bind(form_.lCurrFilesLeft, current));
  c->addRow(text("Current profile:"),
            PercentRow(current, form_.psProfile, form_.lpsCurrentprofile));
  c->addRow(text("Current file name:"), Flexible(Bind(form_.lCurrentFile, current)));
  c->addRow(text("Current file done:"), PercentRow(current, form_.psFile, form_.lpsCurrentFile));
  l->addStretch(1);
}

void MainWindow::BuildParametersPage(QWidget* page) {
  QVBoxLayout* l = ScrollingPage(page);
  QWidget* p = l->parentWidget();
  l->addWidget(BindWrapping(form_.chRunOnWindowsStart, p));
  QGroupBox* box = Bind(form_.gbLog, p);
  auto* g = new QVBoxLayout(box);
  g->setSpacing(3);
  LogControls& log = form_.Log;
  g->addWidget(Bind(log.chLogCreate, box));
  g->addWidget(Bind(log.lLogDir, box));
  // Bound one after the other: the order of creation is the tab order.
  QLineEdit* dir = Bind(log.deLogDir, box);
  QPushButton* browse = Bind(log.deLogDirButton, box);
  g->addWidget(EditWithButtons(box, dir, {browse}));
  auto* limit = new QHBoxLayout();
  limit->addWidget(Bind(log.chLogLimitSize, box));
  QSpinBox* spin = Bind(log.eLogLimit, box);
  spin->setMinimumWidth(64);
  limit->addWidget(spin);
  limit->addWidget(Bind(log.lLogLimitKb, box));
  limit->addStretch(1);
  g->addLayout(limit);
  for (ui::CheckBox* c : {&log.chLogInfo, &log.chLogErrors, &log.chLogDeletes, &log.chLogSucc})
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
            if (!form_.rmSets.MoveTo(static_cast<size_t>(current.row()) + 1)) FollowCurrentRow();
          });
  connect(grid_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    std::vector<size_t> rows;
    for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
      rows.push_back(static_cast<size_t>(index.row()));
    std::sort(rows.begin(), rows.end());
    form_.grdProfs.SelectedRows = std::move(rows);
  });
  data_connection_ = form_.rmSets.DataChanged.Connect([this] { FollowCurrentRow(); });
  selection_connection_ = form_.grdProfs.SelectionCleared.Connect(
      [this] { grid_->selectionModel()->clearSelection(); });
  FollowCurrentRow();
}

void MainWindow::FollowCurrentRow() {
  const size_t rec_no = form_.rmSets.RecNo();
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
  splitter_->setSizes({splitter_->width() - form_.PCWidth - kSplitterWidth, form_.PCWidth});
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
